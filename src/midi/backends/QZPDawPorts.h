// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>

// The "ToneBench DAW" port pair a sequencer connects to, on whichever MIDI system ToneBench runs: what
// arrives is handed on message by message on a thread of the ports' own, what is sent goes out at once
// or in the next cycle. Neither side waits for the other.
class QZPDawPorts {
public:
    static constexpr const char* Name = "ToneBench DAW";
    // Called on the ports' reader thread with each message that arrived.
    using Deliver = std::function<void(const QByteArray& message)>;

    virtual ~QZPDawPorts() = default;
    virtual bool open(QString* error) = 0;
    virtual bool isOpen() const = 0;
    // Sends a message to the sequencer; false when it could not be taken. Main thread only.
    virtual bool send(QByteArrayView bytes) = 0;
};
