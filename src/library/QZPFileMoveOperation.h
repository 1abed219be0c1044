// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPError.h"

#include <QUrl>
#include <atomic>
#include <functional>
#include <memory>

class QZPFileSystem;

// One file move, with the repairs of the common failures: a missing destination folder is created,
// a locked source file is unlocked, and a taken destination name gives way to the first free numbered
// name (" 2", " 3", ...). Runs once, on a worker thread of the file move queue.
class QZPFileMoveOperation {
public:
    // The highest number a free name is looked for with.
    static constexpr int LastUniqueNumber = 999;

    QZPFileMoveOperation();

    // A fresh operation with the same settings, locations and completion; results at their defaults.
    static std::shared_ptr<QZPFileMoveOperation>
    operationWithOperation(const QZPFileMoveOperation& operation);

    bool createMissingDirectories() const { return m_createMissingDirectories; }
    void setCreateMissingDirectories(bool on) { m_createMissingDirectories = on; }
    bool createUniqueNames() const { return m_createUniqueNames; }
    void setCreateUniqueNames(bool on) { m_createUniqueNames = on; }
    bool unlockFiles() const { return m_unlockFiles; }
    void setUnlockFiles(bool on) { m_unlockFiles = on; }
    QUrl sourceURL() const { return m_sourceURL; }
    void setSourceURL(const QUrl& url) { m_sourceURL = url; }
    QUrl destinationURL() const { return m_destinationURL; }
    void setDestinationURL(const QUrl& url) { m_destinationURL = url; }
    // Runs once the operation has finished, on the worker thread, whether or not the move succeeded. It
    // is given the operation that ran: a retry's copy passes itself, so the completion reads the result
    // of the attempt that actually moved the file.
    using CompletionBlock = std::function<void(const QZPFileMoveOperation& finished)>;
    void setCompletionBlock(CompletionBlock block) { m_completionBlock = std::move(block); }
    // The file system to work on; the real one unless a test stages another.
    void setFileSystem(QZPFileSystem* fileSystem) { m_fileSystem = fileSystem; }

    // Results.
    bool moveSucceeded() const { return m_moveSucceeded; }
    // The move failed for lack of permission that only the user can grant.
    bool needsSandboxAccess() const { return m_needsSandboxAccess; }
    // The error of the latest failed attempt; kept even when a repair later succeeds.
    QZPError moveError() const { return m_moveError; }
    // Where the file is after a successful move (the numbered name when the requested one was taken).
    QUrl finalURL() const { return m_finalURL; }
    bool isFinished() const { return m_finished; }

    // "<folder>/<base> <n>.<extension>": the n-th numbered variant of a file name (n from 2 on).
    static QString numberedPath(const QString& path, int n);

    // Whether the move is a rename within one file system (quick) rather than a copy.
    bool staysOnVolume() const;

    // performMove, then the completion block.
    void main();
    // One attempt with repairs. Source and destination must be set.
    void performMove();

private:
    void handleNoSuchFileError();
    void handleFileWriteNoPermissionError();
    void handleFileWriteFileExistsError();

    bool m_createMissingDirectories = true;
    bool m_createUniqueNames = true;
    bool m_unlockFiles = true;
    bool m_moveSucceeded = false;
    bool m_needsSandboxAccess = false;
    QUrl m_sourceURL;
    QUrl m_destinationURL;
    QUrl m_finalURL;
    QZPError m_moveError;
    CompletionBlock m_completionBlock;
    QZPFileSystem* m_fileSystem;
    bool m_createdDirectories = false;
    std::atomic<bool> m_finished{false};
};
