// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <functional>

// Joins a SysEx that a MIDI system hands over in pieces (ALSA in chunks of a few hundred bytes, a JACK
// sender as it likes) into one message, up to a bound: a SysEx that goes on longer, or never ends, is
// dropped as it comes, so no sender can fill memory. Real-time bytes (clock, active sensing) may come
// between the pieces and go on at once without cutting the SysEx; any other status byte cuts it short,
// and what was joined so far goes on for the engine to report. One joiner serves one source.
class QZPSysexJoiner {
public:
    // The longest message joined; ToneBench accepts nothing longer than a Patch message.
    static constexpr qsizetype MaximumMessageLength = 4096;
    using Deliver = std::function<void(QByteArrayView message)>;

    // Takes one event as delivered and hands on each message it completes. Returns whether a SysEx
    // began to be dropped for its length with this event.
    bool take(QByteArrayView event, const Deliver& deliver);
    // Forgets a SysEx in progress (its source went away).
    void reset();

private:
    QByteArray m_pending;
    bool m_discarding = false;
};
