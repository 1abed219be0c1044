#include "model/QZPParameter.h"

#include "model/QZPPreset.h"

namespace {

constexpr int MaximumDataByte = 127;

template <int Index> QZPParameter slider(const char* name) {
    return {name,
            Index,
            Index,
            QZPParameter::Kind::Slider,
            {},
            [](const QZPPreset& p) { return int(p.byteAtLocation(Index)); },
            [](QZPPreset& p, int v) {
                p.setByte(quint8(v), Index);
            }};
}

} // namespace

bool QZPParameter::accepts(int value) const {
    if (acceptedValues.isEmpty())
        return value >= 0 && value <= MaximumDataByte;
    return acceptedValues.contains(value);
}

QString QZPParameter::acceptedValuesText() const {
    if (acceptedValues.isEmpty())
        return QStringLiteral("0–%1").arg(MaximumDataByte);
    QStringList values;
    for (int value : acceptedValues)
        values << QString::number(value);
    return values.join(QStringLiteral(", "));
}

const QList<QZPParameter>& QZPParameter::all() {
    using K = QZPParameter::Kind;
    static const QList<QZPParameter> table{
        slider<0>("LFO_Rate"),
        slider<1>("LFO_Delay"),
        slider<2>("DCO_LFO"),
        slider<3>("DCO_PWM"),
        slider<4>("DCO_NoiseLevel"),
        slider<5>("VCF_Cutoff"),
        slider<6>("VCF_Resonance"),
        slider<7>("VCF_ENV"),
        slider<8>("VCF_LFO"),
        slider<9>("VCF_KYBD"),
        slider<10>("VCA_Level"),
        slider<11>("ENV_Attack"),
        slider<12>("ENV_Decay"),
        slider<13>("ENV_Sustain"),
        slider<14>("ENV_Release"),
        slider<15>("DCO_SubLevel"),
        {"DCO_Range",
         -1,
         16,
         K::Switch,
         {16, 8, 4},
         [](const QZPPreset& p) { return p.DCO_Range(); },
         [](QZPPreset& p, int v) {
             p.setDCO_Range(v);
         }},
        {"DCO_Pulse_ON",
         -1,
         16,
         K::Switch,
         {0, 1},
         [](const QZPPreset& p) { return int(p.DCO_Pulse_ON()); },
         [](QZPPreset& p, int v) {
             p.setDCO_Pulse_ON(v);
         }},
        {"DCO_Saw_ON",
         -1,
         16,
         K::Switch,
         {0, 1},
         [](const QZPPreset& p) { return int(p.DCO_Saw_ON()); },
         [](QZPPreset& p, int v) {
             p.setDCO_Saw_ON(v);
         }},
        {"chorusMode",
         -1,
         16,
         K::Switch,
         {0, 1, 2},
         [](const QZPPreset& p) { return p.chorusMode(); },
         [](QZPPreset& p, int v) {
             p.setChorusMode(v);
         }},
        {"DCO_PWM_Mode",
         171,
         17,
         K::Switch,
         {0, 1},
         [](const QZPPreset& p) { return p.DCO_PWM_Mode(); },
         [](QZPPreset& p, int v) {
             p.setDCO_PWM_Mode(v);
         }},
        {"VCF_ENV_Mode",
         173,
         17,
         K::Switch,
         {0, 1},
         [](const QZPPreset& p) { return p.VCF_ENV_Mode(); },
         [](QZPPreset& p, int v) {
             p.setVCF_ENV_Mode(v);
         }},
        {"VCA_Mode",
         174,
         17,
         K::Switch,
         {0, 1},
         [](const QZPPreset& p) { return p.VCA_Mode(); },
         [](QZPPreset& p, int v) {
             p.setVCA_Mode(v);
         }},
        {"HPF_Mode",
         172,
         17,
         K::Switch,
         {0, 1, 2, 3},
         [](const QZPPreset& p) { return p.HPF_Mode(); },
         [](QZPPreset& p, int v) {
             p.setHPF_Mode(v);
         }},
        {"MKS_Noise_ON",
         -1,
         17,
         K::Switch,
         {0, 1},
         [](const QZPPreset& p) { return int(p.MKS_Noise_ON()); },
         [](QZPPreset& p, int v) {
             p.setMKS_Noise_ON(v);
         }},
    };
    return table;
}

const QZPParameter* QZPParameter::named(const QString& name) {
    for (const QZPParameter& parameter : all())
        if (name == QLatin1String(parameter.name))
            return &parameter;
    return nullptr;
}

const QZPParameter* QZPParameter::forTag(int tag) {
    for (const QZPParameter& parameter : all())
        if (parameter.tag == tag)
            return &parameter;
    return nullptr;
}
