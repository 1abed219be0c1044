// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

class QZPError;

// The file operations the program builds on, with errors carrying the codes of QZPError::FileCode.
// The default implementation works on the real file system; tests derive from it to stage failures
// the test machine cannot produce (a file system that ignores letter case, say).
class QZPFileSystem {
public:
    // Locked file: the user-immutable flag. Append-only maps to UserAppendFlag.
    static constexpr unsigned UserImmutableFlag = 0x2;
    static constexpr unsigned UserAppendFlag = 0x4;

    enum class WriteMode { ReplaceExisting, KeepExisting };

    virtual ~QZPFileSystem();

    // The shared real file system.
    static QZPFileSystem* standard();

    // Moves the item at `source` to `destination`. Never replaces an existing destination (that fails
    // with FileWriteFileExists). Across file systems a file is copied, then the source removed.
    virtual bool moveItem(const QString& source, const QString& destination, QZPError* error);
    // Whether a move from `source` to `destination` stays on one file system (a rename, quick) rather
    // than a copy. A destination that does not exist yet counts as its nearest existing folder; an
    // answer that cannot be found out is no.
    virtual bool isSameVolume(const QString& source, const QString& destination);
    // Creates the folder and any missing intermediate folders; succeeds when it already exists.
    virtual bool createDirectory(const QString& path, QZPError* error);
    // The file's flags (UserImmutableFlag, UserAppendFlag), or nothing when they cannot be read.
    virtual std::optional<unsigned> fileFlags(const QString& path);
    // Clears the lock flags of the file.
    virtual bool clearFileFlags(const QString& path, QZPError* error);

    // Writes `data` to `path` atomically: the data go to a hidden temporary file in the same folder,
    // which then takes the place of `path`, so a crash never leaves a truncated file. With KeepExisting
    // an existing file is never replaced (FileWriteFileExists). A replaced file keeps its permissions.
    // A symbolic link, a folder or another non-regular file at `path` is never written through or
    // replaced, nor is a read-only file (FileWriteNoPermission).
    static bool writeFile(const QString& path, const QByteArray& data, WriteMode mode, QZPError* error);
    // Writes many new files into one folder, each whole or not at all and none replacing a file, as
    // writeFile does with KeepExisting, but quickly: a batch's contents are written to temporary files,
    // made durable together with one sync, and only then given their names. `nameFor(i)` gives the i-th
    // file's name (asked again for another when the name is taken); `written(i, path)` hears of each file
    // in place and answers whether to go on. False with the error when a file cannot be written.
    static bool writeNewFiles(const QString& folder, const QList<QByteArray>& contents,
                              const std::function<QString(qsizetype index)>& nameFor,
                              const std::function<bool(qsizetype index, const QString& path)>& written,
                              QZPError* error);
    // Whether `path` is inside `folder` (at any depth), judged by whole path components: "Lib2/x" is not
    // inside "Lib".
    static bool isInsideFolder(const QString& path, const QString& folder);
    // Moves the file to the user's Trash in the freedesktop.org layout every Linux desktop shares: into
    // "files" of the home trash ($XDG_DATA_HOME/Trash, made with its folders when missing), or, for a
    // file on another file system, of that file system's ".Trash-<uid>" at its top, with a ".trashinfo"
    // that records where it was and when. A file that cannot go there stays where it is and the error
    // says why; nothing is ever written anywhere else, and no link is followed into or out of a trash.
    // Answers the path the file has in the Trash, or nothing.
    static std::optional<QString> moveToTrash(const QString& path, QZPError* error);
    // Syncs the folder that holds `path`, so that a rename in it is on the disk.
    static void syncFolder(const QString& path);
    // The whole file, when it is a regular file of at most `maximumSize` bytes (anything else is refused,
    // never waited for: a FIFO or a device reads as an error at once).
    static std::optional<QByteArray> readFile(const QString& path, QZPError* error,
                                              qint64 maximumSize = 16 * 1024 * 1024);
};
