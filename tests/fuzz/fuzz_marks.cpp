// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a folder's file of favourites and tags: taken whole or refused with a reason, never
// half. What is taken writes out as bytes that read back as the same marks.
#include "library/QZPPresetMarks.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QZPPresetMarks marks;
    QString problem;
    if (!marks.parse(bytes, &problem)) {
        if (problem.isEmpty() || !marks.serialized().contains("\"presets\": [\n    ]"))
            std::abort();
        return 0;
    }
    const QByteArray written = marks.serialized();
    QZPPresetMarks again;
    if (!again.parse(written, &problem) || again.serialized() != written)
        std::abort();
    return 0;
}
