#include "library/QZPFolderPatchesReader.h"

#include <QPointer>
#include <QtConcurrent>

QZPFolderPatchesReader::QZPFolderPatchesReader(QObject* parent) : QObject(parent) {
    connect(&m_reading, &QFutureWatcher<QZPFolderPatches::Result>::finished, this, [this] {
        if (m_reading.future().resultCount() == 0)
            return;
        const QZPFolderPatches::Result result = m_reading.result();
        if (!result.cancelled)
            emit finished(result);
    });
}

QZPFolderPatchesReader::~QZPFolderPatchesReader() {
    stop();
}

void QZPFolderPatchesReader::stop() {
    if (m_cancel)
        m_cancel->store(true);
    m_reading.waitForFinished();
}

void QZPFolderPatchesReader::read(const QString& folder) {
    stop();
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    const std::shared_ptr<std::atomic<bool>> cancel = m_cancel;
    QPointer<QZPFolderPatchesReader> self(this);
    m_reading.setFuture(QtConcurrent::run([folder, cancel, self] {
        return QZPFolderPatches::read(folder, *cancel, [cancel, self](qsizetype done, qsizetype total) {
            if (cancel->load())
                return;
            QMetaObject::invokeMethod(
                self,
                [self, cancel, done, total] {
                    if (self && !cancel->load())
                        emit self->progress(done, total);
                },
                Qt::QueuedConnection);
        });
    }));
}
