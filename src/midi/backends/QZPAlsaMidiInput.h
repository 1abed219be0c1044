// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/QZPSysexJoiner.h"
#include "midi/backends/QZPAlsaEventDecoder.h"
#include "midi/backends/QZPMidiInput.h"
#include "midi/backends/QZPWakePipe.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

typedef struct _snd_seq snd_seq_t;

// MIDI in from the ALSA sequencer: one client of our own ("ToneBench Input") with one port, subscribed to
// each source. The sequencer keeps what waits for us in its own bounded pool and drops beyond it (we count
// it); a reader thread of ours takes the events as they come, joins the pieces of a SysEx and hands them
// on. Clock and active sensing are left out (QZPAlsaEventDecoder): a clock flood must not reach the
// program.
class QZPAlsaMidiInput : public QZPMidiInput {
public:
    static constexpr size_t InputBufferBytes = 1 << 16;

    explicit QZPAlsaMidiInput(Deliver deliver);
    ~QZPAlsaMidiInput() override;

    bool open(QString* error) override;
    // The sources' port names end in their sequencer address, as ALSA lists them.
    void listenTo(const QList<Source>& sources) override;
    void stop() override;

private:
    struct Listened {
        qint32 sourceID = 0;
        QString portName;
        int client = 0;
        int port = 0;
        QZPSysexJoiner joiner; // reader thread only
    };
    void read();
    void take(const snd_seq_event_t& event);

    snd_seq_t* m_sequencer = nullptr;
    QZPAlsaEventDecoder m_decoder; // reader thread only
    int m_port = -1;
    QZPWakePipe m_wake;
    std::thread m_reader;
    std::atomic<bool> m_stopping{false};
    // Changed on the main thread, read on the reader thread: a plain lock, as neither is a real-time
    // thread and a change is rare.
    std::mutex m_mutex;
    std::vector<std::unique_ptr<Listened>> m_listened;
};
