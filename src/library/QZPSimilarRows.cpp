// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/QZPSimilarRows.h"

#include "model/QZPPatchRanking.h"

void QZPSimilarRows::begin(const QByteArray& patch, const QString& name, std::optional<Row> ownRow,
                           qsizetype count, bool waiting) {
    m_patch = patch;
    m_name = name;
    m_ownRow = ownRow;
    m_count = count;
    m_waiting = waiting;
    m_distances.clear();
}

void QZPSimilarRows::end() {
    m_waiting = false;
    m_distances.clear();
}

QList<QZPSimilarRows::Row> QZPSimilarRows::rank(const QList<Row>& sorted, const PatchOf& patchOf) {
    m_waiting = false;
    m_distances.clear();
    QList<Row> rows;
    const auto* target = reinterpret_cast<const unsigned char*>(m_patch.constData());
    for (const QZPPatchRanking::Entry& entry : QZPPatchRanking::closest(
             target, sorted.size(),
             [&](qsizetype place) { return sorted[place] == m_ownRow ? nullptr : patchOf(sorted[place]); },
             m_count)) {
        rows.append(sorted[entry.index]);
        m_distances.insert(sorted[entry.index], entry.distance);
    }
    return rows;
}

std::optional<double> QZPSimilarRows::distance(Row row) const {
    if (const auto it = m_distances.constFind(row); it != m_distances.cend())
        return *it;
    return std::nullopt;
}

void QZPSimilarRows::renumber(const std::vector<Row>& newRow) {
    QHash<Row, double> distances;
    for (auto it = m_distances.cbegin(); it != m_distances.cend(); ++it)
        distances.insert(newRow[size_t(it.key())], it.value());
    m_distances = distances;
    if (m_ownRow)
        m_ownRow = newRow[size_t(*m_ownRow)];
}
