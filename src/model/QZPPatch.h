// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPParameterId.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHashFunctions>

class QZPParameter;

// One Juno-106 patch as a value: the 18 bytes of patch data (bytes 0–15 the sixteen slider values,
// byte 16 switch byte 1, byte 17 switch byte 2), read and changed parameter by parameter as the
// parameter table says, and framed as a Patch message. No document, no undo, no settings: what the sound,
// the MIDI layer, the command-line tool and any code that compares or searches patches work with.
class QZPPatch {
public:
    static constexpr int DataLength = 18;
    static constexpr int MessageLength = 24;
    // The Patch message's framing: SysEx start, Roland, the two Patch types, SysEx end.
    static constexpr quint8 SysexStart = 0xF0;
    static constexpr quint8 RolandID = 0x41;
    static constexpr quint8 PatchType = 0x30;
    static constexpr quint8 PatchType2 = 0x31;
    static constexpr quint8 SysexEnd = 0xF7;
    // Where a Patch message keeps its channel (0–15), its program number (the slot it came from, 0 for
    // A11 to 127 for B88; the dynamics byte in a message ToneBench sends) and its patch data.
    static constexpr int ChannelIndex = 3;
    static constexpr int ProgramIndex = 4;
    static constexpr int DataIndex = 5;
    static quint8 channelOf(QByteArrayView message) { return quint8(message.at(ChannelIndex)) & 0x0F; }
    static quint8 programOf(QByteArrayView message) { return quint8(message.at(ProgramIndex)); }

    // Sliders all 0 but VCF cutoff and VCA level (127); range 8, pulse on, chorus mode 0; VCF envelope
    // mode 1.
    static const QByteArray& defaultData();
    // What keeps bytes from outside (a file, a list entry, the clipboard) from being a Juno-106 patch:
    // empty for a Patch message (F0 41 30 or 31, data bytes, F7) or 18 raw patch-data bytes; otherwise
    // the reason, for the read error. A byte of 0x80 or more inside the data would end or break the
    // message at the instrument.
    static QString problem(QByteArrayView bytes);

    // The default patch.
    QZPPatch();
    // The patch of 18 bytes of patch data, or of a 24-byte Patch message.
    explicit QZPPatch(const QByteArray& bytes);

    const QByteArray& data() const { return m_data; }
    quint8 byte(int index) const;
    void setByte(int index, quint8 value);
    // A slider's byte as stored, or a switch's decoded value.
    int value(const QZPParameter& parameter) const;
    // Sets a slider's byte, or writes a switch's bits (the value must be accepted; a switch without a
    // written condition takes any value, non-zero meaning on). A switch that already has the value is
    // left byte for byte. A change of the noise slider also sets the MKS noise bit: on at its top, off
    // elsewhere. Answers whether the data changed.
    bool setValue(const QZPParameter& parameter, int value);
    int value(QZPParameterId id) const;
    bool setValue(QZPParameterId id, int value);

    // The Patch message: F0 41 30, the channel, byte 4 (the dynamics settings or a program slot), the
    // 18 bytes, F7.
    QByteArray message(quint8 channel, quint8 byte4) const;

    bool operator==(const QZPPatch& other) const { return m_data == other.m_data; }
    friend size_t qHash(const QZPPatch& patch, size_t seed = 0) { return qHash(patch.m_data, seed); }

private:
    QByteArray m_data;
};
