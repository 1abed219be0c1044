// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <atomic>
#include <functional>
#include <utility>

// MIDI in through a client of our own on the MIDI system, with a bound on everything a sender can make
// it hold: a SysEx the system hands over in pieces is joined up to a bound and dropped beyond it, and
// what arrives faster than it can be taken is dropped by the system's own bounded buffers or ours. What
// was dropped is counted and said at most once a second.
class QZPMidiInput {
public:
    // Called on the input's reader thread with each message (or event) as received.
    using Deliver = std::function<void(qint32 sourceID, QByteArrayView bytes)>;
    // A source to listen to: its unique ID and its port name as the MIDI system lists it.
    using Source = std::pair<qint32, QString>;

    explicit QZPMidiInput(Deliver deliver) : m_deliver(std::move(deliver)) {}
    virtual ~QZPMidiInput() = default;
    QZPMidiInput(const QZPMidiInput&) = delete;
    QZPMidiInput& operator=(const QZPMidiInput&) = delete;

    // Opens the client and starts the reader thread.
    virtual bool open(QString* error) = 0;
    // Listens to exactly these sources. Main thread only.
    virtual void listenTo(const QList<Source>& sources) = 0;
    // No delivery runs or can start after this.
    virtual void stop() = 0;
    // The MIDI system went away: the client is let go without talking to it.
    virtual void abandon() { stop(); }

protected:
    void deliver(qint32 sourceID, QByteArrayView bytes) const { m_deliver(sourceID, bytes); }
    void countOverflow() { m_overflowed.fetch_add(1, std::memory_order_relaxed); }
    void countOverlong() { m_overlong.fetch_add(1, std::memory_order_relaxed); }
    // Says how much was dropped since the last report, at most once a second. Reader thread.
    void reportDrops(qint64 nowMs);

private:
    Deliver m_deliver;
    std::atomic<quint64> m_overflowed{0};
    std::atomic<quint64> m_overlong{0};
    qint64 m_lastReportMs = -1;
};
