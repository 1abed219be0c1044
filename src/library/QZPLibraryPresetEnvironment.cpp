// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/QZPLibraryPresetEnvironment.h"

#include "library/QZPFileMoveOperation.h"
#include "library/QZPFileMoveQueue.h"
#include "model/QZPFileSystem.h"

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <memory>

QZPLibraryPresetEnvironment::QZPLibraryPresetEnvironment(QZPFileMoveQueue* queue, QZPFileSystem* fileSystem)
    : m_queue(queue ? queue : QZPFileMoveQueue::sharedInstance()),
      m_fileSystem(fileSystem ? fileSystem : QZPFileSystem::standard()) {}

void QZPLibraryPresetEnvironment::moveFile(const QString& from, const QString& to, QObject* context,
                                           std::function<void()> moved) {
    auto operation = std::make_shared<QZPFileMoveOperation>();
    operation->setCreateUniqueNames(false);
    operation->setFileSystem(m_fileSystem);
    operation->setSourceURL(QUrl::fromLocalFile(from));
    operation->setDestinationURL(QUrl::fromLocalFile(to));
    QPointer<QObject> target(context);
    operation->setCompletionBlock([target, moved = std::move(moved)](const QZPFileMoveOperation& finished) {
        if (!finished.moveSucceeded() || !target)
            return;
        QMetaObject::invokeMethod(target.data(), moved, Qt::QueuedConnection);
    });
    m_queue->performMoveOperations({operation});
}
