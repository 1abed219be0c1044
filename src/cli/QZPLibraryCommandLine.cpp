// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/QZPLibraryCommandLine.h"

#include "cli/QZPCommandArguments.h"
#include "cli/QZPCommandLine.h"
#include "library/QZPBankFile.h"
#include "library/QZPFactoryPresetInstaller.h"
#include "library/QZPPresetList.h"
#include "library/QZPPresetMarks.h"
#include "library/QZPPresetsController.h"
#include "model/QZPError.h"
#include "model/QZPFileSystem.h"
#include "model/QZPParameter.h"
#include "model/QZPPatchDistance.h"
#include "model/QZPPatchRanking.h"
#include "model/QZPPreset.h"
#include "model/QZPPropertyList.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QSet>

int QZPLibraryCommandLine::library(const QStringList& arguments) {
    QString error;
    const auto parsed = QZPCommandArguments::parse(
        arguments, {QStringLiteral("json"), QStringLiteral("modified")}, {"filter", "query"}, &error);
    if (!parsed)
        return m_commandLine.usageError(error);
    if (parsed->positional().size() != 1)
        return m_commandLine.usageError(QStringLiteral("library needs one FOLDER"));
    // --query and --filter are the same: the window's filter text, its query words included.
    const bool queried = parsed->isSet(QStringLiteral("query"));
    if (queried && parsed->isSet(QStringLiteral("filter")))
        return m_commandLine.usageError(QStringLiteral("library takes --filter or --query, not both"));
    const QZPPresetFilter filter =
        QZPPresetFilter::predicate(parsed->value(QString::fromLatin1(queried ? "query" : "filter")),
                                   parsed->isSet(QStringLiteral("modified")));
    if (!filter.problem().isEmpty())
        return m_commandLine.usageError(filter.problem());
    const QString folder = QFileInfo(parsed->positional().first()).absoluteFilePath();
    if (!QFileInfo(folder).isDir()) {
        m_commandLine.reportFileError(parsed->positional().first(),
                                      QStringLiteral("The folder doesn’t exist."));
        return QZPCommandLine::FileFailure;
    }
    QZPPresetsController library;
    QObject::connect(&library, &QZPPresetsController::marksUnreadable,
                     [this, &folder](const QZPError& marksError) {
                         m_commandLine.reportFileError(
                             QDir(folder).filePath(QString::fromLatin1(QZPPresetMarks::FileName)),
                             marksError.localizedDescription(), marksError.localizedFailureReason());
                     });
    library.setPresetsFolderURL(QUrl::fromLocalFile(folder));
    library.refreshAvailableDocumentsNow();
    // Conditions read each listed file's patch (a file that holds none is said, and no condition holds
    // for it); marks find a renamed file by its patch.
    if (filter.usesPatch() || filter.usesMarks())
        library.readPatchesNow();
    if (filter.usesPatch()) {
        for (int row = 0; row < library.rowCount(); ++row)
            if (!library.data(library.index(row), QZPPresetsController::PatchRole).isValid())
                m_commandLine.reportFileError(
                    library.data(library.index(row), QZPPresetsController::FilePathRole).toString(),
                    QStringLiteral("The file holds no Juno-106 patch."));
    }
    library.setFilterPredicate(filter);
    const bool json = parsed->isSet(QStringLiteral("json"));
    QTextStream& out = m_commandLine.out();
    // Names and paths come from the listing: no preset object is made for a line.
    for (int row = 0; row < library.rowCount(); ++row) {
        const QModelIndex index = library.index(row);
        const QString name = library.data(index, Qt::DisplayRole).toString();
        const QString file = library.data(index, QZPPresetsController::FilePathRole).toString();
        if (json)
            // By hand, in the order QJsonObject writes its keys: a listing of 200,000 lines is written
            // several times faster than through a document a line.
            out << "{\"file\":" << QZPCommandLine::jsonString(file)
                << ",\"name\":" << QZPCommandLine::jsonString(name)
                << ",\"type\":" << QZPCommandLine::jsonString(QZPPreset::typeForFileName(file)) << "}\n";
        else
            out << name << '\t' << file << '\n';
    }
    out.flush();
    return QZPCommandLine::Success;
}

int QZPLibraryCommandLine::exportList(const QStringList& arguments) {
    return exportFolder(arguments, QStringLiteral("export-list"), &QZPPresetList::listData, false);
}

// Each preset keeps its program slot, so that importing the bank again gives the same files. A bank
// without a preset is no bank: nothing is written.
int QZPLibraryCommandLine::exportBank(const QStringList& arguments) {
    return exportFolder(
        arguments, QStringLiteral("export-bank"),
        [](const QList<QZPPreset*>& presets) {
            QList<QByteArray> messages;
            for (QZPPreset* preset : presets)
                messages << QZPBankFile::bankMessage(*preset);
            return QZPBankFile::bankData(messages);
        },
        true);
}

// The folder's list, in the library's order, written to OUT as `write` makes it.
int QZPLibraryCommandLine::exportFolder(const QStringList& arguments, const QString& command,
                                        const std::function<QByteArray(const QList<QZPPreset*>&)>& write,
                                        bool needsPresets) {
    QString error;
    const auto parsed = QZPCommandArguments::parse(arguments, {QStringLiteral("force")}, {}, &error);
    if (!parsed)
        return m_commandLine.usageError(error);
    if (parsed->positional().size() != 2)
        return m_commandLine.usageError(QStringLiteral("%1 needs FOLDER and OUT").arg(command));
    const QString folder = QFileInfo(parsed->positional().at(0)).absoluteFilePath();
    if (!QFileInfo(folder).isDir()) {
        m_commandLine.reportFileError(parsed->positional().at(0),
                                      QStringLiteral("The folder doesn’t exist."));
        return QZPCommandLine::FileFailure;
    }
    QZPPresetsController library;
    library.setPresetsFolderURL(QUrl::fromLocalFile(folder));
    library.refreshAvailableDocumentsNow();

    int status = QZPCommandLine::Success;
    QList<QZPPreset*> presets;
    for (QZPPreset* preset : library.arrangedObjects()) {
        // A preset that cannot be read is left out (its error is shown), never exported with made-up data.
        if (!preset->loadFileContents()) {
            status = QZPCommandLine::FileFailure;
            continue;
        }
        presets << preset;
    }
    const QString out = parsed->positional().at(1);
    if (needsPresets && presets.isEmpty()) {
        m_commandLine.reportFileError(parsed->positional().at(0),
                                      QStringLiteral("The folder holds no preset that could be read; nothing "
                                                     "was written."));
        return QZPCommandLine::FileFailure;
    }
    QZPError writeError;
    const auto mode = parsed->isSet(QStringLiteral("force")) ? QZPFileSystem::WriteMode::ReplaceExisting
                                                             : QZPFileSystem::WriteMode::KeepExisting;
    if (!QZPFileSystem::writeFile(QFileInfo(out).absoluteFilePath(), write(presets), mode, &writeError)) {
        m_commandLine.reportFileError(out, writeError.localizedDescription(),
                                      writeError.code() == QZPError::FileWriteFileExists
                                          ? QStringLiteral("use --force to replace it")
                                          : writeError.localizedFailureReason());
        return QZPCommandLine::FileFailure;
    }
    return status;
}

// One preset file per Patch message of the bank, named "<bank> <program>"; what is not a Patch message
// is skipped and counted.
int QZPLibraryCommandLine::importBank(const QStringList& arguments) {
    QString error;
    const auto parsed = QZPCommandArguments::parse(arguments, {}, {}, &error);
    if (!parsed)
        return m_commandLine.usageError(error);
    if (parsed->positional().size() != 2)
        return m_commandLine.usageError(QStringLiteral("import-bank needs FILE and DIR"));
    const QString bankPath = parsed->positional().at(0);
    const QString folder = QFileInfo(parsed->positional().at(1)).absoluteFilePath();
    if (!m_commandLine.makeFolder(folder))
        return QZPCommandLine::FileFailure;
    const QZPBankFile::ImportResult result = QZPBankFile::importBank(bankPath, folder);
    for (const QString& written : result.written)
        m_commandLine.out() << written << Qt::endl;
    if (!result.error.isNull()) {
        m_commandLine.reportFileError(bankPath, result.error.localizedDescription(),
                                      result.error.localizedFailureReason());
        return QZPCommandLine::FileFailure;
    }
    if (const QString skipped = QZPBankFile::skippedSummary(result.contents); !skipped.isEmpty())
        m_commandLine.reportFileError(bankPath, skipped);
    if (result.contents.messages.isEmpty()) {
        m_commandLine.reportFileError(bankPath, QStringLiteral("No Juno-106 Patch message found."));
        return QZPCommandLine::FileFailure;
    }
    return QZPCommandLine::Success;
}

int QZPLibraryCommandLine::importList(const QStringList& arguments) {
    QString error;
    const auto parsed =
        QZPCommandArguments::parse(arguments, {QStringLiteral("overwrite"), QStringLiteral("factory")},
                                   {QStringLiteral("type")}, &error);
    if (!parsed)
        return m_commandLine.usageError(error);
    const bool factory = parsed->isSet(QStringLiteral("factory"));
    if (parsed->positional().size() != (factory ? 1 : 2))
        return m_commandLine.usageError(factory ? QStringLiteral("import-list --factory needs DIR")
                                                : QStringLiteral("import-list needs LIST and DIR"));
    const QString type = m_commandLine.saveType(parsed->value(QStringLiteral("type")));
    if (type.isEmpty())
        return QZPCommandLine::UsageError;

    QZPFactoryPresetInstaller factoryList;
    const QString listPath = factory ? factoryList.listPath() : parsed->positional().at(0);
    QZPError readError;
    const std::optional<QList<QZPPresetList::Entry>> entries = QZPPresetList::read(listPath, &readError);
    if (!entries) {
        m_commandLine.reportFileError(listPath, readError.localizedDescription(),
                                      readError.localizedFailureReason());
        return QZPCommandLine::FileFailure;
    }
    const QString folder = QFileInfo(parsed->positional().last()).absoluteFilePath();
    if (!m_commandLine.makeFolder(folder))
        return QZPCommandLine::FileFailure;

    int status = QZPCommandLine::Success;
    const QStringList names = QZPPresetList::fileBaseNames(*entries);
    const QString extension = QLatin1Char('.') + QZPPreset::extensionForType(type);
    const auto mode = parsed->isSet(QStringLiteral("overwrite")) ? QZPFileSystem::WriteMode::ReplaceExisting
                                                                 : QZPFileSystem::WriteMode::KeepExisting;
    for (qsizetype i = 0; i < entries->size(); ++i) {
        const QZPPresetList::Entry& entry = entries->at(i);
        if (!entry.problem.isEmpty()) {
            m_commandLine.reportFileError(listPath, QStringLiteral("Entry %1 is not a preset").arg(i + 1),
                                          entry.problem);
            status = QZPCommandLine::FileFailure;
            continue;
        }
        QZPPreset preset(entry.message);
        preset.setDisplayName(entry.name);
        const QString path = QDir(folder).filePath(names.at(i) + extension);
        QZPError saveError;
        const bool saved =
            preset.saveToURL(QUrl::fromLocalFile(path), type, QZPDocument::SaveAsOperation, &saveError, mode);
        if (!m_commandLine.reportSavedFile(saved, path, path, saveError,
                                           QStringLiteral("use --overwrite to replace it")))
            status = QZPCommandLine::FileFailure;
    }
    return status;
}

std::optional<QList<QZPLibraryCommandLine::Listed>> QZPLibraryCommandLine::readFolder(const QString& folder) {
    const QString path = QFileInfo(folder).absoluteFilePath();
    if (!QFileInfo(path).isDir()) {
        m_commandLine.reportFileError(folder, QStringLiteral("The folder doesn’t exist."));
        return std::nullopt;
    }
    // The library's own walk and patch reader: its rows and each file's 18 bytes, no preset per file.
    QZPPresetsController library;
    library.setPresetsFolderURL(QUrl::fromLocalFile(path));
    library.refreshAvailableDocumentsNow();
    library.readPatchesNow();
    const QZPPresetsController::FilePatches read = library.filePatches();
    const QDir base(path);
    for (const QString& unreadable : read.unreadable)
        m_commandLine.reportFileError(base.filePath(unreadable),
                                      QStringLiteral("Unable to read contents of file"),
                                      QStringLiteral("it holds no Juno-106 patch"));
    QList<Listed> listed;
    listed.reserve(read.entries.size());
    for (const QZPPresetsController::FilePatch& entry : read.entries)
        listed.append({entry.name, base.filePath(entry.relativePath), QZPPatch(entry.patch)});
    return listed;
}

// The presets of FOLDER closest in sound to FILE's, best first, with their distance (0 equal, 1 as far
// apart as can be); FILE itself is left out.
int QZPLibraryCommandLine::similar(const QStringList& arguments) {
    QString error;
    const auto parsed =
        QZPCommandArguments::parse(arguments, {QStringLiteral("json")}, {QStringLiteral("count")}, &error);
    if (!parsed)
        return m_commandLine.usageError(error);
    if (parsed->positional().size() != 2)
        return m_commandLine.usageError(QStringLiteral("similar needs FILE and FOLDER"));
    bool ok = true;
    const int count =
        parsed->isSet(QStringLiteral("count")) ? parsed->value(QStringLiteral("count")).toInt(&ok) : 10;
    if (!ok || count < 1)
        return m_commandLine.usageError(QStringLiteral("--count must be a whole number of 1 or more"));
    const std::unique_ptr<QZPPreset> wanted(m_commandLine.openPreset(parsed->positional().at(0)));
    if (!wanted)
        return QZPCommandLine::FileFailure;
    const auto listed = readFolder(parsed->positional().at(1));
    if (!listed)
        return QZPCommandLine::FileFailure;
    const QString self = QFileInfo(parsed->positional().at(0)).absoluteFilePath();
    const auto bytes = [](const QZPPatch& patch) {
        return reinterpret_cast<const unsigned char*>(patch.data().constData());
    };
    QTextStream& out = m_commandLine.out();
    for (const auto& [i, distance] : QZPPatchRanking::closest(
             bytes(wanted->patch()), listed->size(),
             [&](qsizetype i) { return listed->at(i).file == self ? nullptr : bytes(listed->at(i).patch); },
             count)) {
        const Listed& entry = listed->at(i);
        if (parsed->isSet(QStringLiteral("json")))
            QZPCommandLine::printJson(out,
                                      {{"name", entry.name}, {"file", entry.file}, {"distance", distance}});
        else
            out << QString::number(distance, 'f', 4) << '\t' << entry.name << '\t' << entry.file << '\n';
    }
    out.flush();
    return QZPCommandLine::Success;
}

// Groups of presets in FOLDER with the same patch (or, with --near, every slider within that many steps
// and every switch equal); exit status 0 when there are none, 3 when there are.
int QZPLibraryCommandLine::duplicates(const QStringList& arguments) {
    QString error;
    const auto parsed =
        QZPCommandArguments::parse(arguments, {QStringLiteral("json")}, {QStringLiteral("near")}, &error);
    if (!parsed)
        return m_commandLine.usageError(error);
    if (parsed->positional().size() != 1)
        return m_commandLine.usageError(QStringLiteral("duplicates needs one FOLDER"));
    bool ok = true;
    const int tolerance =
        parsed->isSet(QStringLiteral("near")) ? parsed->value(QStringLiteral("near")).toInt(&ok) : 0;
    if (!ok || tolerance < 0 || tolerance > QZPParameter::MaximumDataByte)
        return m_commandLine.usageError(QStringLiteral("--near must be 0 to 127 steps"));
    const auto listed = readFolder(parsed->positional().first());
    if (!listed)
        return QZPCommandLine::FileFailure;
    QList<QZPPatch> patches;
    for (const Listed& entry : *listed)
        patches << entry.patch;
    const QList<QList<qsizetype>> groups = QZPPatchDistance::duplicateGroups(patches, tolerance);
    QTextStream& out = m_commandLine.out();
    for (const QList<qsizetype>& group : groups) {
        if (parsed->isSet(QStringLiteral("json"))) {
            QJsonArray members;
            for (const qsizetype i : group)
                members.append(QJsonObject{{"name", listed->at(i).name}, {"file", listed->at(i).file}});
            QZPCommandLine::printJson(out, {{"presets", members}});
            continue;
        }
        // A group a paragraph: a line a preset.
        if (&group != &groups.first())
            out << '\n';
        for (const qsizetype i : group)
            out << listed->at(i).name << '\t' << listed->at(i).file << '\n';
    }
    out.flush();
    return groups.isEmpty() ? QZPCommandLine::Success : QZPCommandLine::Different;
}
