// SPDX-License-Identifier: GPL-3.0-or-later
#include "sidebar/QZPTableView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>

QZPTableView::QZPTableView(QWidget* parent) : QListView(parent) {
    setUniformItemSizes(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
}

// MARK: Focus

bool QZPTableView::focusIsElsewhere() const {
    const QWidget* focus = QApplication::focusWidget();
    return focus && focus != this && !isAncestorOf(focus) && !QApplication::activePopupWidget();
}

void QZPTableView::putCurrentRowAside() {
    if (!currentIndex().isValid() || !selectionModel())
        return;
    m_awayRow = currentIndex();
    m_puttingAside = true;
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    m_puttingAside = false;
}

void QZPTableView::focusInEvent(QFocusEvent* event) {
    // Back where it was before anything else looks at the current row.
    if (!currentIndex().isValid() && m_awayRow.isValid() && selectionModel())
        selectionModel()->setCurrentIndex(m_awayRow, QItemSelectionModel::NoUpdate);
    m_awayRow = QPersistentModelIndex();
    QListView::focusInEvent(event);
}

void QZPTableView::focusOutEvent(QFocusEvent* event) {
    QListView::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason &&
        focusIsElsewhere())
        putCurrentRowAside();
}

// A row made current while another control has the focus (the window follows the current preset) is put
// aside at once.
void QZPTableView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    if (!m_puttingAside && current.isValid() && !hasFocus() && focusIsElsewhere()) {
        // Not shown as current, so not scrolled to either.
        putCurrentRowAside();
        return;
    }
    QListView::currentChanged(current, previous);
}

void QZPTableView::setCurrentRow(const QModelIndex& index) {
    if (!currentIndex().isValid() && m_awayRow.isValid() && !hasFocus() && focusIsElsewhere())
        m_awayRow = index;
    else if (selectionModel())
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

// MARK: Rows

void QZPTableView::setActiveRow(qint64 row) {
    if (row != NotFound) {
        const qint64 old = m_activeRow;
        m_activeRow = row;
        const qint64 from = old < 0 ? row : std::min(old, row);
        const qint64 to = old < 0 ? row : std::max(old, row);
        if (model() && to >= 0) {
            // Only rows in view need drawing; the others draw right when they scroll in.
            const QModelIndex top = indexAt(QPoint(0, 0));
            const qint64 first = std::max<qint64>(from, top.isValid() ? top.row() : 0);
            const qint64 last = std::min<qint64>(to, model()->rowCount() - 1);
            for (qint64 r = first; r <= last; ++r) {
                const QRect rect = visualRect(model()->index(int(r), 0));
                if (rect.top() > viewport()->height())
                    break;
                viewport()->update(rect);
            }
        }
    }
    viewport()->update();
}

void QZPTableView::scrollSelectionToCenter() {
    const QModelIndexList selected =
        selectionModel() ? selectionModel()->selectedIndexes() : QModelIndexList();
    if (selected.isEmpty())
        return;
    QRect area;
    for (const QModelIndex& index : selected)
        area = area.isNull() ? visualRect(index) : area.united(visualRect(index));
    area.setHeight(viewport()->height() / 2);
    QScrollBar* bar = verticalScrollBar();
    if (area.top() < 0)
        bar->setValue(bar->value() + area.top());
    else if (area.bottom() > viewport()->height())
        bar->setValue(bar->value() + area.bottom() - viewport()->height());
}

QRect QZPTableView::modifiedMarkerRect(const QRect& rowRect) const {
    return QRect(rowRect.right() - 28, rowRect.top(), 18, rowRect.height());
}

QRect QZPTableView::favouriteMarkerRect(const QRect& rowRect) const {
    return modifiedMarkerRect(rowRect).translated(-20, 0);
}

void QZPTableView::mousePressEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid() &&
        favouriteMarkerRect(visualRect(index)).contains(event->position().toPoint())) {
        emit favouriteClicked(index.row());
        event->accept();
        return;
    }
    // Ranges, not rows: a select-all of a large library is one range, compared at once.
    const QItemSelection before = selectionModel()->selection();
    QListView::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && index.isValid() && selectionModel()->selection() != before)
        emit browsed();
}

void QZPTableView::updateModifiedColumn() {
    const QRect all = viewport()->rect();
    viewport()->update(favouriteMarkerRect(all).united(modifiedMarkerRect(all)));
}

void QZPTableView::keyPressEvent(QKeyEvent* event) {
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (isReturn && state() != QAbstractItemView::EditingState) {
        emit returnKeyPressed();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && state() != QAbstractItemView::EditingState) {
        emit escapePressed();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier &&
        state() != QAbstractItemView::EditingState) {
        emit spaceKeyPressed();
        event->accept();
        return;
    }
    // Ranges, not rows: a select-all of a large library is one range, compared at once.
    const QItemSelection before = selectionModel()->selection();
    QListView::keyPressEvent(event);
    if (selectionModel()->selection() != before && state() != QAbstractItemView::EditingState)
        emit browsed();
}

void QZPTableView::contextMenuEvent(QContextMenuEvent* event) {
    const QModelIndex index = indexAt(event->pos());
    m_clickedRow = index.isValid() ? index.row() : -1;
    emit contextMenuRequested(event->globalPos());
    m_clickedRow = -1;
    event->accept();
}

// Files come in from elsewhere, as copies; a row dragged out of this list and back is not a copy to make.
bool QZPTableView::takeDrop(QDropEvent* event) {
    if (event->source() == this || !event->mimeData()->hasUrls()) {
        event->ignore();
        return false;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

void QZPTableView::dragEnterEvent(QDragEnterEvent* event) {
    takeDrop(event);
}

void QZPTableView::dragMoveEvent(QDragMoveEvent* event) {
    takeDrop(event);
}

void QZPTableView::dropEvent(QDropEvent* event) {
    if (!takeDrop(event))
        return;
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    if (!paths.isEmpty())
        emit filesDropped(paths);
}

void QZPTableView::startDrag(Qt::DropActions supportedActions) {
    Q_UNUSED(supportedActions);
    const QModelIndexList rows = selectedIndexes();
    QMimeData* data = model()->mimeData(rows);
    if (!data)
        return;
    if (!data->hasUrls()) {
        delete data; // drafts have no file to hand over
        return;
    }
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}
