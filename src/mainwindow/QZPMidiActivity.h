// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTimer>
#include <QWidget>

class QZPLightView;
class QZPMidiEngine;

// Two lights in the status bar, MIDI in and MIDI out, that flash as messages arrive from the instrument
// or a keyboard and go out to the destination: a glance tells whether anything is coming or going.
class QZPMidiActivity : public QWidget {
    Q_OBJECT

public:
    // How long a light stays on after a message.
    static constexpr int FlashMilliseconds = 120;

    explicit QZPMidiActivity(QZPMidiEngine* engine, QWidget* parent = nullptr);

    bool isInLit() const;
    bool isOutLit() const;

private:
    struct Light {
        QZPLightView* view = nullptr;
        QTimer off;
    };
    void flash(Light& light);

    Light m_in;
    Light m_out;
};
