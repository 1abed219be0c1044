// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPPresetEnvironment.h"

class QZPFileMoveQueue;
class QZPFileSystem;

// The presets' environment in a program with a library: a preset's file is renamed through the file
// move queue, which repairs what it can (locks, missing folders, access) and reports the rest.
class QZPLibraryPresetEnvironment : public QZPPresetEnvironment {
public:
    // The queue defaults to the shared one, the file system to the real one.
    explicit QZPLibraryPresetEnvironment(QZPFileMoveQueue* queue = nullptr,
                                         QZPFileSystem* fileSystem = nullptr);

    void moveFile(const QString& from, const QString& to, QObject* context,
                  std::function<void()> moved) override;

private:
    QZPFileMoveQueue* m_queue;
    QZPFileSystem* m_fileSystem;
};
