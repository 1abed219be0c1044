// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/backends/QZPRtMidiBackend.h"

#include "midi/backends/QZPAlsaMidiInput.h"
#include "midi/backends/QZPJackMidiInput.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <jack/jack.h>
#include <rtmidi/RtMidi.h>
#include <unistd.h>

namespace {

constexpr int RetryIntervalMs = 3000;

RtMidi::Api rtApi(QZPRtMidiBackend::Api api) {
    return api == QZPRtMidiBackend::Api::Alsa ? RtMidi::LINUX_ALSA : RtMidi::UNIX_JACK;
}

bool isOwnPort(const QString& name) {
    return name.startsWith(QLatin1String(QZPRtMidiBackend::ClientName));
}

QStringList portNames(RtMidi& midi) {
    QStringList names;
    const unsigned count = midi.getPortCount();
    for (unsigned i = 0; i < count; ++i) {
        const QString name = QString::fromStdString(midi.getPortName(i));
        if (!name.isEmpty())
            names << name;
    }
    return names;
}

int portIndex(RtMidi& midi, const QString& portName) {
    const unsigned count = midi.getPortCount();
    for (unsigned i = 0; i < count; ++i)
        if (QString::fromStdString(midi.getPortName(i)) == portName)
            return int(i);
    return -1;
}

void jackMessage(const char* text) {
    qCDebug(lcMidi, "JACK: %s", text);
}

} // namespace

QZPRtMidiBackend::QZPRtMidiBackend(Api api) : m_api(api) {
    m_sinceRetry.start();
}

QZPRtMidiBackend::~QZPRtMidiBackend() {
    stop();
    if (m_monitor)
        jack_client_close(m_monitor);
}

QString QZPRtMidiBackend::name() const {
    return m_api == Api::Alsa ? QStringLiteral("alsa") : QStringLiteral("jack");
}

QZPMidiPortIdentity::System QZPRtMidiBackend::system() const {
    return m_api == Api::Alsa ? QZPMidiPortIdentity::System::Alsa : QZPMidiPortIdentity::System::Jack;
}

bool QZPRtMidiBackend::alsaSequencerAvailable(QString* why) {
    if (::access("/dev/snd/seq", R_OK | W_OK) != 0) {
        if (why)
            *why = QStringLiteral("the ALSA sequencer /dev/snd/seq cannot be opened");
        return false;
    }
    return true;
}

bool QZPRtMidiBackend::jackServerRunning(QString* why) {
    // libjack's own messages go to the log, not to the terminal.
    static const bool routed = [] {
        jack_set_error_function(jackMessage);
        jack_set_info_function(jackMessage);
        return true;
    }();
    Q_UNUSED(routed);
    jack_status_t status{};
    jack_client_t* client = jack_client_open("ToneBench Probe", JackNoStartServer, &status);
    if (!client) {
        if (why)
            *why = QStringLiteral("no JACK server is running");
        return false;
    }
    jack_client_close(client);
    return true;
}

std::unique_ptr<QZPRtMidiBackend> QZPRtMidiBackend::open(Api api, QString* error) {
    if (api == Api::Alsa ? !alsaSequencerAvailable(error) : !jackServerRunning(error))
        return nullptr;
    std::unique_ptr<QZPRtMidiBackend> backend(new QZPRtMidiBackend(api));
    if (!backend->start(error))
        return nullptr;
    return backend;
}

bool QZPRtMidiBackend::start(QString* error) {
    try {
        m_scanIn = std::make_unique<RtMidiIn>(rtApi(m_api), ScanClientName);
        m_scanIn->setErrorCallback(&QZPRtMidiBackend::errorCallback, this);
        m_scanOut = std::make_unique<RtMidiOut>(rtApi(m_api), ScanClientName);
        m_scanOut->setErrorCallback(&QZPRtMidiBackend::errorCallback, this);
    } catch (const RtMidiError& e) {
        if (error)
            *error = QString::fromStdString(e.getMessage());
        m_scanIn.reset();
        m_scanOut.reset();
        return false;
    }
    const auto deliverInput = [this](qint32 sourceID, QByteArrayView bytes) {
        deliver(sourceID, bytes);
    };
    if (m_api == Api::Jack)
        m_input = std::make_unique<QZPJackMidiInput>(deliverInput);
    else
        m_input = std::make_unique<QZPAlsaMidiInput>(deliverInput);
    if (!m_input->open(error)) {
        stop();
        return false;
    }
    if (m_api == Api::Jack) {
        m_jackOutput = std::make_unique<QZPJackMidiOutput>();
        if (!m_jackOutput->open(error)) {
            stop();
            return false;
        }
        m_jackOutput->setBytesPerSecond(m_wireRate);
        jack_status_t status{};
        m_monitor = jack_client_open("ToneBench Monitor", JackNoStartServer, &status);
        if (m_monitor) {
            jack_on_shutdown(m_monitor, &QZPRtMidiBackend::jackShutdown, this);
            jack_set_process_callback(m_monitor, &QZPRtMidiBackend::jackProcess, this);
            jack_activate(m_monitor);
        }
    }
    m_serverGone = false;
    return true;
}

int QZPRtMidiBackend::jackProcess(unsigned int, void* userData) {
    static_cast<QZPRtMidiBackend*>(userData)->m_cycles.fetch_add(1, std::memory_order_relaxed);
    return 0;
}

void QZPRtMidiBackend::setWireRate(int bytesPerSecond) {
    m_wireRate = bytesPerSecond;
    if (m_jackOutput)
        m_jackOutput->setBytesPerSecond(bytesPerSecond);
}

bool QZPRtMidiBackend::waitUntilSent(int timeoutMs) {
    if (m_api != Api::Jack)
        return true;
    if (m_jackOutput && !m_serverGone)
        return m_jackOutput->waitUntilSent(timeoutMs);
    if (!m_monitor || m_serverGone)
        return false;
    QElapsedTimer waited;
    waited.start();
    const quint64 start = m_cycles.load(std::memory_order_relaxed);
    while (m_cycles.load(std::memory_order_relaxed) < start + 2) {
        if (m_serverGone || waited.elapsed() >= timeoutMs)
            return false;
        QThread::msleep(1);
    }
    return true;
}

void QZPRtMidiBackend::stopReceiving() {
    if (m_input)
        m_input->stop();
}

void QZPRtMidiBackend::stop() {
    m_input.reset();
    m_jackOutput.reset();
    forgetLastOutput();
    m_outputs.clear();
    m_scanIn.reset();
    m_scanOut.reset();
}

void QZPRtMidiBackend::jackShutdown(void* userData) {
    static_cast<QZPRtMidiBackend*>(userData)->m_serverGone = true;
}

// Whether the MIDI system can be used now. A JACK server that stopped is reported once; every few
// seconds the back-end looks whether one runs again and starts afresh on it.
bool QZPRtMidiBackend::available() {
    if (!m_serverGone)
        return m_scanIn && m_scanOut;
    if (!m_reportedGone) {
        m_reportedGone = true;
        qCWarning(lcMidi, "The JACK server stopped: no MIDI devices until it runs again.");
        // The RtMidi clients belong to the dead server: they are let go without talking to it.
        for (auto& entry : m_outputs)
            (void)entry.second.out.release();
        m_outputs.clear();
        forgetLastOutput();
        (void)m_scanIn.release();
        (void)m_scanOut.release();
        // Our own JACK clients too: their memory goes, their clients are not spoken to again.
        if (m_jackOutput)
            m_jackOutput->abandon();
        m_jackOutput.reset();
        if (m_input)
            m_input->abandon();
        m_input.reset();
        m_monitor = nullptr;
        m_sinceRetry.restart();
    }
    if (m_sinceRetry.elapsed() < RetryIntervalMs)
        return false;
    m_sinceRetry.restart();
    QString why;
    if (!jackServerRunning(&why) || !start(&why))
        return false;
    m_reportedGone = false;
    qCInfo(lcMidi, "The JACK server runs again.");
    return true;
}

QList<QZPMidiEndpoint> QZPRtMidiBackend::sources() {
    if (!available())
        return {};
    QStringList names = portNames(*m_scanIn);
    names.removeIf(isOwnPort);
    return QZPMidiPortIdentity::endpoints(names, system(), QZPMidiEndpoint::Direction::Source);
}

QList<QZPMidiEndpoint> QZPRtMidiBackend::destinations() {
    if (!available())
        return {};
    QStringList names = portNames(*m_scanOut);
    names.removeIf(isOwnPort);
    return QZPMidiPortIdentity::endpoints(names, system(), QZPMidiEndpoint::Direction::Destination);
}

// The open output to the destination, opened on first use. Outputs whose port went away or changed
// its name are closed at each refresh (connectEndpoints), so the unique ID alone finds the right one.
RtMidiOut* QZPRtMidiBackend::output(const QZPMidiEndpoint& destination, QString* error) {
    if (m_lastOutput && m_lastOutputID == destination.uniqueID())
        return m_lastOutput;
    auto it = m_outputs.find(destination.uniqueID());
    if (it == m_outputs.end()) {
        auto out = std::make_unique<RtMidiOut>(rtApi(m_api), ClientName);
        out->setErrorCallback(&QZPRtMidiBackend::errorCallback, this);
        const int index = portIndex(*out, destination.portName());
        if (index < 0) {
            *error = QStringLiteral("The destination is not there any more.");
            return nullptr;
        }
        out->openPort(unsigned(index), "ToneBench Output");
        if (!error->isEmpty())
            return nullptr;
        it = m_outputs.emplace(destination.uniqueID(), Output{destination.portName(), std::move(out)}).first;
    }
    m_lastOutputID = destination.uniqueID();
    m_lastOutput = it->second.out.get();
    return m_lastOutput;
}

bool QZPRtMidiBackend::send(const QZPMidiEndpoint& destination, QByteArrayView bytes, QString* error) {
    if (!available()) {
        *error = QStringLiteral("The MIDI system is not available.");
        return false;
    }
    if (m_jackOutput)
        return m_jackOutput->send(destination.portName(), bytes, error);
    m_capturedError = error;
    try {
        if (RtMidiOut* out = output(destination, error))
            out->sendMessage(reinterpret_cast<const unsigned char*>(bytes.data()), size_t(bytes.size()));
    } catch (const RtMidiError& e) {
        *error = QString::fromStdString(e.getMessage());
    }
    m_capturedError = nullptr;
    return error->isEmpty();
}

void QZPRtMidiBackend::connectEndpoints(const QList<QZPMidiEndpoint>& sources,
                                        const QList<QZPMidiEndpoint>& destinations) {
    if (!available())
        return;
    forgetLastOutput();
    if (m_jackOutput) {
        QStringList present;
        for (const QZPMidiEndpoint& destination : destinations)
            present << destination.portName();
        m_jackOutput->keepOnly(present);
    }
    if (m_input) {
        QList<QZPMidiInput::Source> listened;
        for (const QZPMidiEndpoint& source : sources)
            listened.append({source.uniqueID(), source.portName()});
        m_input->listenTo(listened);
    }
    // Outputs to destinations that went away are closed; a returning device is opened afresh.
    for (auto it = m_outputs.begin(); it != m_outputs.end();) {
        const bool present =
            std::any_of(destinations.begin(), destinations.end(), [&](const QZPMidiEndpoint& d) {
                return d.uniqueID() == it->first && d.portName() == it->second.portName;
            });
        it = present ? std::next(it) : m_outputs.erase(it);
    }
}

// userData is the back-end for the objects used on the main thread.
void QZPRtMidiBackend::errorCallback(RtMidiError::Type type, const std::string& text, void* userData) {
    const QString message = QString::fromStdString(text);
    auto* backend = static_cast<QZPRtMidiBackend*>(userData);
    if (backend && backend->m_capturedError && type != RtMidiError::WARNING &&
        type != RtMidiError::DEBUG_WARNING) {
        *backend->m_capturedError = message;
        return;
    }
    static thread_local QString last;
    if (message == last)
        return; // a fault that repeats is logged once
    last = message;
    if (type == RtMidiError::DEBUG_WARNING)
        qCDebug(lcMidi).noquote() << "RtMidi:" << message;
    else
        qCWarning(lcMidi).noquote() << "RtMidi:" << message;
}
