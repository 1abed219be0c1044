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
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
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
