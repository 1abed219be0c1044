// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/QZPMidiEngine.h"

#include "midi/QZPMidiMessageDelegate.h"
#include "midi/QZPMidiStreamParser.h"
#include "midi/QZPSysexMessage.h"
#include "midi/backends/QZPVirtualMidiBackend.h"
#include "model/QZPSettings.h"

#include <QCoreApplication>

namespace {
QString sharedChoice;
bool endpointListsMatch(const QList<QZPMidiEndpoint>& a, const QList<QZPMidiEndpoint>& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a.at(i) != b.at(i) || a.at(i).displayName() != b.at(i).displayName() ||
            a.at(i).portName() != b.at(i).portName())
            return false;
    return true;
}
} // namespace

void QZPMidiEngine::setSharedBackendChoice(const QString& choice) {
    sharedChoice = choice;
}

QZPMidiEngine* QZPMidiEngine::sharedInstance() {
    static QZPMidiEngine* engine = [] {
        const auto open = [] {
            QString explanation;
            std::unique_ptr<QZPMidiBackend> backend = QZPMidiBackend::create(sharedChoice, &explanation);
            if (!backend)
                backend = QZPMidiBackend::create(QStringLiteral("auto"), &explanation);
            qCInfo(lcMidi).noquote() << explanation;
            return backend;
        };
        auto* shared =
            new QZPMidiEngine(BackendOpener(open), QZPSettings::standard(), QCoreApplication::instance());
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, shared,
                         &QZPMidiEngine::applicationWillTerminate);
        return shared;
    }();
    return engine;
}

QZPMidiEngine::QZPMidiEngine(BackendOpener opener, QZPSettings* settings, QObject* parent)
    : QZPMidiEngine(std::make_unique<QZPVirtualMidiBackend>(QStringLiteral("none")), settings, parent) {
    m_backendOpen = false;
    m_opener = std::move(opener);
}

// The MIDI system opens on a thread of its own (JACK's clients take a while to open, and longer right
// after another instance closed its own), and is taken in on the engine's thread once open: the window
// answers meanwhile. A back-end the engine never took (it went first) goes with the queued call.
void QZPMidiEngine::openBackend() {
    if (m_backendOpen || !m_opener)
        return;
    m_opening = std::thread([this, opener = std::exchange(m_opener, {})] {
        auto opened = std::make_shared<std::unique_ptr<QZPMidiBackend>>(opener());
        QMetaObject::invokeMethod(
            this,
            [this, opened] {
                m_backendOpen = true;
                adoptBackend(std::move(*opened));
                emit backendOpened();
            },
            Qt::QueuedConnection);
    });
}

QZPMidiEngine::QZPMidiEngine(std::unique_ptr<QZPMidiBackend> backend, QZPSettings* settings, QObject* parent)
    : QObject(parent), m_settings(settings),
      m_output([this](const QZPMidiEndpoint& d, QByteArrayView b, QString* e) {
          return deliverToBackend(d, b, e);
      }) {
    m_clock.start();
    connect(&m_output, &QZPMidiOutputQueue::bytesPerSecondChanged, this,
            [this](int rate) { m_backend->setWireRate(rate); });
    if (m_settings) {
        m_disconnectedSrcID = qint32(m_settings->intValue(QZPSettings::MidiDeviceInKey));
        m_disconnectedDstID = qint32(m_settings->intValue(QZPSettings::MidiDeviceOutKey));
    }
    connect(&m_pollTimer, &QTimer::timeout, this, &QZPMidiEngine::pollEndpoints);
    setPollInterval(DefaultPollIntervalMs);
    adoptBackend(std::move(backend));
}

// Takes the back-end's ports and input in place of the last one's (whose input stops first).
void QZPMidiEngine::adoptBackend(std::unique_ptr<QZPMidiBackend> backend) {
    if (m_backend)
        m_backend->stopReceiving();
    m_backend = std::move(backend);
    // A back-end that paces what it hands on (JACK) keeps to the same rate as the queue.
    m_backend->setWireRate(m_output.bytesPerSecond());
    // Input arrives on the MIDI system's thread; it is handed to the main thread before any parsing. That
    // thread is never held up and never fills memory: a delivery longer than any message ToneBench takes
    // is dropped before it is copied, and so is one that finds the queue to the main thread full. Both
    // are counted and reported from the main thread.
    m_backend->setInputHandler([this](qint32 sourceID, QByteArrayView bytes) {
        if (bytes.size() > MaximumDeliveryLength) {
            m_droppedLong.fetch_add(1, std::memory_order_relaxed);
            qint64 longest = m_longestDropped.load(std::memory_order_relaxed);
            while (bytes.size() > longest && !m_longestDropped.compare_exchange_weak(
                                                 longest, bytes.size(), std::memory_order_relaxed)) {
            }
            scheduleDropReport();
            return;
        }
        if (m_pendingDeliveries.fetch_add(1, std::memory_order_acq_rel) >= MaximumPendingDeliveries) {
            m_pendingDeliveries.fetch_sub(1, std::memory_order_acq_rel);
            m_droppedFlood.fetch_add(1, std::memory_order_relaxed);
            scheduleDropReport();
            return;
        }
        QMetaObject::invokeMethod(
            this,
            [this, sourceID, copy = bytes.toByteArray()] {
                m_pendingDeliveries.fetch_sub(1, std::memory_order_acq_rel);
                receive(sourceID, copy);
            },
            Qt::QueuedConnection);
    });
    refreshAvailableEndpoints();
}

QZPMidiEngine::~QZPMidiEngine() {
    if (m_opening.joinable())
        m_opening.join();
    // No input may arrive while the engine goes away: the inputs are closed (their threads joined)
    // before the back-end and its handler go.
    m_backend->stopReceiving();
    m_backend.reset();
}

void QZPMidiEngine::setSource(const QZPMidiEndpoint& source) {
    if (!source.isNull())
        m_disconnectedSrcID = 0;
    const bool changed = m_source != source;
    m_source = source; // the same endpoint may come back under a new port name
    if (changed)
        emit sourceChanged();
}

void QZPMidiEngine::setDestination(const QZPMidiEndpoint& destination) {
    if (!destination.isNull())
        m_disconnectedDstID = 0;
    const bool changed = m_destination != destination;
    m_destination = destination;
    if (changed)
        emit destinationChanged();
}

void QZPMidiEngine::setTargetedMidiChannel(int channel) {
    if (m_targetedMidiChannel.exchange(channel) != channel)
        emit targetedMidiChannelChanged();
}

QZPMidiMessageDelegate* QZPMidiEngine::delegate() const {
    if (m_delegateIsObject && !m_delegateObject)
        return nullptr;
    return m_delegate;
}

QZPError QZPMidiEngine::noDestinationError() {
    return QZPError::make(
        QString::fromLatin1(QZPError::ToneBenchDomain), -1,
        QCoreApplication::translate("QZPMidiEngine", "Can't Send Preset: No MIDI Destination"), QString(),
        QCoreApplication::translate("QZPMidiEngine",
                                    "Please select a valid MIDI Output device from the “MIDI” menu."));
}

void QZPMidiEngine::setDelegate(QZPMidiMessageDelegate* delegate) {
    m_delegate = delegate;
    m_delegateObject = dynamic_cast<QObject*>(delegate);
    m_delegateIsObject = m_delegateObject != nullptr;
}

void QZPMidiEngine::refreshAvailableEndpoints() {
    m_sources = QZPMidiEndpoint::sortedUnique(m_backend->sources());
    m_destinations = QZPMidiEndpoint::sortedUnique(m_backend->destinations());
    m_backend->connectEndpoints(m_sources, m_destinations);
    disconnectOrReconnectCurrentEndpoints();
    emit setupChanged();
}

void QZPMidiEngine::disconnectOrReconnectCurrentEndpoints() {
    const QZPMidiEndpoint lost = m_destination;
    const QZPMidiEndpoint destination = updatedEndpoint(m_destination, m_destinations, &m_disconnectedDstID);
    const QZPMidiEndpoint source = updatedEndpoint(m_source, m_sources, &m_disconnectedSrcID);
    if (!lost.isNull() && destination.isNull()) {
        const int dropped = m_output.purge(lost.uniqueID());
        if (dropped > 0)
            qCWarning(lcMidi).noquote() << QStringLiteral("Dropped %1 messages waiting for %2: it went away.")
                                               .arg(dropped)
                                               .arg(lost.description());
    }
    setDestination(destination);
    setSource(source);
}

QZPMidiEndpoint QZPMidiEngine::updatedEndpoint(const QZPMidiEndpoint& endpoint,
                                               const QList<QZPMidiEndpoint>& collection,
                                               qint32* disconnectionID) {
    if (!endpoint.isNull()) {
        const qsizetype index = collection.indexOf(endpoint);
        if (index >= 0)
            return collection.at(index); // as listed now: the port name may have changed
        *disconnectionID = endpoint.uniqueID();
        return {};
    }
    for (const QZPMidiEndpoint& candidate : collection)
        if (candidate.uniqueID() == *disconnectionID && *disconnectionID != 0)
            return candidate;
    return {};
}

void QZPMidiEngine::applicationWillTerminate() {
    m_pollTimer.stop();
    // Before its MIDI system opened, the engine knows no device: the remembered ones stay.
    if (!m_settings || !m_backendOpen)
        return;
    m_settings->setValue(QZPSettings::MidiDeviceInKey, m_source.uniqueID());
    m_settings->setValue(QZPSettings::MidiDeviceOutKey, m_destination.uniqueID());
}

void QZPMidiEngine::setPollInterval(int milliseconds) {
    if (milliseconds <= 0) {
        m_pollTimer.stop();
        return;
    }
    m_pollTimer.start(milliseconds);
}

bool QZPMidiEngine::pollEndpoints() {
    const QList<QZPMidiEndpoint> sources = QZPMidiEndpoint::sortedUnique(m_backend->sources());
    const QList<QZPMidiEndpoint> destinations = QZPMidiEndpoint::sortedUnique(m_backend->destinations());
    if (endpointListsMatch(sources, m_sources) && endpointListsMatch(destinations, m_destinations))
        return false;
    refreshAvailableEndpoints();
    return true;
}

// From the MIDI thread: at most one report waits at a time, so a flood of drops queues nothing more.
void QZPMidiEngine::scheduleDropReport() {
    if (m_dropReportScheduled.exchange(true, std::memory_order_acq_rel))
        return;
    QMetaObject::invokeMethod(this, &QZPMidiEngine::reportDrops, Qt::QueuedConnection);
}

// One line for everything dropped since the last report; the next report comes a second later at the
// earliest.
void QZPMidiEngine::reportDrops() {
    const qint64 longCount = m_droppedLong.exchange(0, std::memory_order_relaxed);
    const qint64 longest = m_longestDropped.exchange(0, std::memory_order_relaxed);
    const qint64 floodCount = m_droppedFlood.exchange(0, std::memory_order_relaxed);
    if (longCount > 0)
        qCWarning(lcMidi).noquote() << QStringLiteral(
                                           "Dropped %1 MIDI input longer than %2 bytes (the longest "
                                           "%3 bytes): ToneBench takes nothing that long.")
                                           .arg(longCount)
                                           .arg(MaximumDeliveryLength)
                                           .arg(longest);
    if (floodCount > 0)
        qCWarning(lcMidi).noquote()
            << QStringLiteral("Dropped %1 MIDI input that arrived faster than ToneBench could take it.")
                   .arg(floodCount);
    QTimer::singleShot(DropReportIntervalMs, this, [this] {
        m_dropReportScheduled.store(false, std::memory_order_release);
        if (m_droppedLong.load(std::memory_order_relaxed) > 0 ||
            m_droppedFlood.load(std::memory_order_relaxed) > 0)
            scheduleDropReport();
    });
}

// A refused message is logged by its first bytes and its length, and at most a few lines a second.
void QZPMidiEngine::logRefused(const QString& reason, const QByteArray& message) {
    if (!m_refusedLog.allow(m_clock.elapsed()))
        return;
    QString line =
        QStringLiteral("Sysex Error: %1 (Sysex Data: %2)").arg(reason, QZPSysexMessage::hexExcerpt(message));
    if (const qint64 left = m_refusedLog.takeSuppressed(); left > 0)
        line += QStringLiteral(" (%1 more refused messages were not logged)").arg(left);
    qCWarning(lcMidi).noquote() << line;
}

void QZPMidiEngine::receive(qint32 sourceID, const QByteArray& bytes) {
    if (!m_source.isNull() && m_source.uniqueID() != sourceID)
        return;
    const QZPMidiStreamParser::Result parsed = QZPMidiStreamParser::split(bytes);
    if (passesThru())
        for (const QByteArray& message : parsed.messages)
            if (QZPSysexMessage::isPerformanceMessage(message)) {
                QByteArray onChannel = message;
                onChannel[0] = char((quint8(message.at(0)) & 0xF0) | quint8(m_targetedMidiChannel.load()));
                sendMIDICommand(onChannel);
            }
    // Without a delegate only sysexReceived listens: broken SysEx is ignored, not logged.
    if (delegate()) {
        const auto refuse = [this](const QList<QByteArray>& broken, const char* why) {
            for (const QByteArray& sysex : broken)
                logRefused(QCoreApplication::translate("QZPMidiEngine", why), sysex);
        };
        refuse(parsed.cutShort,
               QT_TRANSLATE_NOOP("QZPMidiEngine", "Sysex message cut short by the next message."));
        refuse(parsed.unterminated, QT_TRANSLATE_NOOP("QZPMidiEngine", "Sysex message ended without F7."));
    }
    m_currentSourceID = sourceID;
    for (const QByteArray& message : parsed.messages)
        handleMIDICommand(message);
    m_currentSourceID = 0;
}

const char* QZPMidiEngine::midiThruKey() const {
    return m_backend->isBuiltInSound(m_destination.uniqueID()) ? QZPSettings::MidiThruSoundKey
                                                               : QZPSettings::MidiThruInstrumentKey;
}

bool QZPMidiEngine::passesThru() const {
    if (m_destination.isNull())
        return false;
    const char* key = midiThruKey();
    return m_settings ? m_settings->boolValue(key) : QZPSettings::registeredDefaults().value(key).toBool();
}

void QZPMidiEngine::handleMIDICommand(const QByteArray& message) {
    if (const quint8 status = message.isEmpty() ? 0 : quint8(message.at(0));
        status >= 0x80 && status < 0xF0) {
        emit channelMessageReceived(message);
        return;
    }
    if (!QZPSysexMessage::isSysex(message) || message.size() < 2)
        return;
    const QZPSysexMessage::Verdict verdict = QZPSysexMessage::classify(message);
    if (!verdict.accepted) {
        if (delegate())
            logRefused(verdict.errorText, message);
        return;
    }
    emit sysexReceived(message, verdict.type);
    if (QZPMidiMessageDelegate* target = delegate())
        target->midiEngineDidReceiveSysex(this, message, verdict.type);
}

void QZPMidiEngine::sendSysex(QByteArrayView bytes) {
    if (m_destination.isNull())
        return;
    sendMIDICommand(bytes);
}

void QZPMidiEngine::sendSysexControl(quint8 control, quint8 value) {
    const auto message =
        QZPSysexMessage::controlMessageBytes(quint8(m_targetedMidiChannel.load()), control, value);
    sendSysex(QByteArrayView(message.data(), message.size()));
}

void QZPMidiEngine::sendControl(quint8 controller, quint8 value) {
    sendMIDICommand(QZPSysexMessage::controlChange(quint8(m_targetedMidiChannel.load()), controller, value));
}

void QZPMidiEngine::sendProgramChange(quint8 program) {
    sendMIDICommand(QZPSysexMessage::programChange(quint8(m_targetedMidiChannel.load()), program));
}

void QZPMidiEngine::sendNoteOn(quint8 note, quint8 velocity) {
    sendMIDICommand(QZPSysexMessage::noteOn(quint8(m_targetedMidiChannel.load()), note, velocity));
}

void QZPMidiEngine::sendNoteOff(quint8 note, quint8 velocity) {
    sendMIDICommand(QZPSysexMessage::noteOff(quint8(m_targetedMidiChannel.load()), note, velocity));
}

void QZPMidiEngine::sendAllNotesOff() {
    for (int note = 0; note < 128; ++note)
        sendNoteOff(quint8(note));
}

void QZPMidiEngine::sendMIDICommand(QByteArrayView command) {
    if (m_destination.isNull()) {
        qCWarning(lcMidi).noquote() << QStringLiteral("Unable to send command %1 to endpoint %2: %3")
                                           .arg(QZPSysexMessage::hexExcerpt(command.toByteArray()),
                                                m_destination.description(),
                                                QStringLiteral("No destination is chosen."));
        return;
    }
    m_output.enqueue(m_destination, command);
}

bool QZPMidiEngine::deliverToBackend(const QZPMidiEndpoint& destination, QByteArrayView bytes,
                                     QString* error) {
    if (m_backend->send(destination, bytes, error)) {
        emit messageSent();
        return true;
    }
    qCWarning(lcMidi).noquote() << QStringLiteral("Unable to send command %1 to endpoint %2: %3")
                                       .arg(QZPSysexMessage::hexExcerpt(bytes.toByteArray()),
                                            destination.description(), *error);
    return false;
}
