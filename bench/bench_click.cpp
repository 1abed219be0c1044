// SPDX-License-Identifier: GPL-3.0-or-later
// A click on a panel slider, through the window, to the Control message's arrival at a JACK client that
// stands in for the instrument, on JACK's own clock: 60 clicks on VCF FREQ's track, each at the other of
// two spots so that every click moves the knob. The click is delivered as the window system's mouse events
// (press and release), the ToneBench window runs on a real JACK MIDI back-end, and the stand-in notes the
// time of the cycle in which the message reaches it. Each figure is split at the moment ToneBench hands
// the message to its JACK output. Target: median and 90th percentile within one JACK period (5.33 ms at
// 256 frames and 48 kHz; a dummy server is started with those if none runs).
#include "QZPBenchSupport.h"
#include "QZPJackServer.h"
#include "app/QZPAppDelegate.h"
#include "editor/QZPSlider.h"
#include "mainwindow/QZPMainWindowController.h"
#include "midi/QZPMidiEngine.h"
#include "midi/backends/QZPRtMidiBackend.h"

#include <QApplication>
#include <QMainWindow>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <jack/jack.h>
#include <jack/midiport.h>
#include <semaphore.h>
#include <thread>
#include <vector>

namespace {

constexpr int Clicks = 60;

// A JACK client with one MIDI input that notes, in its process callback, the time of each cycle in which
// a message arrives (nothing in the callback allocates).
class Instrument {
public:
    Instrument() : m_arrivals(4096) {
        sem_init(&m_arrived, 0, 0);
        jack_status_t status{};
        m_client = jack_client_open("Click Probe", JackNoStartServer, &status);
        if (!m_client)
            return;
        m_port = jack_port_register(m_client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        jack_set_process_callback(m_client, &Instrument::process, this);
        jack_activate(m_client);
    }
    ~Instrument() {
        if (m_client)
            jack_client_close(m_client);
        sem_destroy(&m_arrived);
    }
    // Waits (without spinning: the machine's cores belong to JACK and the window) until a message
    // arrives or `ms` pass; answers whether one did.
    bool waitForArrival(int ms) {
        timespec until{};
        clock_gettime(CLOCK_REALTIME, &until);
        until.tv_nsec += long(ms) * 1000000;
        until.tv_sec += until.tv_nsec / 1000000000;
        until.tv_nsec %= 1000000000;
        return sem_timedwait(&m_arrived, &until) == 0;
    }
    bool isValid() const { return m_client && m_port; }
    double periodMs() const {
        return 1000.0 * jack_get_buffer_size(m_client) / jack_get_sample_rate(m_client);
    }
    int count() const { return m_count.load(std::memory_order_acquire); }
    jack_time_t arrival(int index) const { return m_arrivals[size_t(index)]; }

private:
    static int process(jack_nframes_t frames, void* self) {
        auto* probe = static_cast<Instrument*>(self);
        void* buffer = jack_port_get_buffer(probe->m_port, frames);
        const jack_time_t now = jack_get_time();
        const jack_nframes_t events = jack_midi_get_event_count(buffer);
        for (jack_nframes_t i = 0; i < events; ++i) {
            const int index = probe->m_count.load(std::memory_order_relaxed);
            if (size_t(index) < probe->m_arrivals.size()) {
                probe->m_arrivals[size_t(index)] = now;
                probe->m_count.store(index + 1, std::memory_order_release);
                sem_post(&probe->m_arrived);
            }
        }
        return 0;
    }

    jack_client_t* m_client = nullptr;
    jack_port_t* m_port = nullptr;
    std::vector<jack_time_t> m_arrivals;
    std::atomic<int> m_count{0};
    sem_t m_arrived{};
};

void print(const char* what, std::vector<double> ms, double periodMs) {
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    const double ninetieth = ms[std::min(ms.size() - 1, ms.size() * 9 / 10)];
    std::printf("%-44s median %6.2f ms, 90th percentile %6.2f ms, worst %6.2f ms", what, median, ninetieth,
                ms.back());
    if (periodMs > 0)
        std::printf(" (target: median and 90th <= %.2f ms)", periodMs);
    std::printf("\n");
}

} // namespace

int main(int argc, char* argv[]) {
    QZPBenchHome home;
    QApplication app(argc, argv);
    QZPAppDelegate::initialize();
    QZPJackServer server;
    if (!server.ensure(256)) {
        std::printf("bench_click needs a JACK server (jackd2)\n");
        return 1;
    }
    Instrument instrument;
    QString why;
    std::unique_ptr<QZPRtMidiBackend> backend = QZPRtMidiBackend::open(QZPRtMidiBackend::Api::Jack, &why);
    if (!instrument.isValid() || !backend) {
        std::printf("JACK refused the bench's clients: %s\n", qPrintable(why));
        return 1;
    }
    QZPMidiEngine engine(std::move(backend), nullptr);
    for (const QZPMidiEndpoint& destination : engine.midiDestinations())
        if (destination.displayName().contains(QStringLiteral("Click Probe")))
            engine.setDestination(destination);
    if (engine.destination().isNull()) {
        std::printf("the probe's port is not among ToneBench's destinations\n");
        return 1;
    }

    QZPAppDelegate delegate(&engine);
    delegate.launch({});
    QMainWindow* window = delegate.windowController()->window();
    window->resize(1300, 800);
    (void)QTest::qWaitForWindowExposed(window);
    QZPSlider* slider = nullptr;
    for (QZPSlider* candidate : window->findChildren<QZPSlider*>())
        if (candidate->accessibleName() == QStringLiteral("VCF FREQ"))
            slider = candidate;
    if (!slider) {
        std::printf("no VCF FREQ slider on the panel\n");
        return 1;
    }

    // The clicks come from a thread of their own, as the window system's do, at times spread over the JACK
    // period, while the window runs its event loop with everything it does between clicks (its lights,
    // its timers, the port lists); the thread waits for each arrival before the next click.
    std::vector<double> total, inWindow, inJack;
    std::atomic<jack_time_t> handedOverAt{0};
    std::atomic<jack_time_t> pressedAt{0};
    std::vector<double> woken, handled;
    QObject::connect(&engine, &QZPMidiEngine::messageSent, [&handedOverAt] {
        jack_time_t none = 0;
        handedOverAt.compare_exchange_strong(none, jack_get_time());
    });
    int missed = 0;
    std::thread clicker([&] {
        unsigned spread = 12345;
        // The first click warms the caches and the JACK connection; it is not counted.
        for (int click = -1; click < Clicks; ++click) {
            spread = spread * 1103515245u + 12345u;
            std::this_thread::sleep_for(std::chrono::microseconds(25000 + (spread >> 8) % 6000));
            const QPoint spot(slider->width() / 2, slider->height() * (click % 2 == 0 ? 3 : 1) / 4);
            const int before = instrument.count();
            handedOverAt = 0;
            const jack_time_t clicked = jack_get_time();
            QMetaObject::invokeMethod(slider, [slider, spot, &pressedAt] {
                pressedAt = jack_get_time();
                QTest::mousePress(slider, Qt::LeftButton, {}, spot);
                QTest::mouseRelease(slider, Qt::LeftButton, {}, spot);
            });
            if (!instrument.waitForArrival(2000)) {
                ++missed;
                continue;
            }
            // A second message of the same click (none is expected) is not taken for the next click's.
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            while (instrument.waitForArrival(0)) {
            }
            if (click < 0)
                continue;
            const jack_time_t arrived = instrument.arrival(before);
            total.push_back(double(arrived - clicked) / 1000.0);
            inWindow.push_back(double(handedOverAt - clicked) / 1000.0);
            inJack.push_back(double(qint64(arrived) - qint64(handedOverAt.load())) / 1000.0);
            woken.push_back(double(qint64(pressedAt.load()) - qint64(clicked)) / 1000.0);
            handled.push_back(double(qint64(handedOverAt.load()) - qint64(pressedAt.load())) / 1000.0);
        }
        // Ended as a logout ends it: no questions about the edits the clicks made.
        QMetaObject::invokeMethod(&delegate, &QZPAppDelegate::endSession);
    });
    app.exec();
    clicker.join();
    std::printf("%d clicks on VCF FREQ, JACK period %.2f ms\n", Clicks, instrument.periodMs());
    if (total.empty()) {
        std::printf("no message arrived\n");
        return 1;
    }
    print("click to arrival", total, instrument.periodMs());
    print("  click to the hand-over to JACK", inWindow, 0);
    print("  hand-over to arrival", inJack, 0);
    print("  click to the window's press handling", woken, 0);
    print("  press handling to the hand-over", handled, 0);
    if (missed > 0)
        std::printf("%d clicks brought no message\n", missed);
    std::fflush(stdout);
    return 0;
}
