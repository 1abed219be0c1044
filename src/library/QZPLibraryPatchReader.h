// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/QZPBackgroundTask.h"
#include "library/QZPLibraryTable.h"

#include <QList>
#include <QObject>
#include <QString>
#include <array>
#include <functional>

// Reads the patch bytes of the library's files into its rows, on a worker thread: each file whose
// modification time differs from the one its row was read at (or never read) is read again, the others
// are only looked at. What is read arrives on the main thread in batches, so the rows fill while the
// rest is read; a new read stops the one before (what it read already stays in the rows).
class QZPLibraryPatchReader : public QObject {
    Q_OBJECT

public:
    using Row = QZPLibraryTable::Row;
    // A file to look at: its row, identity and path below the folder (a part of the requests' text), and
    // what its row has of it.
    struct Request {
        Row row = 0;
        QZPLibraryTable::Identity identity;
        QZPLibraryTable::PatchState state = QZPLibraryTable::PatchState::Unread;
        qint64 modified = 0;
        qsizetype pathStart = 0;
        qsizetype pathLength = 0;
    };
    // The files to look at, their paths one after another in one text (one allocation for all).
    struct Requests {
        QList<Request> files;
        QString paths;
        void append(Request request, QStringView path) {
            request.pathStart = paths.size();
            request.pathLength = path.size();
            paths.append(path);
            files.append(request);
        }
    };
    struct Result {
        // The caller's count when it asked: results of an older count name rows that are not there.
        quint64 generation = 0;
        Row row = 0;
        QZPLibraryTable::Identity identity;
        QZPLibraryTable::PatchState state = QZPLibraryTable::PatchState::Unread;
        qint64 modified = 0;
        std::array<unsigned char, QZPLibraryTable::PatchLength> patch{};
    };
    using Batch = QList<Result>;

    explicit QZPLibraryPatchReader(QObject* parent = nullptr);
    ~QZPLibraryPatchReader() override;

    // Looks at the files of `requests` below `folder` and reads those that changed.
    void read(const QString& folder, const Requests& requests, quint64 generation);
    void stop();
    bool isReading() const { return m_reading.isRunning(); }

    // The same on the calling thread, each batch handed to `take`; stops early when `cancelled` answers
    // true.
    static void readNow(const QString& folder, const Requests& requests, quint64 generation,
                        const std::function<void(const Batch&)>& take,
                        const std::function<bool()>& cancelled = {},
                        const std::function<void(qsizetype looked)>& progress = {});
    // The patch of one preset file: Read with its 18 bytes in `patch`, or Unreadable. `modified` gets the
    // file's modification time when it can be looked at.
    static QZPLibraryTable::PatchState readPatch(const QString& path, unsigned char* patch,
                                                 qint64* modified = nullptr);

signals:
    void batchRead(const QZPLibraryPatchReader::Batch& batch);
    // How many of the read's files have been looked at, now and then.
    void progress(qsizetype looked, qsizetype total);
    // A read went through every row it was given.
    void finished();

private:
    QZPBackgroundTask<Batch> m_reading;
};
