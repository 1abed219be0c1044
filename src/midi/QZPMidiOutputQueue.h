// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/QZPMidiEndpoint.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>

// The one ordered way out to the MIDI back-end. It never feeds the back-end faster than a MIDI cable
// carries (3,125 bytes per second by default): JACK's MIDI buffers and cheap USB interfaces drop SysEx
// that comes faster. Sending returns at once; a timer drains the queue. A Control message still waiting
// for a parameter takes the value of a newer one in place, so a fast slider drag builds no backlog, and
// one parameter gets at most one Control message per control interval (the last value always goes): the
// instrument's processor, a sequencer's automation and the cable all gain from a slower stream. A held
// Control message lets the other parameters' and the notes go ahead of it, never a Patch message. Patch
// messages and notes are never merged or reordered.
class QZPMidiOutputQueue : public QObject {
    Q_OBJECT

public:
    static constexpr int CableBytesPerSecond = 3125;
    static constexpr qint64 ControlIntervalNs = 5000000;

    // Hands one message to the back-end; answers false with an error text when it was refused.
    using Sink =
        std::function<bool(const QZPMidiEndpoint& destination, QByteArrayView bytes, QString* error)>;
    // Monotonic time in nanoseconds.
    using Clock = std::function<qint64()>;

    explicit QZPMidiOutputQueue(Sink sink, QObject* parent = nullptr);

    // 0 sends as fast as the back-end takes it.
    void setBytesPerSecond(int rate) {
        m_bytesPerSecond = rate;
        emit bytesPerSecondChanged(rate);
    }
    int bytesPerSecond() const { return m_bytesPerSecond; }
    // 0 lets a parameter's every value go.
    void setControlInterval(qint64 nanoseconds) { m_controlIntervalNs = nanoseconds; }
    // Tests drive time themselves and call pump(); the timer then stays off.
    void setClock(Clock clock);

    // Sends at once when nothing waits and the cable is free; otherwise queues a copy.
    void enqueue(const QZPMidiEndpoint& destination, QByteArrayView bytes);
    int pendingCount() const { return int(m_items.size()); }
    bool isEmpty() const { return m_items.empty(); }
    // Drops what waits for the destination; answers how many messages were dropped.
    int purge(qint32 destinationID);

    // Sends every message that is due; answers the nanoseconds until the next one is, or -1 when empty.
    qint64 pump();

signals:
    // The last waiting message has gone to the back-end.
    void drained();
    void bytesPerSecondChanged(int rate);

private:
    struct Item {
        QZPMidiEndpoint destination;
        QByteArray bytes;
    };
    void schedule(qint64 waitNs);
    // Takes the cable for a message of `size` bytes starting at `start`.
    void occupy(qint64 start, qsizetype size);
    qint64 now() const;
    // Nanoseconds until the parameter of a Control message may have its next one (0: now).
    qint64 heldFor(const QZPMidiEndpoint& destination, QByteArrayView bytes, qint64 current) const;
    void send(const QZPMidiEndpoint& destination, QByteArrayView bytes, qint64 start);

    Sink m_sink;
    Clock m_clock;
    bool m_externalClock = false;
    QElapsedTimer m_elapsed;
    QTimer m_timer;
    std::deque<Item> m_items;
    int m_bytesPerSecond = CableBytesPerSecond;
    qint64 m_controlIntervalNs = ControlIntervalNs;
    // When the cable is free again.
    qint64 m_freeAt = 0;
    // When each parameter's last Control message went, by destination, channel and control byte.
    QHash<quint64, qint64> m_lastControls;
};
