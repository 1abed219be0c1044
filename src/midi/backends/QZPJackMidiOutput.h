// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <array>
#include <atomic>

#include "midi/backends/QZPJackMessageQueue.h"

#include <memory>

typedef struct _jack_client jack_client_t;
typedef struct _jack_port jack_port_t;

// MIDI out to JACK without losing a message. Each destination gets an output port of our own client and a
// queue; the process callback writes from the queue into the port's buffer only what the buffer holds and
// what the wire rate allows in that cycle, and keeps the rest for the next cycle. So a burst that meets a
// stalled cycle arrives whole and in order, and a message reported sent is never dropped on the way.
class QZPJackMidiOutput {
public:
    static constexpr int MaximumDestinations = 16;
    // Room in one destination's queue: far more than the wire carries in several seconds.
    static constexpr size_t QueueBytes = 1 << 16;

    QZPJackMidiOutput() = default;
    ~QZPJackMidiOutput();
    QZPJackMidiOutput(const QZPJackMidiOutput&) = delete;
    QZPJackMidiOutput& operator=(const QZPJackMidiOutput&) = delete;

    // Opens the client ("ToneBench Output") and starts its process callback.
    bool open(QString* error);
    bool isOpen() const { return m_client != nullptr; }
    // The server went away: everything is let go without talking to it.
    void abandon();

    // Queues one message for the destination port (connecting to it on first use); answers false with
    // the reason when it cannot be queued. Main thread only.
    bool send(const QString& destinationPort, QByteArrayView bytes, QString* error);
    // Disconnects from the destinations not in the list.
    void keepOnly(const QStringList& destinationPorts);
    // Returns when every queue is empty and the messages have left in a cycle, or answers false after
    // `timeoutMs`.
    bool waitUntilSent(int timeoutMs);
    // The wire rate the process callback keeps to (0: only the buffer limits it).
    void setBytesPerSecond(int rate) { m_bytesPerSecond.store(rate, std::memory_order_relaxed); }

private:
    struct Slot {
        std::atomic<bool> active{false};
        jack_port_t* port = nullptr;
        std::unique_ptr<QZPJackMessageQueue> queue;
        QString destination; // main thread only
        double credit = 0;   // process thread only: bytes the wire allows now
    };
    static int process(unsigned int frames, void* self);
    Slot* slotFor(const QString& destinationPort, QString* error);
    void release();

    jack_client_t* m_client = nullptr;
    double m_sampleRate = 48000;
    std::array<Slot, MaximumDestinations> m_slots;
    std::atomic<int> m_bytesPerSecond{3125};
    std::atomic<quint64> m_cycles{0};
};
