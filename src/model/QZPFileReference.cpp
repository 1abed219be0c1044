#include "model/QZPFileReference.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

namespace {

bool statIdentity(const QString& path, dev_t* device, ino_t* inode) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    *device = st.st_dev;
    *inode = st.st_ino;
    return true;
}

} // namespace

QZPFileReference QZPFileReference::forPath(const QString& path) {
    QZPFileReference reference;
    if (!path.isEmpty() && statIdentity(path, &reference.m_device, &reference.m_inode))
        reference.m_path = QFileInfo(path).absoluteFilePath();
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
    dev_t device = 0;
    ino_t inode = 0;
    return !isNull() && statIdentity(path, &device, &inode) && device == m_device && inode == m_inode;
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
