// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStyledItemDelegate>

class QZPTableView;

// Draws the list's rows: the active row as a rounded band of the skin's active colour, selected rows as
// bands of the selection colour that join when neighbours are selected too, the preset's name, and the
// favourite's star and the edited marker in columns of their own. Also the line edit of an inline rename.
class QZPTableRowView : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit QZPTableRowView(QZPTableView* table);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

    static constexpr int RowHeight = 22;
    // The bands are inset this far from the row's left and right edges.
    static constexpr int BandInset = 10;

private:
    bool isSelected(int row) const;
    QRect nameRect(const QRect& rowRect) const;

    QZPTableView* m_table;
};
