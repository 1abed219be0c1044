// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPValueScale.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>

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
// for a preset tagged "pad" (the library's marks). Every other word is name text. A slider's value is
// read on the query's scale (the stored byte 0–127 unless told; `vcf>7.5` on the panel's 0–10) and holds
// for the bytes whose value, as the scale shows it, compares so.
// Matching reads the 18 patch bytes directly and allocates nothing.
class QZPPatchQuery {
public:
    enum class Comparison { Less, LessOrEqual, Equal, NotEqual, GreaterOrEqual, Greater };
    struct Condition {
        const QZPParameter* parameter = nullptr;
        Comparison comparison = Comparison::Equal;
        // As typed: a slider's on the query's scale, a switch's own value.
        double value = 0;
        // Bit b is set when the parameter's byte b meets the condition.
        std::array<quint64, 2> bytes{};
        bool holdsFor(int byte) const {
            return byte >= 0 && byte < 128 && (bytes[byte >> 6] >> (byte & 63)) & 1;
        }
    };

    QZPPatchQuery() = default;
    static QZPPatchQuery parse(QStringView text, QZPValueScale scale = {});

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
    static QString vocabulary(QZPValueScale scale = {});

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
