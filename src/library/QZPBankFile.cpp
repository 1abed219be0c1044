#include "library/QZPBankFile.h"
#include "model/QZPPlural.h"

#include "library/QZPFileMoveOperation.h"
#include "model/QZPFileSystem.h"
#include "model/QZPPreset.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QZPBankFile::Contents QZPBankFile::parse(const QByteArray& bytes) {
    Contents contents;
    const qsizetype length = QZPPreset::PatchMessageLength;
    bool inSkippedRun = false;
    qsizetype i = 0;
    while (i < bytes.size()) {
        // A message can only start at F0: other bytes are skipped without a look.
        const bool start = quint8(bytes.at(i)) == 0xF0 && i + length <= bytes.size();
        const QByteArray candidate = start ? bytes.mid(i, length) : QByteArray();
        if (start && QZPPreset::patchProblem(candidate).isEmpty()) {
            contents.messages << candidate;
            i += length;
            inSkippedRun = false;
            continue;
        }
        ++contents.skippedBytes;
        if (!inSkippedRun)
            ++contents.skippedRuns;
        inSkippedRun = true;
        ++i;
    }
    return contents;
}

bool QZPBankFile::isBank(const QByteArray& bytes) {
    return bytes.size() > QZPPreset::PatchMessageLength && parse(bytes).messages.size() > 1;
}

QByteArray QZPBankFile::bankData(const QList<QByteArray>& messages) {
    QByteArray data;
    data.reserve(messages.size() * QZPPreset::PatchMessageLength);
    for (const QByteArray& message : messages)
        data += message;
    return data;
}

QString QZPBankFile::skippedSummary(const Contents& contents) {
    if (contents.skippedRuns == 0)
        return {};
    return qzpPlural(contents.skippedBytes,
                     QCoreApplication::translate("QZPBankFile",
                                                 "1 byte that is not a Juno-106 Patch message was skipped"),
                     QCoreApplication::translate(
                         "QZPBankFile", "%1 bytes that are not Juno-106 Patch messages were skipped")) +
           qzpPlural(contents.skippedRuns,
                     QCoreApplication::translate("QZPBankFile", " (1 place in the file)."),
                     QCoreApplication::translate("QZPBankFile", " (%1 places in the file)."));
}

QZPBankFile::ImportResult QZPBankFile::importBank(const QString& bankPath, const QString& folder,
                                                  const std::function<void(int, int)>& progress) {
    ImportResult result;
    const std::optional<QByteArray> bytes = QZPFileSystem::readFile(bankPath, &result.error, MaximumFileSize);
    if (!bytes)
        return result;
    result.contents = parse(*bytes);
    const QString base = QFileInfo(bankPath).completeBaseName();
    const int total = int(result.contents.messages.size());
    for (int n = 0; n < total; ++n) {
        const QByteArray& message = result.contents.messages.at(n);
        const QString name = base + QLatin1Char(' ') + QZPPreset::programNameForData(message);
        const QString target = QDir(folder).filePath(name + QStringLiteral(".syx"));
        bool written = false;
        for (int k = 1; !written && k < 10000; ++k) {
            QZPError error;
            const QString candidate = k == 1 ? target : QZPFileMoveOperation::numberedPath(target, k);
            written =
                QZPFileSystem::writeFile(candidate, message, QZPFileSystem::WriteMode::KeepExisting, &error);
            if (written)
                result.written << candidate;
            else if (error.code() != QZPError::FileWriteFileExists) {
                result.error = error;
                return result;
            }
        }
        if (progress)
            progress(n + 1, total);
    }
    return result;
}
