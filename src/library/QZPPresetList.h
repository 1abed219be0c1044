// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

class QZPError;
class QZPPreset;

// A list of presets kept as one property list: an array of dictionaries with "name" (the display name)
// and "data" (the 24-byte Patch message). The main window exports the library so, and the factory
// presets come so. Lists come from outside: every entry is checked before it becomes a preset.
class QZPPresetList {
public:
    static constexpr const char* NameKey = "name";
    static constexpr const char* DataKey = "data";

    struct Entry {
        QString name;
        QByteArray message;
        // Why the entry cannot be a preset; empty for a good one.
        QString problem;
    };

    // The entries of a list, or nothing when the bytes are not a property list holding an array.
    static std::optional<QList<Entry>> parse(const QByteArray& bytes);
    // The same, read from a file (a regular file of bounded size); a read error is reported in `error`.
    static std::optional<QList<Entry>> read(const QString& path, QZPError* error);

    // The list of the presets, in order, as a binary property list.
    static QByteArray listData(const QList<QZPPreset*>& presets);

    // File base names for the entries, in order: a name already used by an earlier entry (ignoring
    // letter case) takes the first free " 2", " 3"...
    static QStringList fileBaseNames(const QList<Entry>& entries);
    // The library's numbering rule: `base` itself while it is free, else the first free "base 2",
    // "base 3"...
    static QString freeName(const QString& base, const std::function<bool(const QString&)>& taken);
};
