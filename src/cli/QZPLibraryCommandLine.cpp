#include "cli/QZPLibraryCommandLine.h"

#include "cli/QZPCommandArguments.h"
#include "cli/QZPCommandLine.h"
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
QString fileNameFor(QString name) {
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    name.remove(QChar(0));
    while (name.startsWith(QLatin1Char('.')))
        name.remove(0, 1);
    name = name.trimmed();
    return name.isEmpty() ? QStringLiteral("Untitled Preset") : name;
}

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
    QString error;
    const auto parsed = QZPCommandArguments::parse(arguments, {QStringLiteral("force")}, {}, &error);
    if (!parsed)
        return m_commandLine.usageError(error);
    if (parsed->positional().size() != 2)
        return m_commandLine.usageError(QStringLiteral("export-list needs FOLDER and OUT"));
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
    QVariantList list;
    for (QZPPreset* preset : library.arrangedObjects()) {
        // A preset that cannot be read is left out (its error is shown), never exported with made-up data.
        if (!preset->loadFileContents()) {
            status = QZPCommandLine::FileFailure;
            continue;
        }
        list.append(QVariantMap{{NameKey, preset->displayName()}, {DataKey, preset->junoSysexData()}});
    }
    const QString out = parsed->positional().at(1);
    QZPError writeError;
    const auto mode = parsed->isSet(QStringLiteral("force")) ? QZPFileSystem::WriteMode::ReplaceExisting
                                                             : QZPFileSystem::WriteMode::KeepExisting;
    if (!QZPFileSystem::writeFile(QFileInfo(out).absoluteFilePath(), QZPPropertyList::toBinary(list), mode,
                                  &writeError)) {
        m_commandLine.reportFileError(out, writeError.localizedDescription(),
                                      writeError.code() == QZPError::FileWriteFileExists
                                          ? QStringLiteral("use --force to replace it")
                                          : writeError.localizedFailureReason());
        return QZPCommandLine::FileFailure;
    }
    return status;
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
        const QString base = fileNameFor(preset.displayName());
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
