// SPDX-License-Identifier: GPL-3.0-or-later
// Any text as a folder bookmark kept in the settings: it is refused or read as a reference to an absolute
// path, and what is read writes back to a bookmark that reads the same.
#include "model/QZPFileReference.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QZPFileReference reference = QZPFileReference::fromBookmarkData(text);
    if (reference.isNull())
        return 0;
    if (!reference.lastKnownPath().startsWith(QLatin1Char('/')))
        std::abort();
    const QZPFileReference again = QZPFileReference::fromBookmarkData(reference.bookmarkData());
    if (!(again == reference) || again.lastKnownPath() != reference.lastKnownPath() ||
        again.bookmarkData() != reference.bookmarkData())
        std::abort();
    return 0;
}
