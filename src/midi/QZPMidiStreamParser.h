// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>

// Splits what a MIDI system delivers in one piece into single messages. JACK hands over whatever the
// sender wrote as one event, so one delivery may hold a SysEx cut short by the next message
// ("F0 41 32 00 05 F0 41 32 00 01 02 F7"). A SysEx ends at F7 or at any status byte but a real-time
// one; a SysEx cut short that way, or still open when the delivery ends, is set apart, so the message
// that follows is handled on its own. Running status is set by channel messages only and cancelled by
// SysEx and system common messages, as MIDI 1.0 says.
class QZPMidiStreamParser {
public:
    struct Result {
        QList<QByteArray> messages;
        QList<QByteArray> cutShort;     // SysEx messages ended by another status byte before their F7
        QList<QByteArray> unterminated; // a SysEx still open when the delivery ended
    };
    static Result split(const QByteArray& bytes);
};
