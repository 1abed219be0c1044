// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/QZPCommandLine.h"

#include "cli/QZPCommandArguments.h"
#include "cli/QZPCommandTable.h"
#include "library/QZPFileMoveQueue.h"
#include "model/QZPError.h"
#include "model/QZPFileSystem.h"
#include "model/QZPParameter.h"
#include "model/QZPPatchDifference.h"
#include "model/QZPPreset.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <memory>

namespace {

std::optional<int> parseValue(const QString& text) {
    static const QHash<QString, int> words{{QStringLiteral("on"), 1},   {QStringLiteral("off"), 0},
                                           {QStringLiteral("true"), 1}, {QStringLiteral("false"), 0},
                                           {QStringLiteral("yes"), 1},  {QStringLiteral("no"), 0}};
    bool ok = false;
    const int value = text.toInt(&ok);
    if (ok)
        return value;
    if (words.contains(text.toLower()))
        return words.value(text.toLower());
    return std::nullopt;
}

} // namespace

QZPCommandLine::QZPCommandLine(QTextStream& out, QTextStream& err) : m_out(out), m_err(err) {
    QZPErrorPresenter::setShared(this);
}

QZPCommandLine::~QZPCommandLine() {
    QZPErrorPresenter::setShared(nullptr);
}

bool QZPCommandLine::presentError(const QZPError& error) {
    ++m_presentedErrors;
    QString file = error.userInfo().value(QZPError::FilePathKey).toString();
    if (file.isEmpty())
        file = m_currentFile;
    reportFileError(file, error.localizedDescription(), error.localizedFailureReason());
    return false;
}

int QZPCommandLine::presentCriticalAlert(const QString& message, const QStringList&) {
    ++m_presentedErrors;
    m_err << "tonebench-cli: " << message << Qt::endl;
    return 0;
}

void QZPCommandLine::reportFileError(const QString& path, const QString& description, const QString& reason) {
    m_err << "tonebench-cli: ";
    if (!path.isEmpty())
        m_err << path << ": ";
    m_err << description;
    if (!reason.isEmpty())
        m_err << " (" << reason << ")";
    m_err << Qt::endl;
}

void QZPCommandLine::printJson(QTextStream& out, const QJsonObject& object, Flush flush) {
    out << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) << '\n';
    if (flush == Flush::EachLine)
        out.flush();
}

QString QZPCommandLine::jsonString(QStringView text) {
    QString quoted;
    quoted.reserve(text.size() + 2);
    quoted += QLatin1Char('"');
    // Runs of characters that need no escape are copied whole: a listing of 200,000 lines is mostly such.
    qsizetype copied = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        quoted += text.sliced(copied, i - copied);
        copied = i + 1;
        switch (c) {
        case '"':
            quoted += QLatin1String("\\\"");
            break;
        case '\\':
            quoted += QLatin1String("\\\\");
            break;
        case '\b':
            quoted += QLatin1String("\\b");
            break;
        case '\f':
            quoted += QLatin1String("\\f");
            break;
        case '\n':
            quoted += QLatin1String("\\n");
            break;
        case '\r':
            quoted += QLatin1String("\\r");
            break;
        case '\t':
            quoted += QLatin1String("\\t");
            break;
        default:
            quoted += QStringLiteral("\\u%1").arg(int(c), 4, 16, QLatin1Char('0'));
        }
    }
    quoted += text.sliced(copied);
    quoted += QLatin1Char('"');
    return quoted;
}

QString QZPCommandLine::typeForOption(const QString& option) {
    if (option == QLatin1String(QZPPreset::SysexExtension))
        return QString::fromLatin1(QZPPreset::SysexType);
    if (option == QLatin1String(QZPPreset::PresetExtension))
        return QString::fromLatin1(QZPPreset::PresetType);
    return {};
}

QString QZPCommandLine::saveType(const QString& option) {
    if (option.isEmpty())
        return QString::fromLatin1(QZPPreset::SysexType);
    const QString type = typeForOption(option);
    if (type.isEmpty())
        usageError(QStringLiteral("unknown type “%1”: use syx or tbpreset").arg(option));
    return type;
}

bool QZPCommandLine::reportSavedFile(bool saved, const QString& writtenPath, const QString& path,
                                     const QZPError& error, const QString& replaceHint) {
    if (saved) {
        m_out << writtenPath << Qt::endl;
        return true;
    }
    // A file left as it was is not written: the command does not report success for it.
    if (error.code() == QZPError::FileWriteFileExists) {
        reportFileError(path, QStringLiteral("already exists; skipped"), replaceHint);
        return false;
    }
    reportFileError(path, error.localizedDescription(), error.localizedFailureReason());
    return false;
}

bool QZPCommandLine::makeFolder(const QString& path) {
    if (QDir().mkpath(path))
        return true;
    reportFileError(path, QStringLiteral("The folder couldn’t be created."));
    return false;
}

int QZPCommandLine::usageError(const QString& message) {
    m_err << "tonebench-cli: " << message << Qt::endl << "Try 'tonebench-cli --help'." << Qt::endl;
    return UsageError;
}

int QZPCommandLine::run(const QStringList& given) {
    QStringList arguments = given;
    while (!arguments.isEmpty() && arguments.first().startsWith(QLatin1String("--midi-api"))) {
        const QString option = arguments.takeFirst();
        if (option.startsWith(QLatin1String("--midi-api=")))
            m_midiApi = option.mid(11);
        else if (!arguments.isEmpty())
            m_midiApi = arguments.takeFirst();
        else
            return usageError(QStringLiteral("--midi-api needs a value"));
    }
    if (arguments.isEmpty())
        return usageError(QStringLiteral("no command given"));
    const QString command = arguments.first();
    QStringList rest = arguments.mid(1);
    if (command == QLatin1String("--help") || command == QLatin1String("-h") ||
        command == QLatin1String("help") || rest.contains(QLatin1String("--help"))) {
        m_out << QZPCommandTable::helpText();
        return Success;
    }
    if (command == QLatin1String("--version")) {
        m_out << "tonebench-cli " << QCoreApplication::applicationVersion() << Qt::endl;
        return Success;
    }
    if (const QZPCommandTable::Command* found = QZPCommandTable::find(command)) {
        if (found->usesMidi && !m_midiApi.isEmpty())
            rest.prepend(QStringLiteral("--midi-api=") + m_midiApi);
        return found->run(*this, rest);
    }
    return usageError(QStringLiteral("unknown command “%1”").arg(command));
}

QZPPreset* QZPCommandLine::openPreset(const QString& path) {
    const QString type = QZPPreset::typeForFileName(path);
    if (type.isEmpty()) {
        reportFileError(
            path, QStringLiteral("Unable to read contents of file"),
            QStringLiteral("unknown file type; preset files end in .%1 or .%2")
                .arg(QLatin1String(QZPPreset::SysexExtension), QLatin1String(QZPPreset::PresetExtension)));
        return nullptr;
    }
    QZPError error;
    QZPPreset* preset = QZPPreset::presetWithContentsOfURL(
        QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()), type, &error);
    if (!preset)
        reportFileError(path, error.localizedDescription(), error.localizedFailureReason());
    return preset;
}

int QZPCommandLine::info(const QStringList& arguments) {
    QString error;
    const auto parsed = QZPCommandArguments::parse(arguments, {QStringLiteral("json")}, {}, &error);
    if (!parsed)
        return usageError(error);
    const bool json = parsed->isSet(QStringLiteral("json"));
    const QStringList& files = parsed->positional();
    if (files.isEmpty())
        return usageError(QStringLiteral("info needs at least one FILE"));

    int status = Success;
    bool first = true;
    for (const QString& file : files) {
        std::unique_ptr<QZPPreset> preset(openPreset(file));
        if (!preset) {
            status = FileFailure;
            continue;
        }
        const QString hex = QString::fromLatin1(preset->sysexData().toHex().toUpper());
        if (json) {
            QJsonObject parameters;
            for (const QZPParameter& parameter : QZPParameter::all())
                parameters.insert(QLatin1String(parameter.name), parameter.get(*preset));
            printJson(m_out, {{"file", file},
                              {"name", preset->displayName()},
                              {"type", preset->fileType()},
                              {"programName", preset->programName()},
                              {"sysexData", hex},
                              {"parameters", parameters}});
            continue;
        }
        if (!first)
            m_out << Qt::endl;
        first = false;
        m_out << "file: " << file << Qt::endl
              << "name: " << preset->displayName() << Qt::endl
              << "type: " << preset->fileType() << Qt::endl
              << "programName: " << preset->programName() << Qt::endl;
        for (const QZPParameter& parameter : QZPParameter::all())
            m_out << parameter.name << ": " << parameter.get(*preset) << Qt::endl;
        QStringList bytes;
        for (qsizetype i = 0; i < hex.size(); i += 2)
            bytes << hex.mid(i, 2);
        m_out << "sysexData: " << bytes.join(QLatin1Char(' ')) << Qt::endl;
    }
    return status;
}

int QZPCommandLine::convert(const QStringList& arguments) {
    QString error;
    const auto parsed =
        QZPCommandArguments::parse(arguments, {QStringLiteral("force")}, {QStringLiteral("type")}, &error);
    if (!parsed)
        return usageError(error);
    const QStringList& files = parsed->positional();
    if (files.size() != 2)
        return usageError(QStringLiteral("convert needs IN and OUT"));
    const QString type = outputType(files.at(1), parsed->value(QStringLiteral("type")));
    if (type.isEmpty())
        return UsageError;
    std::unique_ptr<QZPPreset> preset(openPreset(files.at(0)));
    if (!preset)
        return FileFailure;
    return writePreset(*preset, files.at(1), type, parsed->isSet(QStringLiteral("force")));
}

QString QZPCommandLine::outputType(const QString& out, const QString& typeOption) {
    if (!typeOption.isEmpty()) {
        const QString type = typeForOption(typeOption);
        if (type.isEmpty())
            usageError(QStringLiteral("unknown type “%1”: use syx or tbpreset").arg(typeOption));
        return type;
    }
    const QString type = QZPPreset::typeForFileName(out);
    if (type.isEmpty())
        usageError(QStringLiteral("cannot tell the type of “%1” from its extension: use --type syx|tbpreset")
                       .arg(out));
    return type;
}

int QZPCommandLine::writePreset(QZPPreset& preset, const QString& out, const QString& type, bool force) {
    QZPError saveError;
    const auto mode =
        force ? QZPFileSystem::WriteMode::ReplaceExisting : QZPFileSystem::WriteMode::KeepExisting;
    if (!preset.saveToURL(QUrl::fromLocalFile(QFileInfo(out).absoluteFilePath()), type,
                          QZPDocument::SaveToOperation, &saveError, mode)) {
        QString reason = saveError.localizedFailureReason();
        if (saveError.code() == QZPError::FileWriteFileExists && !force)
            reason = QStringLiteral("use --force to replace it");
        reportFileError(out, saveError.localizedDescription(), reason);
        return FileFailure;
    }
    return Success;
}

int QZPCommandLine::set(const QStringList& arguments) {
    if (arguments.size() < 2)
        return usageError(QStringLiteral("set needs FILE and at least one NAME=VALUE"));
    const QString file = arguments.first();
    QList<QPair<const QZPParameter*, int>> changes;
    for (const QString& assignment : arguments.mid(1)) {
        const qsizetype equals = assignment.indexOf(QLatin1Char('='));
        if (equals <= 0)
            return usageError(QStringLiteral("“%1” is not NAME=VALUE").arg(assignment));
        const QString name = assignment.left(equals);
        const QZPParameter* parameter = QZPParameter::named(name);
        if (!parameter)
            return usageError(QStringLiteral("unknown parameter “%1”").arg(name));
        const std::optional<int> value = parseValue(assignment.mid(equals + 1));
        if (!value || !parameter->accepts(*value))
            return usageError(QStringLiteral("%1 takes %2, not “%3”")
                                  .arg(name, parameter->acceptedValuesText(), assignment.mid(equals + 1)));
        changes.append({parameter, *value});
    }

    std::unique_ptr<QZPPreset> preset(openPreset(file));
    if (!preset)
        return FileFailure;
    for (const auto& [parameter, value] : changes)
        parameter->set(*preset, value);
    QZPError error;
    if (!saveChangedPatch(*preset, &error)) {
        reportFileError(file, error.localizedDescription(), error.localizedFailureReason());
        return FileFailure;
    }
    return Success;
}

// The Control Change numbers of the "ToneBench DAW" port, one parameter a line in the order of the
// numbers: the number, the parameter's name, the panel's name, and the values (a switch's positions with
// their shares of 0–127).
int QZPCommandLine::controllerMap(const QStringList& arguments) {
    QString error;
    const auto parsed = QZPCommandArguments::parse(arguments, {QStringLiteral("json")}, {}, &error);
    if (!parsed)
        return usageError(error);
    if (!parsed->positional().isEmpty())
        return usageError(QStringLiteral("cc-map takes no arguments"));
    QList<const QZPParameter*> mapped;
    for (const QZPParameter& parameter : QZPParameter::all())
        if (parameter.controller >= 0)
            mapped << &parameter;
    std::sort(mapped.begin(), mapped.end(),
              [](const QZPParameter* a, const QZPParameter* b) { return a->controller < b->controller; });
    for (const QZPParameter* parameter : std::as_const(mapped)) {
        QStringList shares;
        QJsonArray values;
        for (qsizetype index = 0; index < parameter->values.size(); ++index) {
            const int value = parameter->values.at(index).value;
            const int from = parameter->controllerValueFor(value);
            const int to = index + 1 < parameter->values.size()
                               ? parameter->controllerValueFor(parameter->values.at(index + 1).value) - 1
                               : QZPParameter::MaximumDataByte;
            shares << QStringLiteral("%1=%2–%3")
                          .arg(QZPPatchDifference::valueText(*parameter, value))
                          .arg(from)
                          .arg(to);
            values.append(QJsonObject{{"value", value}, {"from", from}, {"to", to}});
        }
        if (parsed->isSet(QStringLiteral("json")))
            printJson(out(), {{"controller", parameter->controller},
                              {"name", QString::fromLatin1(parameter->name)},
                              {"panel", QZPPatchDifference::parameterText(*parameter)},
                              {"values", values}});
        else
            out() << parameter->controller << '\t' << parameter->name << '\t'
                  << QZPPatchDifference::parameterText(*parameter) << '\t'
                  << (shares.isEmpty() ? QStringLiteral("0–127") : shares.join(QLatin1Char(' '))) << Qt::endl;
    }
    return Success;
}

// A Patch message file keeps every byte but the patch: its channel and program number (the slot the
// patch was received from or recorded on) are not the command's to change. Other files are saved in
// their own type.
bool QZPCommandLine::saveChangedPatch(QZPPreset& preset, QZPError* error) {
    if (preset.fileType() != QLatin1String(QZPPreset::SysexType))
        return preset.save(error);
    const std::optional<QByteArray> original = QZPFileSystem::readFile(preset.filePath(), error);
    if (!original)
        return false;
    if (original->size() != QZPPreset::PatchMessageLength)
        return preset.save(error);
    QByteArray message = *original;
    message.replace(5, QZPPreset::PatchDataLength, preset.sysexData());
    return QZPFileSystem::writeFile(preset.filePath(), message, QZPFileSystem::WriteMode::ReplaceExisting,
                                    error);
}

int QZPCommandLine::rename(const QStringList& arguments) {
    if (arguments.size() != 2)
        return usageError(QStringLiteral("rename needs FILE and NEWNAME"));
    const QString file = arguments.at(0);
    QString name = arguments.at(1);
    const QString extension = QFileInfo(file).suffix();
    if (!extension.isEmpty() && name.endsWith(QLatin1Char('.') + extension, Qt::CaseInsensitive))
        name.chop(extension.size() + 1);
    if (name.isEmpty() || name.contains(QLatin1Char('/')))
        return usageError(QStringLiteral("NEWNAME must be a file name without a folder"));
    if (!QFileInfo::exists(file)) {
        reportFileError(file, QStringLiteral("The file doesn’t exist."));
        return FileFailure;
    }

    std::unique_ptr<QZPPreset> preset(openPreset(file));
    if (!preset)
        return FileFailure;
    const QString before = preset->filePath();
    m_currentFile = file;
    m_presentedErrors = 0;
    preset->setName(name);
    // A rename across file systems copies in the background; the new location reaches the preset
    // through the event loop, as in the application.
    QZPFileMoveQueue::sharedInstance()->waitForMoves();
    QCoreApplication::sendPostedEvents();
    m_currentFile.clear();
    if (m_presentedErrors > 0)
        return FileFailure;
    m_out << preset->filePath() << Qt::endl;
    return before == preset->filePath() || QFileInfo::exists(preset->filePath()) ? Success : FileFailure;
}
