// SPDX-License-Identifier: GPL-3.0-or-later
// Editor benchmarks, printed as figures: the cost of one slider-drag event from the mouse event to the
// Control message handed to the MIDI back-end (10,000 events), and of one animated display refresh.
#include "QZPBenchSupport.h"
#include "editor/QZPEditorController.h"
#include "editor/QZPSlider.h"
#include "midi/QZPInstrumentSync.h"
#include "midi/QZPMidiEngine.h"
#include "midi/backends/QZPVirtualMidiBackend.h"
#include "model/QZPPreset.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <ctime>

namespace {

class CountingBackend : public QZPVirtualMidiBackend {
public:
    CountingBackend() { addDestination(QStringLiteral("Juno")); }
    bool send(const QZPMidiEndpoint&, QByteArrayView, QString*) override {
        ++sent;
        return true;
    }
    qint64 sent = 0;
};

void mouse(QWidget* widget, QEvent::Type type, const QPointF& point) {
    QMouseEvent event(type, point, widget->mapToGlobal(point), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

} // namespace

int main(int argc, char* argv[]) {
    QZPBenchHome home;
    QApplication app(argc, argv);

    auto backend = std::make_unique<CountingBackend>();
    CountingBackend* counting = backend.get();
    QZPMidiEngine engine(std::move(backend), nullptr);
    engine.setPollInterval(0);
    engine.outputQueue()->setBytesPerSecond(
        0); // every change reaches the back-end: the cost of each is measured
    engine.setDestination(engine.midiDestinations().first());
    QZPEditorController editor;
    QZPPreset preset;
    editor.setDocument(&preset);
    // The instrument follows the preset, as in the main window: the drag's cost includes the sending.
    QZPInstrumentSync::of(&engine)->setPreset(&preset);
    editor.view()->show();
    QApplication::processEvents();

    QZPSlider* cutoff = editor.sliderFor(QZPParameter::Id::VCF_Cutoff);
    cutoff->setDoubleValue(0);
    const QPointF start = cutoff->knobCenter();
    const QPointF end = cutoff->pointB();
    constexpr int Events = 10000;
    mouse(cutoff, QEvent::MouseButtonPress, start);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Events; ++i) {
        // Back and forth over the whole track, so that nearly every event changes the value.
        const double t = double(i % 254) / 127.0;
        const double f = t <= 1 ? t : 2 - t;
        mouse(cutoff, QEvent::MouseMove, start + (end - start) * f);
    }
    const double dragNs = double(timer.nsecsElapsed());
    mouse(cutoff, QEvent::MouseButtonRelease, start);
    std::printf(
        "slider drag: %.1f us per mouse event (%lld Control messages for %d events; target < 100 us)\n",
        dragNs / Events / 1000.0, static_cast<long long>(counting->sent), Events);

    // One animated refresh: the call, then the glide's frames until it is over.
    QByteArray message = QByteArray("\xF0\x41\x30\x00\x60", 5) + QZPPreset::defaultPatchData() + char(0xF7);
    for (int i = 0; i < 16; ++i)
        message[5 + i] = char((i * 37) & 0x7F);
    preset.setJunoSysexData(message, false, false);
    timer.restart();
    editor.updateDisplay(true);
    const double callUs = double(timer.nsecsElapsed()) / 1000.0;
    // The glide's work: processor time while the event loop runs the 0.132 s animation (and paints).
    const auto cpuNow = [] {
        timespec ts{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
    };
    const double cpuStart = cpuNow();
    QElapsedTimer wall;
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(200, &loop, &QEventLoop::quit);
    loop.exec();
    std::printf(
        "animated updateDisplay: %.0f us for the call, %.1f ms of processor time for the whole 0.132 s glide"
        " (%.0f ms of wall time watched)\n",
        callUs, cpuNow() - cpuStart, double(wall.elapsed()));
    return 0;
}
