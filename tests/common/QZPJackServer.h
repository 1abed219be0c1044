// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/backends/QZPRtMidiBackend.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

// A JACK server for end-to-end MIDI tests: the one already running, or a dummy-driver server started
// for the test and stopped with it.
class QZPJackServer {
public:
    ~QZPJackServer() { stop(); }

    // Answers whether a server runs (starting one with periods of `periodFrames` at 48 kHz if needed).
    bool ensure(int periodFrames = 1024) {
        if (QZPRtMidiBackend::jackServerRunning(nullptr))
            return true;
        m_process.setProgram(QStringLiteral("jackd"));
        // Periods of 21 ms: a dummy server without realtime scheduling misses shorter ones under load, and a
        // client that misses a period has its last MIDI events delivered again.
        m_process.setArguments(
            {"--no-realtime", "-d", "dummy", "-r", "48000", "-p", QString::number(periodFrames)});
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start();
        if (!m_process.waitForStarted(5000))
            return false;
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 10000) {
            if (QZPRtMidiBackend::jackServerRunning(nullptr))
                return true;
            QThread::msleep(100);
        }
        return false;
    }
    bool ownsServer() const { return m_process.state() == QProcess::Running; }
    void stop() {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(2000);
    }
    QString output() { return QString::fromLocal8Bit(m_process.readAll()); }

private:
    QProcess m_process;
};
