#include "sidebar/QZPBankImportRunner.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QProgressDialog>
#include <QTimer>
#include <QtConcurrent>
#include <atomic>

QZPBankFile::ImportResult QZPBankImportRunner::run(QWidget* window, const QString& bankPath,
                                                   const QString& folder) {
    // Shared with the worker, which may still be writing its last file when Cancel is pressed.
    struct Shared {
        std::atomic<bool> cancel{false};
        std::atomic<int> done{0};
        std::atomic<int> total{0};
    };
    auto shared = std::make_shared<Shared>();
    QFuture<QZPBankFile::ImportResult> work = QtConcurrent::run([shared, bankPath, folder] {
        return QZPBankFile::importBank(bankPath, folder, [shared](int done, int total) {
            shared->done.store(done);
            shared->total.store(total);
            return !shared->cancel.load();
        });
    });
    QProgressDialog progress(tr("Importing the presets of “%1”…").arg(QFileInfo(bankPath).fileName()),
                             tr("Cancel"), 0, 0, window);
    progress.setObjectName(QStringLiteral("bankImportProgress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(ProgressDelayMs);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    QObject::connect(&progress, &QProgressDialog::canceled, &progress,
                     [shared] { shared->cancel.store(true); });
    QTimer tick;
    tick.setInterval(50);
    QObject::connect(&tick, &QTimer::timeout, &progress, [&progress, shared] {
        progress.setMaximum(shared->total.load());
        progress.setValue(shared->done.load());
    });
    tick.start();
    QEventLoop wait;
    QFutureWatcher<QZPBankFile::ImportResult> watcher;
    QObject::connect(&watcher, &QFutureWatcher<QZPBankFile::ImportResult>::finished, &wait,
                     &QEventLoop::quit);
    watcher.setFuture(work);
    if (!work.isFinished())
        wait.exec();
    return work.result();
}
