#include "sound/QZPSoundMidiBackend.h"

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
    // Messages the sound does not play (program changes, other SysEx) pass without a word, as an
    // instrument ignores them. The sound follows every message, heard or not.
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

void QZPSoundMidiBackend::connectEndpoints(const QList<QZPMidiEndpoint>& sources,
                                           const QList<QZPMidiEndpoint>& destinations) {
    QList<QZPMidiEndpoint> system = destinations;
    system.removeIf([](const QZPMidiEndpoint& e) { return e.uniqueID() == EndpointID; });
    m_system->connectEndpoints(sources, system);
}
