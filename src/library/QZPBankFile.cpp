// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/QZPBankFile.h"
#include "model/QZPPlural.h"

#include "model/QZPFileSystem.h"
#include "model/QZPPreset.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

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

std::optional<QZPBankFile::Contents> QZPBankFile::read(const QString& bankPath, QZPError* error) {
    const std::optional<QByteArray> bytes = QZPFileSystem::readFile(bankPath, error, MaximumFileSize);
    if (!bytes)
        return std::nullopt;
    Contents contents = parse(*bytes);
    if (contents.messages.isEmpty()) {
        *error =
            QZPError::make(QString::fromLatin1(QZPError::ToneBenchDomain), QZPPreset::ReadErrorCode,
                           QCoreApplication::translate("QZPBankFile", "“%1” holds no Juno-106 Patch message.")
                               .arg(QFileInfo(bankPath).fileName()),
                           skippedSummary(contents));
        return std::nullopt;
    }
    return contents;
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

// Names are numbered in one pass: the folder's names are read once, and each base name remembers the
// next number to try, so a bank of thousands of messages of one slot takes one write per message. A write
// that finds its name taken after all (something else wrote it meanwhile) takes the next number; no
// message is ever dropped for want of a name.
QZPBankFile::ImportResult QZPBankFile::importBank(const QString& bankPath, const QString& folder,
                                                  const Progress& progress) {
    ImportResult result;
    const std::optional<QByteArray> bytes = QZPFileSystem::readFile(bankPath, &result.error, MaximumFileSize);
    if (!bytes)
        return result;
    result.contents = parse(*bytes);
    const QString base = QFileInfo(bankPath).completeBaseName();
    const QString extension = QStringLiteral(".syx");
    QSet<QString> taken;
    const QDir dir(folder);
    for (const QString& entry :
         dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        taken.insert(entry);
    QHash<QString, int> nextNumber;
    const int total = int(result.contents.messages.size());
    // Each message's name: "<file> <slot>", the next free number after it when taken (also when a name
    // was taken in the folder meanwhile and the writer asks again).
    const auto nameFor = [&](qsizetype n) {
        const QString wanted =
            base + QLatin1Char(' ') + QZPPreset::programNameForData(result.contents.messages.at(n));
        int& number = nextNumber[wanted];
        for (;;) {
            const QString name = number < 2 ? wanted : QStringLiteral("%1 %2").arg(wanted).arg(number);
            number = std::max(number, 1) + 1;
            if (!taken.contains(name + extension)) {
                taken.insert(name + extension);
                return name + extension;
            }
        }
    };
    QZPFileSystem::writeNewFiles(
        folder, result.contents.messages, nameFor,
        [&](qsizetype n, const QString& path) {
            result.written << path;
            if (progress && !progress(int(n) + 1, total) && n + 1 < total) {
                result.cancelled = true;
                return false;
            }
            return true;
        },
        &result.error);
    return result;
}

// The message a preset takes into a bank: its patch with the program slot it belongs to. A preset
// named after a slot ("Juno A12", as an imported bank names its files) is that slot; otherwise the
// program byte its file holds.
QByteArray QZPBankFile::bankMessage(QZPPreset& preset) {
    QByteArray message = preset.junoSysexData();
    int slot = -1;
    static const QRegularExpression slotName(QStringLiteral(" ([AB])([1-8])([1-8])$"));
    if (const QRegularExpressionMatch match = slotName.match(preset.displayName()); match.hasMatch())
        slot = (match.captured(1) == QLatin1String("B") ? 64 : 0) + (match.captured(2).toInt() - 1) * 8 +
               match.captured(3).toInt() - 1;
    message[4] = char(slot >= 0 ? slot : preset.programByte() & 0x7F);
    return message;
}
