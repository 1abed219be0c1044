// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/QZPPresetList.h"

#include "model/QZPError.h"
#include "model/QZPFileSystem.h"
#include "model/QZPPreset.h"
#include "model/QZPPropertyList.h"

#include <QCoreApplication>
#include <QFile>
#include <QSet>
#include <QVariant>
#include <cerrno>

std::optional<QList<QZPPresetList::Entry>> QZPPresetList::parse(const QByteArray& bytes) {
    const std::optional<QVariant> root = QZPPropertyList::parse(bytes);
    if (!root || root->typeId() != QMetaType::QVariantList)
        return std::nullopt;
    QList<Entry> entries;
    for (const QVariant& item : root->toList()) {
        const QVariantMap map = item.toMap();
        const QVariant data = map.value(QLatin1String(DataKey));
        Entry entry{map.value(QLatin1String(NameKey)).toString(), data.toByteArray(), {}};
        if (data.typeId() != QMetaType::QByteArray || entry.message.size() != QZPPreset::PatchMessageLength)
            entry.problem =
                QCoreApplication::translate("QZPPresetList", "its “data” must be a 24-byte Patch message");
        else
            entry.problem = QZPPreset::patchProblem(entry.message);
        entries.append(entry);
    }
    return entries;
}

std::optional<QList<QZPPresetList::Entry>> QZPPresetList::read(const QString& path, QZPError* error) {
    std::optional<QByteArray> bytes;
    if (path.startsWith(QLatin1String(":/"))) {
        // One of the program's own resources.
        QFile resource(path);
        if (resource.open(QIODevice::ReadOnly))
            bytes = resource.readAll();
        else
            qzpSetError(error, QZPError::fromErrno(ENOENT, path, resource.errorString()));
    } else {
        bytes = QZPFileSystem::readFile(path, error);
    }
    if (!bytes)
        return std::nullopt;
    std::optional<QList<Entry>> entries = parse(*bytes);
    if (!entries)
        qzpSetError(
            error,
            QZPError::make(QZPError::ToneBenchDomain, QZPPreset::ReadErrorCode,
                           QCoreApplication::translate("QZPPresetList", "Unable to read contents of file"),
                           QCoreApplication::translate("QZPPresetList", "It isn’t a list of presets.")));
    return entries;
}

QByteArray QZPPresetList::listData(const QList<QZPPreset*>& presets) {
    QVariantList list;
    for (QZPPreset* preset : presets)
        list << QVariantMap{{QLatin1String(NameKey), preset->displayName()},
                            {QLatin1String(DataKey), preset->junoSysexData()}};
    return QZPPropertyList::toBinary(list);
}

QString QZPPresetList::freeName(const QString& base, const std::function<bool(const QString&)>& taken) {
    QString name = base;
    for (int n = 2; taken(name); ++n)
        name = QStringLiteral("%1 %2").arg(base).arg(n);
    return name;
}

QStringList QZPPresetList::fileBaseNames(const QList<Entry>& entries) {
    QStringList names;
    QSet<QString> used;
    for (const Entry& entry : entries) {
        const QString name = freeName(QZPPreset::fileNameForName(entry.name),
                                      [&used](const QString& n) { return used.contains(n.toCaseFolded()); });
        used.insert(name.toCaseFolded());
        names << name;
    }
    return names;
}
