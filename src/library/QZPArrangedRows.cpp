// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/QZPArrangedRows.h"

#include <QSet>
#include <algorithm>
#include <vector>

QZPArrangedRows::QZPArrangedRows(Less less, Passes passes, Listener* listener, SortPrefix prefix)
    : m_less(std::move(less)), m_prefix(std::move(prefix)), m_passes(std::move(passes)),
      m_listener(listener) {}

// Where the row goes in `rows`: after every row there that sorts before it.
qsizetype QZPArrangedRows::position(const QList<Row>& rows, Row row) const {
    return std::upper_bound(rows.begin(), rows.end(), row, m_less) - rows.begin();
}

void QZPArrangedRows::insertArranged(qsizetype index, Row row) {
    m_listener->arrangedRowsWillInsert(index);
    m_arranged.insert(index, row);
    m_listener->arrangedRowsDidInsert();
}

void QZPArrangedRows::removeArrangedAt(qsizetype index) {
    m_listener->arrangedRowsWillRemove(index);
    m_arranged.removeAt(index);
    m_listener->arrangedRowsDidRemove();
}

void QZPArrangedRows::resetArranged(const std::function<void()>& change) {
    m_listener->arrangedRowsWillReset();
    change();
    m_listener->arrangedRowsDidReset();
}

void QZPArrangedRows::insert(Row row) {
    insertSorted(row);
    if (!m_ranked && passes(row))
        insertArranged(position(m_arranged, row), row);
}

void QZPArrangedRows::remove(Row row) {
    removeSorted(row);
    if (const qsizetype index = m_arranged.indexOf(row); index >= 0)
        removeArrangedAt(index);
}

void QZPArrangedRows::insertSorted(Row row) {
    m_filterMemos.clear();
    m_sorted.insert(position(m_sorted, row), row);
}

void QZPArrangedRows::removeSorted(Row row) {
    m_filterMemos.clear();
    m_sorted.removeOne(row);
}

qsizetype QZPArrangedRows::update(Row row, bool keysChanged) {
    m_filterMemos.clear(); // a new name or edited state can change what any filter shows
    const qsizetype oldIndex = m_arranged.indexOf(row);
    if (m_ranked)
        return oldIndex;
    const bool shown = passes(row);
    if (!keysChanged && shown == (oldIndex >= 0))
        return oldIndex;
    if (oldIndex >= 0)
        removeArrangedAt(oldIndex);
    if (shown)
        insertArranged(position(m_arranged, row), row);
    return -1;
}

void QZPArrangedRows::rearrange(bool sort) {
    if (sort) {
        m_filterMemos.clear();
        if (m_prefix) {
            struct Keyed {
                std::pair<quint64, quint64> prefix;
                Row row;
            };
            std::vector<Keyed> keyed;
            keyed.reserve(size_t(m_sorted.size()));
            for (const Row row : m_sorted)
                keyed.push_back({m_prefix(row), row});
            std::sort(keyed.begin(), keyed.end(), [this](const Keyed& a, const Keyed& b) {
                return a.prefix != b.prefix ? a.prefix < b.prefix : m_less(a.row, b.row);
            });
            for (size_t i = 0; i < keyed.size(); ++i)
                m_sorted[qsizetype(i)] = keyed[i].row;
        } else {
            std::sort(m_sorted.begin(), m_sorted.end(), m_less);
        }
    }
    if (m_ranked) {
        // The ranked rows still in the library, in their order.
        const QSet<Row> listed(m_sorted.begin(), m_sorted.end());
        resetArranged(
            [this, &listed] { m_arranged.removeIf([&listed](Row row) { return !listed.contains(row); }); });
        return;
    }
    resetArranged([this] {
        m_arranged.clear();
        m_arranged = m_filter.isNull() ? m_sorted : passing(m_sorted);
    });
}

void QZPArrangedRows::setRanking(const QList<Row>& rows) {
    m_ranked = true;
    resetArranged([this, &rows] { m_arranged = rows; });
}

void QZPArrangedRows::clearRanking() {
    if (!m_ranked)
        return;
    m_ranked = false;
    rearrange(false);
}

void QZPArrangedRows::setFilter(const QZPPresetFilter& filter) {
    if (m_ranked) {
        m_ranked = false;
        m_filter = filter;
        rearrange(false);
        return;
    }
    if (filter == m_filter)
        return;
    const bool narrowing = filter.narrows(m_filter);
    m_filterMemos.removeIf([this](const FilterMemo& memo) { return memo.filter == m_filter; });
    m_filterMemos.append({m_filter, m_arranged});
    if (m_filterMemos.size() > MaximumFilterMemos)
        m_filterMemos.removeFirst();
    m_filter = filter;
    const auto memo = std::find_if(m_filterMemos.begin(), m_filterMemos.end(),
                                   [&filter](const FilterMemo& kept) { return kept.filter == filter; });
    if (memo != m_filterMemos.end())
        resetArranged([this, &memo] { m_arranged = memo->arranged; });
    else if (!narrowing)
        rearrange(false);
    else
        resetArranged([this] { m_arranged = passing(m_arranged); });
}

// The rows of `rows` that pass the filter, in their order. The filter looks at them in the table's order,
// not the list's: the names and patches lie in memory in the order the walk found them, and read front to
// back they come from the cache, where the sorted order jumps about them (a keystroke over 200,000 rows
// took twice as long).
QList<QZPArrangedRows::Row> QZPArrangedRows::passing(const QList<Row>& rows) const {
    if (rows.isEmpty())
        return {};
    enum : char { Unlisted, Listed, Passes };
    std::vector<char> state(size_t(*std::max_element(rows.begin(), rows.end())) + 1, Unlisted);
    for (const Row row : rows)
        state[row] = Listed;
    for (Row row = 0; row < Row(state.size()); ++row)
        if (state[row] == Listed && passes(row))
            state[row] = Passes;
    QList<Row> kept;
    kept.reserve(rows.size());
    for (const Row row : rows)
        if (state[row] == Passes)
            kept.append(row);
    return kept;
}

void QZPArrangedRows::renumber(const std::vector<Row>& newRow) {
    for (QList<Row>* rows : {&m_sorted, &m_arranged})
        for (Row& row : *rows)
            row = newRow[row];
    m_filterMemos.clear();
}
