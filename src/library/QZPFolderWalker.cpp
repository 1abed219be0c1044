#include "library/QZPFolderWalker.h"

#include "library/QZPPresetFilter.h"

#include "model/QZPPreset.h"

#include <QFile>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Walk {
    QList<QZPFolderWalker::Entry>* entries;
};

// Deep enough for any real library; a deeper tree is cut rather than the stack.
constexpr int MaximumDepth = 64;

// Walks the folder open at `folderFd` and closes it.
void walkFolder(int folderFd, const QString& folderPath, Walk& walk, int depth) {
    struct stat folderStat {};
    DIR* dir = ::fstat(folderFd, &folderStat) == 0 ? ::fdopendir(folderFd) : nullptr;
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
            if (depth >= MaximumDepth)
                continue;
            const int child = ::openat(::dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
            if (child < 0)
                continue;
            walkFolder(child, path, walk, depth + 1);
            continue;
        }
        if (type != DT_REG)
            continue;
        const QString fileName = path.mid(folderPath.size() + 1);
        const QString fileType = QZPPreset::typeForFileName(fileName);
        if (fileType.isEmpty())
            continue;
        // A regular file lies on its folder's device; its inode number comes with the directory entry.
        // (Where a file system reports entry numbers that differ from the files', the library still
        // matches presets by path first.)
        const dev_t device = haveStat ? st.st_dev : folderStat.st_dev;
        const ino_t inode = haveStat ? st.st_ino : entry->d_ino;
        const QString displayName = QZPFolderWalker::displayName(fileName);
        walk.entries->append(
            {QZPFileReference::withIdentity(path, device, inode), fileType, displayName, {}, {}});
    }
    ::closedir(dir);
}

} // namespace

QList<QZPFolderWalker::Entry> QZPFolderWalker::walk(const QString& folder, const QSet<QString>& knownPaths) {
    QList<Entry> entries;
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return entries;
    QString root = folder;
    while (root.size() > 1 && root.endsWith(QLatin1Char('/')))
        root.chop(1);
    Walk walk{&entries};
    walkFolder(fd, root, walk, 0);

    // Collation keys cost more than the walk itself: made only for files the library does not know yet.
    QCollator keys = collator();
    for (Entry& entry : entries)
        if (!knownPaths.contains(entry.reference.lastKnownPath())) {
            entry.sortKey = keys.sortKey(entry.name);
            entry.foldedName = QZPPresetFilter::fold(entry.name);
        }
    return entries;
}

QCollator QZPFolderWalker::collator() {
    QLocale locale = QLocale::system();
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    return collator;
}

QString QZPFolderWalker::displayName(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? fileName.left(dot) : fileName;
}
