// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPParameter.h"
#include "model/QZPPreset.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <functional>

// What the benchmarks share: their own settings, a folder of preset files with everyday names, and a
// stopwatch.

// Made before the application: the benchmark's settings, state and data live in a temporary folder, and
// widgets draw offscreen unless a platform is asked for.
class QZPBenchHome {
public:
    QZPBenchHome() {
        qputenv("XDG_CONFIG_HOME", m_home.path().toUtf8());
        qputenv("XDG_STATE_HOME", m_home.filePath(QStringLiteral("state")).toUtf8());
        qputenv("XDG_DATA_HOME", m_home.filePath(QStringLiteral("data")).toUtf8());
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }

private:
    QTemporaryDir m_home;
};

// Writes `count` preset files named like "Bass 12.syx", "Lead 13.syx", ... into the folder.
inline void qzpFillPresetFolder(const QString& folder, int count) {
    static const char* const names[] = {"Bass", "Lead", "Pad", "Strings", "Brass", "Organ", "Sweep", "Pluck"};
    QDir().mkpath(folder);
    QByteArray message = QByteArray("\xF0\x41\x30\x00\x60", 5) + QZPPreset::defaultPatchData() + char(0xF7);
    // The LFO rate and the cutoff vary, so that queries and rankings have work to do.
    const int cutoff = 5 + QZPParameter::of(QZPParameter::Id::VCF_Cutoff).byteIndex;
    for (int i = 0; i < count; ++i) {
        message[5] = char(i & 0x7F);
        message[cutoff] = char((i * 37) & 0x7F);
        QFile file(QStringLiteral("%1/%2 %3.syx").arg(folder).arg(QLatin1String(names[i % 8])).arg(i));
        file.open(QIODevice::WriteOnly);
        file.write(message);
    }
}

inline double qzpMilliseconds(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}
