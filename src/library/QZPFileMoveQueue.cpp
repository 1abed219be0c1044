#include "library/QZPFileMoveQueue.h"

#include "library/QZPFileMoveOperation.h"
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
    Operations reported = operations;
    runAndWait(operations);

    Operations needingAccess;
    for (const std::shared_ptr<QZPFileMoveOperation>& operation : operations)
        if (operation->needsSandboxAccess())
            needingAccess.append(operation);

    if (!needingAccess.isEmpty()) {
        QStringList folders;
        for (const std::shared_ptr<QZPFileMoveOperation>& operation : needingAccess) {
            reported.removeAll(operation);
            folders << QFileInfo(operation->destinationURL().toLocalFile()).absolutePath();
        }
        const QString chosen =
            m_accessRequester
                ? m_accessRequester->requestFolderAccess(
                      commonStartFolder(folders),
                      QCoreApplication::translate("QZPFileMoveQueue", "Allow Access"),
                      QCoreApplication::translate("QZPFileMoveQueue", "Allow Access"),
                      QCoreApplication::translate(
                          "QZPFileMoveQueue", "Select “Allow” to grant access to the selected directory."))
                : QString();
        if (!chosen.isEmpty()) {
            // Access is what the system's permissions allow: the copies run again once the user has
            // looked at (and perhaps changed) the folder.
            Operations copies;
            for (const std::shared_ptr<QZPFileMoveOperation>& operation : needingAccess)
                copies.append(QZPFileMoveOperation::operationWithOperation(*operation));
            reported.append(copies);
            runAndWait(copies);
        }
    }

    Operations failed;
    for (const std::shared_ptr<QZPFileMoveOperation>& operation : reported)
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
