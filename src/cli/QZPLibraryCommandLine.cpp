#include "cli/QZPLibraryCommandLine.h"

#include "cli/QZPCommandArguments.h"
#include "cli/QZPCommandLine.h"
#include "library/QZPBankFile.h"
#include "library/QZPFactoryPresetInstaller.h"
#include "library/QZPPresetList.h"
#include "library/QZPPresetsController.h"
#include "model/QZPFileSystem.h"
#include "model/QZPPreset.h"
#include "model/QZPPropertyList.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

int QZPLibraryCommandLine::library(const QStringList& arguments) {
    QString error;
    const auto parsed = QZPCommandArguments::parse(
        arguments, {QStringLiteral("json"), QStringLiteral("modified")}, {"filter"}, &error);
    if (!parsed)
        return m_commandLine.usageError(error);
    if (parsed->positional().size() != 1)
        return m_commandLine.usageError(QStringLiteral("library needs one FOLDER"));
    const QString folder = QFileInfo(parsed->positional().first()).absoluteFilePath();
    if (!QFileInfo(folder).isDir()) {
        m_commandLine.reportFileError(parsed->positional().first(),
                                      QStringLiteral("The folder doesn’t exist."));
        return QZPCommandLine::FileFailure;
    }
    QZPPresetsController library;
    library.setPresetsFolderURL(QUrl::fromLocalFile(folder));
    library.refreshAvailableDocumentsNow();
    library.setFilterPredicate(QZPPresetFilter::predicate(parsed->value(QStringLiteral("filter")),
                                                          parsed->isSet(QStringLiteral("modified"))));
    const bool json = parsed->isSet(QStringLiteral("json"));
    QTextStream& out = m_commandLine.out();
    // Names and paths come from the listing: no preset object is made for a line.
    for (int row = 0; row < library.rowCount(); ++row) {
        const QModelIndex index = library.index(row);
        const QString name = library.data(index, Qt::DisplayRole).toString();
        const QString file = library.data(index, QZPPresetsController::FilePathRole).toString();
        if (json)
            QZPCommandLine::printJson(
                out, {{"name", name}, {"file", file}, {"type", QZPPreset::typeForFileName(file)}});
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
