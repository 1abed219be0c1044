// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/QZPMidiBackend.h"
#include "sound/QZPSoundEngine.h"
#include "sound/QZPSoundOutput.h"

#include <array>
#include <memory>

// The MIDI system with one more destination, "ToneBench Sound": the built-in sound. Everything else is
// the MIDI system's own, so the device menu, the channel rules, pacing and hot-plugging treat the sound
// like an instrument on a cable. The sound's audio output starts with the first message sent to it;
// when there is no audio output it says so once and then stays silent.
class QZPSoundMidiBackend : public QZPMidiBackend {
public:
    static constexpr const char* EndpointName = "ToneBench Sound";
    // The destination's unique ID, the same at every launch.
    static constexpr qint32 EndpointID = 0x54425344;

    explicit QZPSoundMidiBackend(std::unique_ptr<QZPMidiBackend> system);
    ~QZPSoundMidiBackend() override;

    // For QZPMidiBackend::setWrapper: the system given, with the sound added.
    static std::unique_ptr<QZPMidiBackend> wrap(std::unique_ptr<QZPMidiBackend> system);
    static QZPMidiEndpoint endpoint();

    QString name() const override { return m_system->name(); }
    QList<QZPMidiEndpoint> sources() override { return m_system->sources(); }
    QList<QZPMidiEndpoint> destinations() override;
    bool send(const QZPMidiEndpoint& destination, QByteArrayView bytes, QString* error) override;
    void connectEndpoints(const QList<QZPMidiEndpoint>& sources,
                          const QList<QZPMidiEndpoint>& destinations) override;
    void stopReceiving() override { m_system->stopReceiving(); }
    bool waitUntilSent(int timeoutMs) override { return m_system->waitUntilSent(timeoutMs); }
    void setWireRate(int bytesPerSecond) override { m_system->setWireRate(bytesPerSecond); }
    bool isBuiltInSound(qint32 uniqueID) const override { return uniqueID == EndpointID; }
    int loadSoundBank(const QList<QByteArray>& patchMessages) override;

    QZPSoundEngine* engine() { return &m_engine; }
    QZPSoundOutput* output() { return &m_output; }

private:
    std::unique_ptr<QZPMidiBackend> m_system;
    QZPSoundEngine m_engine;
    QZPSoundOutput m_output{&m_engine};
    bool m_outputTried = false;
    // A loaded bank: the Patch message of each program (empty: none).
    std::array<QByteArray, 128> m_bank;
    // The dynamics byte of the last Patch message the window sent: a bank's messages hold their program
    // number in that byte, which says nothing of how keys play.
    quint8 m_dynamics = 0x60;
};
