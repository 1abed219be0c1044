// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// A counted phrase in English: `one` for exactly one, `many` (with %1 for the count) otherwise.
inline QString qzpPlural(qsizetype count, const QString& one, const QString& many) {
    return count == 1 ? one : many.arg(count);
}
