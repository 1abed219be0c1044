// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <sys/types.h>
#include <utility>

// Names a file by its identity (device and inode) and remembers where it was last seen, so that it
// still finds the file after a move or rename within the same folder tree. An atomic save gives the file
// a new identity: take a new reference after saving. A file system hands a freed inode number to the
// next new file, so where the file's birth time is known it is part of the identity too: a file that
// took the number of a deleted one is not taken for it.
class QZPFileReference {
public:
    QZPFileReference() = default;
    // A reference to the file now at `path`; a null reference when nothing is there.
    static QZPFileReference forPath(const QString& path);
    // A reference from an identity already known (a folder walk reads it without a second look).
    static QZPFileReference withIdentity(const QString& path, dev_t device, ino_t inode);

    bool isNull() const { return m_path.isEmpty(); }
    // The path where the file was last seen.
    const QString& lastKnownPath() const { return m_path; }
    // "device:inode", a key that stays the same across moves.
    QString key() const;
    // The same as a value: cheap to hash.
    using Identity = std::pair<quint64, quint64>;
    Identity identity() const { return {quint64(m_device), quint64(m_inode)}; }

    // Where the file (or folder) is now: the last known path while it names the same item, otherwise the
    // entry of the same identity in the last known folder or below it (searched `searchDepth` levels deep).
    // Empty when the file cannot be found.
    QString resolvedPath(int searchDepth = 1) const;
    // Whether `path` names this very file.
    bool refersTo(const QString& path) const;

    // The reference as a line of text to keep in the settings (a "bookmark"), and back. Text that is not
    // such a line gives a null reference.
    QString bookmarkData() const;
    static QZPFileReference fromBookmarkData(const QString& bookmark);

    bool operator==(const QZPFileReference& other) const {
        return m_device == other.m_device && m_inode == other.m_inode && !isNull() && !other.isNull() &&
               sameBirth(m_birth, other.m_birth);
    }

private:
    // Birth times agree, or one of them is not known (a folder walk does not read them).
    static bool sameBirth(qint64 a, qint64 b) { return a == 0 || b == 0 || a == b; }

    QString m_path;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    // Nanoseconds since the epoch; 0 when the file system does not tell.
    qint64 m_birth = 0;
};
