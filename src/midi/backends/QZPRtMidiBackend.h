// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/QZPMidiBackend.h"
#include "midi/QZPMidiPortIdentity.h"
#include "midi/backends/QZPJackMidiOutput.h"
#include "midi/backends/QZPMidiInput.h"

#include <QElapsedTimer>
#include <QString>
#include <atomic>
#include <map>
#include <memory>

#include <rtmidi/RtMidi.h>

typedef struct _jack_client jack_client_t;

// MIDI over the ALSA sequencer or a JACK server. Input comes through a client of our own on either
// system, which bounds what a sender can make it hold. Output goes through RtMidi on ALSA (one output per
// destination, opened on first use) and through an output of our own on JACK, which never drops a
// message sent. RtMidi lists the ports.
// RtMidi's own error messages go to the log. On JACK a small monitor client notices a server that stops; the
// lists are then empty until the server is back, which is checked every few seconds.
class QZPRtMidiBackend : public QZPMidiBackend {
public:
    enum class Api { Alsa, Jack };
    // The prefix of the client names this program opens; its own ports are never listed.
    static constexpr const char* ClientName = "ToneBench";
    // The two portless clients that list the ports. They leave "ToneBench" itself free for the client
    // a patchbay shows: the built-in sound's on JACK.
    static constexpr const char* ScanClientName = "ToneBench Scan";

    ~QZPRtMidiBackend() override;
    // Stopping the input joins its reader thread: no delivery runs after this.
    void stopReceiving() override;
    // ALSA hands each message to the sequencer as it is sent. On JACK, messages wait in our output's
    // queues until a cycle's buffer takes them: once the queues are empty, two more cycles and they have
    // left.
    bool waitUntilSent(int timeoutMs) override;
    void setWireRate(int bytesPerSecond) override;

    // The back-end, or null with the reason when the MIDI system cannot be opened.
    static std::unique_ptr<QZPRtMidiBackend> open(Api api, QString* error);
    static bool alsaSequencerAvailable(QString* why);
    static bool jackServerRunning(QString* why);

    QString name() const override;
    QList<QZPMidiEndpoint> sources() override;
    QList<QZPMidiEndpoint> destinations() override;
    bool send(const QZPMidiEndpoint& destination, QByteArrayView bytes, QString* error) override;
    void connectEndpoints(const QList<QZPMidiEndpoint>& sources,
                          const QList<QZPMidiEndpoint>& destinations) override;

private:
    struct Output {
        QString portName;
        std::unique_ptr<RtMidiOut> out;
    };
    explicit QZPRtMidiBackend(Api api);
    bool start(QString* error);
    void stop();
    bool available();
    RtMidiOut* output(const QZPMidiEndpoint& destination, QString* error);
    void forgetLastOutput() {
        m_lastOutputID = 0;
        m_lastOutput = nullptr;
    }
    QZPMidiPortIdentity::System system() const;

    static void errorCallback(RtMidiError::Type type, const std::string& text, void* userData);
    static void jackShutdown(void* userData);
    static int jackProcess(unsigned int frames, void* userData);

    Api m_api;
    std::unique_ptr<RtMidiIn> m_scanIn;
    std::unique_ptr<RtMidiOut> m_scanOut;
    std::map<qint32, Output> m_outputs;
    // The output of the latest send: a drag of one slider sends to it again and again.
    qint32 m_lastOutputID = 0;
    RtMidiOut* m_lastOutput = nullptr;
    // While a send runs, RtMidi's errors about it are collected here instead of logged.
    QString* m_capturedError = nullptr;
    jack_client_t* m_monitor = nullptr;
    // On JACK, messages go out through an output of our own, which never drops one (RtMidi's JACK output
    // drops what one cycle's buffer cannot hold).
    std::unique_ptr<QZPJackMidiOutput> m_jackOutput;
    std::unique_ptr<QZPMidiInput> m_input;
    int m_wireRate = 3125;
    std::atomic<bool> m_serverGone{false};
    std::atomic<quint64> m_cycles{0};
    bool m_reportedGone = false;
    QElapsedTimer m_sinceRetry;
};
