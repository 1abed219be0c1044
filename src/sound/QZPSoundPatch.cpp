// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/QZPSoundPatch.h"

#include "model/QZPParameter.h"
#include "model/QZPPatch.h"

#include <array>

namespace {

using Id = QZPParameter::Id;

// Where each slider's position goes in the voice's settings.
struct SliderField {
    Id id;
    float QZPSoundPatch::*field;
};

constexpr std::array<SliderField, QZPParameter::SwitchByte1> SliderFields{{
    {Id::LFO_Rate, &QZPSoundPatch::lfoRate},
    {Id::LFO_Delay, &QZPSoundPatch::lfoDelay},
    {Id::DCO_LFO, &QZPSoundPatch::dcoLfo},
    {Id::DCO_PWM, &QZPSoundPatch::dcoPwm},
    {Id::DCO_NoiseLevel, &QZPSoundPatch::noise},
    {Id::VCF_Cutoff, &QZPSoundPatch::vcfCutoff},
    {Id::VCF_Resonance, &QZPSoundPatch::vcfResonance},
    {Id::VCF_ENV, &QZPSoundPatch::vcfEnv},
    {Id::VCF_LFO, &QZPSoundPatch::vcfLfo},
    {Id::VCF_KYBD, &QZPSoundPatch::vcfKeyboard},
    {Id::VCA_Level, &QZPSoundPatch::vcaLevel},
    {Id::ENV_Attack, &QZPSoundPatch::attack},
    {Id::ENV_Decay, &QZPSoundPatch::decay},
    {Id::ENV_Sustain, &QZPSoundPatch::sustain},
    {Id::ENV_Release, &QZPSoundPatch::release},
    {Id::DCO_SubLevel, &QZPSoundPatch::sub},
}};

} // namespace

void QZPSoundPatch::prepare() {
    QZPParameter::all();
}

QZPSoundPatch::QZPSoundPatch() {
    prepare();
    const QByteArray data = QZPPatch::defaultData();
    setData(reinterpret_cast<const uint8_t*>(data.constData()));
}

void QZPSoundPatch::setData(const uint8_t* data) {
    for (size_t i = 0; i < m_data.size(); ++i)
        m_data[i] = data[i] & 0x7F;
    decode();
}

void QZPSoundPatch::setByte(int index, uint8_t value) {
    if (index < 0 || index >= DataLength)
        return;
    m_data[size_t(index)] = value & 0x7F;
    decode();
}

void QZPSoundPatch::setDynamics(uint8_t dynamics) {
    velocityToVca = dynamics & QZPParameter::DynamicsAmplifierBit;
    velocityToVcf = dynamics & QZPParameter::DynamicsFilterBit;
}

void QZPSoundPatch::decode() {
    // The table was built by prepare(); reading it allocates nothing.
    for (const SliderField& slider : SliderFields)
        this->*slider.field = float(m_data[size_t(QZPParameter::of(slider.id).byteIndex)]) /
                              float(QZPParameter::MaximumDataByte);
    const auto value = [this](Id id) {
        const QZPParameter& parameter = QZPParameter::of(id);
        return parameter.switchValue(m_data[size_t(parameter.byteIndex)]);
    };
    rangeFeet = value(Id::DCO_Range);
    pulse = value(Id::DCO_Pulse_ON);
    saw = value(Id::DCO_Saw_ON);
    chorus = value(Id::chorusMode);
    pwmFromLfo = value(Id::DCO_PWM_Mode) == 1;
    envelopeNormal = value(Id::VCF_ENV_Mode) == 1;
    vcaFollowsEnvelope = value(Id::VCA_Mode) == 1;
    hpf = value(Id::HPF_Mode);
}
