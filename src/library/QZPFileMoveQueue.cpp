// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/QZPFileMoveQueue.h"

#include "library/QZPFileMoveOperation.h"
#include "library/QZPFileMoveProgressReporter.h"
#include "library/QZPFolderAccessRequester.h"
#include "model/QZPErrorPresenter.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFuture>
#include <QtConcurrent>

QZPFileMoveQueue::QZPFileMoveQueue() {
    m_queue.setObjectName(QStringLiteral("QZPFileMoveQueue"));
}

QZPFileMoveQueue* QZPFileMoveQueue::sharedInstance() {
    static QZPFileMoveQueue instance;
    return &instance;
}

void QZPFileMoveQueue::runAndWait(const Operations& operations) {
    QList<QFuture<void>> running;
    for (const std::shared_ptr<QZPFileMoveOperation>& operation : operations)
        running.append(QtConcurrent::run(&m_queue, [operation] { operation->main(); }));
    for (QFuture<void>& future : running)
        future.waitForFinished();
}

void QZPFileMoveQueue::run(const Operations& operations, std::function<void()> then) {
    const bool renamesOnly = std::all_of(operations.begin(), operations.end(),
                                         [](const auto& operation) { return operation->staysOnVolume(); });
    if (renamesOnly) {
        runAndWait(operations);
        then();
        return;
    }
    ++m_running;
    const int total = int(operations.size());
    if (m_progressReporter)
        m_progressReporter->moveProgressChanged(0, total);
    auto done = std::make_shared<int>(0);
    for (const std::shared_ptr<QZPFileMoveOperation>& operation : operations) {
        m_queue.start([this, operation, done, total, then] {
            operation->main();
            // Counted and finished on the thread that owns the queue.
            QMetaObject::invokeMethod(
                this,
                [this, done, total, then] {
                    if (m_progressReporter)
                        m_progressReporter->moveProgressChanged(++*done, total);
                    else
                        ++*done;
                    if (*done < total)
                        return;
                    then();
                    --m_running;
                },
                Qt::QueuedConnection);
        });
    }
}

void QZPFileMoveQueue::waitForMoves() {
    while (m_running > 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

QString QZPFileMoveQueue::commonStartFolder(const QStringList& folders) {
    if (folders.isEmpty())
        return {};
    QString common = folders.first();
    for (const QString& folder : folders) {
        qsizetype length = 0;
        while (length < common.size() && length < folder.size() && common.at(length) == folder.at(length))
            ++length;
        common.truncate(length);
    }
    return common;
}

void QZPFileMoveQueue::performMoveOperations(const Operations& operations) {
    run(operations, [this, operations] { finishBatch(operations); });
}

void QZPFileMoveQueue::finishBatch(const Operations& operations) {
    Operations reported = operations;
    Operations needingAccess;
    for (const std::shared_ptr<QZPFileMoveOperation>& operation : operations)
        if (operation->needsSandboxAccess())
            needingAccess.append(operation);
    if (needingAccess.isEmpty() || !m_accessRequester) {
        report(reported);
        return;
    }

    QStringList folders;
    for (const std::shared_ptr<QZPFileMoveOperation>& operation : needingAccess) {
        reported.removeAll(operation);
        folders << QFileInfo(operation->destinationURL().toLocalFile()).absolutePath();
    }
    const QString chosen = m_accessRequester->requestFolderAccess(
        commonStartFolder(folders), QCoreApplication::translate("QZPFileMoveQueue", "Allow Access"),
        QCoreApplication::translate("QZPFileMoveQueue", "Allow Access"),
        QCoreApplication::translate("QZPFileMoveQueue",
                                    "Select “Allow” to grant access to the selected directory."));
    if (chosen.isEmpty()) {
        report(reported);
        return;
    }
    // Access is what the system's permissions allow: the copies run again once the user has looked at
    // (and perhaps changed) the folder.
    Operations copies;
    for (const std::shared_ptr<QZPFileMoveOperation>& operation : needingAccess)
        copies.append(QZPFileMoveOperation::operationWithOperation(*operation));
    reported.append(copies);
    run(copies, [this, reported] { report(reported); });
}

void QZPFileMoveQueue::report(const Operations& operations) {
    Operations failed;
    for (const std::shared_ptr<QZPFileMoveOperation>& operation : operations)
        if (!operation->moveSucceeded())
            failed.append(operation);
    if (failed.size() == 1)
        QZPErrorPresenter::shared()->presentError(failed.first()->moveError());
    else if (failed.size() > 1)
        QZPErrorPresenter::shared()->presentCriticalAlert(
            QCoreApplication::translate("QZPFileMoveQueue",
                                        "Some move operations failed due to unresolved errors."),
            {QCoreApplication::translate("QZPFileMoveQueue", "OK")});
}
