// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "QZPVirtualJuno.h"
#include "midi/QZPMidiEngine.h"
#include "midi/QZPMidiOutputQueue.h"
#include "midi/backends/QZPVirtualMidiBackend.h"

#include <QCoreApplication>
#include <memory>

// A MIDI engine wired to an instrument inside the process: the destination "Juno-106 In" is chosen,
// the source "Juno-106 Out" plays what a test sends, and nothing is paced or held back. `juno` is the
// instrument's behaviour behind the ports: what it sends goes out of "Juno-106 Out", and what it was sent
// reaches it when a test takes it (sent()).
class QZPVirtualInstrument {
public:
    QZPVirtualInstrument() {
        auto backend = std::make_unique<QZPVirtualMidiBackend>();
        backend->addDestination(QStringLiteral("Juno-106 In"));
        backend->addSource(QStringLiteral("Juno-106 Out"));
        m_backend = backend.get();
        engine = std::make_unique<QZPMidiEngine>(std::move(backend), nullptr);
        engine->setPollInterval(0);
        engine->outputQueue()->setBytesPerSecond(0);
        engine->outputQueue()->setControlInterval(0);
        engine->setDestination(engine->midiDestinations().first());
        juno.setWire([this](const QByteArray& message) { inject(message); });
    }
    // What the instrument received since the last call.
    QList<QByteArray> sent() {
        QList<QByteArray> messages;
        for (const auto& message : m_backend->takeSent()) {
            messages << message.bytes;
            juno.receive(message.bytes);
        }
        return messages;
    }
    // The instrument sends a message.
    void play(const QByteArray& message) {
        m_backend->inject(QStringLiteral("Juno-106 Out"), message);
        QCoreApplication::processEvents();
    }
    void inject(const QByteArray& message) { m_backend->inject(QStringLiteral("Juno-106 Out"), message); }

    std::unique_ptr<QZPMidiEngine> engine;
    QZPVirtualJuno juno;

private:
    QZPVirtualMidiBackend* m_backend;
};
