// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QThreadPool>
#include <functional>
#include <memory>

class QZPFileMoveOperation;
class QZPFileMoveProgressReporter;
class QZPFolderAccessRequester;

// Runs batches of file moves on a pool of worker threads, asks once for access to the folders that
// could not be written, and reports what could not be repaired: one error, or one alert for several.
// A batch of renames within one file system is quick and is over when performMoveOperations returns.
// A batch that copies across file systems may take a while: it runs on in the background with its
// progress shown, and is finished (access request, errors) on the thread that started it, so the
// window never freezes.
class QZPFileMoveQueue : public QObject {
    Q_OBJECT

public:
    using Operations = QList<std::shared_ptr<QZPFileMoveOperation>>;

    static QZPFileMoveQueue* sharedInstance();

    void performMoveOperations(const Operations& operations);
    // Whether a batch that copies is still running.
    bool isBusy() const { return m_running > 0; }
    // Returns when no batch is running any more (the command-line tool waits so before it ends).
    void waitForMoves();

    // Who asks the user for folder access. Without one (the command-line tool) nobody can grant it, so
    // the operations that needed it are reported with the other failures.
    void setAccessRequester(QZPFolderAccessRequester* requester) { m_accessRequester = requester; }
    // Who shows the progress of batches that copy; none by default.
    void setProgressReporter(QZPFileMoveProgressReporter* reporter) { m_progressReporter = reporter; }
    QThreadPool* queue() { return &m_queue; }

    // The folder to start the access dialog in: the common leading characters of the folders' paths.
    static QString commonStartFolder(const QStringList& folders);

private:
    QZPFileMoveQueue();
    // Runs the operations, then `then` on this thread: at once for renames, in the background for copies.
    void run(const Operations& operations, std::function<void()> then);
    void runAndWait(const Operations& operations);
    // After the first run: the access request, the retries, and the report.
    void finishBatch(const Operations& operations);
    void report(const Operations& operations);

    QThreadPool m_queue;
    QZPFolderAccessRequester* m_accessRequester = nullptr;
    QZPFileMoveProgressReporter* m_progressReporter = nullptr;
    int m_running = 0;
};
