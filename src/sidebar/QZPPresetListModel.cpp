// SPDX-License-Identifier: GPL-3.0-or-later
#include "sidebar/QZPPresetListModel.h"

#include "library/QZPPresetsController.h"
#include "model/QZPPreset.h"

#include <QMimeData>
#include <QUrl>

QZPPresetListModel::QZPPresetListModel(QZPPresetsController* presets, QObject* parent)
    : QIdentityProxyModel(parent), m_presets(presets) {
    setSourceModel(presets);
}

QZPPreset* QZPPresetListModel::presetAt(int row) const {
    return m_presets->arrangedPresetAt(row);
}

// What a row shows and allows comes from the library's roles: painting and navigating the list make no
// preset objects.
Qt::ItemFlags QZPPresetListModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QIdentityProxyModel::flags(index);
    if (!index.isValid() || index.row() >= rowCount())
        return flags;
    flags |= Qt::ItemNeverHasChildren;
    const bool hasFile = !QIdentityProxyModel::data(index, QZPPresetsController::NewRole).toBool();
    if (hasFile)
        flags |= Qt::ItemIsDragEnabled;
    if (m_editingAllowed && hasFile)
        flags |= Qt::ItemIsEditable;
    return flags;
}

QVariant QZPPresetListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const auto source = [&](int sourceRole) {
        return QIdentityProxyModel::data(index, sourceRole);
    };
    switch (role) {
    case Qt::EditRole:
    case Qt::AccessibleTextRole:
        return source(Qt::DisplayRole);
    case Qt::AccessibleDescriptionRole: {
        QStringList states;
        if (source(QZPPresetsController::NewRole).toBool())
            states << tr("draft");
        if (source(QZPPresetsController::EditedRole).toBool())
            states << tr("edited");
        if (source(QZPPresetsController::FavouriteRole).toBool())
            states << tr("favourite");
        for (const QString& tag : source(QZPPresetsController::TagsRole).toStringList())
            states << QLatin1Char('#') + tag;
        if (const QVariant distance = source(QZPPresetsController::DistanceRole); distance.isValid())
            states << tr("distance %1").arg(distance.toDouble(), 0, 'f', 3);
        return states.join(QStringLiteral(", "));
    }
    case Qt::ToolTipRole: {
        if (source(QZPPresetsController::NewRole).toBool())
            return tr("Draft, not saved yet");
        QString tip = source(QZPPresetsController::FilePathRole).toString();
        const QStringList tags = source(QZPPresetsController::TagsRole).toStringList();
        if (!tags.isEmpty())
            tip += QStringLiteral("\n#") + tags.join(QStringLiteral(" #"));
        return tip;
    }
    default:
        return QIdentityProxyModel::data(index, role);
    }
}

// Committing an inline rename: the preset takes the name, which renames its file (and reports a name
// that cannot be used). The row shows the file's name either way.
bool QZPPresetListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    QZPPreset* preset = presetAt(index.row());
    if (role != Qt::EditRole || !preset)
        return false;
    const QString name = value.toString().trimmed();
    if (name.isEmpty() || name == preset->name())
        return false;
    preset->setName(name);
    return true;
}

QStringList QZPPresetListModel::mimeTypes() const {
    return {QStringLiteral("text/uri-list")};
}

QMimeData* QZPPresetListModel::mimeData(const QModelIndexList& indexes) const {
    QList<QUrl> urls;
    for (const QModelIndex& index : indexes)
        if (!QIdentityProxyModel::data(index, QZPPresetsController::NewRole).toBool())
            urls << QUrl::fromLocalFile(
                QIdentityProxyModel::data(index, QZPPresetsController::FilePathRole).toString());
    auto* data = new QMimeData;
    if (!urls.isEmpty())
        data->setUrls(urls);
    return data;
}
