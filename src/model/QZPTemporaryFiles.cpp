// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/QZPTemporaryFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRandomGenerator>
#include <QSet>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// When a process started, in clock ticks after boot (field 22 of /proc/<pid>/stat): with its id, it tells a
// running writer from a dead one whose id was given to another process. 0 when it cannot be read (no such
// process).
namespace {

unsigned long long processStartTime(long pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.read(4096);
    // The command name in parentheses may hold spaces and parentheses: the fields follow the last ')'.
    const qsizetype end = line.lastIndexOf(')');
    if (end < 0)
        return 0;
    const QList<QByteArray> fields = line.mid(end + 2).split(' ');
    // After the name, the state is field 3: the start time, field 22, is the 20th from there.
    return fields.size() > 19 ? fields.at(19).toULongLong() : 0;
}

// This process's part of a temporary file's name: "<pid>-<start time>".
const QByteArray& writerTag() {
    static const QByteArray tag =
        QByteArray::number(qint64(::getpid())) + '-' + QByteArray::number(processStartTime(::getpid()));
    return tag;
}

} // namespace

int QZPTemporaryFiles::create(const QString& path, QByteArray* temporaryPath) {
    const QFileInfo info(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = QStringLiteral(".tb-%1-%2.tmp")
                                 .arg(QString::fromLatin1(writerTag()))
                                 .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        *temporaryPath = QFile::encodeName(info.dir().filePath(name));
        const int fd = ::open(temporaryPath->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

namespace {

// An older release's temporary file: ".tb-", 16 lower-case hexadecimal digits, ".tmp"; its writer is not
// known, so it goes only once it is old enough that no write can still be busy with it.
bool isUntaggedTemporaryName(const char* name) {
    if (std::strlen(name) != 4 + 16 + 4 || std::strncmp(name, ".tb-", 4) != 0 ||
        std::strcmp(name + 20, ".tmp") != 0)
        return false;
    for (int i = 4; i < 20; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(name[i])) ||
            std::isupper(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

// A temporary file whose writer has ended: ".tb-<pid>-<start time>-<8 hex>.tmp" where no process of that
// id runs, or the one that does started at another time (the id was given again).
bool isDeadWritersTemporaryName(const char* name) {
    const QByteArray text(name);
    if (!text.startsWith(".tb-") || !text.endsWith(".tmp") || text.size() > 64)
        return false;
    const QList<QByteArray> parts = text.mid(4, text.size() - 8).split('-');
    bool pidOk = false, startOk = false, randomOk = false;
    if (parts.size() != 3)
        return false;
    parts.at(0).toLong(&pidOk);
    parts.at(1).toULongLong(&startOk);
    parts.at(2).toUInt(&randomOk, 16);
    if (!pidOk || !startOk || !randomOk || parts.at(2).size() != 8)
        return false;
    return !QZPTemporaryFiles::isProcessRunning(parts.at(0) + '-' + parts.at(1));
}

} // namespace

QByteArray QZPTemporaryFiles::processTag() {
    return writerTag();
}

bool QZPTemporaryFiles::isProcessRunning(const QByteArray& tag) {
    const QList<QByteArray> parts = tag.split('-');
    bool pidOk = false, startOk = false;
    const long pid = parts.size() == 2 ? parts.at(0).toLong(&pidOk) : 0;
    const unsigned long long start = parts.size() == 2 ? parts.at(1).toULongLong(&startOk) : 0;
    return pidOk && startOk && pid > 0 && processStartTime(pid) == start;
}

void QZPTemporaryFiles::removeDeadWritersFiles(const QString& folder) {
    constexpr time_t StaleAfterSeconds = 10 * 60;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return;
    const time_t now = ::time(nullptr);
    const int fd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.' || std::strncmp(entry->d_name, ".tb-", 4) != 0)
            continue;
        const bool untagged = isUntaggedTemporaryName(entry->d_name);
        if (!untagged && !isDeadWritersTemporaryName(entry->d_name))
            continue;
        struct stat st {};
        if (::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
            st.st_uid != ::geteuid() || (untagged && now - st.st_mtime < StaleAfterSeconds))
            continue;
        ::unlinkat(fd, entry->d_name, 0);
    }
    ::closedir(dir);
}

void QZPTemporaryFiles::removeDeadWritersFilesOnce(const QString& folder) {
    static QMutex lock;
    static QSet<QString> cleaned;
    {
        QMutexLocker locker(&lock);
        if (cleaned.contains(folder))
            return;
        cleaned.insert(folder);
    }
    removeDeadWritersFiles(folder);
}
