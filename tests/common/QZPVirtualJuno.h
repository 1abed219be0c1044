// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPPatch.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <array>
#include <functional>
#include <utility>

// The instrument as it behaves, apart from the wire it is reached by: 128 program slots and an edit
// buffer, its panel (program buttons, WRITE, keys, sliders) and what it sends and takes over MIDI. The
// quirks of the real Juno-106 are on by default:
// - a program change (a button pressed, or a Program Change received) sends two Patch messages back to
//   back: the patch it leaves (the old program number, unwritten edits included), then the stored sound
//   of the program it switches to;
// - a Patch message it receives goes into the edit buffer only: its program number is ignored, and a
//   sound is stored in a slot only by WRITE and that slot's buttons, with the memory protect switch off
//   (the instrument then switches to the slot, and so sends what it stored);
// - the release of the last held key is sent as All Notes Off (controller 123), not as a note off;
// - the MIDI function switch: at I it sends notes only, at II Program Changes too, at III SysEx too.
class QZPVirtualJuno {
public:
    enum class Function { I, II, III };
    using Wire = std::function<void(const QByteArray&)>;

    explicit QZPVirtualJuno(Wire wire = {}) : m_wire(std::move(wire)) {
        for (int slot = 0; slot < 128; ++slot)
            stored[size_t(slot)] = storedSound(quint8(slot));
        editBuffer = stored[0];
    }
    void setWire(Wire wire) { m_wire = std::move(wire); }

    // The stored sound of a slot as it leaves the factory here: its first byte names the slot.
    static QByteArray storedSound(quint8 slot) {
        QByteArray data = QZPPatch::defaultData();
        data[0] = char(slot);
        data[1] = char(100 - slot % 64);
        return data;
    }
    QByteArray patchMessage(quint8 program, const QByteArray& data) const {
        return QByteArray("\xF0\x41\x30", 3) + char(channel) + char(program) + data + char(0xF7);
    }

    // The panel.
    // A program button; after WRITE, the edit buffer is stored in that slot first (unless the memory
    // protect switch is on) and the instrument switches to it, sending what it stored.
    void pressProgram(quint8 slot) {
        if (std::exchange(writeArmed, false) && !memoryProtect)
            stored[slot] = editBuffer;
        changeProgram(slot, true);
    }
    void pressWrite() { writeArmed = true; }
    void moveSlider(int index, quint8 value) {
        editBuffer[index] = char(value);
        if (function == Function::III)
            send(QByteArray("\xF0\x41\x32", 3) + char(channel) + char(index) + char(value) + char(0xF7));
    }
    void keyDown(quint8 note) {
        m_held.insert(note);
        send(QByteArray(1, char(0x90 | channel)) + char(note) + char(0x40));
    }
    void keyUp(quint8 note) {
        if (!m_held.remove(note))
            return;
        if (m_held.isEmpty())
            send(QByteArray(1, char(0xB0 | channel)) + char(123) + char(0));
        else
            send(QByteArray(1, char(0x80 | channel)) + char(note) + char(0x40));
    }

    // A message from the computer.
    void receive(const QByteArray& message) {
        received << message;
        if (message.size() < 2)
            return;
        const quint8 status = quint8(message.at(0));
        if (status == (0xC0 | channel) && message.size() == 2) {
            changeProgram(quint8(message.at(1)) & 0x7F, false);
        } else if (status == 0xF0 && message.size() == QZPPatch::MessageLength &&
                   quint8(message.at(2)) == 0x30 && quint8(message.at(3)) == channel) {
            editBuffer = message.mid(5, QZPPatch::DataLength); // the program byte is ignored
        } else if (status == 0xF0 && message.size() == 7 && quint8(message.at(2)) == 0x32 &&
                   quint8(message.at(3)) == channel && quint8(message.at(4)) < QZPPatch::DataLength) {
            editBuffer[quint8(message.at(4))] = message.at(5);
        }
    }

    quint8 channel = 0;
    Function function = Function::III;
    bool sendsTwoPatches = true;
    bool memoryProtect = false;
    bool writeArmed = false;
    quint8 program = 0;
    QByteArray editBuffer;
    std::array<QByteArray, 128> stored;
    QList<QByteArray> received;

private:
    void changeProgram(quint8 slot, bool fromPanel) {
        if (function == Function::III && sendsTwoPatches)
            send(patchMessage(program, editBuffer));
        program = slot;
        editBuffer = stored[slot];
        if (fromPanel && function != Function::I)
            send(QByteArray(1, char(0xC0 | channel)) + char(slot));
        if (function == Function::III)
            send(patchMessage(program, editBuffer));
    }
    void send(const QByteArray& message) {
        if (m_wire)
            m_wire(message);
    }

    Wire m_wire;
    QSet<quint8> m_held;
};
