// SPDX-License-Identifier: GPL-3.0-or-later
// Bank import benchmark: a bank file of 20,000 Patch messages of one program slot (the worst case for the
// names: "Bank A11", "Bank A11 2", …) imported into an empty folder, against the target of 20 s, and the
// same import of 2,000 messages written a file at a time with its own sync (how imports were written
// before), scaled to 20,000 for comparison.
#include "QZPBenchSupport.h"
#include "library/QZPBankFile.h"
#include "model/QZPFileSystem.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>

namespace {

QByteArray message(int n) {
    QByteArray bytes = QByteArray::fromHex("F041300000");
    for (int i = 0; i < 18; ++i)
        bytes += char((n + i * 7) % 128);
    bytes[4] = 0; // every message in slot A11
    return bytes + char(0xF7);
}

} // namespace

int main(int argc, char* argv[]) {
    QZPBenchHome home;
    QCoreApplication app(argc, argv);
    QTemporaryDir root(QDir::home().filePath(QStringLiteral("bank-XXXXXX")));
    constexpr int Count = 20000, Sample = 2000;
    QList<QByteArray> messages;
    for (int n = 0; n < Count; ++n)
        messages << message(n);
    const QString bank = root.filePath(QStringLiteral("Bank.syx"));
    QZPError error;
    if (!QZPFileSystem::writeFile(bank, QZPBankFile::bankData(messages),
                                  QZPFileSystem::WriteMode::ReplaceExisting, &error))
        return std::fprintf(stderr, "cannot write the bank: %s\n", qPrintable(error.localizedDescription())),
               1;
    QDir(root.path()).mkdir(QStringLiteral("Batched"));
    QZPBankFile::ImportResult result;
    const double batched = qzpMilliseconds(
        [&] { result = QZPBankFile::importBank(bank, root.filePath(QStringLiteral("Batched"))); });
    std::printf("import of %d messages of one slot: %.1f s, %lld files (target <= 20 s)\n", Count,
                batched / 1000, qlonglong(result.written.size()));
    QDir(root.path()).mkdir(QStringLiteral("OneByOne"));
    const double oneByOne = qzpMilliseconds([&] {
        for (int n = 0; n < Sample; ++n)
            QZPFileSystem::writeFile(root.filePath(QStringLiteral("OneByOne/Bank A11 %1.syx").arg(n)),
                                     messages.at(n), QZPFileSystem::WriteMode::KeepExisting, &error);
    });
    std::printf("a file at a time with its own sync: %d files %.1f s, about %.1f s for %d (%.1fx the batched "
                "import)\n",
                Sample, oneByOne / 1000, oneByOne * Count / Sample / 1000, Count,
                oneByOne * Count / Sample / batched);
    return 0;
}
