// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <atomic>
#include <memory>

class QZPSoundEngine;
class RtAudio;
typedef struct _jack_client jack_client_t;
typedef struct _jack_port jack_port_t;

// Plays the built-in sound on the computer: as a JACK client with two output ports (connected to the
// system's playback) when a JACK server runs, named "ToneBench" in the patchbay (JACK appends a number
// when another client has the name already), otherwise through RtAudio's default output (ALSA or
// PulseAudio, so PipeWire desktops work either way). Without any audio device it says so and stays
// silent. The audio callback only runs the engine.
class QZPSoundOutput {
public:
    enum class System { None, Jack, RtAudio };

    explicit QZPSoundOutput(QZPSoundEngine* engine, const QString& clientName = QStringLiteral("ToneBench"));
    ~QZPSoundOutput();

    // Starts on the first system that works; false with the reason when none does. `connectToPlayback`:
    // the JACK ports go to the system's playback ports (off for tests that record them).
    bool start(QString* error, bool useRtAudio = true, bool connectToPlayback = true, int blockFrames = 256);
    void stop();
    bool isRunning() const { return m_system != System::None; }
    System system() const { return m_system; }
    // "JACK, 48000 Hz" and the like, for the status line and the log.
    QString description() const;
    // The JACK client's name and its ports' full names (empty without JACK).
    QString jackClientName() const;
    QString jackPortName(int channel) const;
    // Buffer overruns and underruns JACK reported while running.
    int xruns() const { return m_xruns.load(std::memory_order_relaxed); }

private:
    bool startJack(QString* error, bool connectToPlayback);
    bool startRtAudio(QString* error, int blockFrames);
    static int jackProcess(unsigned int frames, void* self);
    static int jackXrun(void* self);
    static int rtAudioCallback(void* output, void* input, unsigned int frames, double time,
                               unsigned int status, void* self);

    QZPSoundEngine* m_engine;
    QString m_clientName;
    System m_system = System::None;
    jack_client_t* m_jack = nullptr;
    jack_port_t* m_ports[2] = {nullptr, nullptr};
    std::unique_ptr<RtAudio> m_rtAudio;
    unsigned int m_rate = 0;
    std::atomic<int> m_xruns{0};
};
