// SPDX-License-Identifier: GPL-3.0-or-later
// Any text typed into the filter field or given to `library --query`: read into name text, conditions
// and marks without failing; a valid query's conditions each name a parameter with a value it takes,
// and an invalid one says why and matches no patch.
#include "model/QZPParameter.h"
#include "model/QZPPatch.h"
#include "model/QZPPatchQuery.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    // Every scale reads the same text; the panel's is the window's usual one.
    const QZPPatchQuery query = QZPPatchQuery::parse(text, QZPValueScale(QZPValueScale::Kind(size % 3)));
    const QZPPatch patch;
    if (!query.isValid()) {
        if (query.problem().isEmpty() || query.matches(patch))
            std::abort();
        return 0;
    }
    for (const QZPPatchQuery::Condition& condition : query.conditions()) {
        if (!condition.parameter)
            std::abort();
        const bool slider = condition.parameter->kind == QZPParameter::Kind::Slider;
        if (slider ? condition.value < 0 || condition.value > QZPParameter::MaximumDataByte
                   : !condition.parameter->accepts(int(condition.value)))
            std::abort();
    }
    for (const QString& tag : query.tags())
        if (QZPPatchQuery::tag(tag) != tag)
            std::abort();
    return 0;
}
