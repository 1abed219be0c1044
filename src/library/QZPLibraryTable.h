// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPFileReference.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

class QZPNameCollator;

// Presets of the library as compact rows: each row's file identity, its path relative to the library's
// folder (none for a draft), its display name, the name's collation key, the name folded for matching,
// and the 18 patch bytes its file holds once they have been read (with the file's modification time they
// were read at), so that the library is searched by sound without a preset object per file. Every row's text
// and keys live in two buffers shared by all rows, so tens of thousands of files take three growing buffers
// (rows, text, keys) rather than several allocations each, and a row is a few dozen bytes. (The buffers grow
// in place where the system can move their pages: on a virtual machine the first touch of a page can cost ten
// microseconds, so a large library's first listing is paid for in pages touched.) Text a row no longer uses
// (a renamed file's old name) stays in the buffers until the table is made again from the rows in use
// (compacted).
class QZPLibraryTable {
public:
    using Row = quint32;
    using Identity = QZPFileReference::Identity;
    // The longest path or name a row holds, in UTF-16 units; a walk passes over longer paths.
    static constexpr qsizetype MaximumTextLength = 0xFFFF;

    qsizetype size() const { return m_rows.size(); }
    void reserve(qsizetype rows, qsizetype textUnits);

    // A file at `relativePath`; its display name is the part [nameStart, nameStart + nameLength).
    Row appendFile(const Identity& identity, QStringView relativePath, qsizetype nameStart,
                   qsizetype nameLength);
    // A preset known by its name alone (a draft, or a file outside the folder whose preset holds its path).
    Row appendName(const Identity& identity, QStringView name);
    // A row of another table, with its text and key.
    Row appendRow(const QZPLibraryTable& other, Row row);

    Identity identity(Row row) const { return m_rows[row].identity; }
    void setIdentity(Row row, const Identity& identity) { m_rows[row].identity = identity; }
    QStringView path(Row row) const { return text(m_rows[row].path, m_rows[row].pathLength); }
    QStringView name(Row row) const { return text(m_rows[row].name, m_rows[row].nameLength); }
    QByteArrayView key(Row row) const;
    // The path and name of another table's row (the same file found under a new name), with its key.
    void takePathOf(Row row, const QZPLibraryTable& other, Row otherRow);
    // A new name: its key is made with `collator`, the folded name forgotten.
    void setName(Row row, QStringView name, const QZPNameCollator& collator);
    // The row's key and folded name, where it has none yet.
    void makeKeyAndFoldedName(Row row, const QZPNameCollator& collator);
    void makeKey(Row row, const QZPNameCollator& collator);
    // The name with case and diacritics folded away, made the first time it is asked for.
    QStringView foldedName(Row row);

    // What is known of a file row's patch: not read yet, read (the bytes), or the file holds none.
    enum class PatchState : quint8 { Unread, Read, Unreadable };
    static constexpr qsizetype PatchLength = 18;
    PatchState patchState(Row row) const { return m_rows[row].patchState; }
    // The row's 18 patch bytes; null unless they have been read.
    const unsigned char* patch(Row row) const {
        return m_rows[row].patchState == PatchState::Read ? m_rows[row].patch : nullptr;
    }
    // The file's modification time (nanoseconds) when its patch was read.
    qint64 patchModified(Row row) const { return m_rows[row].modified; }
    // Sets what the file holds: `patch` (18 bytes) for Read, nothing otherwise. Answers whether it changed.
    bool setPatch(Row row, PatchState state, const unsigned char* patch, qint64 modified);

private:
    struct Entry {
        Identity identity;
        quint32 path = 0;
        quint32 name = 0;
        quint32 key = 0;
        quint32 folded = 0;
        quint16 pathLength = 0;
        quint16 nameLength = 0;
        quint16 keyLength = 0;
        quint16 foldedLength = 0;
        bool hasKey = false;
        bool hasFolded = false;
        PatchState patchState = PatchState::Unread;
        unsigned char patch[PatchLength] = {};
        qint64 modified = 0;
    };

    QStringView text(quint32 start, quint16 length) const {
        return QStringView(m_text.constData() + start, length);
    }
    quint32 appendText(QStringView text);
    void writeKey(Entry& entry, const QZPNameCollator& collator);
    // The other table's key of its row, if it has one, copied in as the entry's key.
    void copyKey(Entry& entry, const QZPLibraryTable& other, Row otherRow);

    QList<Entry> m_rows;
    QString m_text;
    QByteArray m_keys;
};
