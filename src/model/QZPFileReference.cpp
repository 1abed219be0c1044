// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/QZPFileReference.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    qint64 birth = 0;
};

std::optional<FileIdentity> identityOf(const QString& path) {
    struct statx st {};
    if (::statx(AT_FDCWD, QFile::encodeName(path).constData(), 0, STATX_INO | STATX_BTIME, &st) != 0)
        return std::nullopt;
    FileIdentity identity;
    identity.device = makedev(st.stx_dev_major, st.stx_dev_minor);
    identity.inode = st.stx_ino;
    if (st.stx_mask & STATX_BTIME)
        identity.birth = qint64(st.stx_btime.tv_sec) * 1000000000 + st.stx_btime.tv_nsec;
    return identity;
}

} // namespace

QZPFileReference QZPFileReference::forPath(const QString& path) {
    QZPFileReference reference;
    const std::optional<FileIdentity> identity = path.isEmpty() ? std::nullopt : identityOf(path);
    if (!identity)
        return reference;
    reference.m_path = QFileInfo(path).absoluteFilePath();
    reference.m_device = identity->device;
    reference.m_inode = identity->inode;
    reference.m_birth = identity->birth;
    return reference;
}

QZPFileReference QZPFileReference::withIdentity(const QString& path, dev_t device, ino_t inode) {
    QZPFileReference reference;
    reference.m_path = path;
    reference.m_device = device;
    reference.m_inode = inode;
    return reference;
}

namespace {
constexpr QLatin1StringView BookmarkPrefix("tonebench-bookmark-1:");
}

QString QZPFileReference::bookmarkData() const {
    if (isNull())
        return {};
    return BookmarkPrefix +
           QStringLiteral("%1:%2:%3:").arg(quint64(m_device)).arg(quint64(m_inode)).arg(m_birth) + m_path;
}

QZPFileReference QZPFileReference::fromBookmarkData(const QString& bookmark) {
    QZPFileReference reference;
    if (!bookmark.startsWith(BookmarkPrefix))
        return reference;
    const QStringView rest = QStringView(bookmark).mid(BookmarkPrefix.size());
    // device:inode:birth:path, the path taking the rest (it may hold colons itself).
    qsizetype fields[3] = {};
    qsizetype from = 0;
    for (qsizetype& end : fields) {
        end = rest.indexOf(QLatin1Char(':'), from);
        if (end < 0)
            return reference;
        from = end + 1;
    }
    bool ok[3] = {};
    const quint64 device = rest.first(fields[0]).toULongLong(&ok[0]);
    const quint64 inode = rest.sliced(fields[0] + 1, fields[1] - fields[0] - 1).toULongLong(&ok[1]);
    const qint64 birth = rest.sliced(fields[1] + 1, fields[2] - fields[1] - 1).toLongLong(&ok[2]);
    const QString path = rest.sliced(fields[2] + 1).toString();
    if (!ok[0] || !ok[1] || !ok[2] || !path.startsWith(QLatin1Char('/')) || path.contains(QChar(0)))
        return reference;
    reference.m_path = path;
    reference.m_device = dev_t(device);
    reference.m_inode = ino_t(inode);
    reference.m_birth = birth;
    return reference;
}

QString QZPFileReference::key() const {
    return isNull() ? QString() : QStringLiteral("%1:%2").arg(quint64(m_device)).arg(quint64(m_inode));
}

bool QZPFileReference::refersTo(const QString& path) const {
    const std::optional<FileIdentity> identity = isNull() ? std::nullopt : identityOf(path);
    return identity && identity->device == m_device && identity->inode == m_inode &&
           sameBirth(identity->birth, m_birth);
}

QString QZPFileReference::resolvedPath(int searchDepth) const {
    if (isNull())
        return {};
    if (refersTo(m_path))
        return m_path;
    const QString folder = QFileInfo(m_path).absolutePath();
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    searchDepth > 1 ? QDirIterator::Subdirectories : QDirIterator::NoIteratorFlags);
    const int baseDepth = folder.count(QLatin1Char('/'));
    while (it.hasNext()) {
        const QString candidate = it.next();
        if (candidate.count(QLatin1Char('/')) - baseDepth > searchDepth)
            continue;
        if (refersTo(candidate))
            return candidate;
    }
    return {};
}
