// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/backends/QZPAlsaDawPorts.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <poll.h>
#include <vector>

namespace {
// The longest channel message; longer ones (SysEx) are not a sequencer's automation.
constexpr size_t EncoderBytes = 3;
} // namespace

QZPAlsaDawPorts::QZPAlsaDawPorts(Deliver deliver) : m_deliver(std::move(deliver)) {}

QZPAlsaDawPorts::~QZPAlsaDawPorts() {
    close();
}

void QZPAlsaDawPorts::close() {
    m_stopping = true;
    m_wake.wake();
    if (m_reader.joinable())
        m_reader.join();
    if (m_sequencer)
        snd_seq_close(m_sequencer);
    m_sequencer = nullptr;
    if (m_encoder)
        snd_midi_event_free(m_encoder);
    m_encoder = nullptr;
}

bool QZPAlsaDawPorts::open(QString* error) {
    if (snd_seq_open(&m_sequencer, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) {
        m_sequencer = nullptr;
        *error = QStringLiteral("the ALSA sequencer cannot be opened");
        return false;
    }
    snd_seq_set_client_name(m_sequencer, Name);
    m_port = snd_seq_create_simple_port(m_sequencer, Name,
                                        SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ |
                                            SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE |
                                            SND_SEQ_PORT_CAP_DUPLEX,
                                        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (m_port < 0 || !m_decoder.isValid() || snd_midi_event_new(EncoderBytes, &m_encoder) < 0 ||
        !m_wake.open()) {
        m_encoder = nullptr;
        *error = QStringLiteral("the ALSA sequencer refused the port “%1”").arg(QLatin1String(Name));
        close();
        return false;
    }
    m_stopping = false;
    m_reader = std::thread([this] { read(); });
    return true;
}

int QZPAlsaDawPorts::client() const {
    return m_sequencer ? snd_seq_client_id(m_sequencer) : -1;
}

bool QZPAlsaDawPorts::send(QByteArrayView bytes) {
    if (!m_sequencer || bytes.isEmpty() || size_t(bytes.size()) > EncoderBytes)
        return false;
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    snd_midi_event_reset_encode(m_encoder);
    if (snd_midi_event_encode(m_encoder, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                              &event) != bytes.size() ||
        event.type == SND_SEQ_EVENT_NONE)
        return false;
    snd_seq_ev_set_source(&event, m_port);
    snd_seq_ev_set_subs(&event);
    snd_seq_ev_set_direct(&event);
    std::lock_guard lock(m_mutex);
    return snd_seq_event_output_direct(m_sequencer, &event) >= 0;
}

// The reader thread: waits for the sequencer (or for close), and hands on every channel message waiting.
void QZPAlsaDawPorts::read() {
    const int count = snd_seq_poll_descriptors_count(m_sequencer, POLLIN);
    std::vector<pollfd> descriptors(size_t(count) + 1);
    snd_seq_poll_descriptors(m_sequencer, descriptors.data(), unsigned(count), POLLIN);
    descriptors.back() = {m_wake.readEnd(), POLLIN, 0};
    while (!m_stopping.load()) {
        ::poll(descriptors.data(), descriptors.size(), -1);
        for (;;) {
            snd_seq_event_t* event = nullptr;
            int result;
            {
                std::lock_guard lock(m_mutex);
                result = snd_seq_event_input(m_sequencer, &event);
                if (result < 0 && result != -EAGAIN && result != -ENOSPC)
                    snd_seq_drop_input(m_sequencer); // an unreadable event would block all after it
            }
            if (result == -ENOSPC)
                continue; // the sequencer dropped events; the rest still wait
            if (result < 0 || !event)
                break;
            if (event->type == SND_SEQ_EVENT_SYSEX)
                continue;
            const QByteArrayView bytes = m_decoder.bytes(*event);
            if (!bytes.isEmpty())
                m_deliver(bytes.toByteArray());
        }
    }
}
