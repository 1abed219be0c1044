#pragma once

#include "midi/QZPSysexJoiner.h"
#include "midi/backends/QZPJackMessageQueue.h"
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

// MIDI in from JACK with a bound on everything: each source gets an input port of our own client; the
// process callback copies its events into a fixed queue (what does not fit is counted and dropped, never
// waited for), and a reader thread of ours hands them on. A SysEx the sender spreads over several events is
// joined again up to a bound (QZPSysexJoiner); one that goes on longer (or never ends) is dropped as it
// comes, so it cannot fill memory.
class QZPJackMidiInput {
public:
    static constexpr int MaximumSources = 16;
    static constexpr size_t QueueBytes = 1 << 16;

    // Called on the reader thread with each message (or event) as received.
    using Deliver = std::function<void(qint32 sourceID, QByteArrayView bytes)>;

    explicit QZPJackMidiInput(Deliver deliver);
    ~QZPJackMidiInput();
    QZPJackMidiInput(const QZPJackMidiInput&) = delete;
    QZPJackMidiInput& operator=(const QZPJackMidiInput&) = delete;

    // Opens the client ("ToneBench Input") and starts the reader thread.
    bool open(QString* error);
    // The server went away: the client is let go without talking to it.
    void abandon();
    // Listens to exactly these sources (unique ID, JACK port name). Main thread only.
    void listenTo(const QList<std::pair<qint32, QString>>& sources);
    // No delivery runs or can start after this.
    void stop();

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

    Deliver m_deliver;
    jack_client_t* m_client = nullptr;
    std::array<Slot, MaximumSources> m_slots;
    sem_t m_wake{};
    std::thread m_reader;
    std::atomic<bool> m_stopping{false};
    std::atomic<quint64> m_overflowed{0};
    std::atomic<quint64> m_overlong{0};
};
