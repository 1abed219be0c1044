// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QZPSettings;

// Adds ToneBench to the desktop when it runs from a build or an unpacked folder: a desktop entry (so it
// appears in the applications menu and opens preset files from the file manager), its icon, and the
// file types of its presets, all under the user's data folder. It offers this once per launch and
// writes nothing without the user's yes; "Do not ask again" is remembered.
class QZPDesktopIntegration {
public:
    enum class Outcome { NotOffered, Declined, Integrated, Failed };
    enum class Answer { Add, DoNotAdd };
    // Asks the user (title, text); answers the choice and whether "do not ask again" was checked.
    using Question = std::function<Answer(const QString& title, const QString& text, bool* suppress)>;

    // Sizes of the PNG icons that come with the program.
    static const QList<int>& iconSizes();

    QZPDesktopIntegration(QZPSettings* settings, const QString& executablePath, const QString& dataHome,
                          const QStringList& dataDirs);

    // The desktop entry's path in the user's data folder.
    QString desktopEntryPath() const;
    // Installed by a package (the program under /usr or /opt), or a desktop entry already in place.
    bool isIntegrated() const;
    // The check at launch: asks when the offer is due, and adds ToneBench on a yes. A failure's reason
    // goes to `error`.
    Outcome offer(const Question& ask, QString* error = nullptr);
    // The question as a message box with the "do not ask again" check box.
    static Question dialogQuestion();
    // What the program does at launch: the offer for the running program and the user's data folder,
    // with an alert when adding failed (ToneBench then goes on starting from where it is).
    static void checkAtLaunch(QZPSettings* settings);
    // Writes the files and updates the desktop's databases where their tools exist.
    bool integrate(QString* error);
    // The desktop entry for this executable: its Exec line quoted as the desktop entry format wants.
    QString desktopEntry() const;
    static QString quotedExecArgument(const QString& argument);
    static QString escapedValue(const QString& text);
    static bool needsQuoting(const QString& argument);
    // Whether the path can go into a desktop entry as it is; `why` says why not.
    static bool canWriteSafely(const QString& path, QString* why);

    // What the last integration could not do and skipped (a tool missing), one line each.
    const QStringList& skipped() const { return m_skipped; }

private:
    QZPSettings* m_settings;
    QString m_executablePath;
    QString m_dataHome;
    QStringList m_dataDirs;
    QStringList m_skipped;
};
