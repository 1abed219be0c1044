// SPDX-License-Identifier: GPL-3.0-or-later
#include "sidebar/QZPBankImportRunner.h"

#include "library/QZPBackgroundTask.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>

QZPBankFile::ImportResult QZPBankImportRunner::run(QWidget* window, const QString& bankPath,
                                                   const QString& folder) {
    QProgressDialog progress(tr("Importing the presets of “%1”…").arg(QFileInfo(bankPath).fileName()),
                             tr("Cancel"), 0, 0, window);
    progress.setObjectName(QStringLiteral("bankImportProgress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(ProgressDelayMs);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    QEventLoop wait;
    QZPBankFile::ImportResult imported;
    QZPBackgroundTask<QZPBankFile::ImportResult> task(
        {[&progress](qsizetype done, qsizetype total) {
             progress.setMaximum(int(total));
             progress.setValue(int(done));
         },
         {},
         [&](std::optional<QZPBankFile::ImportResult> result, bool) {
             if (result)
                 imported = std::move(*result);
             wait.quit();
         }});
    // Cancel stops the import after the file being written; what was written stays.
    QObject::connect(&progress, &QProgressDialog::canceled, &progress, [&task] { task.cancel(); });
    task.start([bankPath, folder](QZPBackgroundTask<QZPBankFile::ImportResult>::Context& context) {
        return std::optional(QZPBankFile::importBank(bankPath, folder, [&context](int done, int total) {
            context.progress(done, total);
            return !context.isCancelled();
        }));
    });
    wait.exec();
    return imported;
}
