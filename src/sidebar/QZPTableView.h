// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QListView>
#include <QPersistentModelIndex>
#include <limits>

// The preset list. It marks an active row (the preset in the editor) apart from the selection, reports
// Return, Enter and Escape, remembers the row under a context click while its menu is open, and scrolls a
// selection into view with room below it. While another control has the focus its current row is put
// aside (currentRow keeps it), so that no row tells assistive technology it has the focus; the row is
// current again when the list takes the focus back.
class QZPTableView : public QListView {
    Q_OBJECT

public:
    // setActiveRow with this keeps the active row where it is.
    static constexpr qint64 NotFound = std::numeric_limits<qint64>::max();

    explicit QZPTableView(QWidget* parent = nullptr);

    qint64 activeRow() const { return m_activeRow; }
    // Makes a row current (no selection change); while the row is put aside, it is put aside instead.
    void setCurrentRow(const QModelIndex& index);
    // The current row's index, also while it is put aside.
    QModelIndex currentRow() const {
        return currentIndex().isValid() ? currentIndex() : QModelIndex(m_awayRow);
    }
    // Moves the active row; only the rows from the old to the new one are drawn again.
    void setActiveRow(qint64 row);
    // The row under the context click being answered, or -1.
    int clickedRow() const { return m_clickedRow; }
    // Brings the selection into view with at least half the view's height of room below its top.
    void scrollSelectionToCenter();
    // Where the edited markers are drawn, for a row (the list's third column).
    QRect modifiedMarkerRect(const QRect& rowRect) const;
    // Where the favourite's star is drawn, left of the edited marker; a click there toggles it.
    QRect favouriteMarkerRect(const QRect& rowRect) const;
    // Draws the stars and edited markers again, and nothing else.
    void updateModifiedColumn();

signals:
    void returnKeyPressed();
    // Space outside an inline rename: the selected preset is to be heard.
    void spaceKeyPressed();
    // The user moved the selection (a click on a row, an arrow or paging key).
    void browsed();
    // Escape outside an inline rename (it ends Find Similar's ranking).
    void escapePressed();
    // A context click; clickedRow() tells the row while this is handled.
    void contextMenuRequested(const QPoint& globalPosition);
    // The star column of a row was clicked.
    void favouriteClicked(int row);
    // Files were dropped onto the list from elsewhere.
    void filesDropped(const QStringList& paths);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    // Accepts a drag of files from elsewhere as a copy; answers whether it did.
    bool takeDrop(QDropEvent* event);
    // Whether the focus is with another control of the program (not a menu, not another window, not
    // the list's own inline editor).
    bool focusIsElsewhere() const;
    void putCurrentRowAside();

    qint64 m_activeRow = -1;
    int m_clickedRow = -1;
    QPersistentModelIndex m_awayRow;
    bool m_puttingAside = false;
};
