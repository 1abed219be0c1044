// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/QZPFileSystem.h"

#include "model/QZPError.h"
#include "model/QZPTemporaryFiles.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("QZPFileSystem", text);
}

QString displayName(const QString& path) {
    return QFileInfo(path).fileName();
}

QString folderName(const QString& path) {
    return QFileInfo(QFileInfo(path).absolutePath()).fileName();
}

// Fills the file name, and the folder name where the text has a place for it.
QString fillNames(const QString& text, const QString& file, const QString& folder) {
    return text.contains(QLatin1String("%2")) ? text.arg(file, folder) : text.arg(file);
}

QZPError moveError(int err, const QString& source, const QString& destination) {
    QString text;
    switch (QZPError::fileCodeForErrno(err)) {
    case QZPError::FileNoSuchFile:
        text = tr("“%1” couldn’t be moved to “%2” because either the former doesn’t exist, or the folder "
                  "containing the latter doesn’t exist.");
        break;
    case QZPError::FileWriteFileExists:
        text = tr("“%1” couldn’t be moved to “%2” because an item with the same name already exists.");
        break;
    case QZPError::FileWriteNoPermission:
        text = tr("“%1” couldn’t be moved because you don’t have permission to access “%2”.");
        break;
    default:
        text = tr("“%1” couldn’t be moved to “%2”.");
        break;
    }
    return QZPError::fromErrno(err, source, fillNames(text, displayName(source), folderName(destination)));
}

QZPError writeError(int err, const QString& path) {
    QString text;
    switch (QZPError::fileCodeForErrno(err)) {
    case QZPError::FileWriteFileExists:
        text = tr("“%1” couldn’t be saved because a file with the same name already exists.");
        break;
    case QZPError::FileWriteNoPermission:
        text = tr("You don’t have permission to save the file “%1” in the folder “%2”.");
        break;
    case QZPError::FileWriteOutOfSpace:
        text = tr("The file “%1” couldn’t be saved because there isn’t enough space.");
        break;
    default:
        text = tr("The file “%1” couldn’t be saved in the folder “%2”.");
        break;
    }
    return QZPError::fromErrno(err, path, fillNames(text, displayName(path), folderName(path)));
}

bool writeAll(int fd, const QByteArray& data) {
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += n;
    }
    return true;
}

// Copies a regular file to a new destination (never replacing one), keeping its mode.
bool copyFileExclusive(const QByteArray& source, const QByteArray& destination, int* err) {
    const int in = ::open(source.constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        *err = errno;
        return false;
    }
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        *err = S_ISDIR(st.st_mode) ? EXDEV : errno;
        ::close(in);
        return false;
    }
    const int out =
        ::open(destination.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777);
    if (out < 0) {
        *err = errno;
        ::close(in);
        return false;
    }
    char buffer[64 * 1024];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        if (!writeAll(out, QByteArray::fromRawData(buffer, n))) {
            ok = false;
            break;
        }
    }
    if (ok && ::fsync(out) != 0)
        ok = false;
    *err = ok ? 0 : errno;
    ::close(out);
    ::close(in);
    if (!ok)
        ::unlink(destination.constData());
    return ok;
}

} // namespace

QZPFileSystem::~QZPFileSystem() = default;

QZPFileSystem* QZPFileSystem::standard() {
    static QZPFileSystem fileSystem;
    return &fileSystem;
}

bool QZPFileSystem::moveItem(const QString& source, const QString& destination, QZPError* error) {
    const QByteArray from = QFile::encodeName(source);
    const QByteArray to = QFile::encodeName(destination);
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    int err = errno;
    if (err == EINVAL) {
        // The file system does not know RENAME_NOREPLACE: a hard link fails on an existing name.
        if (::link(from.constData(), to.constData()) == 0) {
            if (::unlink(from.constData()) == 0)
                return true;
            err = errno;
            ::unlink(to.constData());
        } else {
            err = errno;
        }
    } else if (err == EXDEV) {
        if (copyFileExclusive(from, to, &err)) {
            if (::unlink(from.constData()) == 0)
                return true;
            err = errno;
            ::unlink(to.constData());
        }
    }
    qzpSetError(error, moveError(err, source, destination));
    return false;
}

namespace {

// The device a path is on, or the one of its nearest existing folder (or file in a folder's place).
std::optional<dev_t> deviceOf(QString path) {
    struct stat info {};
    while (::lstat(QFile::encodeName(path).constData(), &info) != 0) {
        if ((errno != ENOENT && errno != ENOTDIR) || path.isEmpty() || path == QLatin1String("/"))
            return std::nullopt;
        path = QFileInfo(path).absolutePath();
    }
    return info.st_dev;
}

// The home trash: under $XDG_DATA_HOME, or ~/.local/share when that is not set to an absolute path.
QString homeTrash() {
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(data)) {
        const QString home = qEnvironmentVariable("HOME");
        if (!QDir::isAbsolutePath(home))
            return {};
        data = home + QStringLiteral("/.local/share");
    }
    return QDir::cleanPath(data + QStringLiteral("/Trash"));
}

// A trash's folder, made (private to the user) when missing; a link or a file in its place is refused.
bool makeTrashFolder(const QString& path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0) {
        if (!QDir().mkpath(path))
            return false;
        ::chmod(QFile::encodeName(path).constData(), 0700);
        return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
    }
    return S_ISDIR(info.st_mode);
}

} // namespace

std::optional<QString> QZPFileSystem::moveToTrash(const QString& path, QZPError* error) {
    const QString source = QFileInfo(path).absoluteFilePath();
    const auto fail = [&](int err) -> std::optional<QString> {
        qzpSetError(error,
                    QZPError::fromErrno(err, source,
                                        tr("“%1” couldn’t be moved to the Trash.").arg(displayName(source))));
        return std::nullopt;
    };
    const std::optional<dev_t> device = deviceOf(source);
    if (!device)
        return fail(ENOENT);
    // The home trash for a file on its file system; otherwise the trash at the top of the file's own.
    QString trash = homeTrash();
    if (trash.isEmpty())
        return fail(ENOENT);
    const std::optional<dev_t> homeDevice = deviceOf(trash);
    if (!homeDevice)
        return fail(EACCES);
    if (homeDevice != device) {
        QString top = QFileInfo(source).absolutePath();
        while (top != QLatin1String("/") && deviceOf(QFileInfo(top).absolutePath()) == device)
            top = QFileInfo(top).absolutePath();
        trash = QDir::cleanPath(top + QStringLiteral("/.Trash-%1").arg(::getuid()));
    }
    const QString files = trash + QStringLiteral("/files");
    const QString info = trash + QStringLiteral("/info");
    for (const QString& folder : {trash, files, info})
        if (!makeTrashFolder(folder))
            return fail(EACCES);
    // The name in the trash is the file's own, numbered when taken ("Bass 2.syx"); its info file is
    // made first and exclusively, which reserves the name.
    const QFileInfo file(source);
    const QString stem = file.completeBaseName();
    const QString suffix = file.suffix().isEmpty() ? QString() : QLatin1Char('.') + file.suffix();
    const QByteArray record =
        "[Trash Info]\nPath=" + QUrl::toPercentEncoding(source, "/") +
        "\nDeletionDate=" + QDateTime::currentDateTime().toString(Qt::ISODate).left(19).toUtf8() + "\n";
    for (int n = 1; n < 10000; ++n) {
        const QString name =
            n == 1 ? file.fileName() : QStringLiteral("%1 %2%3").arg(stem).arg(n).arg(suffix);
        const QString infoPath = info + QLatin1Char('/') + name + QStringLiteral(".trashinfo");
        const QString target = files + QLatin1Char('/') + name;
        struct stat taken {};
        if (::lstat(QFile::encodeName(target).constData(), &taken) == 0)
            continue;
        const int fd =
            ::open(QFile::encodeName(infoPath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return fail(errno);
        }
        const bool written = ::write(fd, record.constData(), size_t(record.size())) == record.size();
        ::close(fd);
        QZPError moveFailure;
        if (written && standard()->moveItem(source, target, &moveFailure))
            return target;
        ::unlink(QFile::encodeName(infoPath).constData());
        if (!written)
            return fail(EIO);
        qzpSetError(error, moveFailure);
        return std::nullopt;
    }
    return fail(EEXIST);
}

bool QZPFileSystem::isSameVolume(const QString& source, const QString& destination) {
    const std::optional<dev_t> from = deviceOf(source);
    return from && from == deviceOf(destination);
}

bool QZPFileSystem::createDirectory(const QString& path, QZPError* error) {
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QString partial;
    for (const QString& component : absolute.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        partial += QLatin1Char('/') + component;
        const QByteArray encoded = QFile::encodeName(partial);
        if (::mkdir(encoded.constData(), 0777) == 0)
            continue;
        const int err = errno;
        struct stat st {};
        if (err == EEXIST && ::stat(encoded.constData(), &st) == 0 && S_ISDIR(st.st_mode))
            continue;
        qzpSetError(error, QZPError::fromErrno(err == EEXIST ? ENOTDIR : err, partial,
                                               tr("The folder “%1” couldn’t be created.").arg(component)));
        return false;
    }
    return true;
}

std::optional<unsigned> QZPFileSystem::fileFlags(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    int flags = 0;
    const bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    ::close(fd);
    if (!ok)
        return std::nullopt;
    unsigned result = 0;
    if (flags & FS_IMMUTABLE_FL)
        result |= UserImmutableFlag;
    if (flags & FS_APPEND_FL)
        result |= UserAppendFlag;
    return result;
}

bool QZPFileSystem::clearFileFlags(const QString& path, QZPError* error) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    int flags = 0;
    bool ok = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        // Only the lock flags: others (extents, say) belong to the file system and cannot be cleared.
        flags &= ~(FS_IMMUTABLE_FL | FS_APPEND_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    const int err = errno;
    if (fd >= 0)
        ::close(fd);
    if (!ok)
        qzpSetError(error, QZPError::fromErrno(
                               err, path, tr("The file “%1” couldn’t be unlocked.").arg(displayName(path))));
    return ok;
}

// Writes into a folder never follow a link at the target name, never replace something that is not
// a regular file, and never replace a file its owner made read-only (as an editor would not). The data
// go to a temporary file with a short name of its own (so a target name of any length the file system
// allows can be saved), which then takes the target's place; the folder is synced after the rename so
// that a save reported done survives a power failure.
bool QZPFileSystem::writeFile(const QString& path, const QByteArray& data, WriteMode mode, QZPError* error) {
    const QByteArray encodedTarget = QFile::encodeName(path);
    struct stat existing {};
    const bool exists = ::lstat(encodedTarget.constData(), &existing) == 0;
    if (exists) {
        QString reason;
        int err = 0;
        if (S_ISLNK(existing.st_mode)) {
            err = ELOOP;
            reason =
                tr("“%1” is a symbolic link; ToneBench doesn’t write through links.").arg(displayName(path));
        } else if (!S_ISREG(existing.st_mode)) {
            err = S_ISDIR(existing.st_mode) ? EISDIR : EINVAL;
            reason = tr("“%1” isn’t a regular file.").arg(displayName(path));
        } else if (mode == WriteMode::KeepExisting) {
            err = EEXIST;
        } else if ((existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
                   ::faccessat(AT_FDCWD, encodedTarget.constData(), W_OK, AT_EACCESS) != 0) {
            err = EACCES;
        }
        if (err != 0) {
            QZPError refusal = writeError(err, path);
            if (!reason.isEmpty())
                refusal = QZPError::make(QZPError::FileDomain, QZPError::fileCodeForErrno(err),
                                         refusal.localizedDescription(), reason);
            qzpSetError(error, refusal);
            return false;
        }
    }

    QZPTemporaryFiles::removeDeadWritersFilesOnce(QFileInfo(path).absolutePath());
    QByteArray temporary;
    const int fd = QZPTemporaryFiles::create(path, &temporary);
    if (fd < 0) {
        qzpSetError(error, writeError(errno, path));
        return false;
    }
    bool ok = writeAll(fd, data) && ::fsync(fd) == 0;
    if (ok && exists)
        ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok) {
        // A plain rename replaces a link put at the name meanwhile, never what it points to.
        const int rc = mode == WriteMode::ReplaceExisting
                           ? ::rename(temporary.constData(), encodedTarget.constData())
                           : ::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, encodedTarget.constData(),
                                         RENAME_NOREPLACE);
        if (rc != 0 && errno == EINVAL && mode == WriteMode::KeepExisting) {
            ok = ::link(temporary.constData(), encodedTarget.constData()) == 0;
            err = errno;
        } else {
            ok = rc == 0;
            err = errno;
        }
    }
    if (!ok || mode == WriteMode::KeepExisting)
        ::unlink(temporary.constData());
    if (!ok) {
        qzpSetError(error, writeError(err, path));
        return false;
    }
    syncFolder(path);
    return true;
}

bool QZPFileSystem::writeNewFiles(const QString& folder, const QList<QByteArray>& contents,
                                  const std::function<QString(qsizetype)>& nameFor,
                                  const std::function<bool(qsizetype, const QString&)>& written,
                                  QZPError* error) {
    // Enough files per sync that the syncs cost little, few enough that progress moves and a cancel
    // comes soon.
    constexpr qsizetype BatchSize = 256;
    const QByteArray encodedFolder = QFile::encodeName(folder);
    const int folderFd = ::open(encodedFolder.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folderFd < 0) {
        qzpSetError(error, writeError(errno, folder));
        return false;
    }
    QZPTemporaryFiles::removeDeadWritersFilesOnce(folder);
    QList<QByteArray> staged;
    const auto unstage = [&staged] {
        for (const QByteArray& temporary : staged)
            if (!temporary.isEmpty()) // a named file is no longer a temporary one
                ::unlink(temporary.constData());
        staged.clear();
    };
    const auto fail = [&](int err, const QString& path) {
        unstage();
        ::close(folderFd);
        qzpSetError(error, writeError(err, path));
        return false;
    };
    const QString placeholder = QDir(folder).filePath(QStringLiteral("new"));
    for (qsizetype first = 0; first < contents.size(); first += BatchSize) {
        const qsizetype end = std::min(contents.size(), first + BatchSize);
        for (qsizetype i = first; i < end; ++i) {
            QByteArray temporary;
            const int fd = QZPTemporaryFiles::create(placeholder, &temporary);
            if (fd < 0)
                return fail(errno, placeholder);
            staged << temporary;
            const bool ok = writeAll(fd, contents.at(i));
            const int err = errno;
            if (::close(fd) != 0 || !ok)
                return fail(ok ? errno : err, placeholder);
        }
        // Every staged file durable at once, before any takes a name.
        if (::syncfs(folderFd) != 0)
            return fail(errno, folder);
        for (qsizetype i = first; i < end; ++i) {
            const QByteArray& temporary = staged.at(i - first);
            QString path;
            for (;;) {
                path = QDir(folder).filePath(nameFor(i));
                const QByteArray target = QFile::encodeName(path);
                // A new name only: never a file, link or anything else already there.
                if (::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, target.constData(),
                                RENAME_NOREPLACE) == 0)
                    break;
                if (errno == EINVAL) { // a file system without RENAME_NOREPLACE: a link is exclusive too
                    if (::link(temporary.constData(), target.constData()) == 0) {
                        ::unlink(temporary.constData());
                        break;
                    }
                }
                if (errno != EEXIST)
                    return fail(errno, path);
            }
            staged[i - first].clear();
            if (written && !written(i, path)) {
                unstage();
                ::fsync(folderFd);
                ::close(folderFd);
                return true;
            }
        }
        staged.clear();
        ::fsync(folderFd);
    }
    ::close(folderFd);
    return true;
}

std::optional<QByteArray> QZPFileSystem::readFile(const QString& path, QZPError* error, qint64 maximumSize) {
    const auto refuse = [&](int err, const QString& reason) {
        QZPError e =
            QZPError::fromErrno(err, path, tr("The file “%1” couldn’t be opened.").arg(displayName(path)));
        if (!reason.isEmpty())
            e = QZPError::make(QZPError::FileDomain, QZPError::FileReadUnknown,
                               tr("The file “%1” couldn’t be read.").arg(displayName(path)), reason);
        qzpSetError(error, e);
        return std::nullopt;
    };
    // Non-blocking, so that opening a FIFO never waits for a writer; only a regular file is read.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return refuse(errno, {});
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int err = errno;
        const bool folder = S_ISDIR(info.st_mode);
        ::close(fd);
        if (info.st_mode == 0)
            return refuse(err, {});
        return refuse(folder ? EISDIR : EINVAL,
                      folder ? tr("“%1” is a folder.").arg(displayName(path))
                             : tr("“%1” isn’t a regular file.").arg(displayName(path)));
    }
    // At most one byte more than allowed is read, whatever the file claims its size is.
    QByteArray data;
    data.resize(qsizetype(std::min<qint64>(std::max<qint64>(info.st_size, 0), maximumSize) + 1));
    qsizetype done = 0;
    for (;;) {
        if (done == data.size()) {
            if (done > maximumSize)
                break;
            data.resize(std::min<qsizetype>(data.size() * 2, qsizetype(maximumSize) + 1));
        }
        const ssize_t n = ::read(fd, data.data() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            return refuse(err, QString::fromLocal8Bit(std::strerror(err)) + QLatin1Char('.'));
        }
        if (n == 0)
            break;
        done += n;
    }
    ::close(fd);
    if (done > maximumSize)
        return refuse(EFBIG, tr("The file is too large (more than %1 bytes).").arg(maximumSize));
    data.truncate(done);
    return data;
}

void QZPFileSystem::syncFolder(const QString& path) {
    const int folder = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return;
    ::fsync(folder);
    ::close(folder);
}

bool QZPFileSystem::isInsideFolder(const QString& path, const QString& folder) {
    if (path.isEmpty() || folder.isEmpty())
        return false;
    QString root = QDir::cleanPath(folder);
    if (!root.endsWith(QLatin1Char('/')))
        root += QLatin1Char('/');
    return QDir::cleanPath(path).startsWith(root);
}
