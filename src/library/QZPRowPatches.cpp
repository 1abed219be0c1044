// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/QZPRowPatches.h"

#include "model/QZPPreset.h"

QZPRowPatches::QZPRowPatches(QZPLibraryTable& table, const Rows& rows, QObject* parent)
    : QObject(parent), m_table(table), m_rows(rows) {
    connect(&m_reader, &QZPLibraryPatchReader::batchRead, this, &QZPRowPatches::take);
    connect(&m_reader, &QZPLibraryPatchReader::progress, this, &QZPRowPatches::progress);
    connect(&m_reader, &QZPLibraryPatchReader::finished, this, [this] {
        m_reading = false;
        emit finished();
    });
}

QByteArray QZPRowPatches::bytes(const unsigned char* patch) {
    return patch ? QByteArray(reinterpret_cast<const char*>(patch), QZPLibraryTable::PatchLength)
                 : QByteArray();
}

void QZPRowPatches::read(const QString& folder) {
    m_reading = true;
    m_reader.read(folder, m_rows.patchRequests(0, Row(m_table.size())), m_generation);
}

void QZPRowPatches::readNow(const QString& folder) {
    stop();
    // A stretch of the table at a time: what the reads ask for (every path, again) is never held for a
    // whole large library at once.
    for (Row first = 0; first < Row(m_table.size()); first += ReadNowRows)
        QZPLibraryPatchReader::readNow(folder, m_rows.patchRequests(first, first + ReadNowRows), m_generation,
                                       [this](const QZPLibraryPatchReader::Batch& batch) { take(batch); });
    emit finished();
}

void QZPRowPatches::stop() {
    m_reader.stop();
    m_reading = false;
}

// Patches read for rows that are still those files take their place.
void QZPRowPatches::take(const QZPLibraryPatchReader::Batch& batch) {
    QList<Row> changed;
    for (const QZPLibraryPatchReader::Result& result : batch) {
        if (result.generation != m_generation || result.row >= m_table.size() ||
            !m_rows.listsFile(result.row, result.identity))
            continue;
        if (m_table.setPatch(result.row, result.state, result.patch.data(), result.modified))
            changed.append(result.row);
    }
    if (!changed.isEmpty())
        emit this->changed(changed);
}

const unsigned char* QZPRowPatches::patch(Row row) const {
    if (const QZPPreset* preset = m_rows.presetOf(row);
        preset && (preset->isNew() || preset->isFileContentsLoaded()))
        return reinterpret_cast<const unsigned char*>(preset->patch().data().constData());
    return m_table.patch(row);
}

QByteArray QZPRowPatches::filePatch(Row row) {
    if (m_table.patchState(row) == QZPLibraryTable::PatchState::Unread) {
        unsigned char patch[QZPLibraryTable::PatchLength];
        qint64 modified = 0;
        const QZPLibraryTable::PatchState state =
            QZPLibraryPatchReader::readPatch(m_rows.absolutePath(row), patch, &modified);
        m_table.setPatch(row, state, patch, modified);
    }
    return bytes(m_table.patch(row));
}
