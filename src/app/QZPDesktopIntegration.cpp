// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QZPDesktopIntegration.h"

#include "model/QZPError.h"
#include "model/QZPFileSystem.h"
#include "model/QZPSettings.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>

namespace {

const char* const DesktopFileName = "tonebench.desktop";

QByteArray resource(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString translate(const char* text) {
    return QCoreApplication::translate("QZPDesktopIntegration", text);
}

} // namespace

static void initDesktopResource() {
    Q_INIT_RESOURCE(desktop);
}

const QList<int>& QZPDesktopIntegration::iconSizes() {
    static const QList<int> sizes{16, 24, 32, 48, 64, 128, 256, 512};
    return sizes;
}

QZPDesktopIntegration::QZPDesktopIntegration(QZPSettings* settings, const QString& executablePath,
                                             const QString& dataHome, const QStringList& dataDirs)
    : m_settings(settings), m_executablePath(executablePath), m_dataHome(dataHome), m_dataDirs(dataDirs) {
    initDesktopResource();
}

QString QZPDesktopIntegration::desktopEntryPath() const {
    return m_dataHome + QStringLiteral("/applications/") + QLatin1String(DesktopFileName);
}

bool QZPDesktopIntegration::isIntegrated() const {
    for (const char* prefix : {"/usr/", "/opt/"})
        if (m_executablePath.startsWith(QLatin1String(prefix)))
            return true;
    if (QFileInfo::exists(desktopEntryPath()))
        return true;
    for (const QString& dir : m_dataDirs)
        if (QFileInfo::exists(dir + QStringLiteral("/applications/") + QLatin1String(DesktopFileName)))
            return true;
    return false;
}

QZPDesktopIntegration::Outcome QZPDesktopIntegration::offer(const Question& ask, QString* error) {
    const QString suppressKey = QString::fromLatin1(QZPSettings::MoveAlertSuppressKey);
    if (m_settings->boolValue(suppressKey) || isIntegrated())
        return Outcome::NotOffered;
    bool suppress = false;
    const Answer answer =
        ask(translate("Add ToneBench to the applications menu?"),
            translate(
                "ToneBench runs from “%1”. I can add it to your desktop’s applications menu, with its icon, "
                "so that the file manager opens preset files (.syx and .tbpreset) with it.")
                .arg(QDir::toNativeSeparators(QFileInfo(m_executablePath).absolutePath())),
            &suppress);
    if (answer != Answer::Add) {
        if (suppress)
            m_settings->setValue(suppressKey, true);
        return Outcome::Declined;
    }
    qInfo("INFO -- Adding ToneBench to the applications menu");
    QString reason;
    if (!integrate(&reason)) {
        qWarning("ERROR -- Could not add ToneBench to the applications menu: %s", qPrintable(reason));
        if (error)
            *error = reason;
        return Outcome::Failed;
    }
    return Outcome::Integrated;
}

// Whether an Exec argument holds a character the format reserves, and so must go in double quotes.
bool QZPDesktopIntegration::needsQuoting(const QString& argument) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    return std::any_of(argument.begin(), argument.end(), [](QChar c) { return reserved.contains(c); });
}

// A string value of the desktop entry format: backslash, newline, tab and carriage return are escaped,
// so a value always stays on its own line.
QString QZPDesktopIntegration::escapedValue(const QString& text) {
    QString escaped;
    for (const QChar c : text) {
        if (c == QLatin1Char('\\'))
            escaped += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            escaped += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            escaped += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            escaped += QStringLiteral("\\r");
        else
            escaped += c;
    }
    return escaped;
}

QString QZPDesktopIntegration::quotedExecArgument(const QString& argument) {
    // The desktop entry format: an argument with a reserved character goes in double quotes, and inside
    // them `"`, `` ` ``, `$` and `\` are escaped with a backslash; the whole is then escaped as any string
    // value (so those backslashes double). A percent sign is a field code unless doubled.
    QString text = argument;
    text.replace(QLatin1Char('%'), QStringLiteral("%%"));
    if (!needsQuoting(text))
        return escapedValue(text);
    QString quoted;
    for (const QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return QLatin1Char('"') + escapedValue(quoted) + QLatin1Char('"');
}

// Paths the format cannot carry as they are: control characters other than the escaped ones, text that
// is not valid Unicode, and a percent sign inside a quoted argument (a field code there is undefined).
bool QZPDesktopIntegration::canWriteSafely(const QString& path, QString* why) {
    const bool quoted = needsQuoting(path);
    for (const QChar c : path) {
        if ((c.unicode() < 0x20 && c != QLatin1Char('\n') && c != QLatin1Char('\t')) || c.unicode() == 0x7F) {
            *why = translate("Its path holds a control character.");
            return false;
        }
    }
    if (!path.isValidUtf16()) {
        *why = translate("Its path is not valid text.");
        return false;
    }
    if (quoted && path.contains(QLatin1Char('%'))) {
        *why = translate("Its path holds a percent sign beside characters that need quoting.");
        return false;
    }
    return true;
}

QString QZPDesktopIntegration::desktopEntry() const {
    QString entry = QString::fromUtf8(resource(QStringLiteral(":/desktop/tonebench.desktop")));
    entry.replace(QStringLiteral("Exec=tonebench %F"),
                  QStringLiteral("Exec=%1 %F\nTryExec=%2")
                      .arg(quotedExecArgument(m_executablePath), escapedValue(m_executablePath)));
    return entry;
}

bool QZPDesktopIntegration::integrate(QString* error) {
    m_skipped.clear();
    QString why;
    if (!canWriteSafely(m_executablePath, &why)) {
        *error = translate("ToneBench at “%1” can’t be put into a desktop entry safely. %2")
                     .arg(QDir::toNativeSeparators(m_executablePath), why);
        return false;
    }
    QList<std::pair<QString, QByteArray>> files{
        {desktopEntryPath(), desktopEntry().toUtf8()},
        {m_dataHome + QStringLiteral("/mime/packages/tonebench.xml"),
         resource(QStringLiteral(":/desktop/tonebench-mime.xml"))},
        {m_dataHome + QStringLiteral("/icons/hicolor/scalable/apps/tonebench.svg"),
         resource(QStringLiteral(":/desktop/icons/tonebench.svg"))}};
    for (const int size : iconSizes())
        files.append({m_dataHome + QStringLiteral("/icons/hicolor/%1x%1/apps/tonebench.png").arg(size),
                      resource(QStringLiteral(":/desktop/icons/tonebench-%1.png").arg(size))});
    for (const auto& [path, bytes] : files) {
        QZPError writeError;
        if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
            *error = translate("The folder “%1” couldn’t be made.").arg(QFileInfo(path).absolutePath());
            return false;
        }
        if (!QZPFileSystem::writeFile(path, bytes, QZPFileSystem::WriteMode::ReplaceExisting, &writeError)) {
            *error = writeError.fullText();
            return false;
        }
    }
    // The desktop reads its databases again; without the tools the files still work after the next login.
    const QList<std::pair<QString, QStringList>> updates{
        {QStringLiteral("update-desktop-database"), {m_dataHome + QStringLiteral("/applications")}},
        {QStringLiteral("update-mime-database"), {m_dataHome + QStringLiteral("/mime")}},
        {QStringLiteral("gtk-update-icon-cache"),
         {QStringLiteral("-f"), QStringLiteral("-t"), m_dataHome + QStringLiteral("/icons/hicolor")}}};
    for (const auto& [tool, arguments] : updates) {
        const QString program = QStandardPaths::findExecutable(tool);
        if (program.isEmpty()) {
            m_skipped << tool;
            qInfo("INFO -- %s not found; the desktop picks up the change at the next login",
                  qPrintable(tool));
            continue;
        }
        QProcess::startDetached(program, arguments);
    }
    return true;
}

QZPDesktopIntegration::Question QZPDesktopIntegration::dialogQuestion() {
    return [](const QString& title, const QString& text, bool* suppress) {
        QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(), title);
        box.setInformativeText(text);
        QPushButton* add = box.addButton(translate("Add to Applications Menu"), QMessageBox::AcceptRole);
        QPushButton* doNotAdd = box.addButton(translate("Do Not Add"), QMessageBox::RejectRole);
        box.setDefaultButton(add);
        box.setEscapeButton(doNotAdd);
        auto* check = new QCheckBox(translate("Do not ask again"), &box);
        box.setCheckBox(check);
        box.exec();
        *suppress = check->isChecked();
        return box.clickedButton() == add ? Answer::Add : Answer::DoNotAdd;
    };
}

void QZPDesktopIntegration::checkAtLaunch(QZPSettings* settings) {
    QStringList dataDirs = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    dataDirs.removeAll(dataHome);
    QZPDesktopIntegration integration(settings, QCoreApplication::applicationFilePath(), dataHome, dataDirs);
    QString error;
    if (integration.offer(dialogQuestion(), &error) == Outcome::Failed) {
        QMessageBox failure(QMessageBox::Warning, QCoreApplication::applicationName(),
                            translate("Could not add ToneBench to the applications menu"));
        failure.setInformativeText(error);
        failure.exec();
    }
}
