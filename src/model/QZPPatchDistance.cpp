#include "model/QZPPatchDistance.h"

#include "model/QZPParameter.h"
#include "model/QZPPatch.h"

#include <QHash>
#include <QLatin1String>
#include <cstdlib>

double QZPPatchDistance::weight(const QZPParameter& parameter) {
    static const QHash<QLatin1String, double> weights{
        {QLatin1String("DCO_Range"), 3},       {QLatin1String("DCO_Pulse_ON"), 3},
        {QLatin1String("DCO_Saw_ON"), 3},      {QLatin1String("VCF_Cutoff"), 3},
        {QLatin1String("VCA_Mode"), 2},        {QLatin1String("chorusMode"), 2},
        {QLatin1String("VCF_Resonance"), 2},   {QLatin1String("VCF_ENV"), 2},
        {QLatin1String("ENV_Attack"), 2},      {QLatin1String("ENV_Decay"), 2},
        {QLatin1String("ENV_Sustain"), 2},     {QLatin1String("ENV_Release"), 1.5},
        {QLatin1String("DCO_SubLevel"), 1.5},  {QLatin1String("DCO_NoiseLevel"), 1.5},
        {QLatin1String("HPF_Mode"), 1.5},      {QLatin1String("VCF_ENV_Mode"), 1},
        {QLatin1String("DCO_PWM"), 1},         {QLatin1String("DCO_LFO"), 1},
        {QLatin1String("VCF_LFO"), 1},         {QLatin1String("VCF_KYBD"), 0.75},
        {QLatin1String("LFO_Rate"), 0.5},      {QLatin1String("LFO_Delay"), 0.5},
        {QLatin1String("VCA_Level"), 0.5},     {QLatin1String("DCO_PWM_Mode"), 0.5},
        {QLatin1String("MKS_Noise_ON"), 0.25},
    };
    return weights.value(QLatin1String(parameter.name), 1);
}

double QZPPatchDistance::between(const QZPPatch& a, const QZPPatch& b) {
    double sum = 0, total = 0;
    for (const QZPParameter& parameter : QZPParameter::all()) {
        const int x = a.value(parameter), y = b.value(parameter);
        const double share = parameter.kind == QZPParameter::Kind::Slider
                                 ? std::abs(x - y) / double(QZPParameter::MaximumDataByte)
                                 : (x == y ? 0.0 : 1.0);
        sum += weight(parameter) * share;
        total += weight(parameter);
    }
    return sum / total;
}

QList<QList<qsizetype>> QZPPatchDistance::duplicateGroups(const QList<QZPPatch>& patches, int tolerance) {
    // Candidates share their switch bytes (every switch equal): only those are compared slider by slider.
    const auto switches = [&patches](qsizetype i) {
        return patches[i].byte(QZPParameter::SwitchByte1) << 8 | patches[i].byte(QZPParameter::SwitchByte2);
    };
    QHash<int, QList<qsizetype>> bySwitches;
    for (qsizetype i = 0; i < patches.size(); ++i)
        bySwitches[switches(i)] << i;
    const auto near = [&](qsizetype i, qsizetype j) {
        for (int index = 0; index < QZPParameter::SwitchByte1; ++index)
            if (std::abs(patches[i].byte(index) - patches[j].byte(index)) > tolerance)
                return false;
        return true;
    };
    QList<qsizetype> groupOf(patches.size(), -1);
    QList<QList<qsizetype>> groups;
    for (qsizetype i = 0; i < patches.size(); ++i) {
        if (groupOf[i] >= 0)
            continue;
        QList<qsizetype> group{i};
        for (const qsizetype j : bySwitches.value(switches(i)))
            if (j > i && groupOf[j] < 0 && near(i, j))
                group << j;
        if (group.size() < 2)
            continue;
        for (const qsizetype member : group)
            groupOf[member] = groups.size();
        groups << group;
    }
    return groups;
}
