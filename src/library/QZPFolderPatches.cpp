#include "library/QZPFolderPatches.h"

#include "library/QZPFolderWalker.h"
#include "library/QZPLibraryPatchReader.h"

#include <QDir>
#include <algorithm>

QZPFolderPatches::Result QZPFolderPatches::read(const QString& folder, const std::atomic<bool>& cancelled,
                                                const std::function<void(qsizetype, qsizetype)>& progress) {
    Result result;
    const QZPLibraryTable table = QZPFolderWalker::walk(folder);
    QList<QZPLibraryTable::Row> rows;
    for (QZPLibraryTable::Row row = 0; row < QZPLibraryTable::Row(table.size()); ++row)
        rows << row;
    // By name, then by path: "Bass" before "Bass copy", the top folder's before a subfolder's.
    std::sort(rows.begin(), rows.end(), [&table](auto a, auto b) {
        const int names = table.name(a).compare(table.name(b), Qt::CaseInsensitive);
        return names != 0 ? names < 0 : table.path(a) < table.path(b);
    });
    const QDir base(folder);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (cancelled.load(std::memory_order_relaxed)) {
            result.cancelled = true;
            return result;
        }
        if (progress && i % 256 == 0)
            progress(i, rows.size());
        const QString relative = table.path(rows[i]).toString();
        unsigned char patch[QZPLibraryTable::PatchLength];
        if (QZPLibraryPatchReader::readPatch(base.filePath(relative), patch) !=
            QZPLibraryTable::PatchState::Read) {
            result.unreadable << relative;
            continue;
        }
        result.entries.append({relative, table.name(rows[i]).toString(),
                               QByteArray(reinterpret_cast<const char*>(patch), sizeof patch)});
    }
    if (progress)
        progress(rows.size(), rows.size());
    return result;
}
