// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/QZPPresetFilter.h"

#include "model/QZPPreset.h"

#include <algorithm>

QStringView QZPPresetFilter::trimmed(QStringView text) {
    const auto isBlank = [](QChar c) {
        return c == QLatin1Char(' ') || c == QLatin1Char('\t');
    };
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

QZPPresetFilter QZPPresetFilter::predicate(const QString& filterString, bool filterForModified,
                                           QZPValueScale scale) {
    QZPPresetFilter filter;
    filter.m_modifiedOnly = filterForModified;
    if (trimmed(filterString).isEmpty())
        return filter;
    // Text without query words is a name, as typed, blanks included; with them, its other words are.
    QZPPatchQuery query = QZPPatchQuery::parse(filterString, scale);
    if (query.isValid() && query.conditions().isEmpty() && !query.asksForMarks()) {
        filter.m_foldedText = fold(filterString);
        return filter;
    }
    filter.m_queried = true;
    filter.m_foldedText = fold(query.nameText());
    filter.m_foldedWords = filter.m_foldedText.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    filter.m_query = std::move(query);
    return filter;
}

QString QZPPresetFilter::fold(const QString& text) {
    // Most names are plain ASCII: nothing to decompose.
    const bool ascii = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (ascii)
        return text.toCaseFolded();
    QString folded;
    folded.reserve(text.size());
    for (const QChar c : text.normalized(QString::NormalizationForm_D))
        if (c.category() != QChar::Mark_NonSpacing)
            folded.append(c);
    return folded.toCaseFolded();
}

bool QZPPresetFilter::matchesFoldedName(QStringView foldedName) const {
    // The first keystroke's one letter is looked for as a character: every row is looked at then.
    const auto holds = [foldedName](const QString& word) {
        return word.size() == 1 ? foldedName.contains(word.front()) : foldedName.contains(word);
    };
    if (!m_queried)
        return m_foldedText.isEmpty() || holds(m_foldedText);
    return std::all_of(m_foldedWords.begin(), m_foldedWords.end(), holds);
}

bool QZPPresetFilter::narrows(const QZPPresetFilter& wider) const {
    if (m_modifiedOnly != wider.m_modifiedOnly || !m_foldedText.contains(wider.m_foldedText))
        return false;
    if (!wider.m_queried)
        return !m_queried || wider.m_foldedText.isEmpty();
    // Every word of the wider text lies inside one of this text's words, which holds it in the name.
    return m_queried && m_query.sameConditionsAs(wider.m_query);
}
