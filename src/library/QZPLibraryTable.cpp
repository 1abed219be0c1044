// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/QZPLibraryTable.h"

#include "library/QZPNameCollator.h"
#include "library/QZPPresetFilter.h"

#include <algorithm>

void QZPLibraryTable::reserve(qsizetype rows, qsizetype textUnits) {
    m_rows.reserve(rows);
    m_text.reserve(textUnits);
    // A key takes about as many bytes as its name has units.
    m_keys.reserve(textUnits / 2);
}

quint32 QZPLibraryTable::appendText(QStringView text) {
    const auto start = quint32(m_text.size());
    if (text.data() >= m_text.constData() && text.data() < m_text.constData() + m_text.size()) {
        // Text of this table's own: copied out first, since the buffer may move as it grows.
        m_text.append(text.toString());
        return start;
    }
    m_text.append(text.data(), text.size());
    return start;
}

QZPLibraryTable::Row QZPLibraryTable::appendFile(const Identity& identity, QStringView relativePath,
                                                 qsizetype nameStart, qsizetype nameLength) {
    Entry entry;
    entry.identity = identity;
    entry.path = appendText(relativePath.left(MaximumTextLength));
    entry.pathLength = quint16(std::min(relativePath.size(), MaximumTextLength));
    entry.name = entry.path + quint32(std::clamp<qsizetype>(nameStart, 0, entry.pathLength));
    entry.nameLength =
        quint16(std::clamp<qsizetype>(nameLength, 0, entry.pathLength - (entry.name - entry.path)));
    m_rows.append(entry);
    return Row(m_rows.size() - 1);
}

QZPLibraryTable::Row QZPLibraryTable::appendName(const Identity& identity, QStringView name) {
    Entry entry;
    entry.identity = identity;
    entry.name = appendText(name.left(MaximumTextLength));
    entry.nameLength = quint16(std::min(name.size(), MaximumTextLength));
    m_rows.append(entry);
    return Row(m_rows.size() - 1);
}

QZPLibraryTable::Row QZPLibraryTable::appendRow(const QZPLibraryTable& other, Row row) {
    const Entry& from = other.m_rows[row];
    Entry entry = from;
    entry.path = appendText(other.path(row));
    // A name inside the path stays inside the copy of it.
    if (from.name >= from.path && from.name + from.nameLength <= from.path + from.pathLength &&
        from.pathLength)
        entry.name = entry.path + (from.name - from.path);
    else
        entry.name = appendText(other.name(row));
    copyKey(entry, other, row);
    if (from.hasFolded)
        entry.folded = appendText(other.text(from.folded, from.foldedLength));
    m_rows.append(entry);
    return Row(m_rows.size() - 1);
}

QByteArrayView QZPLibraryTable::key(Row row) const {
    const Entry& entry = m_rows[row];
    return QByteArrayView(m_keys.constData() + entry.key, entry.keyLength);
}

void QZPLibraryTable::takePathOf(Row row, const QZPLibraryTable& other, Row otherRow) {
    const Entry& from = other.m_rows[otherRow];
    Entry& entry = m_rows[row];
    entry.identity = from.identity;
    entry.path = appendText(other.path(otherRow));
    entry.pathLength = from.pathLength;
    entry.name = entry.path + (from.name - from.path);
    entry.nameLength = from.nameLength;
    entry.hasFolded = false;
    copyKey(entry, other, otherRow);
    // Another file: its patch is read again.
    entry.patchState = PatchState::Unread;
    entry.modified = 0;
}

bool QZPLibraryTable::setPatch(Row row, PatchState state, const unsigned char* patch, qint64 modified) {
    Entry& entry = m_rows[row];
    entry.modified = modified;
    const bool read = state == PatchState::Read && patch;
    if (!read) {
        const bool changed = entry.patchState != state;
        entry.patchState = state;
        return changed;
    }
    const bool changed =
        entry.patchState != PatchState::Read || !std::equal(patch, patch + PatchLength, entry.patch);
    entry.patchState = PatchState::Read;
    std::copy(patch, patch + PatchLength, entry.patch);
    return changed;
}

void QZPLibraryTable::copyKey(Entry& entry, const QZPLibraryTable& other, Row otherRow) {
    const Entry& from = other.m_rows[otherRow];
    entry.hasKey = from.hasKey;
    if (!from.hasKey)
        return;
    entry.key = quint32(m_keys.size());
    entry.keyLength = from.keyLength;
    m_keys.append(other.key(otherRow));
}

void QZPLibraryTable::setName(Row row, QStringView name, const QZPNameCollator& collator) {
    Entry& entry = m_rows[row];
    entry.name = appendText(name.left(MaximumTextLength));
    entry.nameLength = quint16(std::min(name.size(), MaximumTextLength));
    entry.hasFolded = false;
    writeKey(entry, collator);
}

void QZPLibraryTable::writeKey(Entry& entry, const QZPNameCollator& collator) {
    const QStringView name = text(entry.name, entry.nameLength);
    const qsizetype start = m_keys.size();
    // Room for most keys at the first try; a longer one is written again into the room it asked for.
    qsizetype room = 16 + name.size() * 3;
    m_keys.resize(start + room);
    qsizetype length = collator.writeKey(name, m_keys.data() + start, room);
    if (length + 1 > room) {
        room = length + 1;
        m_keys.resize(start + room);
        length = collator.writeKey(name, m_keys.data() + start, room);
    }
    length = std::min<qsizetype>(length, 0xFFFF);
    m_keys.resize(start + length);
    entry.key = quint32(start);
    entry.keyLength = quint16(length);
    entry.hasKey = true;
}

void QZPLibraryTable::makeKeyAndFoldedName(Row row, const QZPNameCollator& collator) {
    makeKey(row, collator);
    foldedName(row);
}

void QZPLibraryTable::makeKey(Row row, const QZPNameCollator& collator) {
    if (!m_rows[row].hasKey)
        writeKey(m_rows[row], collator);
}

QStringView QZPLibraryTable::foldedName(Row row) {
    Entry& entry = m_rows[row];
    if (!entry.hasFolded) {
        const QStringView plain = name(row);
        const bool ascii =
            std::all_of(plain.begin(), plain.end(), [](QChar c) { return c.unicode() < 0x80; });
        if (ascii) {
            // Plain ASCII folds to lower case, written straight into the buffer.
            const qsizetype start = m_text.size();
            m_text.resize(start + entry.nameLength);
            QChar* text = m_text.data();
            std::transform(
                text + entry.name, text + entry.name + entry.nameLength, text + start,
                [](QChar c) { return c >= u'A' && c <= u'Z' ? QChar(c.unicode() + (u'a' - u'A')) : c; });
            entry.folded = quint32(start);
            entry.foldedLength = entry.nameLength;
        } else {
            const QString folded = QZPPresetFilter::fold(plain.toString());
            entry.folded = appendText(QStringView(folded).left(MaximumTextLength));
            entry.foldedLength = quint16(std::min(folded.size(), MaximumTextLength));
        }
        entry.hasFolded = true;
    }
    return text(entry.folded, entry.foldedLength);
}
