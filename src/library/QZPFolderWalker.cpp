#include "QZPFolderWalker.h"

#include "QZPPreset.h"

#include <QFile>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void walkFolder(int folderFd, const QString& folderPath, QList<QZPFolderWalker::Entry>* entries, int depth) {
    // Deep enough for any real library; a deeper tree is cut rather than the stack.
    if (depth > 64)
        return;
    DIR* dir = ::fdopendir(folderFd);
    if (!dir) {
        ::close(folderFd);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.')
            continue; // hidden, and "." and ".."
        unsigned char type = entry->d_type;
        struct stat st {};
        bool haveStat = false;
        if (type == DT_UNKNOWN || type == DT_LNK) {
            // Unknown type, or a link: look at what it names (a link to a folder is not descended).
            if (::fstatat(::dirfd(dir), name, &st, 0) != 0)
                continue;
            haveStat = true;
            if (S_ISDIR(st.st_mode))
                type = entry->d_type == DT_LNK ? DT_UNKNOWN : DT_DIR;
            else if (S_ISREG(st.st_mode))
                type = DT_REG;
            else
                continue;
        }
        const QString path = folderPath + QLatin1Char('/') + QFile::decodeName(name);
        if (type == DT_DIR) {
            const int child = ::openat(::dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
            if (child < 0)
                continue;
            walkFolder(child, path, entries, depth + 1);
            continue;
        }
        if (type != DT_REG)
            continue;
        const QString fileType = QZPPreset::typeForFileName(QFile::decodeName(name));
        if (fileType.isEmpty())
            continue;
        // The identity comes from stat, as everywhere else: a directory entry's inode number is not
        // always the file's (overlay file systems).
        if (!haveStat && ::fstatat(::dirfd(dir), name, &st, 0) != 0)
            continue;
        entries->append({QZPFileReference::withIdentity(path, st.st_dev, st.st_ino), fileType});
    }
    ::closedir(dir);
}

} // namespace

QList<QZPFolderWalker::Entry> QZPFolderWalker::walk(const QString& folder) {
    QList<Entry> entries;
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return entries;
    QString root = folder;
    while (root.size() > 1 && root.endsWith(QLatin1Char('/')))
        root.chop(1);
    walkFolder(fd, root, &entries, 0);
    return entries;
}
