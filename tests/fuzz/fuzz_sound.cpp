// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes to the built-in sound: as MIDI messages (each a length byte, then up to 24 bytes) posted to
// the engine with blocks rendered in between, whose samples must stay finite and bounded; and as the
// text of a note list, whose parsed notes must lie in their ranges.
#include "sound/QZPSoundEngine.h"
#include "sound/QZPSoundRenderer.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    if (data[0] & 1) {
        const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
        QString error;
        if (const auto notes = QZPSoundRenderer::parseNotes(text, &error)) {
            for (const QZPSoundRenderer::Note& note : *notes)
                if (note.note < 0 || note.note > 127 || !(note.start >= 0) || !(note.length > 0) ||
                    !(note.start + note.length <= 3600) || note.velocity < 1 || note.velocity > 127)
                    std::abort();
        } else if (error.isEmpty()) {
            std::abort();
        }
        return 0;
    }
    static QZPSoundEngine engine(48000);
    float left[64], right[64];
    size_t at = 1;
    int messages = 0;
    while (at < size) {
        const size_t length = std::min<size_t>(data[at] % 25, size - at - 1);
        engine.post(data + at + 1, length);
        at += 1 + length;
        if (++messages % 4 == 0) {
            engine.process(left, right, 64);
            for (int i = 0; i < 64; ++i)
                if (!std::isfinite(left[i]) || !std::isfinite(right[i]) || std::fabs(left[i]) > 100 ||
                    std::fabs(right[i]) > 100)
                    std::abort();
        }
    }
    engine.process(left, right, 64);
    return 0;
}
