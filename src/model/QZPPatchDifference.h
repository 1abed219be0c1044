// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPValueScale.h"

#include <QList>
#include <QString>

class QZPParameter;
class QZPPatch;

// One parameter whose value differs between two patches: what a comparison shows and lists.
class QZPPatchDifference {
public:
    const QZPParameter* parameter = nullptr;
    int from = 0;
    int to = 0;

    // The parameters whose values differ, in the table's order.
    static QList<QZPPatchDifference> between(const QZPPatch& a, const QZPPatch& b);
    // A value as the panel words it: a slider's number on the scale, a switch's name ("8'", "II", "on").
    static QString valueText(const QZPParameter& parameter, int value, QZPValueScale scale = {}) {
        return scale.valueText(parameter, value);
    }
    // The parameter as the panel names it ("VCF FREQ", "DCO WAVE Saw"); the MKS noise bit, which has no
    // control of its own, as "MKS NOISE".
    static QString parameterText(const QZPParameter& parameter);
    // "VCF FREQ 64 → 90" (values on the scale; the stored bytes unless told).
    QString text(QZPValueScale scale = {}) const;
    // The differences as one line: "VCF FREQ 64 → 90, CHORUS MODE I → II".
    static QString describe(const QList<QZPPatchDifference>& differences, QZPValueScale scale = {});
    // What a patch holds that it should not, from `got` to `wanted`: "VCF FREQ 1, want 64; …".
    static QString describeWanted(const QZPPatch& got, const QZPPatch& wanted, QZPValueScale scale = {});
};
