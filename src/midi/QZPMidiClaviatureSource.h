// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QZPKeyEvent;
class QZPMidiClaviature;

// A window that lets the computer keyboard play notes while it is the active window. It may allow it only
// at times (the Record Multiple Presets window: while a collected preset is selected).
class QZPMidiClaviatureSource {
public:
    virtual ~QZPMidiClaviatureSource() = default;
    virtual bool claviaShouldProcessKeyboardEvent(QZPMidiClaviature* clavia, const QZPKeyEvent& event) {
        (void)clavia;
        (void)event;
        return true;
    }
};
