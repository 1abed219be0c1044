#pragma once

#include <QList>
#include <QThreadPool>
#include <memory>

class QZPFileMoveOperation;
class QZPFolderAccessRequester;

// Runs batches of file moves on a pool of worker threads, asks once for access to the folders that
// could not be written, and reports what could not be repaired: one error, or one alert for several.
class QZPFileMoveQueue {
public:
    using Operations = QList<std::shared_ptr<QZPFileMoveOperation>>;

    static QZPFileMoveQueue* sharedInstance();

    // Runs the batch and returns when all of it, the access request included, is over.
    void performMoveOperations(const Operations& operations);

    // Who asks the user for folder access; without one, such a request counts as cancelled.
    void setAccessRequester(QZPFolderAccessRequester* requester) { m_accessRequester = requester; }
    QThreadPool* queue() { return &m_queue; }

    // The folder to start the access dialog in: the common leading characters of the folders' paths.
    static QString commonStartFolder(const QStringList& folders);

private:
    QZPFileMoveQueue();
    void runAndWait(const Operations& operations);

    QThreadPool m_queue;
    QZPFolderAccessRequester* m_accessRequester = nullptr;
};
