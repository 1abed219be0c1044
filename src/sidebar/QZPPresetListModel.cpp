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
    const QList<QZPPreset*>& arranged = m_presets->arrangedObjects();
    return row >= 0 && row < arranged.size() ? arranged.at(row) : nullptr;
}

Qt::ItemFlags QZPPresetListModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QIdentityProxyModel::flags(index);
    const QZPPreset* preset = presetAt(index.row());
    if (!index.isValid() || !preset)
        return flags;
    flags |= Qt::ItemNeverHasChildren;
    if (preset->hasFile())
        flags |= Qt::ItemIsDragEnabled;
    if (m_editingAllowed && preset->hasFile())
        flags |= Qt::ItemIsEditable;
    return flags;
}

QVariant QZPPresetListModel::data(const QModelIndex& index, int role) const {
    const QZPPreset* preset = presetAt(index.row());
    if (!preset)
        return {};
    switch (role) {
    case Qt::EditRole:
        return preset->name();
    case Qt::AccessibleTextRole:
        return preset->displayName();
    case Qt::AccessibleDescriptionRole: {
        QStringList states;
        if (preset->isNew())
            states << tr("draft");
        if (preset->isDocumentEdited())
            states << tr("edited");
        return states.join(QStringLiteral(", "));
    }
    case Qt::ToolTipRole:
        return preset->hasFile() ? preset->filePath() : tr("Draft, not saved yet");
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
        if (const QZPPreset* preset = presetAt(index.row()); preset && preset->hasFile())
            urls << QUrl::fromLocalFile(preset->filePath());
    auto* data = new QMimeData;
    if (!urls.isEmpty())
        data->setUrls(urls);
    return data;
}
