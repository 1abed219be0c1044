// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/QZPSoundOutput.h"

#include "sound/QZPSoundEngine.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <RtAudio.h>
#include <alsa/asoundlib.h>
#include <jack/jack.h>

namespace {

Q_LOGGING_CATEGORY(lcSound, "tonebench.sound", QtWarningMsg)

// The audio systems' own chatter while they are probed ("cannot connect to server", "cannot find
// card") goes to the debug log: that there is no output is said once, in the program's words.
void jackMessage(const char* message) {
    qCDebug(lcSound) << message;
}

void alsaMessage(const char* file, int line, const char* function, int, const char* format, ...) {
    qCDebug(lcSound) << file << line << function << format;
}

} // namespace

QZPSoundOutput::QZPSoundOutput(QZPSoundEngine* engine, const QString& clientName)
    : m_engine(engine), m_clientName(clientName) {}

QZPSoundOutput::~QZPSoundOutput() {
    stop();
}

bool QZPSoundOutput::start(QString* error, bool useRtAudio, bool connectToPlayback, int blockFrames) {
    if (isRunning())
        return true;
    QString jackError, rtError;
    if (startJack(&jackError, connectToPlayback))
        return true;
    if (useRtAudio && startRtAudio(&rtError, blockFrames))
        return true;
    if (error)
        *error = useRtAudio ? QStringLiteral("No audio output: %1; %2").arg(jackError, rtError)
                            : QStringLiteral("No audio output: %1").arg(jackError);
    return false;
}

bool QZPSoundOutput::startJack(QString* error, bool connectToPlayback) {
    jack_set_error_function(&jackMessage);
    jack_set_info_function(&jackMessage);
    jack_status_t status{};
    m_jack = jack_client_open(m_clientName.toUtf8().constData(), JackNoStartServer, &status);
    if (!m_jack) {
        *error = QStringLiteral("no JACK server runs");
        return false;
    }
    m_rate = jack_get_sample_rate(m_jack);
    m_engine->setSampleRate(float(m_rate));
    m_ports[0] = jack_port_register(m_jack, "out_left", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    m_ports[1] = jack_port_register(m_jack, "out_right", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    if (!m_ports[0] || !m_ports[1] ||
        jack_set_process_callback(m_jack, &QZPSoundOutput::jackProcess, this) != 0 ||
        jack_set_xrun_callback(m_jack, &QZPSoundOutput::jackXrun, this) != 0 || jack_activate(m_jack) != 0) {
        *error = QStringLiteral("the JACK client could not be set up");
        jack_client_close(m_jack);
        m_jack = nullptr;
        return false;
    }
    m_system = System::Jack;
    if (connectToPlayback) {
        // The first two physical playback ports, where there are any.
        if (const char** playback = jack_get_ports(m_jack, nullptr, JACK_DEFAULT_AUDIO_TYPE,
                                                   JackPortIsPhysical | JackPortIsInput)) {
            for (int channel = 0; channel < 2 && playback[channel]; ++channel)
                jack_connect(m_jack, jack_port_name(m_ports[channel]), playback[channel]);
            jack_free(playback);
        }
    }
    return true;
}

bool QZPSoundOutput::startRtAudio(QString* error, int blockFrames) {
    snd_lib_error_set_handler(&alsaMessage);
    try {
        m_rtAudio = std::make_unique<RtAudio>();
        m_rtAudio->showWarnings(false);
        if (m_rtAudio->getDeviceCount() == 0) {
            *error = QStringLiteral("no audio device");
            m_rtAudio.reset();
            return false;
        }
        RtAudio::StreamParameters output;
        output.deviceId = m_rtAudio->getDefaultOutputDevice();
        output.nChannels = 2;
        RtAudio::StreamOptions options;
        options.flags = RTAUDIO_NONINTERLEAVED;
        options.streamName = m_clientName.toStdString();
        const RtAudio::DeviceInfo info = m_rtAudio->getDeviceInfo(output.deviceId);
        m_rate = info.preferredSampleRate ? info.preferredSampleRate : 48000;
        m_engine->setSampleRate(float(m_rate));
        unsigned int frames = unsigned(blockFrames);
        m_rtAudio->openStream(&output, nullptr, RTAUDIO_FLOAT32, m_rate, &frames,
                              &QZPSoundOutput::rtAudioCallback, this, &options);
        m_rtAudio->startStream();
    } catch (const RtAudioError& failure) {
        *error = QString::fromStdString(failure.getMessage());
        m_rtAudio.reset();
        return false;
    }
    m_system = System::RtAudio;
    return true;
}

void QZPSoundOutput::stop() {
    if (m_jack) {
        jack_deactivate(m_jack);
        jack_client_close(m_jack);
        m_jack = nullptr;
    }
    if (m_rtAudio) {
        try {
            if (m_rtAudio->isStreamRunning())
                m_rtAudio->stopStream();
            if (m_rtAudio->isStreamOpen())
                m_rtAudio->closeStream();
        } catch (const RtAudioError&) {
        }
        m_rtAudio.reset();
    }
    m_system = System::None;
}

QString QZPSoundOutput::description() const {
    switch (m_system) {
    case System::Jack:
        return QStringLiteral("JACK, %1 Hz").arg(m_rate);
    case System::RtAudio:
        return QStringLiteral("%1, %2 Hz")
            .arg(QString::fromStdString(RtAudio::getApiDisplayName(m_rtAudio->getCurrentApi())))
            .arg(m_rate);
    case System::None:
        break;
    }
    return QStringLiteral("no audio output");
}

QString QZPSoundOutput::jackClientName() const {
    return m_jack ? QString::fromUtf8(jack_get_client_name(m_jack)) : QString();
}

QString QZPSoundOutput::jackPortName(int channel) const {
    return m_jack && channel >= 0 && channel < 2 ? QString::fromUtf8(jack_port_name(m_ports[channel]))
                                                 : QString();
}

int QZPSoundOutput::jackProcess(unsigned int frames, void* self) {
    auto* output = static_cast<QZPSoundOutput*>(self);
    auto* left = static_cast<float*>(jack_port_get_buffer(output->m_ports[0], frames));
    auto* right = static_cast<float*>(jack_port_get_buffer(output->m_ports[1], frames));
    output->m_engine->process(left, right, int(frames));
    return 0;
}

int QZPSoundOutput::jackXrun(void* self) {
    static_cast<QZPSoundOutput*>(self)->m_xruns.fetch_add(1, std::memory_order_relaxed);
    return 0;
}

int QZPSoundOutput::rtAudioCallback(void* output, void*, unsigned int frames, double, unsigned int,
                                    void* self) {
    auto* samples = static_cast<float*>(output);
    static_cast<QZPSoundOutput*>(self)->m_engine->process(samples, samples + frames, int(frames));
    return 0;
}
