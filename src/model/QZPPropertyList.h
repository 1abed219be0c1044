// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QVariant>
#include <optional>

// Property lists (binary or XML) as Qt values: dictionary <-> QVariantMap, array <-> QVariantList,
// data <-> QByteArray, string <-> QString, boolean <-> bool, integer <-> qint64, real <-> double.
// Preset files, exported lists and the factory list are property lists.
class QZPPropertyList {
public:
    // Larger input is refused unparsed: no property list of ours comes near it.
    static constexpr qsizetype MaximumInputSize = 64 * 1024 * 1024;

    // The value of a binary or XML property list; nothing when the data are not a valid property list.
    static std::optional<QVariant> parse(const QByteArray& data);
    // The value written as a binary property list. Values of other types are written as strings.
    static QByteArray toBinary(const QVariant& value);
};
