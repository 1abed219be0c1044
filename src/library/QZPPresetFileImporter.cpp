// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/QZPPresetFileImporter.h"

#include "library/QZPBankFile.h"
#include "library/QZPFileMoveOperation.h"
#include "model/QZPFileSystem.h"
#include "model/QZPPreset.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

QZPError notAPreset(const QString& path, const QString& reason) {
    return QZPError::make(
        QZPError::ToneBenchDomain, QZPPreset::ReadErrorCode,
        QCoreApplication::translate("QZPPresetFileImporter", "“%1” was not copied into the library.")
            .arg(QFileInfo(path).fileName()),
        reason);
}

} // namespace

bool QZPPresetFileImporter::isPresetFileName(const QString& path) {
    return !QZPPreset::typeForFileName(path).isEmpty();
}

QZPPresetFileImporter::Result QZPPresetFileImporter::importFiles(const QStringList& paths,
                                                                 const QString& folder,
                                                                 const BankImporter& importBank) {
    Result result;
    for (const QString& path : paths) {
        const QString type = QZPPreset::typeForFileName(path);
        if (type.isEmpty()) {
            result.errors << notAPreset(
                path, QCoreApplication::translate("QZPPresetFileImporter", "It is not a preset file."));
            continue;
        }
        // A bank (several Patch messages in one file) comes in as one preset per message.
        if (type == QLatin1String(QZPPreset::SysexType)) {
            QZPError bankError;
            const std::optional<QByteArray> bytes =
                QZPFileSystem::readFile(path, &bankError, QZPBankFile::MaximumFileSize);
            if (bytes && QZPBankFile::isBank(*bytes)) {
                const QZPBankFile::ImportResult bank =
                    importBank ? importBank(path, folder) : QZPBankFile::importBank(path, folder);
                result.copied << bank.written;
                if (bank.cancelled)
                    result.errors << notAPreset(
                        path,
                        QCoreApplication::translate("QZPPresetFileImporter",
                                                    "The import was cancelled after %1 of its %2 presets.")
                            .arg(bank.written.size())
                            .arg(bank.contents.messages.size()));
                else if (!bank.error.isNull())
                    result.errors << notAPreset(path, bank.error.localizedFailureReason());
                else if (const QString skipped = QZPBankFile::skippedSummary(bank.contents);
                         !skipped.isEmpty())
                    result.errors << notAPreset(path, skipped);
                continue;
            }
        }
        // Read and checked as the library would read it, so nothing unreadable lands in the folder.
        QZPError readError;
        std::unique_ptr<QZPPreset> preset(
            QZPPreset::presetWithContentsOfURL(QUrl::fromLocalFile(path), type, &readError));
        if (!preset) {
            result.errors << notAPreset(path, readError.localizedFailureReason());
            continue;
        }
        QZPError fileError;
        const std::optional<QByteArray> bytes =
            QZPFileSystem::readFile(path, &fileError, preset->maximumFileSize());
        if (!bytes) {
            result.errors << notAPreset(path, fileError.localizedFailureReason());
            continue;
        }
        const QString target = QDir(folder).filePath(QFileInfo(path).fileName());
        if (QFileInfo(path).absoluteFilePath() == QFileInfo(target).absoluteFilePath()) {
            result.errors << notAPreset(
                path, QCoreApplication::translate("QZPPresetFileImporter", "It is in the library already."));
            continue;
        }
        bool written = false;
        QZPError writeError;
        for (int n = 1; !written && n < 10000; ++n) {
            const QString candidate = n == 1 ? target : QZPFileMoveOperation::numberedPath(target, n);
            writeError = {};
            written = QZPFileSystem::writeFile(candidate, *bytes, QZPFileSystem::WriteMode::KeepExisting,
                                               &writeError);
            if (written)
                result.copied << candidate;
            else if (writeError.code() != QZPError::FileWriteFileExists)
                break;
        }
        if (!written)
            result.errors << notAPreset(path, writeError.localizedFailureReason());
    }
    return result;
}
