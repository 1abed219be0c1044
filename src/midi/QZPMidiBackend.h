// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/QZPMidiEndpoint.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QLoggingCategory>
#include <functional>
#include <memory>

Q_DECLARE_LOGGING_CATEGORY(lcMidi)

// A MIDI system: lists its sources and destinations, sends complete messages, and delivers what the
// connected sources send. Implementations: RtMidi over the ALSA sequencer or JACK, and an in-process
// virtual system for tests and for running without MIDI.
class QZPMidiBackend {
public:
    // Called with the source's unique ID and the bytes as delivered, on any thread. The bytes are the MIDI
    // system's own (valid during the call only): the handler decides what to copy.
    using InputHandler = std::function<void(qint32 sourceID, QByteArrayView bytes)>;

    virtual ~QZPMidiBackend();

    // "alsa", "jack", "virtual" or "none".
    virtual QString name() const = 0;
    virtual QList<QZPMidiEndpoint> sources() = 0;
    virtual QList<QZPMidiEndpoint> destinations() = 0;
    // Hands one complete message to the destination; answers false with a reason when it cannot.
    virtual bool send(const QZPMidiEndpoint& destination, QByteArrayView bytes, QString* error) = 0;
    // From now on, receives from exactly these sources and keeps outputs open only to these destinations.
    virtual void connectEndpoints(const QList<QZPMidiEndpoint>& sources,
                                  const QList<QZPMidiEndpoint>& destinations) = 0;

    // Set once, before any source is connected: the handler is called from the MIDI system's threads
    // without a lock, so it must not change while input can arrive.
    void setInputHandler(InputHandler handler) { m_inputHandler = std::move(handler); }
    // Closes every input and returns when no delivery is running or can start any more.
    virtual void stopReceiving() {}
    // Returns when everything sent so far has left the program (the MIDI system's own buffers passed
    // on), or answers false when that did not happen within `timeoutMs`. A program that ends right
    // after sending waits for this first.
    virtual bool waitUntilSent(int timeoutMs) {
        Q_UNUSED(timeoutMs);
        return true;
    }
    // The rate of the MIDI cable behind the system, for a back-end that paces what it hands on itself
    // (0: no pacing).
    virtual void setWireRate(int bytesPerSecond) { Q_UNUSED(bytesPerSecond); }
    // Whether the destination is a sound inside the program (it has no keyboard of its own).
    virtual bool isBuiltInSound(qint32 uniqueID) const {
        Q_UNUSED(uniqueID);
        return false;
    }
    // Gives the sound inside the program a bank: Patch messages, each kept for the program its byte 4
    // names, played when a Program Change chooses that program. Answers how many programs it holds now
    // (0 for a back-end without a sound).
    virtual int loadSoundBank(const QList<QByteArray>& patchMessages) {
        Q_UNUSED(patchMessages);
        return 0;
    }

    // The back-end for a choice of "auto", "alsa", "jack" or "none" (empty means the environment variable
    // TONEBENCH_MIDI_API, else "auto"). Auto takes ALSA when its sequencer opens, else JACK when a server
    // runs, else none. `explanation` says which one was taken and why. Null for an unknown choice.
    static std::unique_ptr<QZPMidiBackend> create(const QString& choice, QString* explanation);
    static QStringList choices();
    // Set by a program before it makes its back-end: what create() hands back is first passed through
    // it (the application and the command-line tool add the built-in sound's destination so).
    using Wrapper = std::function<std::unique_ptr<QZPMidiBackend>(std::unique_ptr<QZPMidiBackend>)>;
    static void setWrapper(Wrapper wrapper);

protected:
    void deliver(qint32 sourceID, QByteArrayView bytes) const {
        if (m_inputHandler)
            m_inputHandler(sourceID, bytes);
    }

private:
    InputHandler m_inputHandler;
};
