// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

class QZPParameter;
class QZPPatch;

// A filter text read as words, all of which must hold. A word is a condition on the patch when it names
// a parameter, compares it and gives a value the parameter can take: `vcf>90`, `res>=100`, `chorus:II`,
// `range:16`, `env:gate`, `hpf!=0`; a wave switch alone (`saw`, `pulse`) asks for it on. Parameters go by
// the parameter table's names (`VCF_Cutoff`), the panel's (`VCF FREQ` written `vcffreq`), their labels
// (`freq`, `res`) and a few short words (`vcf`, `cutoff`, `chorus`, `hpf`); case, spaces and underscores
// do not count. A word naming a parameter with a value it can never take (`vcf>300`, `chorus:III`), a
// comparison of a name no parameter has (`cutof>50`: the problem names the nearest parameters) and a name
// several parameters share that all take the value (`lfo>50`: DCO LFO or VCF LFO) make the query
// invalid, and an invalid query matches nothing. `fav` asks for a favourite and `#pad`
// for a preset tagged "pad" (the library's marks). Every other word is name text.
// Matching reads the 18 patch bytes directly and allocates nothing.
class QZPPatchQuery {
public:
    enum class Comparison { Less, LessOrEqual, Equal, NotEqual, GreaterOrEqual, Greater };
    struct Condition {
        const QZPParameter* parameter = nullptr;
        Comparison comparison = Comparison::Equal;
        int value = 0;
    };

    QZPPatchQuery() = default;
    static QZPPatchQuery parse(QStringView text);

    // The words that are not conditions, in order, one space apart.
    const QString& nameText() const { return m_nameText; }
    const QList<Condition>& conditions() const { return m_conditions; }
    // Why the query matches nothing ("VCF FREQ goes from 0 to 127, not 300."); empty for a valid one.
    const QString& problem() const { return m_problem; }
    bool isValid() const { return m_problem.isEmpty(); }

    // The marks asked for: a favourite, and these tags (each as tag() keeps it).
    bool wantsFavourite() const { return m_favourite; }
    const QStringList& tags() const { return m_tags; }
    bool asksForMarks() const { return m_favourite || !m_tags.isEmpty(); }
    // Whether a preset with these marks has the ones asked for.
    bool matchesMarks(bool favourite, const QStringList& tags) const;

    // A tag as filters and the library's marks keep it: "#Warm" is "warm"; empty for text that cannot be
    // a tag (a space or '#' inside, longer than MaximumTagLength, nothing left).
    static constexpr qsizetype MaximumTagLength = 64;
    static QString tag(QStringView text);

    // Whether the patch (its 18 data bytes) meets every condition; false for an invalid query.
    bool matches(const unsigned char* data) const;
    bool matches(const QZPPatch& patch) const;

    // The words a query knows, for the filter field's help: one line per parameter with its names and
    // values.
    static QString vocabulary();

    bool operator==(const QZPPatchQuery& other) const;
    // Equal but for the name text.
    bool sameConditionsAs(const QZPPatchQuery& other) const;

private:
    QString m_nameText;
    QList<Condition> m_conditions;
    QString m_problem;
    bool m_favourite = false;
    QStringList m_tags;
};
