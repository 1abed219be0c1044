// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/QZPParameter.h"

#include "model/QZPPreset.h"

#include <QCoreApplication>

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace {

using Kind = QZPParameter::Kind;
using Display = QZPParameter::Display;

using Id = QZPParameter::Id;

// A slider: its byte is its identity's number.
QZPParameter slider(Id id, const char* name, const char* section, const char* label, const char* identifier,
                    double weight, int controller, QList<const char*> queryWords = {},
                    Display display = Display::Percent) {
    return {id, name,    int(id), Kind::Slider,          section,   label, identifier, display, 0,
            {}, nullptr, weight,  std::move(queryWords), controller};
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
        slider(Id::LFO_Rate, "LFO_Rate", "LFO", QT_TRANSLATE_NOOP("QZPParameter", "RATE"),
               QT_TRANSLATE_NOOP("QZPParameter", "LFO Rate"), 0.5, 3),
        slider(Id::LFO_Delay, "LFO_Delay", "LFO", QT_TRANSLATE_NOOP("QZPParameter", "DELAY"),
               QT_TRANSLATE_NOOP("QZPParameter", "LFO Delay"), 0.5, 9),
        slider(Id::DCO_LFO, "DCO_LFO", "DCO", "LFO", QT_TRANSLATE_NOOP("QZPParameter", "DCO LFO"), 1, 13),
        slider(Id::DCO_PWM, "DCO_PWM", "DCO", "PWM", QT_TRANSLATE_NOOP("QZPParameter", "DCO PWM"), 1, 14,
               {"pwm"}),
        slider(Id::DCO_NoiseLevel, "DCO_NoiseLevel", "DCO", QT_TRANSLATE_NOOP("QZPParameter", "NOISE"),
               QT_TRANSLATE_NOOP("QZPParameter", "DCO Noise"), 1.5, 19, {"noise"}),
        slider(Id::VCF_Cutoff, "VCF_Cutoff", "VCF", QT_TRANSLATE_NOOP("QZPParameter", "FREQ"),
               QT_TRANSLATE_NOOP("QZPParameter", "VCF Freq"), 3, 74, {"vcf", "cutoff"}),
        slider(Id::VCF_Resonance, "VCF_Resonance", "VCF", QT_TRANSLATE_NOOP("QZPParameter", "RES"),
               QT_TRANSLATE_NOOP("QZPParameter", "VCF Res"), 2, 71, {"resonance"}),
        slider(Id::VCF_ENV, "VCF_ENV", "VCF", QT_TRANSLATE_NOOP("QZPParameter", "ENV"),
               QT_TRANSLATE_NOOP("QZPParameter", "VCF Env"), 2, 22),
        slider(Id::VCF_LFO, "VCF_LFO", "VCF", "LFO", QT_TRANSLATE_NOOP("QZPParameter", "VCF LFO"), 1, 23),
        slider(Id::VCF_KYBD, "VCF_KYBD", "VCF", QT_TRANSLATE_NOOP("QZPParameter", "KYBD"),
               QT_TRANSLATE_NOOP("QZPParameter", "VCF Kybd"), 0.75, 24),
        slider(Id::VCA_Level, "VCA_Level", "VCA", QT_TRANSLATE_NOOP("QZPParameter", "LEVEL"),
               QT_TRANSLATE_NOOP("QZPParameter", "VCA Level"), 0.5, 26, {"level"}, Display::CenteredPercent),
        slider(Id::ENV_Attack, "ENV_Attack", "ENV", "A", QT_TRANSLATE_NOOP("QZPParameter", "Attack"), 2, 73),
        slider(Id::ENV_Decay, "ENV_Decay", "ENV", "D", QT_TRANSLATE_NOOP("QZPParameter", "Decay"), 2, 75),
        slider(Id::ENV_Sustain, "ENV_Sustain", "ENV", "S", QT_TRANSLATE_NOOP("QZPParameter", "Sustain"), 2,
               27),
        slider(Id::ENV_Release, "ENV_Release", "ENV", "R", QT_TRANSLATE_NOOP("QZPParameter", "Release"), 1.5,
               72),
        slider(Id::DCO_SubLevel, "DCO_SubLevel", "DCO", QT_TRANSLATE_NOOP("QZPParameter", "SUB"),
               QT_TRANSLATE_NOOP("QZPParameter", "DCO Sub"), 1.5, 18, {"sub"}),
        {Id::DCO_Range,
         "DCO_Range",
         SwitchByte1,
         Kind::Switch,
         "DCO",
         QT_TRANSLATE_NOOP("QZPParameter", "RANGE"),
         QT_TRANSLATE_NOOP("QZPParameter", "Range"),
         Display::Named,
         RangeMask,
         {{16, 0x01, 0x87, "16'"}, {8, 0x02, 0x87, "8'"}, {4, 0x04, 0x87, "4'"}},
         "DCO_Range == 16 || DCO_Range == 8 || DCO_Range == 4",
         3,
         {},
         12},
        {Id::DCO_Pulse_ON,
         "DCO_Pulse_ON",
         SwitchByte1,
         Kind::Switch,
         "DCO",
         QT_TRANSLATE_NOOP("QZPParameter", "WAVE"),
         QT_TRANSLATE_NOOP("QZPParameter", "Pulse"),
         Display::Named,
         0x08,
         {{0, 0x00, 0x88}, {1, 0x08, 0x88}},
         "!DCO_Pulse_ON || DCO_Pulse_ON == YES",
         3,
         {},
         16},
        {Id::DCO_Saw_ON,
         "DCO_Saw_ON",
         SwitchByte1,
         Kind::Switch,
         "DCO",
         QT_TRANSLATE_NOOP("QZPParameter", "WAVE"),
         QT_TRANSLATE_NOOP("QZPParameter", "Saw"),
         Display::Named,
         0x10,
         {{0, 0x00, 0x90}, {1, 0x10, 0x90}},
         "!DCO_Saw_ON || DCO_Saw_ON == YES",
         3,
         {},
         17},
        {Id::chorusMode,
         "chorusMode",
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
         "chorusMode == 0 || chorusMode == 1 || chorusMode == 2",
         2,
         {"chorus"},
         93},
        {Id::DCO_PWM_Mode,
         "DCO_PWM_Mode",
         SwitchByte2,
         Kind::Switch,
         "DCO",
         QT_TRANSLATE_NOOP("QZPParameter", "LFO\nMAN"),
         QT_TRANSLATE_NOOP("QZPParameter", "PWM Source"),
         Display::Named,
         0x01,
         {{0, 0x01, 0x00, QT_TRANSLATE_NOOP("QZPParameter", "Manual Assign")},
          {1, 0x00, 0x81, QT_TRANSLATE_NOOP("QZPParameter", "LFO Modulated")}},
         "DCO_PWM_Mode == 0 || DCO_PWM_Mode == 1",
         0.5,
         {},
         15},
        {Id::VCF_ENV_Mode,
         "VCF_ENV_Mode",
         SwitchByte2,
         Kind::Switch,
         "VCF",
         "+\n−",
         QT_TRANSLATE_NOOP("QZPParameter", "VCF Env Polarity"),
         Display::Named,
         0x02,
         {{0, 0x02, 0x00, QT_TRANSLATE_NOOP("QZPParameter", "Inverted")},
          {1, 0x00, 0x82, QT_TRANSLATE_NOOP("QZPParameter", "Normal")}},
         "VCF_ENV_Mode == 0 || VCF_ENV_Mode == 1",
         1,
         {},
         21},
        {Id::VCA_Mode,
         "VCA_Mode",
         SwitchByte2,
         Kind::Switch,
         "VCA",
         QT_TRANSLATE_NOOP("QZPParameter", "ENV\nGATE"),
         QT_TRANSLATE_NOOP("QZPParameter", "VCA Mode"),
         Display::Named,
         0x04,
         {{0, 0x04, 0x00, QT_TRANSLATE_NOOP("QZPParameter", "Gated")},
          {1, 0x00, 0x84, QT_TRANSLATE_NOOP("QZPParameter", "Follows Envelope")}},
         "VCA_Mode == 0 || VCA_Mode == 1",
         2,
         {},
         25},
        {Id::HPF_Mode,
         "HPF_Mode",
         SwitchByte2,
         Kind::Switch,
         "HPF",
         QT_TRANSLATE_NOOP("QZPParameter", "FREQ"),
         "HPF",
         Display::Raw,
         0x18,
         {{0, 0x18, 0xD8}, {1, 0x10, 0xD8}, {2, 0x08, 0xD8}, {3, 0x00, 0xD8}},
         "HPF_Mode == 0 || HPF_Mode == 1 || HPF_Mode == 2 || HPF_Mode == 3",
         1.5,
         {"hpf"},
         20},
        {Id::MKS_Noise_ON,
         "MKS_Noise_ON",
         SwitchByte2,
         Kind::Switch,
         nullptr,
         nullptr,
         nullptr,
         Display::Raw,
         0x20,
         {{0, 0x00, 0xE0}, {1, 0x20, 0xE0}},
         nullptr,
         0.25,
         {},
         -1},
    };
    return table;
}

int QZPParameter::valueForController(int controllerValue) const {
    const int clamped = std::clamp(controllerValue, 0, MaximumDataByte);
    if (values.isEmpty())
        return clamped;
    return values.at(clamped * int(values.size()) / (MaximumDataByte + 1)).value;
}

int QZPParameter::controllerValueFor(int value) const {
    for (int index = 0; index < int(values.size()); ++index)
        if (values.at(index).value == value)
            return (index * (MaximumDataByte + 1) + int(values.size()) - 1) / int(values.size());
    return std::clamp(value, 0, MaximumDataByte);
}

const QZPParameter* QZPParameter::forController(int controller) {
    for (const QZPParameter& parameter : all())
        if (parameter.controller >= 0 && parameter.controller == controller)
            return &parameter;
    return nullptr;
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

const QZPParameter* QZPParameter::sliderAt(int byteIndex) {
    return byteIndex >= 0 && byteIndex < SwitchByte1 ? &all()[byteIndex] : nullptr;
}

quint8 QZPParameter::dynamicsByte(bool amplifier, bool filter) {
    return quint8((amplifier ? DynamicsAmplifierBit : 0) | (filter ? DynamicsFilterBit : 0));
}

QString QZPParameter::panelName() const {
    const QString label =
        QCoreApplication::translate("QZPParameter", this->label).replace(QLatin1Char('\n'), QLatin1Char(' '));
    // A label of signs ("+ −") is read out, and named in undo steps, by what it sets.
    if (std::none_of(label.begin(), label.end(), [](QChar c) { return c.isLetter(); }))
        return QCoreApplication::translate("QZPParameter", identifier).toUpper();
    return QCoreApplication::translate("QZPParameter", section) + QLatin1Char(' ') + label;
}
