// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

// How many lines a source of log lines may write: at most `linesPerWindow` in any window of
// `windowMs` milliseconds; the rest are counted, so that one later line can say how many were left out.
// The time is passed in, so the edges are tested exactly.
class QZPRateLimitedLog {
public:
    explicit QZPRateLimitedLog(int linesPerWindow = 20, qint64 windowMs = 1000)
        : m_linesPerWindow(linesPerWindow), m_windowMs(windowMs) {}

    // Whether a line may be written now; a line that may not is counted.
    bool allow(qint64 nowMs);
    // The lines left out since the last call.
    qint64 takeSuppressed();

private:
    int m_linesPerWindow;
    qint64 m_windowMs;
    qint64 m_windowStart = 0;
    int m_written = 0;
    bool m_started = false;
    qint64 m_suppressed = 0;
};
