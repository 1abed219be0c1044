#include "library/QZPLibraryPresetEnvironment.h"

#include "library/QZPFileMoveOperation.h"
#include "library/QZPFileMoveQueue.h"

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <memory>

QZPLibraryPresetEnvironment::QZPLibraryPresetEnvironment(QZPFileMoveQueue* queue)
    : m_queue(queue ? queue : QZPFileMoveQueue::sharedInstance()) {}

void QZPLibraryPresetEnvironment::moveFile(const QString& from, const QString& to, QObject* context,
                                           std::function<void()> moved) {
    auto operation = std::make_shared<QZPFileMoveOperation>();
    operation->setCreateUniqueNames(false);
    operation->setSourceURL(QUrl::fromLocalFile(from));
    operation->setDestinationURL(QUrl::fromLocalFile(to));
    std::weak_ptr<QZPFileMoveOperation> weakOperation = operation;
    QPointer<QObject> target(context);
    operation->setCompletionBlock([weakOperation, target, moved = std::move(moved)] {
        const std::shared_ptr<QZPFileMoveOperation> finished = weakOperation.lock();
        if (!finished || !finished->moveSucceeded() || !target)
            return;
        QMetaObject::invokeMethod(target.data(), moved, Qt::QueuedConnection);
    });
    m_queue->performMoveOperations({operation});
}
