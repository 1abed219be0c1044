// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

class QZPMidiClaviature;

// Receives the notes the computer keyboard plays.
class QZPMidiClaviatureDelegate {
public:
    virtual ~QZPMidiClaviatureDelegate() = default;
    virtual void claviaPlayMidiNote(QZPMidiClaviature* clavia, quint8 note) = 0;
    virtual void claviaReleaseMidiNote(QZPMidiClaviature* clavia, quint8 note) = 0;
};
