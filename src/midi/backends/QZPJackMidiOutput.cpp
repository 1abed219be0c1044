// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/backends/QZPJackMidiOutput.h"

#include "midi/backends/QZPJackClient.h"

#include <QElapsedTimer>
#include <QThread>
#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <cerrno>

QZPJackMidiOutput::~QZPJackMidiOutput() {
    if (m_client) {
        jack_deactivate(m_client);
        jack_client_close(m_client);
        m_client = nullptr;
    }
    release();
}

bool QZPJackMidiOutput::open(QString* error) {
    m_client = QZPJackClient::open("ToneBench Output", &QZPJackMidiOutput::process, this, error);
    if (m_client)
        m_sampleRate = double(jack_get_sample_rate(m_client));
    return m_client != nullptr;
}

void QZPJackMidiOutput::abandon() {
    m_client = nullptr; // belongs to the dead server
    release();
}

void QZPJackMidiOutput::release() {
    for (Slot& slot : m_slots) {
        slot.active.store(false);
        slot.queue.reset();
        slot.port = nullptr;
        slot.destination.clear();
        slot.credit = 0;
    }
}

// The slot of the destination; a new one is given a port of its own and connected to the destination.
QZPJackMidiOutput::Slot* QZPJackMidiOutput::slotFor(const QString& destinationPort, QString* error) {
    Slot* free = nullptr;
    for (Slot& slot : m_slots) {
        if (slot.active.load(std::memory_order_relaxed) && slot.destination == destinationPort)
            return &slot;
        if (!free && slot.destination.isEmpty())
            free = &slot;
    }
    if (!free) {
        *error = QStringLiteral("ToneBench sends to at most %1 JACK destinations at once")
                     .arg(MaximumDestinations);
        return nullptr;
    }
    if (!free->port) {
        const QByteArray name = QStringLiteral("Output %1").arg(free - m_slots.data() + 1).toUtf8();
        free->port =
            jack_port_register(m_client, name.constData(), JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        free->queue = std::make_unique<QZPJackMessageQueue>(QueueBytes);
        if (!free->port || !free->queue->isValid()) {
            *error = QStringLiteral("JACK refused an output port");
            return nullptr;
        }
        free->active.store(true, std::memory_order_release);
    }
    const int connected =
        jack_connect(m_client, jack_port_name(free->port), destinationPort.toUtf8().constData());
    if (connected != 0 && connected != EEXIST) {
        *error = QStringLiteral("JACK could not connect to %1").arg(destinationPort);
        return nullptr;
    }
    free->destination = destinationPort;
    return free;
}

bool QZPJackMidiOutput::send(const QString& destinationPort, QByteArrayView bytes, QString* error) {
    if (!m_client) {
        *error = QStringLiteral("The JACK output is not open.");
        return false;
    }
    if (bytes.isEmpty() || bytes.size() > 0xFFFF) {
        *error = QStringLiteral("A MIDI message of %1 bytes cannot be sent.").arg(bytes.size());
        return false;
    }
    Slot* slot = slotFor(destinationPort, error);
    if (!slot)
        return false;
    if (!slot->queue->push(bytes.data(), size_t(bytes.size()))) {
        *error = QStringLiteral("The JACK output to %1 is full.").arg(destinationPort);
        return false;
    }
    return true;
}

void QZPJackMidiOutput::keepOnly(const QStringList& destinationPorts) {
    for (Slot& slot : m_slots) {
        if (slot.destination.isEmpty() || destinationPorts.contains(slot.destination))
            continue;
        if (m_client)
            jack_disconnect(m_client, jack_port_name(slot.port), slot.destination.toUtf8().constData());
        slot.destination.clear(); // the port and its queue stay for the next destination
    }
}

bool QZPJackMidiOutput::waitUntilSent(int timeoutMs) {
    if (!m_client)
        return false;
    QElapsedTimer waited;
    waited.start();
    const auto queued = [this] {
        for (const Slot& slot : m_slots)
            if (slot.queue && !slot.queue->isEmpty())
                return true;
        return false;
    };
    while (queued()) {
        if (waited.elapsed() >= timeoutMs)
            return false;
        QThread::msleep(1);
    }
    // The last message was written into a cycle's buffer: one more cycle and it has left.
    const quint64 start = m_cycles.load(std::memory_order_relaxed);
    while (m_cycles.load(std::memory_order_relaxed) < start + 2) {
        if (waited.elapsed() >= timeoutMs)
            return false;
        QThread::msleep(1);
    }
    return true;
}

// The process thread: no lock, no allocation. A message waits in its queue until the cycle's buffer has
// room for it and the wire rate allows it.
int QZPJackMidiOutput::process(unsigned int frames, void* self) {
    auto* output = static_cast<QZPJackMidiOutput*>(self);
    const int rate = output->m_bytesPerSecond.load(std::memory_order_relaxed);
    const double allowance = rate > 0 ? double(rate) * frames / output->m_sampleRate : 0;
    for (Slot& slot : output->m_slots) {
        if (!slot.active.load(std::memory_order_acquire))
            continue;
        void* buffer = jack_port_get_buffer(slot.port, frames);
        jack_midi_clear_buffer(buffer);
        // A connection made a moment ago may not be in this cycle's graph yet: what is written before it
        // is would reach nobody, so the messages wait for it.
        if (jack_port_connected(slot.port) <= 0)
            continue;
        if (rate > 0) // a stalled cycle does not save up a burst: at most two cycles' worth waits
            slot.credit = std::min(slot.credit + allowance, std::max(2 * allowance, 64.0));
        for (;;) {
            const int length = slot.queue->nextLength();
            if (length < 0 || (rate > 0 && slot.credit < length) ||
                jack_midi_max_event_size(buffer) < size_t(length))
                break;
            jack_midi_data_t* event = jack_midi_event_reserve(buffer, 0, size_t(length));
            if (!event)
                break;
            slot.queue->pop(event);
            if (rate > 0)
                slot.credit -= length;
        }
    }
    output->m_cycles.fetch_add(1, std::memory_order_relaxed);
    return 0;
}
