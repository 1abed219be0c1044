// SPDX-License-Identifier: GPL-3.0-or-later
// MIDI benchmarks, printed as figures and ratios measured in the same run:
//  (a) the engine's send path (queue + back-end) against RtMidi's bare sendMessage, same 7-byte
//      Control message, same JACK port;
//  (b) the receive path from the MIDI system's thread to the delegate, in messages per second.
#include "QZPJackServer.h"
#include "midi/QZPMidiEngine.h"
#include "midi/QZPMidiMessageDelegate.h"
#include "midi/QZPSysexMessage.h"
#include "midi/backends/QZPRtMidiBackend.h"
#include "midi/backends/QZPVirtualMidiBackend.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <rtmidi/RtMidi.h>
#include <thread>

namespace {

constexpr int Batch = 500; // what JACK's output buffer takes before it must drain
constexpr int Batches = 40;

class Counter : public QZPMidiMessageDelegate {
public:
    void midiEngineDidReceiveSysex(QZPMidiEngine*, const QByteArray&, quint8) override { ++count; }
    qint64 count = 0;
};

// Nanoseconds spent in `send` for Batches x Batch messages, pausing between batches (not counted).
template <typename Send> qint64 timeBatches(Send send) {
    qint64 total = 0;
    for (int b = 0; b < Batches; ++b) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < Batch; ++i)
            send(i);
        total += timer.nsecsElapsed();
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        QCoreApplication::processEvents();
    }
    return total;
}

} // namespace

int main(int argc, char* argv[]) {
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    QCoreApplication app(argc, argv);

    QZPJackServer server;
    if (!server.ensure()) {
        std::fprintf(stderr, "bench_midi: no JACK server could be started\n");
        return 1;
    }
    RtMidiIn instrument(RtMidi::UNIX_JACK, "Bench Juno");
    instrument.openVirtualPort("MIDI In");

    // (a) Send path.
    RtMidiOut bare(RtMidi::UNIX_JACK, "Bench Bare");
    for (unsigned i = 0; i < bare.getPortCount(); ++i)
        if (bare.getPortName(i) == "Bench Juno:MIDI In")
            bare.openPort(i);
    QString error;
    QZPMidiEngine engine(QZPRtMidiBackend::open(QZPRtMidiBackend::Api::Jack, &error), nullptr);
    engine.setPollInterval(0);
    engine.outputQueue()->setBytesPerSecond(0); // the pacing is not what is measured here
    for (const QZPMidiEndpoint& destination : engine.midiDestinations())
        if (destination.portName() == QLatin1String("Bench Juno:MIDI In"))
            engine.setDestination(destination);
    if (engine.destination().isNull()) {
        std::fprintf(stderr, "bench_midi: the engine does not list the instrument\n");
        return 1;
    }
    const QByteArray control = QZPSysexMessage::controlMessage(0, 5, 64);
    // Warm up both paths (the engine opens its output on first use).
    engine.sendSysex(control);
    bare.sendMessage(reinterpret_cast<const unsigned char*>(control.constData()), size_t(control.size()));

    const qint64 bareNs = timeBatches([&](int i) {
        const unsigned char message[] = {0xF0, 0x41, 0x32, 0x00, 0x05, static_cast<unsigned char>(i & 0x7F),
                                         0xF7};
        bare.sendMessage(message, sizeof message);
    });
    const qint64 engineNs = timeBatches([&](int i) { engine.sendSysexControl(5, quint8(i & 0x7F)); });
    const double messages = double(Batch) * Batches;
    std::printf(
        "send path: RtMidi sendMessage %.0f ns/message, engine %.0f ns/message, ratio %.2f (target <= 1.2)\n",
        double(bareNs) / messages, double(engineNs) / messages, double(engineNs) / double(bareNs));

    // (b) Receive path: from another thread, as the MIDI system delivers, to the delegate on the main thread.
    auto backend = std::make_unique<QZPVirtualMidiBackend>();
    QZPVirtualMidiBackend* virtualBackend = backend.get();
    virtualBackend->addSource(QStringLiteral("Juno"));
    QZPMidiEngine receiver(std::move(backend), nullptr);
    receiver.setPollInterval(0);
    Counter counter;
    receiver.setDelegate(&counter);
    constexpr int Received = 200000;
    QElapsedTimer timer;
    timer.start();
    std::thread input([&] {
        for (int i = 0; i < Received; ++i)
            virtualBackend->inject(QStringLiteral("Juno"),
                                   QZPSysexMessage::controlMessage(0, 5, quint8(i & 0x7F)));
    });
    while (counter.count < Received)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    input.join();
    const double perSecond = Received / (double(timer.nsecsElapsed()) / 1e9);
    std::printf("receive path: %.0f Control messages per second, %.0fx what a MIDI cable carries (446/s; "
                "target >= 100x)\n",
                perSecond, perSecond / 446.0);
    return 0;
}
