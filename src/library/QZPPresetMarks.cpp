// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/QZPPresetMarks.h"

#include "model/QZPError.h"
#include "model/QZPFileSystem.h"
#include "model/QZPPatch.h"
#include "model/QZPPatchQuery.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

constexpr const char* Format = "ToneBench preset marks";
constexpr int Version = 1;
// More presets than any folder holds: a file claiming more is not one of ours.
constexpr qsizetype MaximumEntries = 1000000;

QString translate(const char* text) {
    return QCoreApplication::translate("QZPPresetMarks", text);
}

} // namespace

bool QZPPresetMarks::read(const QString& folder, QZPError* error) {
    m_folder = folder;
    m_brokenFileOnDisk = false;
    m_entries.clear();
    index();
    const QString path = QDir(folder).filePath(QString::fromLatin1(FileName));
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return true;
    QZPError readError;
    const std::optional<QByteArray> data = QZPFileSystem::readFile(path, &readError, MaximumFileSize);
    QString problem;
    if (data && parse(*data, &problem))
        return true;
    m_brokenFileOnDisk = true;
    if (error)
        *error =
            data ? QZPError::make(QString::fromLatin1(QZPError::ToneBenchDomain), QZPError::FileReadUnknown,
                                  translate("The favourites and tags of “%1” can’t be read.")
                                      .arg(QFileInfo(folder).fileName()),
                                  problem,
                                  translate("They are left out; the file is kept aside when they next "
                                            "change."))
                 : readError;
    return false;
}

bool QZPPresetMarks::write(QZPError* error) {
    const QString path = QDir(m_folder).filePath(QString::fromLatin1(FileName));
    // A file that could not be read is kept aside, never written over.
    if (m_brokenFileOnDisk) {
        QString aside = path + QLatin1String(BrokenSuffix);
        for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
            aside = path + QLatin1String(BrokenSuffix) + QLatin1Char('-') + QString::number(n);
        if (!QZPFileSystem::standard()->moveItem(path, aside, error))
            return false;
        m_brokenFileOnDisk = false;
    }
    return QZPFileSystem::writeFile(path, serialized(), QZPFileSystem::WriteMode::ReplaceExisting, error);
}

qsizetype QZPPresetMarks::find(const QString& relativePath, const QByteArray& patch) const {
    if (const auto it = m_byPath.constFind(relativePath); it != m_byPath.constEnd())
        return *it;
    // Only a preset whose file has gone (renamed or moved) is found by its patch: a copy beside its
    // original starts without marks.
    qsizetype found = -1;
    for (const qsizetype i : m_byPatch.value(patch)) {
        if (QFileInfo::exists(QDir(m_folder).filePath(m_entries.at(i).path)))
            continue;
        if (found >= 0)
            return -1;
        found = i;
    }
    return found;
}

QZPPresetMarks::Marks QZPPresetMarks::marks(const QString& relativePath, const QByteArray& patch) const {
    const qsizetype i = find(relativePath, patch);
    return i < 0 ? Marks() : m_entries.at(i).marks;
}

void QZPPresetMarks::setMarks(const QString& relativePath, const QByteArray& patch, const Marks& marks) {
    const qsizetype i = find(relativePath, patch);
    if (i >= 0)
        m_entries.removeAt(i);
    if (!marks.isEmpty())
        m_entries.append({relativePath, patch, marks});
    index();
}

void QZPPresetMarks::index() {
    m_byPath.clear();
    m_byPatch.clear();
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        m_byPath.insert(m_entries.at(i).path, i);
        m_byPatch[m_entries.at(i).patch].append(i);
    }
}

QByteArray QZPPresetMarks::serialized() const {
    QJsonArray presets;
    for (const Entry& entry : m_entries) {
        QJsonObject object{{"file", entry.path}, {"patch", QString::fromLatin1(entry.patch.toHex())}};
        if (entry.marks.favourite)
            object.insert(QStringLiteral("favourite"), true);
        if (!entry.marks.tags.isEmpty())
            object.insert(QStringLiteral("tags"), QJsonArray::fromStringList(entry.marks.tags));
        presets.append(object);
    }
    return QJsonDocument(QJsonObject{{"format", QString::fromLatin1(Format)},
                                     {"version", Version},
                                     {"presets", presets}})
        .toJson(QJsonDocument::Indented);
}

// Every entry is checked as it is taken: a path, a patch the instrument could hold, a favourite flag and
// tags that are tags. Anything else makes the whole file not one of ours.
bool QZPPresetMarks::parse(const QByteArray& data, QString* problem) {
    const auto fail = [problem](const char* why) {
        if (problem)
            *problem = translate(why);
        return false;
    };
    m_entries.clear();
    index();
    if (data.size() > MaximumFileSize)
        return fail("The file is larger than any list of marks.");
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return fail("The file is not a list of marks in JSON.");
    const QJsonObject root = document.object();
    if (root.value(QLatin1String("format")).toString() != QLatin1String(Format) ||
        root.value(QLatin1String("version")).toInt() != Version ||
        !root.value(QLatin1String("presets")).isArray())
        return fail("The file is not a list of ToneBench’s marks, or one of a later version.");
    const QJsonArray presets = root.value(QLatin1String("presets")).toArray();
    if (presets.size() > MaximumEntries)
        return fail("The file lists more presets than any folder holds.");
    QList<Entry> entries;
    for (const QJsonValue& value : presets) {
        const QJsonObject object = value.toObject();
        Entry entry;
        entry.path = object.value(QLatin1String("file")).toString();
        entry.patch = QByteArray::fromHex(object.value(QLatin1String("patch")).toString().toLatin1());
        const QJsonValue favourite = object.value(QLatin1String("favourite"));
        const QJsonValue tags = object.value(QLatin1String("tags"));
        if (!value.isObject() || entry.path.isEmpty() || entry.path.size() > 4096 ||
            entry.patch.size() != QZPPatch::DataLength || !QZPPatch::problem(entry.patch).isEmpty() ||
            !(favourite.isUndefined() || favourite.isBool()) || !(tags.isUndefined() || tags.isArray()) ||
            tags.toArray().size() > MaximumTags)
            return fail("An entry of the file is not a preset’s marks.");
        entry.marks.favourite = favourite.toBool();
        for (const QJsonValue& tagValue : tags.toArray()) {
            const QString kept = QZPPatchQuery::tag(tagValue.toString());
            if (!tagValue.isString() || kept.isEmpty())
                return fail("An entry of the file has a tag that cannot be one.");
            if (!entry.marks.tags.contains(kept))
                entry.marks.tags << kept;
        }
        entries.append(entry);
    }
    m_entries = entries;
    index();
    return true;
}
