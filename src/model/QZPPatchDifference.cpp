// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/QZPPatchDifference.h"

#include "model/QZPParameter.h"
#include "model/QZPPatch.h"

#include <QCoreApplication>
#include <QStringList>

QList<QZPPatchDifference> QZPPatchDifference::between(const QZPPatch& a, const QZPPatch& b) {
    QList<QZPPatchDifference> differences;
    for (const QZPParameter& parameter : QZPParameter::all()) {
        const int from = a.value(parameter), to = b.value(parameter);
        if (from != to)
            differences.append({&parameter, from, to});
    }
    return differences;
}

QString QZPPatchDifference::valueText(const QZPParameter& parameter, int value) {
    if (parameter.kind == QZPParameter::Kind::Slider)
        return QString::number(value);
    for (const QZPParameter::SwitchValue& accepted : parameter.values)
        if (accepted.value == value && accepted.name)
            return QCoreApplication::translate("QZPParameter", accepted.name);
    // An on/off switch without names of its own (a wave, the MKS noise bit).
    if (parameter.values.size() == 2 && parameter.minimum() == 0 && parameter.maximum() == 1)
        return value ? QCoreApplication::translate("QZPPatchDifference", "on")
                     : QCoreApplication::translate("QZPPatchDifference", "off");
    return QString::number(value);
}

QString QZPPatchDifference::parameterText(const QZPParameter& parameter) {
    if (!parameter.section)
        return QCoreApplication::translate("QZPPatchDifference", "MKS NOISE");
    // The two waves share the panel's "WAVE": each goes by its own name, as its button does.
    const bool onOff = parameter.kind == QZPParameter::Kind::Switch && parameter.values.size() == 2 &&
                       !parameter.values.first().name;
    return onOff ? parameter.panelName() + QLatin1Char(' ') +
                       QCoreApplication::translate("QZPParameter", parameter.identifier)
                 : parameter.panelName();
}

QString QZPPatchDifference::text() const {
    return QStringLiteral("%1 %2 → %3")
        .arg(parameterText(*parameter), valueText(*parameter, from), valueText(*parameter, to));
}

QString QZPPatchDifference::describeWanted(const QZPPatch& got, const QZPPatch& wanted) {
    QStringList texts;
    for (const QZPPatchDifference& difference : between(got, wanted))
        texts << QCoreApplication::translate("QZPPatchDifference", "%1 %2, want %3")
                     .arg(parameterText(*difference.parameter),
                          valueText(*difference.parameter, difference.from),
                          valueText(*difference.parameter, difference.to));
    return texts.join(QStringLiteral("; "));
}

QString QZPPatchDifference::describe(const QList<QZPPatchDifference>& differences) {
    QStringList texts;
    for (const QZPPatchDifference& difference : differences)
        texts << difference.text();
    return texts.join(QStringLiteral(", "));
}
