// SPDX-License-Identifier: GPL-3.0-or-later
#include "sidebar/QZPTagCompleter.h"

#include <QLineEdit>
#include <QStringListModel>

namespace {
// Where the last word of the line begins.
qsizetype lastWordStart(const QString& text) {
    qsizetype at = text.size();
    while (at > 0 && !text.at(at - 1).isSpace())
        --at;
    return at;
}
} // namespace

QZPTagCompleter::QZPTagCompleter(const QStringList& tags, QLineEdit* field)
    : QCompleter(field), m_field(field) {
    QStringList words;
    for (const QString& tag : tags)
        words << QLatin1Char('#') + tag;
    setModel(new QStringListModel(words, this));
    setCaseSensitivity(Qt::CaseInsensitive);
    setCompletionMode(QCompleter::PopupCompletion);
    field->setCompleter(this);
}

QStringList QZPTagCompleter::splitPath(const QString& path) const {
    QString word = path.mid(lastWordStart(path));
    if (!word.isEmpty() && !word.startsWith(QLatin1Char('#')))
        word.prepend(QLatin1Char('#'));
    return {word};
}

QString QZPTagCompleter::pathFromIndex(const QModelIndex& index) const {
    const QString text = m_field->text();
    return text.left(lastWordStart(text)) + QCompleter::pathFromIndex(index);
}
