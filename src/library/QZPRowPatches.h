// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/QZPLibraryPatchReader.h"
#include "library/QZPLibraryTable.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class QZPPreset;

// The sounds of the library's rows: each listed file's 18 patch bytes, read into the library's table
// after every walk (on a worker thread, or now), and the patch a row answers for searching and ranking.
// Reads name rows by number; every compaction of the table counts a generation, so that a read begun
// before one does not land on the wrong rows.
class QZPRowPatches : public QObject {
    Q_OBJECT

public:
    using Row = QZPLibraryTable::Row;
    // The rows readNow asks about at a time.
    static constexpr Row ReadNowRows = 4096;
    // What the library tells about its rows.
    class Rows {
    public:
        virtual ~Rows() = default;
        // Every listed file of the rows from `first` up to `end`, with what its row has of it.
        virtual QZPLibraryPatchReader::Requests patchRequests(Row first, Row end) const = 0;
        // Whether the row still lists the file of that identity (a read's result may come late).
        virtual bool listsFile(Row row, const QZPLibraryTable::Identity& identity) const = 0;
        // The row's preset object, once made.
        virtual const QZPPreset* presetOf(Row row) const = 0;
        virtual QString absolutePath(Row row) const = 0;
    };

    QZPRowPatches(QZPLibraryTable& table, const Rows& rows, QObject* parent = nullptr);

    void read(const QString& folder);
    void readNow(const QString& folder);
    void stop();
    // From the start of a read until its last batch is taken (the worker may be done before that).
    bool isReading() const { return m_reading; }
    // The table's rows were numbered again.
    void compacted() { ++m_generation; }

    // The 18 bytes for searching: the preset's own once in memory, else the file's as read; null when
    // neither is known.
    const unsigned char* patch(Row row) const;
    QByteArray patchBytes(Row row) const { return bytes(patch(row)); }
    // The file's bytes, read now if they have not been.
    QByteArray filePatch(Row row);

    // 18 patch bytes as a byte array; empty for none.
    static QByteArray bytes(const unsigned char* patch);

signals:
    // Rows whose patch as read changed.
    void changed(const QList<QZPRowPatches::Row>& rows);
    // How many of the listed files a read has looked at so far.
    void progress(qsizetype looked, qsizetype total);
    // Every listed file's patch has been read.
    void finished();

private:
    void take(const QZPLibraryPatchReader::Batch& batch);

    QZPLibraryTable& m_table;
    const Rows& m_rows;
    QZPLibraryPatchReader m_reader;
    bool m_reading = false;
    quint64 m_generation = 0;
};
