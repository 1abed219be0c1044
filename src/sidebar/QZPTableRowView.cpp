// SPDX-License-Identifier: GPL-3.0-or-later
#include "sidebar/QZPTableRowView.h"

#include "editor/QZPSkin.h"
#include "library/QZPPresetsController.h"
#include "sidebar/QZPTableView.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>

namespace {

QFont nameFont() {
    QFont font = QApplication::font();
    font.setPointSizeF(11);
    font.setWeight(QFont::Normal);
    return font;
}

} // namespace

QZPTableRowView::QZPTableRowView(QZPTableView* table) : QStyledItemDelegate(table), m_table(table) {}

bool QZPTableRowView::isSelected(int row) const {
    const QAbstractItemModel* model = m_table->model();
    return row >= 0 && model && row < model->rowCount() && m_table->selectionModel() &&
           m_table->selectionModel()->isRowSelected(row, {});
}

QRect QZPTableRowView::nameRect(const QRect& rowRect) const {
    const QRect marker = m_table->favouriteMarkerRect(rowRect);
    return QRect(rowRect.left() + BandInset + 8, rowRect.top(),
                 marker.left() - rowRect.left() - BandInset - 12, rowRect.height());
}

void QZPTableRowView::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    const QZPSkin skin = QZPSkin::current();
    const int row = index.row();
    const bool active = row == m_table->activeRow();
    const bool selected = option.state & QStyle::State_Selected;
    const QRectF band = QRectF(option.rect).adjusted(BandInset, 0, -BandInset, 0);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    const auto fillBand = [&](const QColor& colour, bool joinAbove, bool joinBelow) {
        QPainterPath rounded;
        rounded.addRoundedRect(band, 5, 5);
        painter->fillPath(rounded, colour);
        // Next to a selected neighbour, that half is square, so the rows join into one band.
        if (joinAbove)
            painter->fillRect(QRectF(band.left(), band.top(), band.width(), band.height() / 2), colour);
        if (joinBelow)
            painter->fillRect(QRectF(band.left(), band.center().y(), band.width(), band.height() / 2),
                              colour);
    };
    if (selected)
        fillBand(skin.selection(), isSelected(row - 1), isSelected(row + 1));
    if (active)
        fillBand(skin.activeRow(), false, false);
    if ((option.state & QStyle::State_HasFocus) && m_table->hasFocus()) // the keyboard's row
        QZPSkin::drawFocusRing(*painter, band.adjusted(1, 1, -1, -1), option.palette, 5);

    // Names are white on the active row, nearly white on a selection the list's focus emphasises, and
    // dimmed elsewhere.
    QColor text = Qt::white;
    if (!active && !(selected && m_table->hasFocus()))
        text.setAlphaF(0.8f);
    painter->setPen(text);
    painter->setFont(nameFont());
    const QString name = index.data(Qt::DisplayRole).toString();
    QRect nameArea = nameRect(option.rect);
    // Find Similar's distance, right of the name.
    if (const QVariant distance = index.data(QZPPresetsController::DistanceRole); distance.isValid()) {
        const QString badge = QString::number(distance.toDouble(), 'f', 3);
        const int width = painter->fontMetrics().horizontalAdvance(badge) + 6;
        painter->drawText(nameArea.adjusted(nameArea.width() - width, 0, 0, 0),
                          Qt::AlignVCenter | Qt::AlignRight, badge);
        nameArea.setRight(nameArea.right() - width);
    }
    // After the name, small and dimmed: the subfolder of a name another row shares ("Pads/Old", "/" for the
    // library's own folder), then the tags ("#pad #warm"); the name keeps at least two thirds of the row
    // when both do not fit.
    QString tagText;
    if (const QVariant folder = index.data(QZPPresetsController::SubfolderRole); folder.isValid())
        tagText = folder.toString().isEmpty() ? QStringLiteral("/") : folder.toString();
    for (const QString& tag : index.data(QZPPresetsController::TagsRole).toStringList())
        tagText += (tagText.isEmpty() ? QStringLiteral("#") : QStringLiteral(" #")) + tag;
    QFont tagFont = nameFont();
    tagFont.setPointSizeF(tagFont.pointSizeF() * 0.8);
    const QFontMetrics tagMetrics(tagFont);
    const int nameWidth = painter->fontMetrics().horizontalAdvance(name);
    const int tagRoom = tagText.isEmpty()
                            ? 0
                            : std::min(tagMetrics.horizontalAdvance(tagText) + 8,
                                       std::max(nameArea.width() / 3, nameArea.width() - nameWidth));
    const QString shownName =
        painter->fontMetrics().elidedText(name, Qt::ElideRight, nameArea.width() - tagRoom);
    painter->drawText(nameArea, Qt::AlignVCenter | Qt::AlignLeft, shownName);
    if (tagRoom > 0) {
        QColor dim = text;
        dim.setAlphaF(text.alphaF() * 0.6f);
        const QRect tagArea(nameArea.left() + painter->fontMetrics().horizontalAdvance(shownName) + 8,
                            nameArea.top(), tagRoom - 8, nameArea.height());
        painter->setPen(dim);
        painter->setFont(tagFont);
        painter->drawText(tagArea, Qt::AlignVCenter | Qt::AlignLeft,
                          tagMetrics.elidedText(tagText, Qt::ElideRight, tagArea.width()));
        painter->setFont(nameFont());
        painter->setPen(text);
    }

    if (index.data(QZPPresetsController::FavouriteRole).toBool()) {
        painter->setPen(active ? QColor(Qt::white) : skin.editedMarker());
        painter->drawText(m_table->favouriteMarkerRect(option.rect), Qt::AlignCenter, QStringLiteral("★"));
        painter->setPen(Qt::NoPen);
    }
    if (index.data(QZPPresetsController::EditedRole).toBool()) {
        const QRect marker = m_table->modifiedMarkerRect(option.rect);
        painter->setBrush(active ? QColor(Qt::white) : skin.editedMarker());
        painter->drawEllipse(QPointF(marker.center()) + QPointF(0.5, 0.5), 3.5, 3.5);
    }
    painter->restore();
}

QSize QZPTableRowView::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    Q_UNUSED(option);
    Q_UNUSED(index);
    return QSize(1, RowHeight); // rows take the list's width
}

QWidget* QZPTableRowView::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                       const QModelIndex& index) const {
    Q_UNUSED(option);
    Q_UNUSED(index);
    auto* editor = new QLineEdit(parent);
    editor->setFont(nameFont());
    editor->setFrame(false);
    editor->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    editor->setAccessibleName(tr("Preset Name"));
    return editor;
}

void QZPTableRowView::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* field = static_cast<QLineEdit*>(editor);
    field->setText(index.data(Qt::EditRole).toString());
    field->selectAll();
}

void QZPTableRowView::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                           const QModelIndex& index) const {
    Q_UNUSED(index);
    editor->setGeometry(nameRect(option.rect).adjusted(-4, 1, 0, -1));
}
