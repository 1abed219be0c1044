// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPPatch.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <array>
#include <optional>

// The Juno-106's SysEx messages and plain MIDI channel messages, byte for byte.
//
// Patch message, 24 bytes: F0 41 30 0n pp, the 18 patch-data bytes, F7 (type 0x31 is also a patch).
// Control message, 7 bytes: F0 41 32 0n cc vv F7, where cc is the patch-data byte vv goes into.
class QZPSysexMessage {
public:
    // The Patch message's framing is the preset's.
    static constexpr quint8 SysexStart = QZPPatch::SysexStart;
    static constexpr quint8 SysexEnd = QZPPatch::SysexEnd;
    static constexpr quint8 RolandID = QZPPatch::RolandID;
    static constexpr quint8 PatchType = QZPPatch::PatchType;
    static constexpr quint8 PatchType2 = QZPPatch::PatchType2;
    static constexpr quint8 ControlType = 0x32;
    static constexpr int PatchLength = QZPPatch::MessageLength;
    static constexpr int ControlLength = 7;
    static constexpr quint8 DefaultNoteOnVelocity = 110;
    static constexpr quint8 DefaultNoteOffVelocity = 0;

    // What the acceptance rules make of one received SysEx message.
    struct Verdict {
        bool accepted = false;
        quint8 type = 0;
        QString errorText; // why it was refused
    };
    // Accepts Roland Patch messages of 24 bytes (types 0x30, 0x31) and Control messages of 7 bytes;
    // nothing else is checked. Bytes that are not there are never read.
    static Verdict classify(const QByteArray& sysex);

    static QByteArray controlMessage(quint8 channel, quint8 control, quint8 value);
    // The same, on the stack: the send path of a slider drag allocates nothing.
    static std::array<char, ControlLength> controlMessageBytes(quint8 channel, quint8 control, quint8 value);
    static QByteArray noteOn(quint8 channel, quint8 note, quint8 velocity);
    static QByteArray noteOff(quint8 channel, quint8 note, quint8 velocity);
    static QByteArray controlChange(quint8 channel, quint8 controller, quint8 value);
    static QByteArray programChange(quint8 channel, quint8 program);

    static bool isSysex(const QByteArray& message) {
        return !message.isEmpty() && quint8(message.at(0)) == SysexStart;
    }
    static bool isControlMessage(QByteArrayView message);
    // What a keyboard plays: note off and on, pitch bend, and the modulation wheel, the hold pedal and the
    // controllers that end notes (all sound off, reset all controllers, all notes off). Whole messages of
    // three bytes only.
    static bool isPerformanceMessage(QByteArrayView message);
    // A Control message's fields: the channel (0–15), the patch byte it sets and the value.
    struct Control {
        quint8 channel = 0;
        quint8 control = 0;
        quint8 value = 0;
        bool operator==(const Control&) const = default;
    };
    // The fields of a Control message, or nothing when the bytes are not a whole one.
    static std::optional<Control> decodeControl(QByteArrayView message);
    // Two Control messages for the same parameter on the same channel.
    static bool isSameControl(QByteArrayView a, QByteArrayView b);
    // "F0 41 32 ..." for log lines and scripts.
    static QString hex(const QByteArray& bytes);
    // The first bytes as hexadecimal, then the whole length: for log lines, which stay short.
    static QString hexExcerpt(const QByteArray& bytes, qsizetype shown = 32);
};
