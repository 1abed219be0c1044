// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/QZPSoundMidiBackend.h"

#include "model/QZPPatch.h"

#include <algorithm>

QZPSoundMidiBackend::QZPSoundMidiBackend(std::unique_ptr<QZPMidiBackend> system)
    : m_system(std::move(system)) {
    // What the system delivers passes through to whoever listens to this back-end.
    m_system->setInputHandler([this](qint32 sourceID, QByteArrayView bytes) { deliver(sourceID, bytes); });
}

QZPSoundMidiBackend::~QZPSoundMidiBackend() {
    m_system->stopReceiving();
    m_output.stop();
}

std::unique_ptr<QZPMidiBackend> QZPSoundMidiBackend::wrap(std::unique_ptr<QZPMidiBackend> system) {
    return std::make_unique<QZPSoundMidiBackend>(std::move(system));
}

QZPMidiEndpoint QZPSoundMidiBackend::endpoint() {
    return QZPMidiEndpoint(EndpointID, QString::fromLatin1(EndpointName), QString::fromLatin1(EndpointName),
                           QZPMidiEndpoint::Direction::Destination);
}

QList<QZPMidiEndpoint> QZPSoundMidiBackend::destinations() {
    QList<QZPMidiEndpoint> list = m_system->destinations();
    list.append(endpoint());
    return list;
}

bool QZPSoundMidiBackend::send(const QZPMidiEndpoint& destination, QByteArrayView bytes, QString* error) {
    // `error` is the system's to fill: the sound itself never refuses a message.
    if (destination.uniqueID() != EndpointID)
        return m_system->send(destination, bytes, error);
    // Messages the sound does not play (other SysEx, a program change with no bank loaded) pass without a
    // word, as an instrument ignores them. The sound follows every message, heard or not. With a bank, a
    // program change plays its program, as the instrument's memory would.
    QByteArray program;
    if (bytes.size() == 2 && (quint8(bytes.at(0)) & 0xF0) == 0xC0) {
        program = m_bank[quint8(bytes.at(1)) & 0x7F];
        if (!program.isEmpty()) {
            program[QZPPatch::ProgramIndex] = char(m_dynamics);
            bytes = program;
        }
    } else if (bytes.size() == QZPPatch::MessageLength && QZPPatch::problem(bytes).isEmpty()) {
        m_dynamics = quint8(bytes.at(QZPPatch::ProgramIndex));
    }
    m_engine.post(reinterpret_cast<const uint8_t*>(bytes.data()), size_t(bytes.size()));
    if (m_outputTried)
        return true;
    m_outputTried = true;
    QString why;
    if (!m_output.start(&why)) {
        // Said once, here; the messages are taken all the same, as a muted instrument takes them.
        qCWarning(lcMidi).noquote()
            << QStringLiteral("%1: %2; it stays silent").arg(QLatin1String(EndpointName), why);
        return true;
    }
    qCInfo(lcMidi).noquote()
        << QStringLiteral("%1 plays through %2").arg(QLatin1String(EndpointName), m_output.description());
    return true;
}

int QZPSoundMidiBackend::loadSoundBank(const QList<QByteArray>& patchMessages) {
    m_bank.fill({});
    for (const QByteArray& message : patchMessages)
        if (QZPPatch::problem(message).isEmpty() && message.size() == QZPPatch::MessageLength)
            m_bank[QZPPatch::programOf(message) & 0x7F] = message;
    return int(std::count_if(m_bank.begin(), m_bank.end(), [](const QByteArray& m) { return !m.isEmpty(); }));
}

void QZPSoundMidiBackend::connectEndpoints(const QList<QZPMidiEndpoint>& sources,
                                           const QList<QZPMidiEndpoint>& destinations) {
    QList<QZPMidiEndpoint> system = destinations;
    system.removeIf([](const QZPMidiEndpoint& e) { return e.uniqueID() == EndpointID; });
    m_system->connectEndpoints(sources, system);
}
