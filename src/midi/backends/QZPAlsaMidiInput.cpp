// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/backends/QZPAlsaMidiInput.h"

#include "midi/QZPMidiBackend.h"
#include "midi/QZPMidiPortIdentity.h"

#include <QElapsedTimer>
#include <alsa/asoundlib.h>

#include <cerrno>
#include <poll.h>

QZPAlsaMidiInput::QZPAlsaMidiInput(Deliver deliver) : QZPMidiInput(std::move(deliver)) {}

QZPAlsaMidiInput::~QZPAlsaMidiInput() {
    stop();
    if (m_sequencer)
        snd_seq_close(m_sequencer);
}

bool QZPAlsaMidiInput::open(QString* error) {
    if (snd_seq_open(&m_sequencer, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0) {
        m_sequencer = nullptr;
        *error = QStringLiteral("The ALSA sequencer cannot be opened for input.");
        return false;
    }
    snd_seq_set_client_name(m_sequencer, "ToneBench Input");
    // Room for the largest event a sender's pool can make, so that every event can be read.
    snd_seq_set_input_buffer_size(m_sequencer, InputBufferBytes);
    m_port = snd_seq_create_simple_port(m_sequencer, "ToneBench Input",
                                        SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (m_port < 0 || !m_decoder.isValid() || !m_wake.open()) {
        *error = QStringLiteral("The ALSA sequencer refused an input port.");
        return false;
    }
    m_stopping = false;
    m_reader = std::thread([this] { read(); });
    return true;
}

void QZPAlsaMidiInput::stop() {
    m_stopping = true;
    m_wake.wake();
    if (m_reader.joinable())
        m_reader.join();
}

void QZPAlsaMidiInput::listenTo(const QList<Source>& sources) {
    if (!m_sequencer)
        return;
    std::lock_guard lock(m_mutex);
    std::erase_if(m_listened, [&](const std::unique_ptr<Listened>& listened) {
        const bool kept = std::any_of(sources.begin(), sources.end(), [&](const Source& source) {
            return source.first == listened->sourceID && source.second == listened->portName;
        });
        if (!kept)
            snd_seq_disconnect_from(m_sequencer, m_port, listened->client, listened->port);
        return !kept;
    });
    for (const Source& source : sources) {
        const bool listening = std::any_of(m_listened.begin(), m_listened.end(), [&](const auto& listened) {
            return listened->portName == source.second;
        });
        if (listening)
            continue;
        const auto address = QZPMidiPortIdentity::alsaAddress(source.second);
        if (!address || snd_seq_connect_from(m_sequencer, m_port, address->first, address->second) < 0) {
            qCWarning(lcMidi).noquote() << "Cannot listen to" << source.second;
            continue;
        }
        auto listened = std::make_unique<Listened>();
        listened->sourceID = source.first;
        listened->portName = source.second;
        listened->client = address->first;
        listened->port = address->second;
        m_listened.push_back(std::move(listened));
    }
}

// The reader thread: waits for the sequencer (or for stop), takes every event waiting, and says at most
// once a second what was dropped.
void QZPAlsaMidiInput::read() {
    const int count = snd_seq_poll_descriptors_count(m_sequencer, POLLIN);
    std::vector<pollfd> descriptors(size_t(count) + 1);
    snd_seq_poll_descriptors(m_sequencer, descriptors.data(), unsigned(count), POLLIN);
    descriptors.back() = {m_wake.readEnd(), POLLIN, 0};
    QElapsedTimer clock;
    clock.start();
    while (!m_stopping.load()) {
        ::poll(descriptors.data(), descriptors.size(), 100);
        for (;;) {
            snd_seq_event_t* event = nullptr;
            const int result = snd_seq_event_input(m_sequencer, &event);
            if (result == -ENOSPC) { // the sequencer's pool ran over: it dropped events
                countOverflow();
                continue;
            }
            if (result == -EAGAIN || (result >= 0 && !event))
                break;        // nothing more waits
            if (result < 0) { // an event that cannot be read would block all after it
                snd_seq_drop_input(m_sequencer);
                countOverflow();
                break;
            }
            take(*event);
        }
        reportDrops(clock.elapsed());
    }
}

void QZPAlsaMidiInput::take(const snd_seq_event_t& event) {
    const QByteArrayView bytes = m_decoder.bytes(event);
    if (bytes.isEmpty())
        return;
    std::lock_guard lock(m_mutex);
    for (const std::unique_ptr<Listened>& listened : m_listened) {
        if (listened->client != event.source.client || listened->port != event.source.port)
            continue;
        const qint32 id = listened->sourceID;
        if (listened->joiner.take(bytes, [&](QByteArrayView message) { deliver(id, message); }))
            countOverlong();
        return;
    }
}
