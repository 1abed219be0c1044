// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/backends/QZPDawPorts.h"
#include "midi/backends/QZPJackMessageQueue.h"

#include <atomic>
#include <semaphore.h>
#include <thread>

typedef struct _jack_client jack_client_t;
typedef struct _jack_port jack_port_t;

// The "ToneBench DAW" port pair on JACK, for a sequencer's automation: a client of that name with a MIDI
// input "in" and a MIDI output "out". The process callback copies what arrives on "in" into a fixed queue
// (what does not fit is dropped, never waited for) and a reader thread of ours hands each message on;
// what is sent goes out of "out" in the next cycle. Nothing in the process callback waits or allocates.
class QZPJackDawPorts : public QZPDawPorts {
public:
    static constexpr size_t QueueBytes = 1 << 16;

    explicit QZPJackDawPorts(Deliver deliver);
    ~QZPJackDawPorts() override;
    QZPJackDawPorts(const QZPJackDawPorts&) = delete;
    QZPJackDawPorts& operator=(const QZPJackDawPorts&) = delete;

    bool open(QString* error) override;
    bool isOpen() const override { return m_client != nullptr; }
    // Queues a message for "out"; false when the queue is full.
    bool send(QByteArrayView bytes) override;
    // The full names of the ports ("ToneBench DAW:in"), as JACK gave them.
    QString inputPortName() const;
    QString outputPortName() const;

private:
    static int process(unsigned int frames, void* self);
    void read();

    Deliver m_deliver;
    jack_client_t* m_client = nullptr;
    std::atomic<jack_port_t*> m_in{nullptr};
    std::atomic<jack_port_t*> m_out{nullptr};
    QZPJackMessageQueue m_incoming{QueueBytes};
    QZPJackMessageQueue m_outgoing{QueueBytes};
    sem_t m_wake{};
    std::thread m_reader;
    std::atomic<bool> m_stopping{false};
};
