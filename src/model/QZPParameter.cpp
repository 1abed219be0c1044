#include "model/QZPParameter.h"

#include "model/QZPPreset.h"

#include <QCoreApplication>
#include <QStringList>
#include <cmath>

namespace {

using Kind = QZPParameter::Kind;
using Display = QZPParameter::Display;

template <int Index>
QZPParameter slider(const char* name, const char* section, const char* label, const char* identifier,
                    Display display = Display::Percent) {
    return {name, Index, Index, Kind::Slider, section, label, identifier, display, 0, {}, nullptr};
}

// The number as "%g" writes it: no trailing zeros.
QString g(double value) {
    return QString::number(value, 'g', 6);
}

} // namespace

bool QZPParameter::accepts(int value) const {
    if (values.isEmpty())
        return value >= 0 && value <= MaximumDataByte;
    for (const SwitchValue& accepted : values)
        if (accepted.value == value)
            return true;
    return false;
}

QString QZPParameter::acceptedValuesText() const {
    if (values.isEmpty())
        return QStringLiteral("0–%1").arg(MaximumDataByte);
    QStringList texts;
    for (const SwitchValue& accepted : values)
        texts << QString::number(accepted.value);
    return texts.join(QStringLiteral(", "));
}

int QZPParameter::minimum() const {
    int lowest = values.isEmpty() ? 0 : values.first().value;
    for (const SwitchValue& accepted : values)
        lowest = std::min(lowest, accepted.value);
    return lowest;
}

int QZPParameter::maximum() const {
    int highest = values.isEmpty() ? MaximumDataByte : values.first().value;
    for (const SwitchValue& accepted : values)
        highest = std::max(highest, accepted.value);
    return highest;
}

quint8 QZPParameter::switchByte(quint8 byte, int value) const {
    for (const SwitchValue& accepted : values)
        if (accepted.value == value)
            return quint8((byte & ~accepted.clear) | accepted.set);
    return byte;
}

int QZPParameter::switchValue(quint8 byte) const {
    const quint8 bits = byte & mask;
    for (const SwitchValue& accepted : values)
        if (accepted.set == bits)
            return accepted.value;
    for (const SwitchValue& accepted : values)
        if ((accepted.set & bits) == accepted.set)
            return accepted.value;
    return values.isEmpty() ? bits : values.last().value;
}

QString QZPParameter::displayText(double position, double value, bool percent) const {
    switch (display) {
    case Display::CenteredPercent:
        if (percent) {
            const int k = int(std::round(position * 100)) - 50;
            return k >= 1 ? QStringLiteral("+%1 %").arg(k) : QStringLiteral("%1 %").arg(k);
        }
        return g(value);
    case Display::Raw:
        return g(std::round(value));
    case Display::Named:
        // A two-way switch: the first value at the bottom of its track, the other anywhere above.
        return QCoreApplication::translate("QZPParameter", values.at(position != 0 ? 1 : 0).name);
    case Display::Percent:
        break;
    }
    return percentText(position, value, percent);
}

QString QZPParameter::percentText(double position, double value, bool percent) {
    return percent ? QStringLiteral("%1 %").arg(g(std::round(position * 100))) : g(value);
}

const QList<QZPParameter>& QZPParameter::all() {
    // Switch byte 1 (byte 16): range in bits 0–2 (16 / value), pulse bit 3, saw bit 4, chorus bits 5–6;
    // every setter clears bit 7. Switch byte 2 (byte 17) keeps the two-way modes and the HPF field
    // inverted (a set bit is mode 0); mode 0 sets its bit and keeps the others, mode 1 clears its bit and
    // bit 7. An HPF change keeps the MKS noise bit 5, so a change of the high-pass filter never switches
    // the noise off behind the user's back; it clears bits 6 and 7.
    static const QList<QZPParameter> table{
        slider<0>("LFO_Rate", "LFO", QT_TRANSLATE_NOOP("QZPParameter", "RATE"),
                  QT_TRANSLATE_NOOP("QZPParameter", "LFO Rate")),
        slider<1>("LFO_Delay", "LFO", QT_TRANSLATE_NOOP("QZPParameter", "DELAY"),
                  QT_TRANSLATE_NOOP("QZPParameter", "LFO Delay")),
        slider<2>("DCO_LFO", "DCO", "LFO", QT_TRANSLATE_NOOP("QZPParameter", "DCO LFO")),
        slider<3>("DCO_PWM", "DCO", "PWM", QT_TRANSLATE_NOOP("QZPParameter", "DCO PWM")),
        slider<4>("DCO_NoiseLevel", "DCO", QT_TRANSLATE_NOOP("QZPParameter", "NOISE"),
                  QT_TRANSLATE_NOOP("QZPParameter", "DCO Noise")),
        slider<5>("VCF_Cutoff", "VCF", QT_TRANSLATE_NOOP("QZPParameter", "FREQ"),
                  QT_TRANSLATE_NOOP("QZPParameter", "VCF Freq")),
        slider<6>("VCF_Resonance", "VCF", QT_TRANSLATE_NOOP("QZPParameter", "RES"),
                  QT_TRANSLATE_NOOP("QZPParameter", "VCF Res")),
        slider<7>("VCF_ENV", "VCF", QT_TRANSLATE_NOOP("QZPParameter", "ENV"),
                  QT_TRANSLATE_NOOP("QZPParameter", "VCF Env")),
        slider<8>("VCF_LFO", "VCF", "LFO", QT_TRANSLATE_NOOP("QZPParameter", "VCF LFO")),
        slider<9>("VCF_KYBD", "VCF", QT_TRANSLATE_NOOP("QZPParameter", "KYBD"),
                  QT_TRANSLATE_NOOP("QZPParameter", "VCF Kybd")),
        slider<10>("VCA_Level", "VCA", QT_TRANSLATE_NOOP("QZPParameter", "LEVEL"),
                   QT_TRANSLATE_NOOP("QZPParameter", "VCA Level"), Display::CenteredPercent),
        slider<11>("ENV_Attack", "ENV", "A", QT_TRANSLATE_NOOP("QZPParameter", "Attack")),
        slider<12>("ENV_Decay", "ENV", "D", QT_TRANSLATE_NOOP("QZPParameter", "Decay")),
        slider<13>("ENV_Sustain", "ENV", "S", QT_TRANSLATE_NOOP("QZPParameter", "Sustain")),
        slider<14>("ENV_Release", "ENV", "R", QT_TRANSLATE_NOOP("QZPParameter", "Release")),
        slider<15>("DCO_SubLevel", "DCO", QT_TRANSLATE_NOOP("QZPParameter", "SUB"),
                   QT_TRANSLATE_NOOP("QZPParameter", "DCO Sub")),
        {"DCO_Range",
         -1,
         SwitchByte1,
         Kind::Switch,
         "DCO",
         QT_TRANSLATE_NOOP("QZPParameter", "RANGE"),
         QT_TRANSLATE_NOOP("QZPParameter", "Range"),
         Display::Named,
         RangeMask,
         {{16, 0x01, 0x87, "16'"}, {8, 0x02, 0x87, "8'"}, {4, 0x04, 0x87, "4'"}},
         "DCO_Range == 16 || DCO_Range == 8 || DCO_Range == 4"},
        {"DCO_Pulse_ON",
         -1,
         SwitchByte1,
         Kind::Switch,
         "DCO",
         QT_TRANSLATE_NOOP("QZPParameter", "WAVE"),
         QT_TRANSLATE_NOOP("QZPParameter", "Pulse"),
         Display::Named,
         0x08,
         {{0, 0x00, 0x88}, {1, 0x08, 0x88}},
         "!DCO_Pulse_ON || DCO_Pulse_ON == YES"},
        {"DCO_Saw_ON",
         -1,
         SwitchByte1,
         Kind::Switch,
         "DCO",
         QT_TRANSLATE_NOOP("QZPParameter", "WAVE"),
         QT_TRANSLATE_NOOP("QZPParameter", "Saw"),
         Display::Named,
         0x10,
         {{0, 0x00, 0x90}, {1, 0x10, 0x90}},
         "!DCO_Saw_ON || DCO_Saw_ON == YES"},
        {"chorusMode",
         -1,
         SwitchByte1,
         Kind::Switch,
         "CHORUS",
         QT_TRANSLATE_NOOP("QZPParameter", "MODE"),
         QT_TRANSLATE_NOOP("QZPParameter", "Chorus"),
         Display::Named,
         0x60,
         {{0, 0x20, 0xE0, QT_TRANSLATE_NOOP("QZPParameter", "OFF")},
          {1, 0x40, 0xE0, "I"},
          {2, 0x00, 0xE0, "II"}},
         "chorusMode == 0 || chorusMode == 1 || chorusMode == 2"},
        {"DCO_PWM_Mode",
         171,
         SwitchByte2,
         Kind::Switch,
         "DCO",
         QT_TRANSLATE_NOOP("QZPParameter", "LFO\nMAN"),
         QT_TRANSLATE_NOOP("QZPParameter", "PWM Source"),
         Display::Named,
         0x01,
         {{0, 0x01, 0x00, QT_TRANSLATE_NOOP("QZPParameter", "Manual Assign")},
          {1, 0x00, 0x81, QT_TRANSLATE_NOOP("QZPParameter", "LFO Modulated")}},
         "DCO_PWM_Mode == 0 || DCO_PWM_Mode == 1"},
        {"VCF_ENV_Mode",
         173,
         SwitchByte2,
         Kind::Switch,
         "VCF",
         "+\n−",
         QT_TRANSLATE_NOOP("QZPParameter", "VCF Env"),
         Display::Named,
         0x02,
         {{0, 0x02, 0x00, QT_TRANSLATE_NOOP("QZPParameter", "Inverted")},
          {1, 0x00, 0x82, QT_TRANSLATE_NOOP("QZPParameter", "Normal")}},
         "VCF_ENV_Mode == 0 || VCF_ENV_Mode == 1"},
        {"VCA_Mode",
         174,
         SwitchByte2,
         Kind::Switch,
         "VCA",
         QT_TRANSLATE_NOOP("QZPParameter", "ENV\nGATE"),
         QT_TRANSLATE_NOOP("QZPParameter", "VCA Mode"),
         Display::Named,
         0x04,
         {{0, 0x04, 0x00, QT_TRANSLATE_NOOP("QZPParameter", "Gated")},
          {1, 0x00, 0x84, QT_TRANSLATE_NOOP("QZPParameter", "Follows Envelope")}},
         "VCA_Mode == 0 || VCA_Mode == 1"},
        {"HPF_Mode",
         172,
         SwitchByte2,
         Kind::Switch,
         "HPF",
         QT_TRANSLATE_NOOP("QZPParameter", "FREQ"),
         "HPF",
         Display::Raw,
         0x18,
         {{0, 0x18, 0xD8}, {1, 0x10, 0xD8}, {2, 0x08, 0xD8}, {3, 0x00, 0xD8}},
         "HPF_Mode == 0 || HPF_Mode == 1 || HPF_Mode == 2 || HPF_Mode == 3"},
        {"MKS_Noise_ON",
         -1,
         SwitchByte2,
         Kind::Switch,
         nullptr,
         nullptr,
         nullptr,
         Display::Raw,
         0x20,
         {{0, 0x00, 0xE0}, {1, 0x20, 0xE0}},
         nullptr},
    };
    return table;
}

int QZPParameter::get(const QZPPreset& preset) const {
    return preset.patch().value(*this);
}

void QZPParameter::set(QZPPreset& preset, int value) const {
    preset.setValue(*this, value);
}

const QZPParameter* QZPParameter::named(const QString& name) {
    for (const QZPParameter& parameter : all())
        if (name == QLatin1String(parameter.name))
            return &parameter;
    return nullptr;
}

const QZPParameter* QZPParameter::forTag(int tag) {
    if (tag < 0)
        return nullptr;
    for (const QZPParameter& parameter : all())
        if (parameter.tag == tag)
            return &parameter;
    return nullptr;
}

quint8 QZPParameter::dynamicsByte(bool amplifier, bool filter) {
    return quint8((amplifier ? DynamicsAmplifierBit : 0) | (filter ? DynamicsFilterBit : 0));
}

QString QZPParameter::panelName() const {
    const QString label =
        QCoreApplication::translate("QZPParameter", this->label).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return QCoreApplication::translate("QZPParameter", section) + QLatin1Char(' ') + label;
}
