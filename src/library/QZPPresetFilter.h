#pragma once

#include <QString>
#include <QStringView>

class QZPPreset;

// The sidebar's filter of the list: the display name contains the typed text (ignoring case and
// diacritics), and, with the modified-only switch, the preset is edited. An empty filter hides nothing.
class QZPPresetFilter {
public:
    QZPPresetFilter() = default;
    // The filter for the text as typed and the modified-only switch. Text of only spaces and tabs
    // does not filter by name.
    static QZPPresetFilter predicate(const QString& filterString, bool filterForModified);

    bool isNull() const { return m_foldedText.isEmpty() && !m_modifiedOnly; }
    bool usesEditedState() const { return m_modifiedOnly; }
    bool matches(const QZPPreset& preset) const;
    bool matchesName(const QString& displayName) const;
    // The same for a name already folded (see fold).
    bool matchesFoldedName(QStringView foldedName) const {
        return m_foldedText.isEmpty() || foldedName.contains(m_foldedText);
    }
    // Whether everything this filter shows, `wider` shows too (its text is part of this one's).
    bool narrows(const QZPPresetFilter& wider) const {
        return m_modifiedOnly == wider.m_modifiedOnly && m_foldedText.contains(wider.m_foldedText);
    }

    // The text without the spaces and tabs at either end (line breaks stay): what decides whether a
    // filter text filters at all.
    static QStringView trimmed(QStringView text);
    // Case and diacritics folded away: "Crème" and "CREME" fold alike.
    static QString fold(const QString& text);

    bool operator==(const QZPPresetFilter& other) const {
        return m_foldedText == other.m_foldedText && m_modifiedOnly == other.m_modifiedOnly;
    }

private:
    QString m_foldedText;
    bool m_modifiedOnly = false;
};
