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

QZPPresetFilter QZPPresetFilter::predicate(const QString& filterString, bool filterForModified) {
    QZPPresetFilter filter;
    // The name condition uses the text as typed, blanks included.
    if (!trimmed(filterString).isEmpty())
        filter.m_foldedText = fold(filterString);
    filter.m_modifiedOnly = filterForModified;
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

bool QZPPresetFilter::matchesName(const QString& displayName) const {
    return m_foldedText.isEmpty() || fold(displayName).contains(m_foldedText);
}

bool QZPPresetFilter::matches(const QZPPreset& preset) const {
    if (m_modifiedOnly && !preset.isDocumentEdited())
        return false;
    return matchesName(preset.displayName());
}
