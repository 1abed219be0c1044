// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/backends/QZPMidiInput.h"

#include "midi/QZPMidiBackend.h"
#include "midi/QZPSysexJoiner.h"

void QZPMidiInput::reportDrops(qint64 nowMs) {
    if (m_lastReportMs >= 0 && nowMs - m_lastReportMs < 1000)
        return;
    m_lastReportMs = nowMs;
    const quint64 overflowed = m_overflowed.exchange(0);
    const quint64 overlong = m_overlong.exchange(0);
    if (overflowed > 0)
        qCWarning(lcMidi, "Dropped %llu MIDI events that arrived faster than ToneBench could take them.",
                  static_cast<unsigned long long>(overflowed));
    if (overlong > 0)
        qCWarning(lcMidi, "Dropped %llu SysEx messages longer than %lld bytes.",
                  static_cast<unsigned long long>(overlong),
                  static_cast<long long>(QZPSysexJoiner::MaximumMessageLength));
}
