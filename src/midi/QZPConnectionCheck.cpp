// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/QZPConnectionCheck.h"

#include "midi/QZPInstrumentSync.h"
#include "midi/QZPMidiEngine.h"
#include "model/QZPParameter.h"

QZPConnectionCheck::QZPConnectionCheck(QZPMidiEngine* engine, QObject* parent)
    : QObject(parent), m_engine(engine) {
    m_timeLimit.setSingleShot(true);
    m_timeLimit.setInterval(TimeLimitMs);
    m_patchWait.setSingleShot(true);
    m_patchWait.setInterval(PatchesAfterProgramChangeMs);
    connect(&m_timeLimit, &QTimer::timeout, this, &QZPConnectionCheck::finish);
    connect(&m_patchWait, &QTimer::timeout, this, &QZPConnectionCheck::finish);
    connect(engine, &QZPMidiEngine::channelMessageReceived, this, &QZPConnectionCheck::heardChannelMessage);
    connect(engine, &QZPMidiEngine::sysexReceived, this, &QZPConnectionCheck::heardSysex);
    connect(&m_settler, &QZPPatchSettler::settled, this, &QZPConnectionCheck::heardPatches);
}

QZPPatch QZPConnectionCheck::testPatch() {
    QZPPatch patch;
    using Id = QZPParameterId;
    for (const auto& [id, value] :
         {std::pair{Id::LFO_Rate, 11}, std::pair{Id::VCF_Cutoff, 77}, std::pair{Id::VCF_Resonance, 23},
          std::pair{Id::ENV_Attack, 5}, std::pair{Id::ENV_Release, 99}})
        patch.setValue(QZPParameter::of(id), value);
    return patch;
}

void QZPConnectionCheck::start() {
    m_result = {};
    m_sawNotes = m_sawProgramChange = false;
    m_leftBehind.clear();
    m_settler.reset();
    m_running = true;
    if (m_engine && !m_engine->destination().isNull())
        QZPInstrumentSync::of(m_engine)->sendPatch(testPatch());
    m_timeLimit.start();
}

void QZPConnectionCheck::heardChannelMessage(const QByteArray& message) {
    if (!m_running)
        return;
    const quint8 kind = quint8(message.at(0)) & 0xF0;
    const bool notes =
        kind == 0x80 || kind == 0x90 || (kind == 0xB0 && message.size() > 1 && message.at(1) == 123);
    if (!notes && kind != 0xC0)
        return;
    m_result.channel = quint8(message.at(0)) & 0x0F;
    m_sawNotes = m_sawNotes || notes;
    if (kind == 0xC0 && !m_sawProgramChange) {
        m_sawProgramChange = true;
        m_patchWait.start();
    }
}

void QZPConnectionCheck::heardSysex(const QByteArray& sysex, quint8 type) {
    if (!m_running || type != QZPPatch::PatchType || sysex.size() != QZPPatch::MessageLength)
        return;
    m_patchWait.stop();
    m_result.channel = QZPPatch::channelOf(sysex);
    if (m_leftBehind.isEmpty())
        m_leftBehind = sysex;
    m_settler.take(sysex, type);
}

// The two patches of the press have come: the first is what the edit buffer held.
void QZPConnectionCheck::heardPatches(const QList<QByteArray>&) {
    if (!m_running)
        return;
    m_result.position = Switch::III;
    m_result.outputReaches = QZPPatch(m_leftBehind).data() == testPatch().data();
    finish();
}

void QZPConnectionCheck::finish() {
    if (!m_running)
        return;
    m_timeLimit.stop();
    m_patchWait.stop();
    m_running = false;
    m_result.heard = m_sawNotes || m_sawProgramChange || !m_leftBehind.isEmpty();
    if (m_result.position == Switch::Unknown)
        m_result.position = m_sawProgramChange ? Switch::II : m_sawNotes ? Switch::I : Switch::Unknown;
    emit finished();
}

QString QZPConnectionCheck::switchName(Switch position) {
    switch (position) {
    case Switch::I:
        return QStringLiteral("I");
    case Switch::II:
        return QStringLiteral("II");
    case Switch::III:
        return QStringLiteral("III");
    case Switch::Unknown:
        break;
    }
    return {};
}

std::optional<int> QZPConnectionCheck::channelToUse() const {
    if (!m_engine || !m_result.channel || *m_result.channel == m_engine->targetedMidiChannel())
        return std::nullopt;
    return m_result.channel;
}

QStringList QZPConnectionCheck::findings() const {
    QStringList lines;
    if (!m_engine)
        return lines;
    const QString input = m_engine->source().isNull()
                              ? tr("any input")
                              : QStringLiteral("“%1”").arg(m_engine->source().displayName());
    if (!m_result.heard) {
        QStringList others;
        for (const QZPMidiEndpoint& source : m_engine->midiSources())
            if (!(source == m_engine->source()))
                others << QStringLiteral("“%1”").arg(source.displayName());
        const QString inputs = others.join(QStringLiteral(", "));
        lines << tr("Nothing arrived from %1.").arg(input)
              << (others.isEmpty()              ? tr("No other MIDI input is there.")
                  : m_engine->source().isNull() ? tr("The inputs listened to: %1.").arg(inputs)
                                                : tr("Other inputs: %1.").arg(inputs))
              << tr("The instrument’s MIDI OUT must reach the computer’s MIDI IN.");
        return lines;
    }
    lines << tr("The instrument’s messages arrive at %1.").arg(input);
    switch (m_result.position) {
    case Switch::I:
        lines << tr("Notes only: the instrument’s MIDI function switch is at I (no SysEx). Set it to III.");
        break;
    case Switch::II:
        lines << tr("A Program Change but no Patch message: the MIDI function switch is at II. Set it "
                    "to III.");
        break;
    case Switch::III:
        lines << tr("Patch messages: the MIDI function switch is at III. All is well.");
        break;
    case Switch::Unknown:
        break;
    }
    if (m_result.channel) {
        const int ours = m_engine->targetedMidiChannel();
        lines << (*m_result.channel == ours
                      ? tr("The instrument and ToneBench use channel %1.").arg(ours + 1)
                      : tr("The instrument uses channel %1; ToneBench sends on channel %2.")
                            .arg(*m_result.channel + 1)
                            .arg(ours + 1));
    }
    if (m_result.outputReaches)
        lines << (*m_result.outputReaches
                      ? tr("ToneBench’s messages reach the instrument.")
                      : tr("ToneBench’s messages do not reach it: check the computer’s MIDI OUT to the "
                           "instrument’s MIDI IN."));
    return lines;
}
