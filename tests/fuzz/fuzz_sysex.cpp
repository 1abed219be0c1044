// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as one MIDI delivery: the stream parser splits them, and every SysEx message the acceptance
// rules take has the length of its type, ends with F7 and holds only data bytes. The same bytes as the
// pieces a MIDI system hands over, again and again: nothing the joiner hands on is longer than its bound.
#include "midi/QZPMidiStreamParser.h"
#include "midi/QZPSysexJoiner.h"
#include "midi/QZPSysexMessage.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QZPMidiStreamParser::Result parsed = QZPMidiStreamParser::split(bytes);
    for (const QByteArray& message : parsed.messages) {
        if (!QZPSysexMessage::isSysex(message) || message.size() < 2)
            continue;
        const QZPSysexMessage::Verdict verdict = QZPSysexMessage::classify(message);
        if (!verdict.accepted)
            continue;
        const int expected = verdict.type == QZPSysexMessage::ControlType ? QZPSysexMessage::ControlLength
                                                                          : QZPSysexMessage::PatchLength;
        if (message.size() != expected || quint8(message.back()) != QZPSysexMessage::SysexEnd)
            std::abort();
        for (qsizetype i = 1; i + 1 < message.size(); ++i)
            if (quint8(message.at(i)) >= 0x80)
                std::abort();
    }
    if (size < 2)
        return 0;
    const qsizetype piece = 1 + data[0] % 64;
    QZPSysexJoiner joiner;
    for (int round = 0; round < 8; ++round)
        for (qsizetype at = 1; at < bytes.size(); at += piece)
            joiner.take(QByteArrayView(bytes).sliced(at, std::min(piece, bytes.size() - at)),
                        [](QByteArrayView message) {
                            if (message.isEmpty() || message.size() > QZPSysexJoiner::MaximumMessageLength)
                                std::abort();
                        });
    return 0;
}
