#pragma once

#include <QString>

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

    // Case and diacritics folded away: "Crème" and "CREME" fold alike.
    static QString fold(const QString& text);

    bool operator==(const QZPPresetFilter& other) const {
        return m_foldedText == other.m_foldedText && m_modifiedOnly == other.m_modifiedOnly;
    }

private:
    QString m_foldedText;
    bool m_modifiedOnly = false;
};
