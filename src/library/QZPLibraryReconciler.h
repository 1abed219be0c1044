// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/QZPLibraryTable.h"

#include <QHash>
#include <QStringView>
#include <optional>
#include <vector>

// Matches the files the library lists against a new walk of its folder, without touching either: each
// listed file is found again by its path, or else (renamed or moved within the folder) by its file
// identity; a row of the walk goes to one listed file at most. What no listed file took is new. A folder
// read again lists its files in the same order, so the walk's next rows are tried first, and the look-up
// tables are only made once that misses: a refresh of an unchanged folder costs one comparison a file.
class QZPLibraryReconciler {
public:
    using Row = QZPLibraryTable::Row;
    using Identity = QZPLibraryTable::Identity;

    explicit QZPLibraryReconciler(const QZPLibraryTable& walked);

    // The walk's row of a listed file, or nothing when it left the folder. `hasIdentity`: the file's
    // identity is known (a preset whose file was never looked at has none).
    std::optional<Row> match(QStringView relativePath, const Identity& identity, bool hasIdentity = true);
    // Whether a listed file took the walk's row; the rows none took are the new files.
    bool isTaken(Row row) const { return m_taken[row]; }

private:
    std::optional<Row> findByPath(QStringView relativePath);
    std::optional<Row> findByIdentity(const Identity& identity);

    const QZPLibraryTable& m_walked;
    std::vector<bool> m_taken;
    QHash<QStringView, Row> m_byPath;
    QHash<Identity, Row> m_byIdentity;
    Row m_next = 0;
};
