// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/QZPLibraryMarks.h"

#include "model/QZPError.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The file of marks as it is on disk: its modification time and size, or zeros when there is none.
std::pair<qint64, qint64> stampOf(const QString& folder) {
    const QString path = QDir(folder).filePath(QString::fromLatin1(QZPPresetMarks::FileName));
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return {0, 0};
    return {qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec, st.st_size};
}

} // namespace

bool QZPLibraryMarks::load(const QString& folder, QZPError* error) {
    const std::pair<qint64, qint64> stamp = stampOf(folder);
    if (folder == m_folder && stamp == m_stamp)
        return false;
    m_folder = folder;
    m_stamp = stamp;
    m_marks.read(folder, error);
    return true;
}

bool QZPLibraryMarks::beginLookUp() {
    m_tagSets = {QStringList()};
    // Rows marked before are looked up again even when no marks are left.
    if (m_marks.isEmpty() && !m_rowsMarked)
        return false;
    m_rowsMarked = false;
    return true;
}

QZPLibraryMarks::RowMarks QZPLibraryMarks::lookUp(const QString& relativePath, const QByteArray& patch) {
    const QZPPresetMarks::Marks marks =
        m_marks.isEmpty() ? QZPPresetMarks::Marks() : m_marks.marks(relativePath, patch);
    m_rowsMarked = m_rowsMarked || !marks.isEmpty();
    qsizetype tagSet = m_tagSets.indexOf(marks.tags);
    if (tagSet < 0 && m_tagSets.size() < 0xFFFF) {
        tagSet = m_tagSets.size();
        m_tagSets.append(marks.tags);
    }
    return {marks.favourite, quint16(std::max<qsizetype>(tagSet, 0))};
}

bool QZPLibraryMarks::change(const QList<File>& files,
                             const std::function<void(QZPPresetMarks::Marks&)>& change, QZPError* error) {
    // Two windows or programs on one folder change its marks in turn: under the folder's lock the file is
    // read again as it is now and the change made to that, so neither loses the other's. The lock goes
    // with the descriptor.
    const int folderFd = ::open(QFile::encodeName(m_folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0)
        while (::flock(folderFd, LOCK_EX) != 0 && errno == EINTR) {
        }
    const auto unlock = qScopeGuard([folderFd] {
        if (folderFd >= 0)
            ::close(folderFd);
    });
    if (stampOf(m_folder) != m_stamp) {
        QZPError readError;
        m_marks.read(m_folder, &readError); // a broken file is set aside by the write, as at a load
    }
    for (const auto& [path, patch] : files) {
        QZPPresetMarks::Marks marks = m_marks.marks(path, patch);
        change(marks);
        m_marks.setMarks(path, patch, marks);
    }
    if (!m_marks.write(error)) {
        m_stamp = {-1, -1}; // read again at the next load
        return false;
    }
    m_stamp = stampOf(m_folder);
    return true;
}

QStringList QZPLibraryMarks::allTags() const {
    QStringList all;
    for (const QStringList& set : m_tagSets)
        for (const QString& tag : set)
            if (!all.contains(tag))
                all << tag;
    all.sort();
    return all;
}
