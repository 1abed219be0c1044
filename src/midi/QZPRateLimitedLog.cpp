// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/QZPRateLimitedLog.h"

bool QZPRateLimitedLog::allow(qint64 nowMs) {
    if (!m_started || nowMs - m_windowStart >= m_windowMs) {
        m_started = true;
        m_windowStart = nowMs;
        m_written = 0;
    }
    if (m_written < m_linesPerWindow) {
        ++m_written;
        return true;
    }
    ++m_suppressed;
    return false;
}

qint64 QZPRateLimitedLog::takeSuppressed() {
    const qint64 suppressed = m_suppressed;
    m_suppressed = 0;
    return suppressed;
}
