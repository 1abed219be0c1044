// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/backends/QZPAlsaEventDecoder.h"
#include "midi/backends/QZPDawPorts.h"
#include "midi/backends/QZPWakePipe.h"

#include <atomic>
#include <mutex>
#include <thread>

typedef struct _snd_seq snd_seq_t;

// The "ToneBench DAW" port on the ALSA sequencer: a client of that name with one port of that name that
// a sequencer both writes to and reads from. A reader thread of ours takes what arrives (SysEx, clock and
// the sequencer's notices are left out: a sequencer's automation is channel messages); what is sent goes
// out at once to every subscriber.
class QZPAlsaDawPorts : public QZPDawPorts {
public:
    explicit QZPAlsaDawPorts(Deliver deliver);
    ~QZPAlsaDawPorts() override;
    QZPAlsaDawPorts(const QZPAlsaDawPorts&) = delete;
    QZPAlsaDawPorts& operator=(const QZPAlsaDawPorts&) = delete;

    bool open(QString* error) override;
    bool isOpen() const override { return m_sequencer != nullptr; }
    bool send(QByteArrayView bytes) override;
    // The port's sequencer address: the client's number and the port's.
    int client() const;
    int port() const { return m_port; }

private:
    void read();
    void close();

    Deliver m_deliver;
    snd_seq_t* m_sequencer = nullptr;
    snd_midi_event_t* m_encoder = nullptr; // main thread only
    QZPAlsaEventDecoder m_decoder;         // reader thread only
    int m_port = -1;
    QZPWakePipe m_wake;
    std::thread m_reader;
    std::atomic<bool> m_stopping{false};
    // The sequencer handle is shared by the reader thread's input and the main thread's output.
    std::mutex m_mutex;
};
