// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/QZPMidiClaviature.h"

#include "midi/QZPMidiClaviatureDelegate.h"
#include "model/QZPInvalidParameter.h"

#include <algorithm>
#include <utility>

namespace {
constexpr int HighestNote = 127;
constexpr int SemitonesPerOctave = 12;
} // namespace

QZPMidiClaviature::QZPMidiClaviature(QObject* parent) : QObject(parent) {
    setType(0);
}

// Switched off, the player lets go of what it plays: no note is left sounding on the instrument.
void QZPMidiClaviature::setEnabled(bool enabled) {
    if (m_enabled == enabled)
        return;
    if (!enabled)
        releaseAllKeys();
    m_enabled = enabled;
    emit enabledChanged();
}

void QZPMidiClaviature::setOctave(uint octave) {
    QZP_PRECONDITION(octave <= HighestOctave, "octave >= 0 && octave <= 10");
    if (std::exchange(m_octave, octave) != octave)
        emit octaveChanged(octave);
}

void QZPMidiClaviature::raiseOneOctave() {
    setOctave(std::min(m_octave + 1, HighestOctave));
}

void QZPMidiClaviature::lowerOneOctave() {
    if (m_octave > 0)
        setOctave(m_octave - 1);
}

void QZPMidiClaviature::setType(int type) {
    m_type = type;
    m_keyCodeMapping = QStringLiteral("0,13,1,14,2,3,17,5,16,4,32,38,40,31,37").split(QLatin1Char(','));
}

int QZPMidiClaviature::midiNoteForKeyCode(quint16 keyCode) const {
    const qsizetype index = m_keyCodeMapping.indexOf(QString::number(keyCode));
    if (index < 0)
        return NotFound;
    const int note = int(index) + SemitonesPerOctave * int(m_octave);
    return note > HighestNote ? NotFound : note;
}

// A key's release always ends the note its press started, whatever modifier keys are held by then: a
// Shift or Caps Lock pressed while a note sounds must not leave it hanging. A key pressed with a modifier
// plays nothing and goes on to the rest of the program; the release of a key whose note does not sound
// sends nothing.
bool QZPMidiClaviature::processKeyboardEvent(const QZPKeyEvent& event) {
    if (!m_enabled || !m_delegate)
        return false;
    const bool plain = event.modifierFlags() == 0 || event.modifierFlags() == QZPKeyEvent::PlainKeyFlags;
    if (event.type() == QZPKeyEvent::Type::KeyUp && !event.isARepeat()) {
        const int note = midiNoteForKeyCode(event.keyCode());
        if (note == NotFound)
            return false;
        if (m_keysDown.erase(quint8(note)) == 0)
            return plain; // nothing sounds for it: no note-off goes out for a note never played
        m_delegate->claviaReleaseMidiNote(this, quint8(note));
        return true;
    }
    if (!plain)
        return false;
    if (event.isARepeat())
        return true; // the held note keeps sounding
    if (event.type() != QZPKeyEvent::Type::KeyDown)
        return false;
    if (m_type == 0 && (event.keyCode() == LowerOctaveKey || event.keyCode() == RaiseOctaveKey)) {
        const bool raise = event.keyCode() == RaiseOctaveKey;
        raise ? raiseOneOctave() : lowerOneOctave();
        shiftHeldNotes(raise ? SemitonesPerOctave : -SemitonesPerOctave);
        return true;
    }
    const int note = midiNoteForKeyCode(event.keyCode());
    if (note == NotFound)
        return false;
    m_keysDown.insert(quint8(note));
    m_delegate->claviaPlayMidiNote(this, quint8(note));
    return true;
}

// Held notes move with the octave, even when the octave is already at its limit. All of them are
// released before any is played again, so that two held keys an octave apart leave no note hanging.
void QZPMidiClaviature::shiftHeldNotes(int semitones) {
    const std::set<quint8> held = m_keysDown;
    for (quint8 note : held) {
        m_delegate->claviaReleaseMidiNote(this, note);
        m_keysDown.erase(note);
    }
    for (quint8 note : held) {
        const int shifted = note + semitones;
        if (shifted < 0 || shifted > HighestNote)
            continue;
        m_delegate->claviaPlayMidiNote(this, quint8(shifted));
        m_keysDown.insert(quint8(shifted));
    }
}

void QZPMidiClaviature::releaseAllKeys() {
    const std::set<quint8> held = m_keysDown;
    for (quint8 note : held) {
        if (m_delegate)
            m_delegate->claviaReleaseMidiNote(this, note);
        m_keysDown.erase(note);
    }
}
