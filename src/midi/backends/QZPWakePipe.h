// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A pipe a reader thread polls beside its MIDI system's descriptors, so that another thread can wake it
// (to stop). Both ends are non-blocking and closed on exec; they close with the object.
class QZPWakePipe {
public:
    QZPWakePipe() = default;
    ~QZPWakePipe();
    QZPWakePipe(const QZPWakePipe&) = delete;
    QZPWakePipe& operator=(const QZPWakePipe&) = delete;

    bool open();
    // Wakes the thread polling readEnd(); harmless before open().
    void wake();
    int readEnd() const { return m_ends[0]; }

private:
    void close();

    int m_ends[2] = {-1, -1};
};
