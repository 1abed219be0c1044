// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/QZPPresetMarks.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>

class QZPError;

// The folder's favourites and tags as the library's rows hold them: the file of marks, read again only
// when it changed on disk (its modification time and size, so another program's change is seen), and the
// distinct sets of tags the rows name by a small number, so a row's marks cost three bytes.
class QZPLibraryMarks {
public:
    // A row's marks.
    struct RowMarks {
        bool favourite = false;
        // An index into the sets of tags (0: none).
        quint16 tagSet = 0;
    };
    // One file whose marks change: its path relative to the folder and its 18 patch bytes.
    using File = std::pair<QString, QByteArray>;

    // Reads the folder's file when it is another folder's or changed since it was last read or written;
    // answers whether it did. A file that cannot be read is left out, with the error.
    bool load(const QString& folder, QZPError* error);
    bool isEmpty() const { return m_marks.isEmpty(); }
    const QString& folder() const { return m_folder; }
    // Starts looking every row's marks up again; answers false when there is nothing to look up (no marks,
    // and no row had any).
    bool beginLookUp();
    // The marks of the file at `relativePath` with `patch` (18 bytes, or none for a file not read yet).
    RowMarks lookUp(const QString& relativePath, const QByteArray& patch);
    QZPPresetMarks::Marks marks(const RowMarks& row) const { return {row.favourite, tags(row)}; }
    const QStringList& tags(const RowMarks& row) const { return m_tagSets[row.tagSet]; }
    // Every tag a row of the folder has, sorted: what a tag being typed may complete to.
    QStringList allTags() const;
    // Changes the files' marks and writes the file of marks; after a failure the next load reads the file
    // again, so that what the rows show is what is on disk.
    bool change(const QList<File>& files, const std::function<void(QZPPresetMarks::Marks&)>& change,
                QZPError* error);

private:
    QZPPresetMarks m_marks;
    QString m_folder;
    // The file as last read or written (modification time and size).
    std::pair<qint64, qint64> m_stamp{-1, -1};
    QList<QStringList> m_tagSets{QStringList()};
    // Whether any row was given a star or tags since the last look-up began.
    bool m_rowsMarked = false;
};
