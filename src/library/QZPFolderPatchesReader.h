#pragma once

#include "library/QZPFolderPatches.h"

#include <QFutureWatcher>
#include <QObject>
#include <atomic>
#include <memory>

// Reads a folder's patches (QZPFolderPatches) on a worker thread for a window: progress and the result
// arrive on the main thread as signals; a new read or the reader's end stops the one before, and a read
// that was stopped reports nothing.
class QZPFolderPatchesReader : public QObject {
    Q_OBJECT

public:
    explicit QZPFolderPatchesReader(QObject* parent = nullptr);
    ~QZPFolderPatchesReader() override;

    void read(const QString& folder);
    void stop();
    bool isReading() const { return m_reading.isRunning(); }

signals:
    void progress(qsizetype done, qsizetype total);
    void finished(const QZPFolderPatches::Result& result);

private:
    std::shared_ptr<std::atomic<bool>> m_cancel;
    QFutureWatcher<QZPFolderPatches::Result> m_reading;
};
