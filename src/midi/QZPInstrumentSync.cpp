// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/QZPInstrumentSync.h"

#include "midi/QZPMidiEngine.h"
#include "midi/QZPSysexMessage.h"
#include "model/QZPParameter.h"
#include "model/QZPSettings.h"

QZPInstrumentSync* QZPInstrumentSync::of(QZPMidiEngine* engine) {
    if (auto* sync = engine->findChild<QZPInstrumentSync*>(QString(), Qt::FindDirectChildrenOnly))
        return sync;
    return new QZPInstrumentSync(engine);
}

QZPInstrumentSync::QZPInstrumentSync(QZPMidiEngine* engine) : QObject(engine), m_engine(engine) {
    connect(engine, &QZPMidiEngine::sysexReceived, this, &QZPInstrumentSync::received);
    // Another instrument, or the same one on another channel: nothing is known of what it holds.
    const auto forget = [this] {
        m_instrument.reset();
    };
    connect(engine, &QZPMidiEngine::destinationChanged, this, forget);
    connect(engine, &QZPMidiEngine::targetedMidiChannelChanged, this, forget);
    connect(QZPSettings::standard(), &QZPSettings::valueChanged, this, [this](const QString& key) {
        if (key == QLatin1String(QZPSettings::DynamicsAmplifierKey) ||
            key == QLatin1String(QZPSettings::DynamicsFilterKey))
            sendDynamics();
    });
}

void QZPInstrumentSync::setPreset(QZPPreset* preset) {
    disconnect(m_connection);
    m_preset = preset;
    if (!preset)
        return;
    m_lastSeen = preset->patch();
    m_connection = connect(preset, &QZPPreset::presetChanged, this, &QZPInstrumentSync::presetChanged);
}

void QZPInstrumentSync::sendPreset(QZPPreset* preset) {
    m_engine->sendSysex(preset->junoSysexDataWithMidiChannel(channel()));
    m_instrument = preset->patch();
    if (preset == m_preset)
        m_lastSeen = preset->patch();
}

void QZPInstrumentSync::sendPatch(const QZPPatch& patch) {
    m_engine->sendSysex(patch.message(channel(), dynamics()));
    m_instrument = patch;
}

// Undo, redo and revert bring the instrument back in step with the whole patch; any other change of the
// patch (an edit on the panel or from anywhere else, a paste, a morph, a mutation) sends what differs.
// A notification that changed no byte (a save) sends nothing.
void QZPInstrumentSync::presetChanged(QZPPreset::Change change) {
    if (!m_preset)
        return;
    if (change == QZPPreset::Change::Undone || change == QZPPreset::Change::Redone ||
        change == QZPPreset::Change::Cleared) {
        sendPreset(m_preset);
        return;
    }
    const QZPPatch before = m_lastSeen;
    m_lastSeen = m_preset->patch();
    if (m_lastSeen != before)
        sendChanges(before);
}

void QZPInstrumentSync::sendChanges(const QZPPatch& before) {
    const QZPPatch& held = m_instrument ? *m_instrument : before;
    const QZPPatch& patch = m_preset->patch();
    QList<int> differing;
    for (int index = 0; index < QZPPatch::DataLength; ++index)
        if (held.byte(index) != patch.byte(index))
            differing << index;
    if (differing.size() > MostControlMessages) {
        sendPreset(m_preset);
        return;
    }
    for (const int index : differing)
        m_engine->sendSysexControl(quint8(index), patch.byte(index));
    m_instrument = patch;
}

// The instrument's own messages tell what it holds: a Patch message all of it (a program chosen on its
// panel), a Control message one byte (a knob moved).
void QZPInstrumentSync::received(const QByteArray& sysex, quint8 type) {
    if (type == QZPSysexMessage::PatchType && sysex.size() == QZPPatch::MessageLength) {
        m_instrument = QZPPatch(sysex);
    } else if (const auto move = QZPSysexMessage::decodeControl(sysex);
               move && move->control < QZPPatch::DataLength) {
        if (!m_instrument)
            m_instrument = m_lastSeen;
        m_instrument->setByte(move->control, move->value);
    }
}

// The dynamics settings go to the instrument as a Control message of their own (number 4 with the
// dynamics byte); they are no part of the patch it holds.
void QZPInstrumentSync::sendDynamics() {
    m_engine->sendSysexControl(QZPParameter::DynamicsControlNumber, dynamics());
}

// The dynamics byte of Patch messages: the current preset's settings, else the program's.
quint8 QZPInstrumentSync::dynamics() const {
    if (m_preset)
        return QZPParameter::dynamicsByte(m_preset->dynamicsAffectVCA(), m_preset->dynamicsAffectVCF());
    QZPSettings* settings = QZPSettings::standard();
    return QZPParameter::dynamicsByte(settings->boolValue(QZPSettings::DynamicsAmplifierKey),
                                      settings->boolValue(QZPSettings::DynamicsFilterKey));
}

quint8 QZPInstrumentSync::channel() const {
    return quint8(m_engine->targetedMidiChannel());
}
