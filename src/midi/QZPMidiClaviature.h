// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/QZPKeyEvent.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <set>

class QZPMidiClaviatureDelegate;

// The computer-keyboard note player: fifteen letter keys form a piano keyboard of one octave and three
// notes (A W S E D F T G Y H U J K O L), Z and X shift the octave, and presses and releases become note
// requests to the delegate.
class QZPMidiClaviature : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool enabled READ isEnabled WRITE setEnabled NOTIFY enabledChanged)

public:
    static constexpr int NotFound = -1;
    static constexpr uint StartOctave = 5;
    static constexpr uint HighestOctave = 10;
    static constexpr quint16 LowerOctaveKey = 6; // Z
    static constexpr quint16 RaiseOctaveKey = 7; // X

    explicit QZPMidiClaviature(QObject* parent = nullptr);

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    uint octave() const { return m_octave; }
    void setOctave(uint octave);
    void raiseOneOctave();
    void lowerOneOctave();
    int type() const { return m_type; }
    // Installs the key map of the keyboard type (0, the only type, has the octave keys).
    void setType(int type);
    QStringList keyCodeMapping() const { return m_keyCodeMapping; }
    // The notes sounding because of a held key, ascending.
    QList<quint8> keysDown() const { return {m_keysDown.begin(), m_keysDown.end()}; }
    QZPMidiClaviatureDelegate* delegate() const { return m_delegate; }
    void setDelegate(QZPMidiClaviatureDelegate* delegate) { m_delegate = delegate; }

    // The note of a key at the current octave, or NotFound for a key outside the map or above note 127.
    int midiNoteForKeyCode(quint16 keyCode) const;
    // Plays or releases the note of the event; answers whether the event was used.
    bool processKeyboardEvent(const QZPKeyEvent& event);
    // Releases every sounding note.
    void releaseAllKeys();

signals:
    void enabledChanged();
    // The octave moved (Z, X or setOctave): the keys now play from note octave × 12.
    void octaveChanged(uint octave);

private:
    void shiftHeldNotes(int semitones);

    bool m_enabled = true;
    uint m_octave = StartOctave;
    int m_type = 0;
    QStringList m_keyCodeMapping;
    std::set<quint8> m_keysDown;
    QZPMidiClaviatureDelegate* m_delegate = nullptr;
};
