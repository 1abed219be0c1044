// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QVariant>
#include <optional>

// Reads binary ("bplist00") and XML property lists from bytes that may be hostile, bounds-checked and
// without recursion into the file's own structure beyond a fixed depth. The work done is bounded by the
// input's size: objects that a binary list shares are expanded at each reference, so the expansion is
// budgeted (nodes and bytes in proportion to the input) and a list that would blow up is refused.
class QZPPropertyListReader {
public:
    // Containers nested deeper than this are refused.
    static constexpr int MaximumDepth = 64;

    // The value, or nothing when the bytes are not a property list we can take whole.
    static std::optional<QVariant> read(const QByteArray& data);
    static std::optional<QVariant> readBinary(const QByteArray& data);
    static std::optional<QVariant> readXml(const QByteArray& data);
};
