// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/backends/QZPJackDawPorts.h"

#include "midi/backends/QZPJackClient.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <vector>

QZPJackDawPorts::QZPJackDawPorts(Deliver deliver) : m_deliver(std::move(deliver)) {
    sem_init(&m_wake, 0, 0);
}

QZPJackDawPorts::~QZPJackDawPorts() {
    if (m_client) {
        jack_deactivate(m_client);
        jack_client_close(m_client);
        m_client = nullptr;
    }
    if (m_reader.joinable()) {
        m_stopping.store(true);
        sem_post(&m_wake);
        m_reader.join();
    }
    sem_destroy(&m_wake);
}

bool QZPJackDawPorts::open(QString* error) {
    if (!m_incoming.isValid() || !m_outgoing.isValid()) {
        *error = QStringLiteral("no room for the DAW port's queues");
        return false;
    }
    m_client = QZPJackClient::open(Name, &QZPJackDawPorts::process, this, error);
    if (!m_client)
        return false;
    jack_port_t* in = jack_port_register(m_client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    jack_port_t* out = jack_port_register(m_client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (!in || !out) {
        *error = QStringLiteral("JACK refused the ports of “%1”").arg(QLatin1String(Name));
        jack_deactivate(m_client);
        jack_client_close(m_client);
        m_client = nullptr;
        return false;
    }
    m_in.store(in, std::memory_order_release);
    m_out.store(out, std::memory_order_release);
    m_reader = std::thread([this] { read(); });
    return true;
}

QString QZPJackDawPorts::inputPortName() const {
    jack_port_t* port = m_in.load();
    return port ? QString::fromUtf8(jack_port_name(port)) : QString();
}

QString QZPJackDawPorts::outputPortName() const {
    jack_port_t* port = m_out.load();
    return port ? QString::fromUtf8(jack_port_name(port)) : QString();
}

bool QZPJackDawPorts::send(QByteArrayView bytes) {
    return m_client && !bytes.isEmpty() && m_outgoing.push(bytes.data(), size_t(bytes.size()));
}

int QZPJackDawPorts::process(unsigned int frames, void* self) {
    auto* ports = static_cast<QZPJackDawPorts*>(self);
    if (jack_port_t* in = ports->m_in.load(std::memory_order_acquire)) {
        void* buffer = jack_port_get_buffer(in, frames);
        const jack_nframes_t count = jack_midi_get_event_count(buffer);
        bool arrived = false;
        for (jack_nframes_t i = 0; i < count; ++i) {
            jack_midi_event_t event{};
            if (jack_midi_event_get(&event, buffer, i) == 0 && event.size > 0)
                arrived = ports->m_incoming.push(event.buffer, event.size) || arrived;
        }
        if (arrived)
            sem_post(&ports->m_wake);
    }
    if (jack_port_t* out = ports->m_out.load(std::memory_order_acquire)) {
        void* buffer = jack_port_get_buffer(out, frames);
        jack_midi_clear_buffer(buffer);
        for (int length = ports->m_outgoing.nextLength(); length > 0;
             length = ports->m_outgoing.nextLength()) {
            jack_midi_data_t* room = jack_midi_event_reserve(buffer, 0, size_t(length));
            if (!room)
                break; // the rest goes out in the next cycle
            ports->m_outgoing.pop(room);
        }
    }
    return 0;
}

void QZPJackDawPorts::read() {
    std::vector<char> message;
    while (true) {
        sem_wait(&m_wake);
        if (m_stopping.load())
            return;
        for (int length = m_incoming.nextLength(); length > 0; length = m_incoming.nextLength()) {
            message.resize(size_t(length));
            m_incoming.pop(message.data());
            m_deliver(QByteArray(message.data(), length));
        }
    }
}
