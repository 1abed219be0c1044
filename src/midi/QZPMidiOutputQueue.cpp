// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/QZPMidiOutputQueue.h"

#include "midi/QZPSysexMessage.h"

#include <cmath>

namespace {
constexpr qint64 NanosecondsPerSecond = 1000000000;
// Messages due this soon go out in the same pass: timers are no finer than a millisecond.
constexpr qint64 Slack = 1000000;
} // namespace

QZPMidiOutputQueue::QZPMidiOutputQueue(Sink sink, QObject* parent)
    : QObject(parent), m_sink(std::move(sink)) {
    m_elapsed.start();
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { schedule(pump()); });
}

void QZPMidiOutputQueue::setClock(Clock clock) {
    m_clock = std::move(clock);
    m_externalClock = true;
    m_timer.stop();
}

qint64 QZPMidiOutputQueue::now() const {
    return m_clock ? m_clock() : m_elapsed.nsecsElapsed();
}

void QZPMidiOutputQueue::occupy(qint64 start, qsizetype size) {
    if (m_bytesPerSecond > 0)
        m_freeAt = start + qint64(size) * NanosecondsPerSecond / m_bytesPerSecond;
}

void QZPMidiOutputQueue::enqueue(const QZPMidiEndpoint& destination, QByteArrayView bytes) {
    if (m_items.empty()) {
        // Nothing waits: the message goes out now if the cable and its parameter are free, without being
        // copied.
        const qint64 current = now();
        if ((m_bytesPerSecond == 0 || m_freeAt <= current + Slack) &&
            heldFor(destination, bytes, current) == 0) {
            send(destination, bytes, std::max(current, m_freeAt));
            return;
        }
    }
    if (QZPSysexMessage::isControlMessage(bytes)) {
        // Only Control messages queued after the last other message for this destination may merge.
        for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
            if (it->destination != destination)
                continue;
            if (!QZPSysexMessage::isControlMessage(it->bytes))
                break;
            if (QZPSysexMessage::isSameControl(it->bytes, bytes)) {
                it->bytes = bytes.toByteArray();
                return;
            }
        }
    }
    // A note (or bend, modulation, hold) does not wait behind Control messages: it goes ahead of those
    // waiting for its destination after its last other message, so it waits at most for the message on
    // the cable. Patch messages keep their place before it.
    auto at = m_items.end();
    if (QZPSysexMessage::isPerformanceMessage(bytes))
        while (at != m_items.begin() && std::prev(at)->destination == destination &&
               QZPSysexMessage::isControlMessage(std::prev(at)->bytes))
            --at;
    m_items.insert(at, {destination, bytes.toByteArray()});
    // What may go ahead of a held Control message goes now, not when the held one is due.
    schedule(pump());
}

int QZPMidiOutputQueue::purge(qint32 destinationID) {
    const auto before = m_items.size();
    std::erase_if(m_items,
                  [destinationID](const Item& item) { return item.destination.uniqueID() == destinationID; });
    const int dropped = int(before - m_items.size());
    if (dropped > 0 && m_items.empty())
        emit drained();
    return dropped;
}

qint64 QZPMidiOutputQueue::pump() {
    while (!m_items.empty()) {
        const qint64 current = now();
        const qint64 start = std::max(current, m_freeAt);
        if (start > current + Slack)
            return start - current;
        // The first message that may go: held Control messages are passed by other parameters' and by
        // notes, never by a Patch message (which would then be overwritten by the older value).
        qint64 soonest = -1;
        auto next = m_items.begin();
        for (; next != m_items.end(); ++next) {
            const qint64 held = heldFor(next->destination, next->bytes, current);
            if (held == 0 && (soonest < 0 || QZPSysexMessage::isControlMessage(next->bytes) ||
                              QZPSysexMessage::isPerformanceMessage(next->bytes)))
                break;
            if (held == 0)
                return soonest;
            soonest = soonest < 0 ? held : std::min(soonest, held);
        }
        if (next == m_items.end())
            return soonest;
        const Item item = std::move(*next);
        m_items.erase(next);
        send(item.destination, item.bytes, start);
        if (m_items.empty())
            emit drained();
    }
    return -1;
}

namespace {
quint64 controlKey(const QZPMidiEndpoint& destination, QByteArrayView control) {
    return (quint64(quint32(destination.uniqueID())) << 16) | (quint64(quint8(control.at(3))) << 8) |
           quint8(control.at(4));
}
} // namespace

qint64 QZPMidiOutputQueue::heldFor(const QZPMidiEndpoint& destination, QByteArrayView bytes,
                                   qint64 current) const {
    if (!QZPSysexMessage::isControlMessage(bytes))
        return 0;
    const auto last = m_lastControls.constFind(controlKey(destination, bytes));
    return last == m_lastControls.cend() ? 0 : std::max<qint64>(0, *last + m_controlIntervalNs - current);
}

void QZPMidiOutputQueue::send(const QZPMidiEndpoint& destination, QByteArrayView bytes, qint64 start) {
    occupy(start, bytes.size());
    if (QZPSysexMessage::isControlMessage(bytes)) {
        // Only the parameters moved in the last interval need remembering.
        if (m_lastControls.size() > 256)
            m_lastControls.removeIf([this, start](const QHash<quint64, qint64>::iterator& last) {
                return last.value() + m_controlIntervalNs <= start;
            });
        m_lastControls.insert(controlKey(destination, bytes), start);
    }
    QString error;
    m_sink(destination, bytes, &error);
}

void QZPMidiOutputQueue::schedule(qint64 waitNs) {
    if (waitNs < 0 || m_externalClock)
        return;
    m_timer.start(int(std::ceil(double(waitNs) / 1000000.0)));
}
