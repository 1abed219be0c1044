// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/QZPFactoryPresetInstaller.h"

#include <QDirIterator>

#include "model/QZPError.h"
#include "model/QZPFileSystem.h"
#include "model/QZPPlural.h"
#include "model/QZPPreset.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QTimer>
#include <QUrl>

namespace {
// Files written per turn of the event loop: quick enough to finish soon, small enough to stay responsive.
constexpr int BatchSize = 8;
} // namespace

// The list is compiled into this library: registered before the first read.
static void initFactoryResource() {
    Q_INIT_RESOURCE(factory);
}

QZPFactoryPresetInstaller::QZPFactoryPresetInstaller(QObject* parent)
    : QObject(parent), m_listPath(QString::fromLatin1(FactoryListPath)) {
    initFactoryResource();
}

std::optional<QList<QZPPresetList::Entry>> QZPFactoryPresetInstaller::entries(QZPError* error) const {
    return QZPPresetList::read(m_listPath, error);
}

void QZPFactoryPresetInstaller::install(const QString& folder) {
    m_folder = folder;
    m_entries.clear();
    m_names.clear();
    m_next = 0;
    m_written = 0;
    m_skipped = 0;
    m_failed.clear();
    m_tagged.clear();
    m_problem.clear();
    QZPError error;
    const std::optional<QList<QZPPresetList::Entry>> list = entries(&error);
    if (!list)
        m_problem = tr("The factory presets couldn’t be read: %1").arg(error.localizedFailureReason());
    else if (list->isEmpty())
        m_problem = tr("The list of factory presets is empty.");
    if (!m_problem.isEmpty()) {
        QTimer::singleShot(0, this, &QZPFactoryPresetInstaller::finished);
        return;
    }
    m_entries = *list;
    m_names = QZPPresetList::fileBaseNames(m_entries);
    emit progressChanged(0, int(m_entries.size()));
    QTimer::singleShot(0, this, &QZPFactoryPresetInstaller::writeSome);
}

void QZPFactoryPresetInstaller::writeSome() {
    const QString type = QString::fromLatin1(QZPPreset::PresetType);
    const QString extension = QLatin1Char('.') + QZPPreset::extensionForType(type);
    for (int n = 0; n < BatchSize && m_next < m_entries.size(); ++n, ++m_next) {
        const QZPPresetList::Entry& entry = m_entries.at(m_next);
        const QString path = QDir(m_folder).filePath(m_names.at(m_next) + extension);
        if (!entry.problem.isEmpty()) {
            m_failed << QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), entry.problem);
            continue;
        }
        // A file of that name is the user's (perhaps an edited factory preset, perhaps open right now):
        // it is kept, and the factory preset is not written.
        const QFileInfo existing(path);
        if (existing.exists() || existing.isSymLink()) {
            ++m_skipped;
            continue;
        }
        QZPPreset preset(entry.message);
        preset.setDisplayName(entry.name);
        QZPError error;
        if (preset.saveToURL(QUrl::fromLocalFile(path), type, QZPDocument::SaveAsOperation, &error,
                             QZPFileSystem::WriteMode::KeepExisting)) {
            ++m_written;
            if (const QString tag = familyTag(entry.name); !tag.isEmpty())
                m_tagged.append({tag, {QFileInfo(path).fileName(), preset.patch().data()}});
        } else if (error.domain() == QLatin1String(QZPError::FileDomain) &&
                   error.code() == QZPError::FileWriteFileExists)
            ++m_skipped;
        else
            m_failed << QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), error.fullText());
    }
    emit progressChanged(int(m_next), int(m_entries.size()));
    if (m_next < m_entries.size()) {
        QTimer::singleShot(0, this, &QZPFactoryPresetInstaller::writeSome);
        return;
    }
    m_entries.clear();
    m_next = 0;
    tagFamilies();
    emit finished();
}

QString QZPFactoryPresetInstaller::familyTag(const QString& name) {
    static const QStringList families{QStringLiteral("bass"), QStringLiteral("brass"),  QStringLiteral("fx"),
                                      QStringLiteral("keys"), QStringLiteral("lead"),   QStringLiteral("pad"),
                                      QStringLiteral("perc"), QStringLiteral("strings")};
    const QString first = name.section(QLatin1Char(' '), 0, 0).toLower();
    return families.contains(first) ? first : QString();
}

// The presets written are tagged by family in the folder's file of marks (one write a family), added to
// any tags they have; a file of marks that cannot be written is counted with the failures.
void QZPFactoryPresetInstaller::tagFamilies() {
    if (m_tagged.isEmpty())
        return;
    QZPLibraryMarks marks;
    QZPError error;
    marks.load(m_folder, &error);
    QMap<QString, QList<QZPLibraryMarks::File>> byFamily;
    for (const auto& [tag, file] : std::as_const(m_tagged))
        byFamily[tag].append(file);
    for (auto it = byFamily.cbegin(); it != byFamily.cend(); ++it) {
        const QString tag = it.key();
        if (!marks.change(
                it.value(),
                [&tag](QZPPresetMarks::Marks& marked) {
                    if (!marked.tags.contains(tag))
                        marked.tags << tag;
                },
                &error)) {
            m_failed << tr("The factory presets’ tags: %1").arg(error.fullText());
            break;
        }
    }
    m_tagged.clear();
}

QString QZPFactoryPresetInstaller::summary() const {
    if (!m_problem.isEmpty())
        return m_problem;
    if (m_failed.isEmpty())
        return {};
    return qzpPlural(int(m_failed.size()), tr("1 factory preset couldn’t be written into “%2”."),
                     tr("%1 factory presets couldn’t be written into “%2”."))
        .arg(QDir::toNativeSeparators(m_folder));
}

QString QZPFactoryPresetInstaller::skippedSummary() const {
    if (m_skipped == 0)
        return {};
    return qzpPlural(m_skipped,
                     tr("1 factory preset was already in the folder under its name; that file was kept."),
                     tr("%1 factory presets were already in the folder under their names; those files were "
                        "kept."));
}

// Stops at the first preset file: a large library answers as quickly as an empty folder.
bool QZPFactoryPresetInstaller::holdsPresets(const QString& folder) {
    if (folder.isEmpty())
        return false;
    QDirIterator it(folder, {QStringLiteral("*.syx"), QStringLiteral("*.tbpreset")}, QDir::Files,
                    QDirIterator::Subdirectories);
    return it.hasNext();
}
