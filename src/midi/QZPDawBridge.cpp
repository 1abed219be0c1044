// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/QZPDawBridge.h"

#include "midi/QZPMidiEngine.h"
#include "midi/QZPMidiStreamParser.h"
#include "midi/QZPSysexMessage.h"
#include "model/QZPParameter.h"

QZPDawBridge::QZPDawBridge(QZPMidiEngine* engine, ToSequencer toSequencer, QObject* parent)
    : QObject(parent), m_engine(engine), m_toSequencer(std::move(toSequencer)) {
    connect(engine, &QZPMidiEngine::sysexReceived, this, &QZPDawBridge::instrumentSent);
}

void QZPDawBridge::fromSequencer(const QByteArray& bytes) {
    for (const QByteArray& message : QZPMidiStreamParser::split(bytes).messages) {
        const quint8 kind = quint8(message.at(0)) & 0xF0;
        if (kind == 0xB0 && message.size() == 3) {
            if (const QZPParameter* parameter = QZPParameter::forController(quint8(message.at(1)))) {
                emit parameterMoved(parameter->id, parameter->valueForController(quint8(message.at(2))));
                continue;
            }
        }
        if (!m_engine ||
            !(QZPSysexMessage::isPerformanceMessage(message) || (kind == 0xC0 && message.size() == 2)))
            continue;
        QByteArray onChannel = message;
        onChannel[0] = char(kind | quint8(m_engine->targetedMidiChannel()));
        m_engine->sendMIDICommand(onChannel);
    }
}

// A knob or switch moved on the instrument: its Control Change, on the instrument's channel. A switch
// byte holds several switches; only those whose position changed are reported (all of them the first
// time).
void QZPDawBridge::instrumentSent(const QByteArray& sysex, quint8) {
    const auto move = QZPSysexMessage::decodeControl(sysex);
    if (!move || move->control >= QZPParameter::SwitchByte2 + 1)
        return;
    const auto controlChange = [this, &move](const QZPParameter& parameter, int value) {
        if (parameter.controller >= 0 && m_toSequencer)
            m_toSequencer(QZPSysexMessage::controlChange(move->channel, quint8(parameter.controller),
                                                         quint8(parameter.controllerValueFor(value))));
    };
    if (const QZPParameter* slider = QZPParameter::sliderAt(move->control)) {
        controlChange(*slider, move->value);
        return;
    }
    int& before = m_switchBytes[move->control - QZPParameter::SwitchByte1];
    for (const QZPParameter& parameter : QZPParameter::all())
        if (parameter.byteIndex == move->control &&
            (before < 0 || parameter.switchValue(quint8(before)) != parameter.switchValue(move->value)))
            controlChange(parameter, parameter.switchValue(move->value));
    before = move->value;
}
