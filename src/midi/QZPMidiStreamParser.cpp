// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/QZPMidiStreamParser.h"

namespace {

// The length of a message that starts with `status`, or 0 for SysEx (ends at F7).
int messageLength(quint8 status) {
    if (status < 0xF0)
        return (status & 0xE0) == 0xC0 ? 2 : 3;
    switch (status) {
    case 0xF1:
    case 0xF3:
        return 2;
    case 0xF2:
        return 3;
    case 0xF0:
        return 0;
    default:
        return 1;
    }
}

} // namespace

QZPMidiStreamParser::Result QZPMidiStreamParser::split(const QByteArray& bytes) {
    Result result;
    QByteArray current;
    bool inSysex = false;
    quint8 runningStatus = 0;

    const auto finish = [&] {
        if (!current.isEmpty())
            result.messages.append(current);
        current.clear();
    };

    for (const char c : bytes) {
        const quint8 byte = quint8(c);
        if (byte >= 0xF8) { // real-time: stands alone, even inside a SysEx
            result.messages.append(QByteArray(1, c));
            continue;
        }
        if (byte == 0xF7) {
            if (inSysex) {
                current.append(c);
                inSysex = false;
                finish();
            }
            runningStatus = 0;
            continue;
        }
        if (byte >= 0x80) {
            if (inSysex) {
                result.cutShort.append(current);
                current.clear();
                inSysex = false;
            } else {
                finish();
            }
            current.append(c);
            // Only a channel message sets running status; SysEx and system common messages cancel it.
            runningStatus = byte < 0xF0 ? byte : 0;
            if (byte == 0xF0) {
                inSysex = true;
                continue;
            }
            if (messageLength(byte) == 1)
                finish();
            continue;
        }
        // A data byte.
        if (!inSysex && current.isEmpty()) {
            if (runningStatus == 0)
                continue; // stray data byte: nothing to belong to
            current.append(char(runningStatus));
        }
        current.append(c);
        if (!inSysex && current.size() == messageLength(quint8(current.at(0))))
            finish();
    }
    // A SysEx still open when the delivery ends never got its F7: it is broken, not a message.
    if (inSysex)
        result.unterminated.append(current);
    else
        finish();
    return result;
}
