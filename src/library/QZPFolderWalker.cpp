// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/QZPFolderWalker.h"

#include "library/QZPNameCollator.h"
#include "model/QZPPreset.h"

#include <QFile>
#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Deep enough for any real library; a deeper tree is cut rather than the stack.
constexpr int MaximumDepth = 64;

// Walks the folder open at `folderFd` and closes it. `relative` is the folder's path below the walked
// one, with a trailing slash (empty for the walked folder itself).
void walkFolder(int folderFd, const QString& relative, QZPLibraryTable& table, int depth) {
    struct stat folderStat {};
    DIR* dir = ::fstat(folderFd, &folderStat) == 0 ? ::fdopendir(folderFd) : nullptr;
    if (!dir) {
        ::close(folderFd);
        return;
    }
    QString path = relative;
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
        if (type != DT_DIR && type != DT_REG)
            continue;
        // Most names are ASCII, widened in place; others are decoded as file names are.
        path.truncate(relative.size());
        const size_t length = std::strlen(name);
        if (std::all_of(name, name + length, [](char c) { return uchar(c) < 0x80; })) {
            path.resize(relative.size() + qsizetype(length));
            QChar* out = path.data() + relative.size();
            for (size_t i = 0; i < length; ++i)
                out[i] = QLatin1Char(name[i]);
        } else {
            path += QFile::decodeName(name);
        }
        const QStringView fileName = QStringView(path).sliced(relative.size());
        if (type == DT_DIR) {
            if (depth >= MaximumDepth)
                continue;
            const int child = ::openat(::dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
            if (child < 0)
                continue;
            walkFolder(child, path + QLatin1Char('/'), table, depth + 1);
            continue;
        }
        if (QZPPreset::typeForFileName(fileName).isEmpty() ||
            path.size() > QZPLibraryTable::MaximumTextLength)
            continue;
        // A regular file lies on its folder's device; its inode number comes with the directory entry.
        // (Where a file system reports entry numbers that differ from the files', the library still
        // matches presets by path first.)
        const dev_t device = haveStat ? st.st_dev : folderStat.st_dev;
        const ino_t inode = haveStat ? st.st_ino : entry->d_ino;
        table.appendFile({quint64(device), quint64(inode)}, path, relative.size(),
                         QZPFolderWalker::displayNameLength(fileName));
    }
    ::closedir(dir);
}

} // namespace

QZPLibraryTable QZPFolderWalker::walk(const QString& folder, qsizetype expectedFiles,
                                      const KnownPaths& known) {
    QZPLibraryTable table;
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return table;
    // About 24 units of path per file.
    table.reserve(expectedFiles, expectedFiles * 24);
    walkFolder(fd, QString(), table, 0);
    // Keys and folded names of new files are made here, off the main thread, in one pass: the sort and the
    // filter then only compare.
    const QZPNameCollator collator;
    for (QZPLibraryTable::Row row = 0; row < QZPLibraryTable::Row(table.size()); ++row)
        if (known.empty() || !std::binary_search(known.begin(), known.end(), pathHash(table.path(row))))
            table.makeKeyAndFoldedName(row, collator);
    return table;
}

qsizetype QZPFolderWalker::displayNameLength(QStringView fileName) {
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? dot : fileName.size();
}
