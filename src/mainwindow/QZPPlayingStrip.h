// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QZPEditorController;
class QZPKeyboardView;
class QZPMidiClaviature;
class QZPMidiEngine;

// The strip under the panel where the window has room: the envelope's and the LFO's picture, and an
// on-screen keyboard that plays the destination, lights the keys the computer keyboard and a MIDI
// keyboard play, and marks the computer keyboard's octave.
class QZPPlayingStrip : public QWidget {
    Q_OBJECT

public:
    QZPPlayingStrip(QZPEditorController* editor, QZPMidiEngine* engine, QZPMidiClaviature* claviature,
                    QWidget* parent = nullptr);

    QZPKeyboardView* keyboard() const { return m_keyboard; }
    // A note the computer keyboard plays or lets go.
    void computerKeyboardNote(quint8 note, bool on);

private:
    // A note on or off from the chosen MIDI input.
    void inputMessage(const QByteArray& message);

    QZPKeyboardView* m_keyboard;
};
