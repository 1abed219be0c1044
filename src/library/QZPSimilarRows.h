// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/QZPLibraryTable.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

// Find Similar in the library's list: the patch ranked against (the preset's as it was when asked), its
// name and row, how many to show, and each ranked row's distance. While the rows' patches are still being
// read the ranking waits for them.
class QZPSimilarRows {
public:
    using Row = QZPLibraryTable::Row;
    // A row's 18 patch bytes, or null when not known.
    using PatchOf = std::function<const unsigned char*(Row row)>;

    // Ranks against `patch` (18 bytes) from now on; `ownRow` is left out of the ranking.
    void begin(const QByteArray& patch, const QString& name, std::optional<Row> ownRow, qsizetype count,
               bool waiting);
    void end();
    bool isWaiting() const { return m_waiting; }
    QString name() const { return m_name; }

    // Every row of `sorted` whose patch is known, by its distance, the closest `count`; equal distances
    // keep the list's order.
    QList<Row> rank(const QList<Row>& sorted, const PatchOf& patchOf);
    // 0 the same patch, 1 as far apart as can be; none for a row not ranked.
    std::optional<double> distance(Row row) const;
    // The rows were numbered again: `newRow` maps each old number to its new one.
    void renumber(const std::vector<Row>& newRow);

private:
    QByteArray m_patch;
    QString m_name;
    std::optional<Row> m_ownRow;
    qsizetype m_count = 0;
    bool m_waiting = false;
    QHash<Row, double> m_distances;
};
