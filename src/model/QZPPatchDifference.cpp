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

QString QZPPatchDifference::text(QZPValueScale scale) const {
    return QStringLiteral("%1 %2 → %3")
        .arg(parameterText(*parameter), valueText(*parameter, from, scale), valueText(*parameter, to, scale));
}

QString QZPPatchDifference::describeWanted(const QZPPatch& got, const QZPPatch& wanted, QZPValueScale scale) {
    QStringList texts;
    for (const QZPPatchDifference& difference : between(got, wanted))
        texts << QCoreApplication::translate("QZPPatchDifference", "%1 %2, want %3")
                     .arg(parameterText(*difference.parameter),
                          valueText(*difference.parameter, difference.from, scale),
                          valueText(*difference.parameter, difference.to, scale));
    return texts.join(QStringLiteral("; "));
}

QString QZPPatchDifference::describe(const QList<QZPPatchDifference>& differences, QZPValueScale scale) {
    QStringList texts;
    for (const QZPPatchDifference& difference : differences)
        texts << difference.text(scale);
    return texts.join(QStringLiteral(", "));
}
