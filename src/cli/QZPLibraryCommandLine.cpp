#include "cli/QZPLibraryCommandLine.h"

#include "cli/QZPCommandArguments.h"
#include "cli/QZPCommandLine.h"
#include "library/QZPBankFile.h"
#include "library/QZPPresetsController.h"
#include "model/QZPFileSystem.h"
#include "model/QZPPreset.h"
#include "model/QZPPropertyList.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

constexpr const char* NameKey = "name";
constexpr const char* DataKey = "data";

// A list entry's name as a file name in one folder: no folder separators, not hidden.
} // namespace

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
    for (const QZPPreset* preset : library.arrangedObjects()) {
        if (json)
            QZPCommandLine::printJson(out, {{"name", preset->displayName()},
                                            {"file", preset->filePath()},
                                            {"type", preset->fileType()}});
        else
            out << preset->displayName() << '\t' << preset->filePath() << '\n';
    }
    out.flush();
    return QZPCommandLine::Success;
}

int QZPLibraryCommandLine::exportList(const QStringList& arguments) {
    return exportFolder(arguments, QStringLiteral("export-list"), [](const QList<QZPPreset*>& presets) {
        QVariantList list;
        for (QZPPreset* preset : presets)
            list.append(QVariantMap{{NameKey, preset->displayName()}, {DataKey, preset->junoSysexData()}});
        return QZPPropertyList::toBinary(list);
    });
}

int QZPLibraryCommandLine::exportBank(const QStringList& arguments) {
    return exportFolder(arguments, QStringLiteral("export-bank"), [](const QList<QZPPreset*>& presets) {
        QList<QByteArray> messages;
        for (QZPPreset* preset : presets)
            messages << preset->junoSysexData();
        return QZPBankFile::bankData(messages);
    });
}

// The folder's list, in the library's order, written to OUT as `write` makes it.
int QZPLibraryCommandLine::exportFolder(const QStringList& arguments, const QString& command,
                                        const std::function<QByteArray(const QList<QZPPreset*>&)>& write) {
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
    if (result.written.isEmpty()) {
        m_commandLine.reportFileError(bankPath, QStringLiteral("No Juno-106 Patch message found."));
        return QZPCommandLine::FileFailure;
    }
    return QZPCommandLine::Success;
}

int QZPLibraryCommandLine::importList(const QStringList& arguments) {
    QString error;
    const auto parsed = QZPCommandArguments::parse(arguments, {QStringLiteral("overwrite")},
                                                   {QStringLiteral("type")}, &error);
    if (!parsed)
        return m_commandLine.usageError(error);
    if (parsed->positional().size() != 2)
        return m_commandLine.usageError(QStringLiteral("import-list needs LIST and DIR"));
    const QString type = m_commandLine.saveType(parsed->value(QStringLiteral("type")));
    if (type.isEmpty())
        return QZPCommandLine::UsageError;

    const QString listPath = parsed->positional().at(0);
    QZPError readError;
    const std::optional<QByteArray> bytes = QZPFileSystem::readFile(listPath, &readError);
    if (!bytes) {
        m_commandLine.reportFileError(listPath, readError.localizedDescription(),
                                      readError.localizedFailureReason());
        return QZPCommandLine::FileFailure;
    }
    const std::optional<QVariant> root = QZPPropertyList::parse(*bytes);
    if (!root || root->typeId() != QMetaType::QVariantList) {
        m_commandLine.reportFileError(listPath, QStringLiteral("Unable to read contents of file"),
                                      QStringLiteral("not a property list holding a list of presets"));
        return QZPCommandLine::FileFailure;
    }
    const QString folder = QFileInfo(parsed->positional().at(1)).absoluteFilePath();
    if (!m_commandLine.makeFolder(folder))
        return QZPCommandLine::FileFailure;

    int status = QZPCommandLine::Success;
    const QVariantList entries = root->toList();
    QSet<QString> usedNames;
    const auto mode = parsed->isSet(QStringLiteral("overwrite")) ? QZPFileSystem::WriteMode::ReplaceExisting
                                                                 : QZPFileSystem::WriteMode::KeepExisting;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QVariantMap entry = entries.at(i).toMap();
        const QVariant data = entry.value(DataKey);
        const bool isMessage = data.typeId() == QMetaType::QByteArray &&
                               data.toByteArray().size() == QZPPreset::PatchMessageLength;
        const QString problem = isMessage ? QZPPreset::patchProblem(data.toByteArray())
                                          : QStringLiteral("its \"data\" must be a 24-byte Patch message");
        if (!problem.isEmpty()) {
            m_commandLine.reportFileError(listPath, QStringLiteral("Entry %1 is not a preset").arg(i + 1),
                                          problem);
            status = QZPCommandLine::FileFailure;
            continue;
        }
        QZPPreset preset(data.toByteArray());
        preset.setDisplayName(entry.value(NameKey).toString());
        // Two entries of one name would write one file twice: a later one takes a numbered name.
        const QString extension = QLatin1Char('.') + QZPPreset::extensionForType(type);
        const QString base = QZPPreset::fileNameForName(preset.displayName());
        QString name = base;
        for (int n = 2; usedNames.contains(name.toCaseFolded()); ++n)
            name = QStringLiteral("%1 %2").arg(base).arg(n);
        usedNames.insert(name.toCaseFolded());
        const QString path = QDir(folder).filePath(name + extension);
        QZPError saveError;
        const bool saved =
            preset.saveToURL(QUrl::fromLocalFile(path), type, QZPDocument::SaveAsOperation, &saveError, mode);
        if (!m_commandLine.reportSavedFile(saved, path, path, saveError,
                                           QStringLiteral("use --overwrite to replace it")))
            status = QZPCommandLine::FileFailure;
    }
    return status;
}
