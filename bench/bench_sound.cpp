// SPDX-License-Identifier: GPL-3.0-or-later
// Built-in sound benchmarks, printed as figures:
//  - processor time per second of audio: six held voices with chorus II at 48 kHz in blocks of 64
//    (target <= 3 % of one core);
//  - offline render speed against real time (target >= 200x), and its cost against a fixed reference
//    measured in the same run (the same number of voice samples through a plain one-pole filter), which
//    holds on a loaded machine; each the fastest of three runs;
//  - a minute of six voices through a JACK dummy server with 64-frame periods: the xruns JACK reports
//    (target 0), beside those of the same time with the engine silent (what the machine's scheduling
//    alone gives a server without realtime rights). Seconds of each run: the first argument (default
//    60); 0 skips them.
#include "QZPBenchSupport.h"
#include "sound/QZPSoundEngine.h"
#include "sound/QZPSoundOutput.h"
#include "sound/QZPSoundRenderer.h"

#include <QCoreApplication>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// A bright, busy patch: saw and pulse with PWM from the LFO, sub, resonance, chorus II.
QByteArray busyPatch() {
    QByteArray data = QByteArray::fromHex("40 00 10 50 10 50 50 40 20 40 40 10 40 60 40 40 00 00");
    data[16] = char(0x02 | 0x08 | 0x10 | 0x00); // 8', pulse, saw, chorus II
    data[17] = char(0x00 | 0x08);               // PWM from the LFO, normal envelope, VCA envelope, HPF 2
    return data;
}

// Milliseconds to run `samples` samples through a plain one-pole low-pass: the reference.
double referenceMilliseconds(size_t samples) {
    std::vector<float> input(4096);
    uint32_t noise = 0x12345678u;
    for (float& value : input) {
        noise = noise * 1664525u + 1013904223u;
        value = float(int32_t(noise)) / 2147483648.0f;
    }
    volatile float sink = 0;
    return qzpMilliseconds([&] {
        float state = 0;
        for (size_t i = 0; i < samples; ++i)
            state += 0.1f * (input[i & 4095] - state);
        sink = state;
    });
}

void playChord(QZPSoundEngine& engine) {
    for (const int note : {48, 52, 55, 60, 64, 67}) {
        const uint8_t on[] = {0x90, uint8_t(note), 100};
        engine.post(on, 3);
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QZPBenchHome home;
    QCoreApplication app(argc, argv);
    const int jackSeconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 60;
    const QByteArray patch = QByteArray("\xF0\x41\x30\x00\x60", 5) + busyPatch() + char(0xF7);

    {
        QZPSoundEngine engine(48000);
        engine.post(reinterpret_cast<const uint8_t*>(patch.constData()), 24);
        playChord(engine);
        std::vector<float> left(64), right(64);
        const int seconds = 20;
        const double start = threadSeconds();
        for (int block = 0; block < seconds * 48000 / 64; ++block)
            engine.process(left.data(), right.data(), 64);
        const double used = threadSeconds() - start;
        std::printf("six voices, chorus II, 48 kHz, blocks of 64: %.2f %% of one core (%.1f ms per second of "
                    "audio; target <= 3 %%)\n",
                    100 * used / seconds, 1000 * used / seconds);
    }
    {
        QList<QZPSoundRenderer::Note> notes;
        for (const int note : {48, 52, 55, 60, 64, 67})
            notes.append({note, 0, 9, 100});
        // The fastest of three runs of each: what the code costs, less what the machine's other work
        // took from it.
        double ms = 1e9, reference = 1e9;
        for (int run = 0; run < 3; ++run) {
            ms = std::min(ms, qzpMilliseconds([&] { QZPSoundRenderer::render(patch, notes, 10, 48000); }));
            reference = std::min(reference, referenceMilliseconds(size_t(6) * 10 * 48000));
        }
        std::printf(
            "offline render of 10 s, six voices: %.0f ms, %.0fx real time (target >= 200x); %.1f times "
            "the same voice samples through a one-pole filter (%.1f ms)\n",
            ms, 10000 / ms, ms / reference, reference);
    }
    if (jackSeconds <= 0)
        return 0;

    // A JACK dummy server with 64-frame periods, ours for the run.
    QProcess server;
    server.setProgram(QStringLiteral("jackd"));
    server.setArguments({"--no-realtime", "-n", "tonebench-bench", "-d", "dummy", "-r", "48000", "-p", "64"});
    server.start();
    if (!server.waitForStarted(5000)) {
        std::printf("JACK: jackd could not be started; skipped\n");
        return 0;
    }
    qputenv("JACK_DEFAULT_SERVER", "tonebench-bench");
    QZPSoundEngine engine;
    QZPSoundOutput output(&engine, QStringLiteral("ToneBench Sound Bench"));
    QString error;
    bool started = false;
    for (int attempt = 0; attempt < 50 && !(started = output.start(&error, false, false)); ++attempt)
        QThread::msleep(100);
    if (!started) {
        std::printf("JACK: %s; skipped\n", qPrintable(error));
        server.terminate();
        server.waitForFinished(5000);
        return 0;
    }
    QThread::sleep(unsigned(jackSeconds));
    const int silent = output.xruns();
    engine.post(reinterpret_cast<const uint8_t*>(patch.constData()), 24);
    playChord(engine);
    QThread::sleep(unsigned(jackSeconds));
    std::printf("JACK dummy driver, 64-frame periods, %d s each: %d xruns playing six voices (target 0), %d "
                "with the engine silent\n",
                jackSeconds, output.xruns() - silent, silent);
    output.stop();
    server.terminate();
    server.waitForFinished(5000);
    return 0;
}
