// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIdentityProxyModel>

class QZPPreset;
class QZPPresetsController;

// The library's arranged presets as the list shows them: names editable only while an inline rename
// runs (committing one renames the file), the edited state spoken by screen readers, and rows dragged
// out as their files.
class QZPPresetListModel : public QIdentityProxyModel {
    Q_OBJECT

public:
    explicit QZPPresetListModel(QZPPresetsController* presets, QObject* parent = nullptr);

    QZPPreset* presetAt(int row) const;
    void setEditingAllowed(bool allowed) { m_editingAllowed = allowed; }

    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

private:
    QZPPresetsController* m_presets;
    bool m_editingAllowed = false;
};
