// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes given to the property-list reader: it answers a value or nothing, within bounded time and
// memory, and never crashes.
#include "model/QZPPropertyList.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)QZPPropertyList::parse(bytes);
    return 0;
}
