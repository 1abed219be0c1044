// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPError.h"
#include "model/QZPErrorPresenter.h"

#include <QJsonObject>
#include <QStringList>
#include <QTextStream>
#include <optional>

class QZPPreset;

// tonebench-cli: the librarian's batch work for scripts. Data go to standard output, messages to
// standard error. Exit status 0 on success, 1 when a file could not be read or written, 2 for a
// usage error. While it runs it is the error presenter: errors that the model presents are printed.
class QZPCommandLine : public QZPErrorPresenter {
public:
    // Different: diff found the presets unlike.
    enum ExitStatus { Success = 0, FileFailure = 1, UsageError = 2, Different = 3 };

    QZPCommandLine(QTextStream& out, QTextStream& err);
    ~QZPCommandLine() override;

    // Runs the command in `arguments` (without the program name).
    int run(const QStringList& arguments);

    bool presentError(const QZPError& error) override;
    int presentCriticalAlert(const QString& message, const QStringList& buttons) override;

    // For the command implementations.
    QTextStream& out() { return m_out; }
    int usageError(const QString& message);
    // Reads a preset file, typed by its extension; reports the failure and answers null when it can't.
    QZPPreset* openPreset(const QString& path);
    void reportFileError(const QString& path, const QString& description, const QString& reason = {});
    // Writes one JSON object on a line of its own: flushed at once (a line a watcher waits for), or with
    // the rest at the end (a long listing).
    enum class Flush { EachLine, AtEnd };
    static void printJson(QTextStream& out, const QJsonObject& object, Flush flush = Flush::EachLine);
    // Text as a JSON string, quoted and escaped as QJsonDocument writes it: for lines written by hand where
    // a listing is long.
    static QString jsonString(QStringView text);
    // The file type of a --type value (syx, tbpreset); empty for anything else.
    static QString typeForOption(const QString& option);
    // The type of a preset file a command writes at `out`: --type's, else the one its extension names.
    // Empty, after reporting the usage error, when neither says.
    QString outputType(const QString& out, const QString& typeOption);
    // Saves the preset at `out` in that type by the rules of every write (an existing file only with
    // `force`); reports a failure. Answers the exit status.
    int writePreset(QZPPreset& preset, const QString& out, const QString& type, bool force);
    // Saves a preset a command changed in place (see set).
    bool saveChangedPatch(QZPPreset& preset, QZPError* error);
    // The type a command saves new files in: --type, else the raw SysEx type. Empty, after reporting the
    // usage error, for an unknown value.
    QString saveType(const QString& option);
    // Reports a preset file written by a batch command: its path on standard output, or, when it could
    // not be written, "already exists; skipped" with the hint, or the error. Answers false for an error.
    bool reportSavedFile(bool saved, const QString& writtenPath, const QString& path, const QZPError& error,
                         const QString& replaceHint);
    // Creates the folder (and the folders above it) where needed; reports and answers false when it can't.
    bool makeFolder(const QString& path);

    // The commands on preset files.
    int info(const QStringList& arguments);
    int convert(const QStringList& arguments);
    int set(const QStringList& arguments);
    int controllerMap(const QStringList& arguments);
    int rename(const QStringList& arguments);

private:
    QTextStream& m_out;
    QTextStream& m_err;
    // The file the current command works on, named in presented errors.
    QString m_currentFile;
    // The MIDI system asked for before the command (--midi-api).
    QString m_midiApi;
    int m_presentedErrors = 0;
};
