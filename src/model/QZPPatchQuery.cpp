// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/QZPPatchQuery.h"

#include "model/QZPParameter.h"
#include "model/QZPPatch.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <utility>

namespace {

// A word as a query compares it: lower case, without spaces, underscores and a range's foot mark.
QString normalized(QStringView word) {
    QString result;
    result.reserve(word.size());
    for (const QChar c : word)
        if (c != QLatin1Char(' ') && c != QLatin1Char('_') && c != QLatin1Char('\'') &&
            c != QLatin1Char('\n'))
            result.append(c.toLower());
    return result;
}

QString translated(const char* text) {
    return QCoreApplication::translate("QZPParameter", text);
}

// The lines of a label ("ENV\nGATE": "ENV" and "GATE").
QStringList labelLines(const QZPParameter& parameter) {
    return parameter.label ? translated(parameter.label).split(QLatin1Char('\n')) : QStringList();
}

// A switch with a label of two lines and two values names value 1 by its first line and value 0 by its
// second, as the panel's switch shows them: ENV / GATE, LFO / MAN, + / −.
bool namesValuesByLabel(const QZPParameter& parameter) {
    return parameter.kind == QZPParameter::Kind::Switch && parameter.values.size() == 2 &&
           labelLines(parameter).size() == 2;
}

// An on/off switch without names for its values: the waves.
bool isOnOffSwitch(const QZPParameter& parameter) {
    return parameter.kind == QZPParameter::Kind::Switch && parameter.values.size() == 2 &&
           !parameter.values.first().name && !namesValuesByLabel(parameter);
}

// The words that name each parameter: first its own names (the table's, the panel's, the value's and a
// few short words), then its label's lines, which several parameters share ("FREQ", "ENV", "LFO").
struct Names {
    QList<std::pair<QString, const QZPParameter*>> own;
    QList<std::pair<QString, const QZPParameter*>> label;
};

const Names& names() {
    static const Names table = [] {
        Names result;
        for (const QZPParameter& parameter : QZPParameter::all())
            for (const char* word : parameter.queryWords)
                result.own.append({QString::fromLatin1(word), &parameter});
        for (const QZPParameter& parameter : QZPParameter::all()) {
            if (!parameter.section)
                continue;
            for (const QString& name : {QString::fromLatin1(parameter.name), parameter.panelName(),
                                        translated(parameter.identifier)})
                result.own.append({normalized(name), &parameter});
            for (const QString& line : labelLines(parameter)) {
                const QString word = normalized(line);
                if (!word.isEmpty() && word.at(0).isLetter())
                    result.label.append({word, &parameter});
            }
        }
        return result;
    }();
    return table;
}

QList<const QZPParameter*> parametersNamed(const QString& word) {
    QList<const QZPParameter*> found;
    for (const auto* list : {&names().own, &names().label}) {
        for (const auto& [name, parameter] : *list)
            if (name == word && !found.contains(parameter))
                found.append(parameter);
        if (!found.isEmpty())
            break;
    }
    return found;
}

// The value a word gives the parameter, if it can take it: a slider's on the scale.
std::optional<double> valueOf(const QZPParameter& parameter, const QString& word, QZPValueScale scale) {
    if (parameter.kind == QZPParameter::Kind::Slider)
        return scale.read(word);
    bool number = false;
    const int value = word.toInt(&number);
    if (number)
        return parameter.accepts(value) ? std::optional<double>(value) : std::nullopt;
    for (const QZPParameter::SwitchValue& switchValue : parameter.values)
        if (switchValue.name && normalized(translated(switchValue.name)) == word)
            return switchValue.value;
    if (namesValuesByLabel(parameter)) {
        const QStringList lines = labelLines(parameter);
        if (normalized(lines.at(0)) == word)
            return 1;
        if (normalized(lines.at(1)) == word)
            return 0;
    }
    if (isOnOffSwitch(parameter)) {
        if (word == QLatin1String("on") || word == QLatin1String("yes"))
            return 1;
        if (word == QLatin1String("off") || word == QLatin1String("no"))
            return 0;
    }
    return std::nullopt;
}

// What a parameter takes, for a message and the help: "0–10", "OFF, I, II", "16, 8, 4".
QString valuesText(const QZPParameter& parameter, QZPValueScale scale) {
    if (parameter.kind == QZPParameter::Kind::Slider)
        return scale.rangeText();
    if (isOnOffSwitch(parameter))
        return QStringLiteral("on, off");
    QStringList words;
    if (namesValuesByLabel(parameter)) {
        for (const QString& line : labelLines(parameter))
            words << line;
    } else {
        for (const QZPParameter::SwitchValue& value : parameter.values)
            words << (value.name ? translated(value.name) : QString::number(value.value));
    }
    return words.join(QStringLiteral(", "));
}

// The edit distance of two words (letters inserted, removed or changed).
qsizetype distance(const QString& a, const QString& b) {
    QList<qsizetype> row(b.size() + 1);
    for (qsizetype j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (qsizetype i = 1; i <= a.size(); ++i) {
        qsizetype diagonal = row[0];
        row[0] = i;
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const qsizetype above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The words a query names a parameter by, for messages: its short words, else its panel's name.
QString wordsFor(const QZPParameter& parameter) {
    QStringList words;
    for (const char* word : parameter.queryWords)
        words << QString::fromLatin1(word);
    if (words.isEmpty())
        words << normalized(parameter.panelName());
    return words.join(QCoreApplication::translate("QZPPatchQuery", " or "));
}

// The parameters a word that names none is nearest to (a letter or so away; a third of a long word),
// each with the words it goes by: "VCF FREQ is vcf or cutoff".
QString nearestParameters(const QString& word) {
    const qsizetype allowed = std::max<qsizetype>(1, word.size() / 3);
    qsizetype nearest = allowed + 1;
    QList<const QZPParameter*> found;
    for (const auto* list : {&names().own, &names().label})
        for (const auto& [name, parameter] : *list) {
            const qsizetype away = distance(word, name);
            if (away > allowed)
                continue;
            if (away < nearest)
                found.clear(), nearest = away;
            if (away == nearest && !found.contains(parameter))
                found.append(parameter);
        }
    QStringList sentences;
    for (const QZPParameter* parameter : found)
        sentences << QCoreApplication::translate("QZPPatchQuery", "%1 is %2")
                         .arg(parameter->panelName(), wordsFor(*parameter));
    return sentences.join(QStringLiteral("; "));
}

constexpr std::array<std::pair<const char*, QZPPatchQuery::Comparison>, 7> Operators{{
    {">=", QZPPatchQuery::Comparison::GreaterOrEqual},
    {"<=", QZPPatchQuery::Comparison::LessOrEqual},
    {"!=", QZPPatchQuery::Comparison::NotEqual},
    {">", QZPPatchQuery::Comparison::Greater},
    {"<", QZPPatchQuery::Comparison::Less},
    {"=", QZPPatchQuery::Comparison::Equal},
    {":", QZPPatchQuery::Comparison::Equal},
}};

// The condition with the bytes it holds for: a slider's as the scale shows them, a switch's by the value
// each byte means.
QZPPatchQuery::Condition condition(const QZPParameter* parameter, QZPPatchQuery::Comparison comparison,
                                   double value, QZPValueScale scale) {
    using Comparison = QZPPatchQuery::Comparison;
    QZPPatchQuery::Condition result{parameter, comparison, value};
    // Values typed with a decimal meet shown values rounded to one: a hair of slack for the binary fraction.
    constexpr double Slack = 1e-9;
    for (int byte = 0; byte <= QZPParameter::MaximumDataByte; ++byte) {
        const double shown = parameter->kind == QZPParameter::Kind::Slider
                                 ? scale.shown(byte)
                                 : double(parameter->switchValue(quint8(byte)));
        const bool equal = std::abs(shown - value) < Slack;
        bool holds = false;
        switch (comparison) {
        case Comparison::Less:
            holds = shown < value && !equal;
            break;
        case Comparison::LessOrEqual:
            holds = shown < value || equal;
            break;
        case Comparison::Equal:
            holds = equal;
            break;
        case Comparison::NotEqual:
            holds = !equal;
            break;
        case Comparison::GreaterOrEqual:
            holds = shown > value || equal;
            break;
        case Comparison::Greater:
            holds = shown > value && !equal;
            break;
        }
        if (holds)
            result.bytes[byte >> 6] |= quint64(1) << (byte & 63);
    }
    return result;
}

} // namespace

QZPPatchQuery QZPPatchQuery::parse(QStringView text, QZPValueScale scale) {
    QZPPatchQuery query;
    QStringList nameWords;
    for (const QStringView word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString trimmed = word.trimmed().toString();
        if (trimmed.isEmpty())
            continue;
        // The first operator in the word splits it into a name and a value.
        qsizetype at = -1;
        Comparison comparison = Comparison::Equal;
        qsizetype length = 0;
        for (const auto& [symbol, kind] : Operators) {
            const qsizetype found = trimmed.indexOf(QLatin1String(symbol));
            if (found > 0 && (at < 0 || found < at || (found == at && qsizetype(qstrlen(symbol)) > length))) {
                at = found;
                comparison = kind;
                length = qsizetype(qstrlen(symbol));
            }
        }
        if (const QString wanted = trimmed.startsWith(QLatin1Char('#')) ? tag(trimmed) : QString();
            !wanted.isEmpty()) {
            if (!query.m_tags.contains(wanted))
                query.m_tags << wanted;
            continue;
        }
        if (normalized(trimmed) == QLatin1String("fav")) {
            query.m_favourite = true;
            continue;
        }
        if (at < 0) {
            // A wave alone asks for it on.
            const QList<const QZPParameter*> found = parametersNamed(normalized(trimmed));
            if (found.size() == 1 && isOnOffSwitch(*found.first()) &&
                names().own.contains({normalized(trimmed), found.first()}))
                query.m_conditions.append(condition(found.first(), Comparison::Equal, 1, scale));
            else
                nameWords << trimmed;
            continue;
        }
        const QString name = normalized(QStringView(trimmed).left(at));
        const QString valueWord = normalized(QStringView(trimmed).mid(at + length));
        const QList<const QZPParameter*> found = parametersNamed(name);
        if (found.isEmpty() && !valueWord.isEmpty()) {
            // A comparison of a name no parameter has is a slip of the keys, said with the nearest
            // names; "name:value" may be a preset's name, unless it is a letter or so from a parameter's.
            const QString nearest = nearestParameters(name);
            if (trimmed.at(at) == QLatin1Char(':') && nearest.isEmpty()) {
                nameWords << trimmed;
                continue;
            }
            if (query.m_problem.isEmpty()) {
                const QString unknown = QStringView(trimmed).left(at).toString();
                query.m_problem =
                    nearest.isEmpty()
                        ? QCoreApplication::translate("QZPPatchQuery", "No parameter “%1”.").arg(unknown)
                        : QCoreApplication::translate("QZPPatchQuery", "No parameter “%1”: %2.")
                              .arg(unknown, nearest);
            }
            continue;
        }
        if (found.isEmpty()) {
            nameWords << trimmed;
            continue;
        }
        // A parameter compared with nothing (`vcf>`) says what it takes rather than turning into name text.
        if (valueWord.isEmpty()) {
            if (query.m_problem.isEmpty())
                query.m_problem =
                    QCoreApplication::translate("QZPPatchQuery", "“%1” needs a value: %2 takes %3.")
                        .arg(trimmed, found.first()->panelName(), valuesText(*found.first(), scale));
            continue;
        }
        // The parameters the name may mean that can take the value: one is taken; several are listed for
        // the user to choose from, as picking one would be a guess.
        QList<std::pair<const QZPParameter*, double>> takers;
        for (const QZPParameter* parameter : found)
            if (const std::optional<double> value = valueOf(*parameter, valueWord, scale))
                takers.append({parameter, *value});
        if (takers.size() == 1) {
            query.m_conditions.append(
                condition(takers.first().first, comparison, takers.first().second, scale));
            continue;
        }
        if (takers.size() > 1 && query.m_problem.isEmpty()) {
            QStringList choices, words;
            for (const auto& [parameter, value] : takers) {
                choices << parameter->panelName();
                words << normalized(parameter->panelName());
            }
            const QString either = QCoreApplication::translate("QZPPatchQuery", " or ");
            query.m_problem =
                QCoreApplication::translate("QZPPatchQuery", "“%1” may be %2: write %3.")
                    .arg(QStringView(trimmed).left(at).toString(), choices.join(either), words.join(either));
        }
        if (takers.isEmpty() && query.m_problem.isEmpty()) {
            const QZPParameter& parameter = *found.first();
            query.m_problem = QCoreApplication::translate("QZPPatchQuery", "%1 takes %2, not “%3”.")
                                  .arg(parameter.panelName(), valuesText(parameter, scale),
                                       QStringView(trimmed).mid(at + length).toString());
        }
    }
    query.m_nameText = nameWords.join(QLatin1Char(' '));
    return query;
}

bool QZPPatchQuery::matches(const unsigned char* data) const {
    if (!isValid())
        return false;
    for (const Condition& condition : m_conditions)
        if (!condition.holdsFor(data[condition.parameter->byteIndex]))
            return false;
    return true;
}

bool QZPPatchQuery::matchesMarks(bool favourite, const QStringList& tags) const {
    if (!isValid() || (m_favourite && !favourite))
        return false;
    for (const QString& wanted : m_tags)
        if (!tags.contains(wanted))
            return false;
    return true;
}

QString QZPPatchQuery::tag(QStringView text) {
    QStringView word = text.trimmed();
    if (word.startsWith(QLatin1Char('#')))
        word = word.mid(1);
    if (word.isEmpty() || word.size() > MaximumTagLength)
        return {};
    for (const QChar c : word)
        if (c.isSpace() || c == QLatin1Char('#') || !c.isPrint())
            return {};
    return word.toString().toLower();
}

bool QZPPatchQuery::matches(const QZPPatch& patch) const {
    return matches(reinterpret_cast<const unsigned char*>(patch.data().constData()));
}

QString QZPPatchQuery::vocabulary(QZPValueScale scale) {
    QStringList lines;
    for (const QZPParameter& parameter : QZPParameter::all()) {
        if (!parameter.section)
            continue;
        QStringList words;
        for (const auto* list : {&names().own, &names().label})
            for (const auto& [name, named] : *list)
                if (named == &parameter && !words.contains(name))
                    words << name;
        lines << QStringLiteral("%1: %2 (%3)")
                     .arg(parameter.panelName(), words.join(QStringLiteral(", ")),
                          valuesText(parameter, scale));
    }
    return lines.join(QLatin1Char('\n'));
}

bool QZPPatchQuery::operator==(const QZPPatchQuery& other) const {
    return m_nameText == other.m_nameText && sameConditionsAs(other);
}

bool QZPPatchQuery::sameConditionsAs(const QZPPatchQuery& other) const {
    if (m_problem != other.m_problem || m_favourite != other.m_favourite || m_tags != other.m_tags ||
        m_conditions.size() != other.m_conditions.size())
        return false;
    for (qsizetype i = 0; i < m_conditions.size(); ++i) {
        const Condition& a = m_conditions.at(i);
        const Condition& b = other.m_conditions.at(i);
        if (a.parameter != b.parameter || a.bytes != b.bytes)
            return false;
    }
    return true;
}
