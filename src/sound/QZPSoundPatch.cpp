#include "sound/QZPSoundPatch.h"

#include "model/QZPParameter.h"
#include "model/QZPPatch.h"

#include <QString>

namespace {

// The table's switch entries, found once by name.
struct Switches {
    const QZPParameter* range = nullptr;
    const QZPParameter* pulse = nullptr;
    const QZPParameter* saw = nullptr;
    const QZPParameter* chorus = nullptr;
    const QZPParameter* pwmMode = nullptr;
    const QZPParameter* envMode = nullptr;
    const QZPParameter* vcaMode = nullptr;
    const QZPParameter* hpf = nullptr;
};

const Switches& switches() {
    static const Switches table{QZPParameter::named(QStringLiteral("DCO_Range")),
                                QZPParameter::named(QStringLiteral("DCO_Pulse_ON")),
                                QZPParameter::named(QStringLiteral("DCO_Saw_ON")),
                                QZPParameter::named(QStringLiteral("chorusMode")),
                                QZPParameter::named(QStringLiteral("DCO_PWM_Mode")),
                                QZPParameter::named(QStringLiteral("VCF_ENV_Mode")),
                                QZPParameter::named(QStringLiteral("VCA_Mode")),
                                QZPParameter::named(QStringLiteral("HPF_Mode"))};
    return table;
}

int value(const QZPParameter* parameter, uint8_t byte) {
    return parameter->switchValue(byte);
}

} // namespace

void QZPSoundPatch::prepare() {
    switches();
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
    const auto slider = [this](int index) {
        return float(m_data[size_t(index)]) / 127.0f;
    };
    lfoRate = slider(0);
    lfoDelay = slider(1);
    dcoLfo = slider(2);
    dcoPwm = slider(3);
    noise = slider(4);
    vcfCutoff = slider(5);
    vcfResonance = slider(6);
    vcfEnv = slider(7);
    vcfLfo = slider(8);
    vcfKeyboard = slider(9);
    vcaLevel = slider(10);
    attack = slider(11);
    decay = slider(12);
    sustain = slider(13);
    release = slider(14);
    sub = slider(15);
    const Switches& table = switches();
    const uint8_t first = m_data[QZPParameter::SwitchByte1];
    const uint8_t second = m_data[QZPParameter::SwitchByte2];
    rangeFeet = value(table.range, first);
    pulse = value(table.pulse, first);
    saw = value(table.saw, first);
    chorus = value(table.chorus, first);
    pwmFromLfo = value(table.pwmMode, second) == 1;
    envelopeNormal = value(table.envMode, second) == 1;
    vcaFollowsEnvelope = value(table.vcaMode, second) == 1;
    hpf = value(table.hpf, second);
}
