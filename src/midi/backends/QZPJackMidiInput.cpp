// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/backends/QZPJackMidiInput.h"

#include "midi/QZPMidiBackend.h"
#include "midi/backends/QZPJackClient.h"

#include <QElapsedTimer>
#include <jack/jack.h>
#include <jack/midiport.h>

#include <cerrno>
#include <ctime>

QZPJackMidiInput::QZPJackMidiInput(Deliver deliver) : QZPMidiInput(std::move(deliver)) {
    sem_init(&m_wake, 0, 0);
}

QZPJackMidiInput::~QZPJackMidiInput() {
    stop();
    if (m_client)
        jack_client_close(m_client);
    sem_destroy(&m_wake);
}

bool QZPJackMidiInput::open(QString* error) {
    m_client = QZPJackClient::open("ToneBench Input", &QZPJackMidiInput::process, this, error);
    if (!m_client)
        return false;
    m_stopping = false;
    m_reader = std::thread([this] { read(); });
    return true;
}

void QZPJackMidiInput::abandon() {
    m_client = nullptr; // belongs to the dead server: no more process calls
    stop();
}

void QZPJackMidiInput::stop() {
    if (m_client)
        jack_deactivate(m_client);
    for (Slot& slot : m_slots)
        slot.active.store(false);
    m_stopping = true;
    sem_post(&m_wake);
    if (m_reader.joinable())
        m_reader.join();
}

void QZPJackMidiInput::listenTo(const QList<Source>& sources) {
    if (!m_client)
        return;
    for (Slot& slot : m_slots) {
        if (slot.source.isEmpty())
            continue;
        const bool kept = std::any_of(sources.begin(), sources.end(), [&](const auto& source) {
            return source.first == slot.sourceID.load() && source.second == slot.source;
        });
        if (kept)
            continue;
        slot.active.store(false, std::memory_order_release);
        jack_disconnect(m_client, slot.source.toUtf8().constData(), jack_port_name(slot.port));
        slot.source.clear();
    }
    for (const auto& source : sources) {
        const qint32 id = source.first;
        const QString& name = source.second;
        const bool listened = std::any_of(m_slots.begin(), m_slots.end(),
                                          [&](const Slot& slot) { return slot.source == name; });
        if (listened)
            continue;
        Slot* free = nullptr;
        for (Slot& slot : m_slots)
            if (slot.source.isEmpty()) {
                free = &slot;
                break;
            }
        if (!free) {
            qCWarning(lcMidi, "ToneBench listens to at most %d JACK sources at once", MaximumSources);
            return;
        }
        if (!free->port) {
            const QByteArray portName = QStringLiteral("Input %1").arg(free - m_slots.data() + 1).toUtf8();
            free->port = jack_port_register(m_client, portName.constData(), JACK_DEFAULT_MIDI_TYPE,
                                            JackPortIsInput, 0);
            free->queue = std::make_unique<QZPJackMessageQueue>(QueueBytes);
            if (!free->port || !free->queue->isValid())
                return;
        }
        free->source = name;
        free->sourceID.store(id);
        free->active.store(true, std::memory_order_release);
        const int connected = jack_connect(m_client, name.toUtf8().constData(), jack_port_name(free->port));
        if (connected != 0 && connected != EEXIST)
            qCWarning(lcMidi).noquote() << "Cannot listen to" << name;
    }
}

// The process thread: no lock, no allocation, no waiting. An event that does not fit its queue is counted.
int QZPJackMidiInput::process(unsigned int frames, void* self) {
    auto* input = static_cast<QZPJackMidiInput*>(self);
    bool wrote = false;
    for (Slot& slot : input->m_slots) {
        if (!slot.active.load(std::memory_order_acquire))
            continue;
        void* buffer = jack_port_get_buffer(slot.port, frames);
        const jack_nframes_t count = jack_midi_get_event_count(buffer);
        for (jack_nframes_t i = 0; i < count; ++i) {
            jack_midi_event_t event{};
            if (jack_midi_event_get(&event, buffer, i) != 0 || event.size == 0)
                continue;
            if (slot.queue->push(event.buffer, event.size))
                wrote = true;
            else
                input->countOverflow();
        }
    }
    if (wrote)
        sem_post(&input->m_wake);
    return 0;
}

// The reader thread: takes what the process thread queued and hands it on.
void QZPJackMidiInput::read() {
    QByteArray event;
    QElapsedTimer clock;
    clock.start();
    while (!m_stopping.load()) {
        timespec until{};
        clock_gettime(CLOCK_REALTIME, &until);
        until.tv_nsec += 100 * 1000 * 1000;
        if (until.tv_nsec >= 1000 * 1000 * 1000) {
            until.tv_sec += 1;
            until.tv_nsec -= 1000 * 1000 * 1000;
        }
        sem_timedwait(&m_wake, &until);
        for (Slot& slot : m_slots) {
            if (!slot.queue)
                continue;
            for (int length; (length = slot.queue->nextLength()) >= 0;) {
                event.resize(length);
                slot.queue->pop(event.data());
                if (slot.active.load(std::memory_order_acquire))
                    take(slot, event);
            }
        }
        reportDrops(clock.elapsed());
    }
}

// A SysEx spread over several events is joined again; anything else goes on as it came.
void QZPJackMidiInput::take(Slot& slot, QByteArrayView event) {
    const qint32 id = slot.sourceID.load();
    if (id != slot.joinedSourceID) { // the slot listens to another source now
        slot.joiner.reset();
        slot.joinedSourceID = id;
    }
    if (slot.joiner.take(event, [&](QByteArrayView message) { deliver(id, message); }))
        countOverlong();
}
