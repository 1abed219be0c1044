// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/QZPSysexJoiner.h"

namespace {
constexpr quint8 SysexStart = 0xF0, SysexEnd = 0xF7, FirstRealTime = 0xF8;
} // namespace

bool QZPSysexJoiner::take(QByteArrayView event, const Deliver& deliver) {
    if (event.isEmpty())
        return false;
    const auto first = quint8(event.front());
    const bool ends = quint8(event.back()) == SysexEnd;
    const bool inSysex = m_discarding || !m_pending.isEmpty();
    if (first >= FirstRealTime) { // between the pieces of a SysEx or not, it changes nothing
        deliver(event);
        return false;
    }
    if ((first < 0x80 || first == SysexEnd) && inSysex) { // the next piece of the SysEx, or its end
        bool dropped = false;
        if (!m_discarding && m_pending.size() + event.size() > MaximumMessageLength) {
            m_pending.clear();
            m_discarding = dropped = true;
        }
        if (m_discarding) {
            m_discarding = !ends;
            return dropped;
        }
        m_pending.append(event.data(), event.size());
        if (ends) {
            deliver(m_pending);
            m_pending.clear();
        }
        return false;
    }
    if (!m_pending.isEmpty()) {
        deliver(m_pending); // cut short by this event: the engine says so
        m_pending.clear();
    }
    m_discarding = false;
    if (first == SysexStart && !ends) {
        if (event.size() > MaximumMessageLength) {
            m_discarding = true;
            return true;
        }
        m_pending = event.toByteArray();
        return false;
    }
    deliver(event);
    return false;
}

void QZPSysexJoiner::reset() {
    m_pending.clear();
    m_discarding = false;
}
