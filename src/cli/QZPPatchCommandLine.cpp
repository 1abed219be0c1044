// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/QZPPatchCommandLine.h"

#include "cli/QZPCommandArguments.h"
#include "cli/QZPCommandLine.h"
#include "model/QZPParameter.h"
#include "model/QZPPatch.h"
#include "model/QZPPatchDifference.h"
#include "model/QZPPatchMorph.h"
#include "model/QZPPatchMutation.h"
#include "model/QZPPreset.h"

#include <QJsonArray>
#include <memory>

namespace {

// A preset holding `patch`, framed as `like`'s Patch message.
std::unique_ptr<QZPPreset> presetWith(const QZPPreset& like, const QZPPatch& patch) {
    return std::make_unique<QZPPreset>(like.messageFor(patch, 0));
}

} // namespace

std::optional<double> QZPPatchCommandLine::amount(const QString& text, bool given) {
    bool ok = given;
    const double value = given ? text.toDouble(&ok) : 0;
    if (!ok || !(value >= 0 && value <= 1)) { // "nan" parses as a number
        m_commandLine.usageError(QStringLiteral("--amount must be 0.0 to 1.0"));
        return std::nullopt;
    }
    return value;
}

int QZPPatchCommandLine::diff(const QStringList& arguments) {
    QString error;
    const auto parsed = QZPCommandArguments::parse(arguments, {QStringLiteral("json")}, {}, &error);
    if (!parsed)
        return m_commandLine.usageError(error);
    const QStringList& files = parsed->positional();
    if (files.size() != 2)
        return m_commandLine.usageError(QStringLiteral("diff needs A and B"));
    const std::unique_ptr<QZPPreset> a(m_commandLine.openPreset(files.at(0)));
    const std::unique_ptr<QZPPreset> b(a ? m_commandLine.openPreset(files.at(1)) : nullptr);
    if (!a || !b)
        return QZPCommandLine::FileFailure;
    const QList<QZPPatchDifference> differences = QZPPatchDifference::between(a->patch(), b->patch());
    if (parsed->isSet(QStringLiteral("json"))) {
        QJsonArray list;
        for (const QZPPatchDifference& difference : differences)
            list.append(QJsonObject{{"parameter", QLatin1String(difference.parameter->name)},
                                    {"name", QZPPatchDifference::parameterText(*difference.parameter)},
                                    {"a", difference.from},
                                    {"b", difference.to}});
        QZPCommandLine::printJson(m_commandLine.out(), {{"a", files.at(0)},
                                                        {"b", files.at(1)},
                                                        {"equal", differences.isEmpty()},
                                                        {"differences", list}});
    } else {
        // One line a parameter, as scripts split it: the table's name, then A's value and B's.
        for (const QZPPatchDifference& difference : differences)
            m_commandLine.out() << difference.parameter->name << ' ' << difference.from << ' '
                                << difference.to << Qt::endl;
    }
    return differences.isEmpty() ? QZPCommandLine::Success : QZPCommandLine::Different;
}

int QZPPatchCommandLine::morph(const QStringList& arguments) {
    QString error;
    const auto parsed = QZPCommandArguments::parse(
        arguments, {QStringLiteral("force")}, {QStringLiteral("amount"), QStringLiteral("type")}, &error);
    if (!parsed)
        return m_commandLine.usageError(error);
    const QStringList& files = parsed->positional();
    if (files.size() != 3)
        return m_commandLine.usageError(QStringLiteral("morph needs A, B and OUT"));
    const auto share =
        amount(parsed->value(QStringLiteral("amount")), parsed->isSet(QStringLiteral("amount")));
    const QString type =
        share ? m_commandLine.outputType(files.at(2), parsed->value(QStringLiteral("type"))) : QString();
    if (type.isEmpty())
        return QZPCommandLine::UsageError;
    const std::unique_ptr<QZPPreset> a(m_commandLine.openPreset(files.at(0)));
    const std::unique_ptr<QZPPreset> b(a ? m_commandLine.openPreset(files.at(1)) : nullptr);
    if (!a || !b)
        return QZPCommandLine::FileFailure;
    const auto morphed = presetWith(*a, QZPPatchMorph::between(a->patch(), b->patch(), *share));
    return m_commandLine.writePreset(*morphed, files.at(2), type, parsed->isSet(QStringLiteral("force")));
}

int QZPPatchCommandLine::mutate(const QStringList& arguments) {
    QString error;
    const auto parsed = QZPCommandArguments::parse(
        arguments, {QStringLiteral("force")},
        {QStringLiteral("amount"), QStringLiteral("seed"), QStringLiteral("lock"), QStringLiteral("type")},
        &error);
    if (!parsed)
        return m_commandLine.usageError(error);
    const QStringList& files = parsed->positional();
    if (files.size() != 2)
        return m_commandLine.usageError(QStringLiteral("mutate needs IN and OUT"));
    const auto share =
        amount(parsed->value(QStringLiteral("amount")), parsed->isSet(QStringLiteral("amount")));
    if (!share)
        return QZPCommandLine::UsageError;
    bool ok = true;
    const quint64 seed = parsed->isSet(QStringLiteral("seed"))
                             ? parsed->value(QStringLiteral("seed")).toULongLong(&ok)
                             : QZPPatchMutation::randomSeed();
    if (!ok)
        return m_commandLine.usageError(QStringLiteral("--seed must be a whole number of 0 or more"));
    QSet<QString> locked;
    for (const QString& name :
         parsed->value(QStringLiteral("lock")).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (!QZPParameter::named(name.trimmed()))
            return m_commandLine.usageError(QStringLiteral("unknown parameter “%1”").arg(name.trimmed()));
        locked << name.trimmed();
    }
    const QString type = m_commandLine.outputType(files.at(1), parsed->value(QStringLiteral("type")));
    if (type.isEmpty())
        return QZPCommandLine::UsageError;
    const std::unique_ptr<QZPPreset> in(m_commandLine.openPreset(files.at(0)));
    if (!in)
        return QZPCommandLine::FileFailure;
    const auto mutated = presetWith(*in, QZPPatchMutation(seed).apply(in->patch(), *share, locked));
    const int status =
        m_commandLine.writePreset(*mutated, files.at(1), type, parsed->isSet(QStringLiteral("force")));
    // The seed, so that the same mutation can be made again.
    if (status == QZPCommandLine::Success)
        m_commandLine.out() << "seed " << seed << Qt::endl;
    return status;
}
