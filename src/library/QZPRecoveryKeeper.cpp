// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/QZPRecoveryKeeper.h"

#include "library/QZPPresetsController.h"
#include "model/QZPError.h"
#include "model/QZPFileSystem.h"
#include "model/QZPPreset.h"
#include "model/QZPTemporaryFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUndoStack>
#include <algorithm>
#include <sys/stat.h>

namespace {

constexpr const char* Format = "ToneBench recovery";
constexpr const char* Suffix = ".json";

// The file's modification time (ns) and size; -1 for a file that is not there.
std::pair<qint64, qint64> stampOf(const QString& path) {
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {0, -1};
    return {qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec, qint64(st.st_size)};
}

} // namespace

bool QZPRecoveryKeeper::Entry::fileChanged() const {
    return !file.isEmpty() && stampOf(file) != std::pair{fileModified, fileSize};
}

QZPRecoveryKeeper::QZPRecoveryKeeper(QZPPresetsController* library, const QString& folder, QObject* parent)
    : QObject(parent), m_library(library), m_folder(folder) {
    m_writeSoon.setSingleShot(true);
    m_writeSoon.setInterval(WriteDelayMs);
    connect(&m_writeSoon, &QTimer::timeout, this, &QZPRecoveryKeeper::writeDirty);
    connect(library, &QZPPresetsController::presetMade, this, &QZPRecoveryKeeper::watch);
    for (QZPPreset* preset : library->presets())
        watch(preset);
}

QZPRecoveryKeeper::~QZPRecoveryKeeper() = default;

QString QZPRecoveryKeeper::defaultFolder() {
    const QByteArray state = qgetenv("XDG_STATE_HOME");
    const QString base = !state.isEmpty() && QDir::isAbsolutePath(QFile::decodeName(state))
                             ? QFile::decodeName(state)
                             : QDir::home().filePath(QStringLiteral(".local/state"));
    return QDir(base).filePath(QStringLiteral("ToneBench/Recovery"));
}

void QZPRecoveryKeeper::watch(QZPPreset* preset) {
    if (m_watched.contains(preset))
        return;
    m_watched.insert(preset);
    connect(preset, &QZPPreset::presetChanged, this, [this, preset] { presetChanged(preset); });
    // A preset closed (or gone with the library's folder) takes its entry with it: closed without saving
    // is the user's answer.
    const auto forget = [this, preset] {
        m_watched.remove(preset);
        if (const QString name = m_entries.take(preset); !name.isEmpty())
            QFile::remove(QDir(m_folder).filePath(name));
    };
    connect(preset, &QObject::destroyed, this, forget);
    connect(preset, &QZPDocument::closed, this, forget);
    if (preset->isDocumentEdited())
        presetChanged(preset);
}

void QZPRecoveryKeeper::presetChanged(QZPPreset* preset) {
    if (m_stopped)
        return;
    if (!m_dirty.contains(preset))
        m_dirty.append(preset);
    // The first change of a quiet spell starts the clock; later ones ride along, so a long drag is kept
    // within the delay of its start, not put off for as long as it lasts.
    if (!m_writeSoon.isActive())
        m_writeSoon.start();
}

void QZPRecoveryKeeper::writeDirty() {
    const QList<QPointer<QZPPreset>> dirty = std::exchange(m_dirty, {});
    for (const QPointer<QZPPreset>& preset : dirty)
        if (preset)
            keep(preset);
}

void QZPRecoveryKeeper::keepNow() {
    if (m_stopped)
        return;
    m_writeSoon.stop();
    m_dirty.clear();
    QList<QZPPreset*> presets = m_library->presets();
    for (QZPPreset* preset : m_library->unsavedPresets())
        if (!presets.contains(preset))
            presets << preset;
    for (QZPPreset* preset : presets)
        keep(preset);
}

void QZPRecoveryKeeper::forgetAll() {
    m_writeSoon.stop();
    m_dirty.clear();
    for (const QString& name : std::as_const(m_entries))
        QFile::remove(QDir(m_folder).filePath(name));
    m_entries.clear();
}

void QZPRecoveryKeeper::stop() {
    m_writeSoon.stop();
    m_dirty.clear();
    m_entries.clear();
    m_stopped = true;
}

QString QZPRecoveryKeeper::entryPath(QZPPreset* preset) {
    QString& name = m_entries[preset];
    if (name.isEmpty())
        name = QStringLiteral("%1-%2%3")
                   .arg(QString::fromLatin1(QZPTemporaryFiles::processTag()))
                   .arg(m_nextEntry++)
                   .arg(QLatin1String(Suffix));
    return QDir(m_folder).filePath(name);
}

void QZPRecoveryKeeper::keep(QZPPreset* preset) {
    if (!preset->isDocumentEdited()) {
        // Saved or reverted: nothing to recover.
        if (const QString name = m_entries.take(preset); !name.isEmpty())
            QFile::remove(QDir(m_folder).filePath(name));
        return;
    }
    const QString file = preset->isNew() ? QString() : preset->filePath();
    const auto [modified, size] = stampOf(file);
    const QJsonObject entry{
        {QStringLiteral("format"), QLatin1String(Format)},
        {QStringLiteral("version"), 1},
        {QStringLiteral("name"), preset->displayName()},
        {QStringLiteral("file"), file},
        {QStringLiteral("type"), preset->fileType()},
        {QStringLiteral("patch"), QString::fromLatin1(preset->junoSysexData().toHex())},
        {QStringLiteral("undoIndex"), preset->undoStack()->index()},
        {QStringLiteral("fileModified"), QString::number(modified)},
        {QStringLiteral("fileSize"), QString::number(size)},
    };
    QZPError error;
    if (!QDir().mkpath(m_folder))
        return;
    // Written the safe way: a kill while writing leaves the last entry whole.
    QZPFileSystem::writeFile(entryPath(preset), QJsonDocument(entry).toJson(QJsonDocument::Compact),
                             QZPFileSystem::WriteMode::ReplaceExisting, &error);
}

QList<QZPRecoveryKeeper::Entry> QZPRecoveryKeeper::leftBehind(const QString& folder) {
    QList<std::pair<qint64, Entry>> found;
    const QFileInfoList files =
        QDir(folder).entryInfoList({QStringLiteral("*") + QLatin1String(Suffix)}, QDir::Files | QDir::Hidden,
                                   QDir::Time | QDir::Reversed);
    for (const QFileInfo& info : files) {
        const QString name = info.fileName();
        // "<pid>-<start>-<n>.json": an instance still running keeps its own.
        const QStringList parts = info.completeBaseName().split(QLatin1Char('-'));
        if (parts.size() != 3 ||
            QZPTemporaryFiles::isProcessRunning((parts.at(0) + QLatin1Char('-') + parts.at(1)).toLatin1()))
            continue;
        QZPError error;
        const std::optional<QByteArray> bytes =
            QZPFileSystem::readFile(info.filePath(), &error, MaximumEntrySize);
        if (!bytes)
            continue;
        const QJsonObject object = QJsonDocument::fromJson(*bytes).object();
        Entry entry;
        entry.entryPath = info.filePath();
        entry.name = object.value(QStringLiteral("name")).toString();
        entry.file = object.value(QStringLiteral("file")).toString();
        entry.type = object.value(QStringLiteral("type")).toString();
        entry.message = QByteArray::fromHex(object.value(QStringLiteral("patch")).toString().toLatin1());
        entry.undoIndex = object.value(QStringLiteral("undoIndex")).toInt();
        entry.fileModified = object.value(QStringLiteral("fileModified")).toString().toLongLong();
        entry.fileSize = object.value(QStringLiteral("fileSize")).toString().toLongLong();
        // Only what can be a preset's patch comes back; anything else is not offered.
        if (object.value(QStringLiteral("format")).toString() != QLatin1String(Format) ||
            !QZPPreset::patchProblem(entry.message).isEmpty() ||
            (!entry.file.isEmpty() && !QDir::isAbsolutePath(entry.file)))
            continue;
        found.append({info.lastModified().toMSecsSinceEpoch(), entry});
    }
    QList<Entry> entries;
    for (const auto& [time, entry] : found)
        entries << entry;
    return entries;
}

void QZPRecoveryKeeper::discard(const QList<Entry>& entries) {
    for (const Entry& entry : entries)
        QFile::remove(entry.entryPath);
}
