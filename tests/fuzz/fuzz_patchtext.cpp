// SPDX-License-Identifier: GPL-3.0-or-later
// Any text on the clipboard: the patches read from it are Juno-106 patches, and each written again and
// read back is the same patch with the same name.
#include "model/QZPPatchText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const QZPPatchText::Entry& entry : QZPPatchText::read(text)) {
        if (!QZPPatch::problem(entry.patch.data()).isEmpty() ||
            entry.name.size() > QZPPatchText::MaximumNameLength)
            std::abort();
        const QList<QZPPatchText::Entry> again =
            QZPPatchText::read(QZPPatchText::format(entry.patch, entry.name));
        if (again.size() != 1 || !(again.first().patch == entry.patch) || again.first().name != entry.name)
            std::abort();
    }
    return 0;
}
