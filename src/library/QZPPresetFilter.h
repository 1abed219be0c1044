// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPPatchQuery.h"

#include <QString>
#include <QStringList>
#include <QStringView>

// The sidebar's filter of the list: the display name contains the typed text (ignoring case and
// diacritics), and, with the modified-only switch, the preset is edited. An empty filter hides nothing.
// Text with query words (`vcf>90 saw`, `fav`, `#pad`: see QZPPatchQuery) asks for them too, and then
// each of its other words must be in the name; a query that cannot hold (`vcf>300`) shows nothing.
class QZPPresetFilter {
public:
    QZPPresetFilter() = default;
    // The filter for the text as typed and the modified-only switch, with query values on the scale.
    // Text of only spaces and tabs does not filter by name.
    static QZPPresetFilter predicate(const QString& filterString, bool filterForModified,
                                     QZPValueScale scale = {});

    bool isNull() const { return m_foldedText.isEmpty() && !m_modifiedOnly && !m_queried; }
    bool usesEditedState() const { return m_modifiedOnly; }
    // Whether the filter asks about the patch (its conditions), or the marks (favourite, tags).
    bool usesPatch() const { return m_queried && (!m_query.conditions().isEmpty() || !m_query.isValid()); }
    bool usesMarks() const { return m_queried && (m_query.asksForMarks() || !m_query.isValid()); }
    // The query's words, when the text has any; and why it can never hold (empty when it can).
    const QZPPatchQuery& query() const { return m_query; }
    QString problem() const { return m_query.problem(); }

    // What the filter asks about a row of the list.
    struct Facts {
        // Its name, folded (see fold).
        QStringView foldedName;
        bool edited = false;
        // The 18 patch bytes; null when not known, which no condition holds for.
        const unsigned char* patch = nullptr;
        bool favourite = false;
        // Its tags; null for none.
        const QStringList* tags = nullptr;
    };
    // The whole filter: name, edited state, patch and marks.
    bool matches(const Facts& row) const {
        return (!m_modifiedOnly || row.edited) && matchesPatch(row.patch) &&
               (!usesMarks() || m_query.matchesMarks(row.favourite, row.tags ? *row.tags : QStringList())) &&
               matchesFoldedName(row.foldedName);
    }
    bool matchesName(const QString& displayName) const { return matchesFoldedName(fold(displayName)); }
    // The same for a name already folded (see fold).
    bool matchesFoldedName(QStringView foldedName) const;
    // The patch (18 bytes; null when not known, which no condition holds for) meets the conditions.
    bool matchesPatch(const unsigned char* patch) const {
        return !usesPatch() || (patch && m_query.matches(patch));
    }
    bool matchesMarks(bool favourite, const QStringList& tags) const {
        return !usesMarks() || m_query.matchesMarks(favourite, tags);
    }
    // Whether everything this filter shows, `wider` shows too (the same conditions, and its text is part
    // of this one's).
    bool narrows(const QZPPresetFilter& wider) const;

    // The text without the spaces and tabs at either end (line breaks stay): what decides whether a
    // filter text filters at all.
    static QStringView trimmed(QStringView text);
    // Case and diacritics folded away: "Crème" and "CREME" fold alike.
    static QString fold(const QString& text);

    bool operator==(const QZPPresetFilter& other) const {
        return m_foldedText == other.m_foldedText && m_modifiedOnly == other.m_modifiedOnly &&
               m_queried == other.m_queried && m_query == other.m_query;
    }

private:
    // Plain text: the name contains it as typed. A query: the name contains each of its name words.
    QString m_foldedText;
    QStringList m_foldedWords;
    bool m_modifiedOnly = false;
    bool m_queried = false;
    QZPPatchQuery m_query;
};
