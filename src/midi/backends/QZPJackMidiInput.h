// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/QZPSysexJoiner.h"
#include "midi/backends/QZPJackMessageQueue.h"
#include "midi/backends/QZPMidiInput.h"
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <array>
#include <atomic>
#include <functional>

#include <memory>
#include <semaphore.h>
#include <thread>

typedef struct _jack_client jack_client_t;
typedef struct _jack_port jack_port_t;

// MIDI in from JACK: each source gets an input port of our own client; the process callback copies its
// events into a fixed queue (what does not fit is counted and dropped, never waited for), and a reader
// thread of ours joins and hands them on.
class QZPJackMidiInput : public QZPMidiInput {
public:
    static constexpr int MaximumSources = 16;
    static constexpr size_t QueueBytes = 1 << 16;

    explicit QZPJackMidiInput(Deliver deliver);
    ~QZPJackMidiInput() override;

    // Opens the client ("ToneBench Input") and starts the reader thread.
    bool open(QString* error) override;
    void abandon() override;
    void listenTo(const QList<Source>& sources) override;
    void stop() override;

private:
    struct Slot {
        std::atomic<bool> active{false};
        std::atomic<qint32> sourceID{0};
        jack_port_t* port = nullptr;
        std::unique_ptr<QZPJackMessageQueue> queue;
        QString source; // main thread only
        // Reader thread only: the SysEx being joined, and the source it comes from.
        QZPSysexJoiner joiner;
        qint32 joinedSourceID = 0;
    };
    static int process(unsigned int frames, void* self);
    void read();
    void take(Slot& slot, QByteArrayView event);

    jack_client_t* m_client = nullptr;
    std::array<Slot, MaximumSources> m_slots;
    sem_t m_wake{};
    std::thread m_reader;
    std::atomic<bool> m_stopping{false};
};
