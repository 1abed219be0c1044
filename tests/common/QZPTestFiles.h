// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPPreset.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

// Sets or clears the immutable attribute of a file or folder. Answers false where the file system or
// the test's privileges do not allow it (the caller then skips what depends on it).
inline bool qzpSetImmutable(const QString& path, bool immutable) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = immutable ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

// A folder that refuses new entries: immutable where that is allowed (root ignores permissions),
// otherwise without write permission. Answers false when neither can be arranged.
inline bool qzpMakeFolderReadOnly(const QString& path, bool readOnly) {
    if (::geteuid() == 0)
        return qzpSetImmutable(path, readOnly);
    return QFile::setPermissions(path, readOnly ? QFileDevice::ReadOwner | QFileDevice::ExeOwner
                                                : QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner);
}

// A Patch message of the default patch with its first byte (the LFO rate) set to `first`, and the same
// written as a preset file at `path` (its folder made first). Answers the file's absolute path.
inline QByteArray qzpPatchMessage(quint8 first) {
    QByteArray data = QZPPreset::defaultPatchData();
    data[0] = char(first);
    return QByteArray("\xF0\x41\x30\x00\x60", 5) + data + char(0xF7);
}

inline QString qzpWritePresetFile(const QString& path, quint8 first = 1) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(qzpPatchMessage(first));
    return QFileInfo(path).absoluteFilePath();
}

// The display names of the presets, in order.
inline QStringList qzpNames(const QList<QZPPreset*>& presets) {
    QStringList result;
    for (const QZPPreset* preset : presets)
        result << preset->displayName();
    return result;
}

// Writes the bytes as the whole file (making its folder); answers whether that worked.
inline bool qzpWriteContents(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The whole file, or nothing when it cannot be read.
inline QByteArray qzpContents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
