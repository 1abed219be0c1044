// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/QZPLibraryTable.h"
#include "library/QZPPresetFilter.h"

#include <QList>
#include <functional>
#include <vector>

// The order of the library's rows and the part of it the filter shows. `sorted()` holds every row in
// order; `arranged()` the rows the filter passes, in the same order. A row that changes moves alone, so
// an edit never sorts the list again; a filter that narrows the current one picks from what is shown,
// and the last few filters' lists are kept while no row changes, so taking a letter back is a copy.
//
// Rows are the library table's; how two compare and whether a row passes a filter are the caller's.
// Each change of `arranged()` is announced to the listener before and after, as a list model needs.
class QZPArrangedRows {
public:
    using Row = QZPLibraryTable::Row;
    using Less = std::function<bool(Row, Row)>;
    using Passes = std::function<bool(Row, const QZPPresetFilter&)>;
    // The first bytes of a row's place in the order, as two numbers compared high first: where two rows'
    // prefixes differ they are in that order, where they are equal `less` decides. A whole sort then
    // compares numbers, not rows.
    using SortPrefix = std::function<std::pair<quint64, quint64>(Row)>;

    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void arrangedRowsWillInsert(qsizetype index) = 0;
        virtual void arrangedRowsDidInsert() = 0;
        virtual void arrangedRowsWillRemove(qsizetype index) = 0;
        virtual void arrangedRowsDidRemove() = 0;
        virtual void arrangedRowsWillReset() = 0;
        virtual void arrangedRowsDidReset() = 0;
    };

    QZPArrangedRows(Less less, Passes passes, Listener* listener, SortPrefix prefix = {});

    const QList<Row>& sorted() const { return m_sorted; }
    const QList<Row>& arranged() const { return m_arranged; }
    const QZPPresetFilter& filter() const { return m_filter; }
    bool passes(Row row) const { return m_passes(row, m_filter); }
    QList<Row> passing(const QList<Row>& rows) const;

    // A new row takes its sorted place, and its arranged place when the filter shows it.
    void insert(Row row);
    // The row leaves both lists.
    void remove(Row row);
    // The row's sort keys or filtered state changed: it moves to its new place, appears or disappears.
    // Answers the arranged index of a row that stayed where it was (-1 if it moved or is not shown).
    qsizetype update(Row row, bool keysChanged);
    // While a refresh is applied: rows taken into or out of the sorted list only, the arranged list
    // made again afterwards with `rearrange`.
    void insertSorted(Row row);
    void removeSorted(Row row);
    // Many rows at once: appended, then everything sorted by `rearrange(true)`.
    void appendSorted(Row row) { m_sorted.append(row); }
    void rearrange(bool sort);
    void setFilter(const QZPPresetFilter& filter);
    // A ranking (Find Similar): the arranged list is these rows in this order, whatever the filter, until
    // a filter is set or the ranking cleared. Rows leave it as they leave the library; rows that come or
    // change keep their sorted places only.
    void setRanking(const QList<Row>& rows);
    void clearRanking();
    bool isRanked() const { return m_ranked; }
    // Row numbers changed (the table was compacted): `newRow[old]` is each row's new number.
    void renumber(const std::vector<Row>& newRow);
    // What earlier filters showed is out of date (a row came, went or changed its keys).
    void forgetFilters() { m_filterMemos.clear(); }

private:
    qsizetype position(const QList<Row>& rows, Row row) const;
    void insertArranged(qsizetype index, Row row);
    void removeArrangedAt(qsizetype index);
    void resetArranged(const std::function<void()>& change);

    Less m_less;
    SortPrefix m_prefix;
    Passes m_passes;
    Listener* m_listener;
    QList<Row> m_sorted;
    QList<Row> m_arranged;
    QZPPresetFilter m_filter;
    struct FilterMemo {
        QZPPresetFilter filter;
        QList<Row> arranged;
    };
    static constexpr qsizetype MaximumFilterMemos = 8;
    QList<FilterMemo> m_filterMemos;
    bool m_ranked = false;
};
