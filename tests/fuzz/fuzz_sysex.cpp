// Any bytes as one MIDI delivery: the stream parser splits them, and every SysEx message the acceptance
// rules take has the length of its type, ends with F7 and holds only data bytes.
#include "midi/QZPMidiStreamParser.h"
#include "midi/QZPSysexMessage.h"

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
    return 0;
}
