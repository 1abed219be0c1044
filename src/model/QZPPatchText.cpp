// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/QZPPatchText.h"

#include <QUrl>

#include <algorithm>

namespace {

bool isHexDigit(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

bool isNameCharacter(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || c == QLatin1Char('-') ||
           c == QLatin1Char('_') || c == QLatin1Char('%');
}

} // namespace

QString QZPPatchText::format(const QZPPatch& patch, const QString& name) {
    return QLatin1String(Prefix) + QString::fromLatin1(patch.data().toHex().toUpper()) + QLatin1Char(':') +
           QString::fromLatin1(QUrl::toPercentEncoding(name.left(MaximumNameLength), QByteArray(), ".~"));
}

QList<QZPPatchText::Entry> QZPPatchText::read(QStringView text) {
    QList<Entry> entries;
    if (text.size() > MaximumTextLength)
        return entries;
    const QLatin1String prefix(Prefix);
    constexpr qsizetype HexLength = QZPPatch::DataLength * 2;
    for (qsizetype at = text.indexOf(prefix, 0, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(prefix, at + 1, Qt::CaseInsensitive)) {
        const qsizetype hexAt = at + prefix.size();
        if (text.size() < hexAt + HexLength + 1 || text.at(hexAt + HexLength) != QLatin1Char(':'))
            continue;
        const QString hex = text.mid(hexAt, HexLength).toString();
        if (!std::all_of(hex.begin(), hex.end(), isHexDigit))
            continue;
        const QByteArray data = QByteArray::fromHex(hex.toLatin1());
        if (!QZPPatch::problem(data).isEmpty())
            continue;
        // The name runs to the first character a percent-encoded name never holds (its dots and tildes
        // are encoded too, so a sentence's full stop after it is not taken).
        const qsizetype nameAt = hexAt + HexLength + 1;
        qsizetype end = nameAt;
        while (end < text.size() && end - nameAt < MaximumNameLength * 9 && isNameCharacter(text.at(end)))
            ++end;
        const QString name =
            QUrl::fromPercentEncoding(text.mid(nameAt, end - nameAt).toLatin1()).left(MaximumNameLength);
        entries.append({QZPPatch(data), name});
    }
    return entries;
}
