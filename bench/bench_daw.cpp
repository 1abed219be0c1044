// SPDX-License-Identifier: GPL-3.0-or-later
// The "ToneBench DAW" port's latency, on JACK's own timeline (frames), against a bare MIDI thru (RtMidi in,
// RtMidi out) in the same run:
//  (a) a note from the sequencer to the instrument, through the bare thru and through ToneBench;
//  (b) a Control Change from the sequencer to the instrument's Control message;
//  (c) a note sent right behind a flood of Control Changes (every parameter moved at once).
// Target: ToneBench adds at most one message's wire time (2.24 ms) to the bare thru's figure. JACK hands
// MIDI on once per period, so the figures are whole periods and the target is the wire time rounded up to
// whole periods.
#include "QZPJackServer.h"
#include "midi/QZPDawBridge.h"
#include "midi/QZPInstrumentSync.h"
#include "midi/QZPMidiEngine.h"
#include "midi/QZPSysexMessage.h"
#include "midi/backends/QZPJackDawPorts.h"
#include "midi/backends/QZPJackMessageQueue.h"
#include "midi/backends/QZPRtMidiBackend.h"
#include "model/QZPParameter.h"
#include "model/QZPPreset.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <jack/jack.h>
#include <jack/midiport.h>
#include <rtmidi/RtMidi.h>
#include <vector>

namespace {

constexpr double WireMs = 7 * 1000.0 / 3125.0;
constexpr int Rounds = 100;

// A JACK client with one MIDI port that logs, in its process callback, the frame each message left (an
// output) or arrived (an input) at. Nothing in the callback allocates.
class Probe {
public:
    struct Event {
        jack_nframes_t frame = 0;
        unsigned char bytes[3] = {};
        size_t size = 0;
    };

    Probe(const char* name, bool input) : m_input(input), m_log(1 << 16) {
        jack_status_t status{};
        m_client = jack_client_open(name, JackNoStartServer, &status);
        if (!m_client)
            return;
        m_port = jack_port_register(m_client, input ? "in" : "out", JACK_DEFAULT_MIDI_TYPE,
                                    input ? JackPortIsInput : JackPortIsOutput, 0);
        jack_set_process_callback(m_client, &Probe::process, this);
        jack_activate(m_client);
    }
    ~Probe() {
        if (m_client)
            jack_client_close(m_client);
    }
    bool isValid() const { return m_client && m_port; }
    QByteArray portName() const { return jack_port_name(m_port); }
    jack_client_t* client() const { return m_client; }

    // Main thread: queued for the next cycle, at its first frame.
    void send(const QByteArray& message) { m_outgoing.push(message.constData(), size_t(message.size())); }
    int count() const { return m_count.load(std::memory_order_acquire); }
    const Event& event(int index) const { return m_log[size_t(index)]; }

private:
    static int process(jack_nframes_t frames, void* self) {
        auto* probe = static_cast<Probe*>(self);
        void* buffer = jack_port_get_buffer(probe->m_port, frames);
        const jack_nframes_t start = jack_last_frame_time(probe->m_client);
        if (probe->m_input) {
            const jack_nframes_t events = jack_midi_get_event_count(buffer);
            for (jack_nframes_t i = 0; i < events; ++i) {
                jack_midi_event_t event{};
                if (jack_midi_event_get(&event, buffer, i) == 0)
                    probe->log(start + event.time, event.buffer, event.size);
            }
            return 0;
        }
        jack_midi_clear_buffer(buffer);
        unsigned char message[3];
        for (int length = probe->m_outgoing.nextLength(); length > 0 && length <= 3;
             length = probe->m_outgoing.nextLength()) {
            probe->m_outgoing.pop(message);
            if (jack_midi_event_write(buffer, 0, message, size_t(length)) == 0)
                probe->log(start, message, size_t(length));
        }
        return 0;
    }
    void log(jack_nframes_t frame, const unsigned char* bytes, size_t size) {
        const int index = m_count.load(std::memory_order_relaxed);
        if (size_t(index) >= m_log.size())
            return;
        Event& event = m_log[size_t(index)];
        event.frame = frame;
        event.size = std::min<size_t>(size, 3);
        std::copy_n(bytes, event.size, event.bytes);
        m_count.store(index + 1, std::memory_order_release);
    }

    bool m_input;
    jack_client_t* m_client = nullptr;
    jack_port_t* m_port = nullptr;
    std::vector<Event> m_log;
    std::atomic<int> m_count{0};
    QZPJackMessageQueue m_outgoing{1 << 16};
};

struct Figures {
    std::vector<double> ms;
    void print(const char* what, double bareMedian, double targetMs) {
        std::sort(ms.begin(), ms.end());
        const double median = ms[ms.size() / 2], worst = ms.back();
        std::printf("%-40s median %6.2f ms, worst %6.2f ms", what, median, worst);
        if (bareMedian >= 0)
            std::printf(", %+.2f ms against the bare thru (target <= %.2f)", median - bareMedian, targetMs);
        std::printf("\n");
    }
};

// Sends `flood` then `message` from the sequencer in one cycle and waits for the first event at the
// instrument that `matches`; answers the milliseconds between them on JACK's timeline.
template <typename Matches>
double roundTrip(Probe& sequencer, Probe& instrument, const QList<QByteArray>& flood,
                 const QByteArray& message, Matches matches, jack_nframes_t rate) {
    const int sentBefore = sequencer.count(), heardBefore = instrument.count();
    for (const QByteArray& cc : flood)
        sequencer.send(cc);
    sequencer.send(message);
    const int wanted = sentBefore + int(flood.size()) + 1;
    QElapsedTimer waited;
    waited.start();
    for (int heard = heardBefore; waited.elapsed() < 5000;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        for (; heard < instrument.count(); ++heard) {
            const Probe::Event& event = instrument.event(heard);
            if (sequencer.count() >= wanted &&
                matches(QByteArray(reinterpret_cast<const char*>(event.bytes), qsizetype(event.size))))
                return double(event.frame - sequencer.event(wanted - 1).frame) * 1000.0 / rate;
        }
    }
    return -1;
}

void settle(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
}

} // namespace

int main(int argc, char* argv[]) {
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    QCoreApplication app(argc, argv);
    QZPJackServer server;
    if (!server.ensure(128)) {
        std::fprintf(stderr, "bench_daw: no JACK server could be started\n");
        return 1;
    }
    Probe sequencer("Bench Sequencer", false), instrument("Bench Instrument", true);
    if (!sequencer.isValid() || !instrument.isValid()) {
        std::fprintf(stderr, "bench_daw: JACK refused the probes\n");
        return 1;
    }
    const jack_nframes_t rate = jack_get_sample_rate(instrument.client());
    const double periodMs = jack_get_buffer_size(instrument.client()) * 1000.0 / rate;
    const double targetMs = std::ceil(WireMs / periodMs) * periodMs;
    std::printf("JACK: %u frames per period at %u Hz (%.2f ms); one wire time %.2f ms\n",
                jack_get_buffer_size(instrument.client()), rate, periodMs, WireMs);

    // The bare thru: what arrives on its input goes straight out.
    RtMidiOut bareOut(RtMidi::UNIX_JACK, "Bench Bare Out");
    bareOut.openVirtualPort("out");
    RtMidiIn bareIn(RtMidi::UNIX_JACK, "Bench Bare Thru");
    bareIn.setCallback([](double, std::vector<unsigned char>* message,
                          void* out) { static_cast<RtMidiOut*>(out)->sendMessage(message); },
                       &bareOut);
    bareIn.openVirtualPort("in");

    // ToneBench: the DAW ports, the bridge, the current preset and the engine's JACK output.
    QString error;
    QZPMidiEngine engine(QZPRtMidiBackend::open(QZPRtMidiBackend::Api::Jack, &error), nullptr);
    engine.setPollInterval(0);
    for (const QZPMidiEndpoint& destination : engine.midiDestinations())
        if (destination.portName() == QLatin1String(instrument.portName()))
            engine.setDestination(destination);
    QZPPreset preset;
    QZPInstrumentSync::of(&engine)->setPreset(&preset);
    std::unique_ptr<QZPJackDawPorts> ports;
    QZPDawBridge bridge(&engine, [&](const QByteArray& message) { ports->send(message); });
    QObject::connect(&bridge, &QZPDawBridge::parameterMoved,
                     [&](QZPParameterId id, int value) { preset.setValue(id, value); });
    ports = std::make_unique<QZPJackDawPorts>([&bridge](const QByteArray& message) {
        QMetaObject::invokeMethod(&bridge, [&bridge, message] { bridge.fromSequencer(message); });
    });
    if (engine.destination().isNull() || !ports->open(&error)) {
        std::fprintf(stderr, "bench_daw: ToneBench's ports: %s\n", qPrintable(error));
        return 1;
    }
    jack_client_t* patchbay = sequencer.client();
    const auto connect = [&](const char* from, const char* to) {
        return jack_connect(patchbay, from, to) == 0;
    };
    const QByteArray sequencerOut = sequencer.portName(), instrumentIn = instrument.portName();
    if (!connect(sequencerOut, "Bench Bare Thru:in") || !connect("Bench Bare Out:out", instrumentIn)) {
        std::fprintf(stderr, "bench_daw: the bare thru cannot be connected\n");
        return 1;
    }
    settle(200);

    const auto note = [](int round) {
        return QByteArray::fromHex("90") + char(36 + round % 48) + char(100);
    };
    const auto isNote = [](const QByteArray& message) {
        return message.size() == 3 && quint8(message.at(0)) == 0x90 && message.at(2) != 0;
    };
    const auto runNotes = [&](const QList<QByteArray>& flood) {
        Figures figures;
        for (int round = 0; round < Rounds; ++round) {
            const double ms = roundTrip(sequencer, instrument, flood, note(round), isNote, rate);
            if (ms >= 0)
                figures.ms.push_back(ms);
            sequencer.send(note(round).replace(2, 1, QByteArray(1, 0)));
            settle(flood.isEmpty() ? 6 : 150); // the flood drains at the cable's pace
        }
        return figures;
    };

    Figures bare = runNotes({});
    jack_disconnect(patchbay, sequencerOut, "Bench Bare Thru:in");
    if (!connect(sequencerOut, "ToneBench DAW:in")) {
        std::fprintf(stderr, "bench_daw: the sequencer cannot reach ToneBench\n");
        return 1;
    }
    settle(200);
    Figures notes = runNotes({});

    // (b) VCF FREQ's Control Change, a new value each round, to the instrument's Control message.
    const QZPParameter& cutoff = QZPParameter::of(QZPParameterId::VCF_Cutoff);
    Figures controls;
    for (int round = 0; round < Rounds; ++round) {
        const int value = (round * 37) % 128;
        const QByteArray cc = QZPSysexMessage::controlChange(0, quint8(cutoff.controller), quint8(value));
        const double ms = roundTrip(
            sequencer, instrument, {}, cc,
            [](const QByteArray& message) { return message.startsWith('\xF0'); }, rate);
        if (ms >= 0)
            controls.ms.push_back(ms);
        settle(8);
    }

    // (c) Every parameter with a controller moved, then a note.
    QList<QByteArray> flood;
    for (int value : {20, 100})
        for (const QZPParameter& parameter : QZPParameter::all())
            if (parameter.controller >= 0)
                flood << QZPSysexMessage::controlChange(0, quint8(parameter.controller), quint8(value));
    Figures flooded = runNotes(flood);

    const double bareMedian = (std::sort(bare.ms.begin(), bare.ms.end()), bare.ms[bare.ms.size() / 2]);
    bare.print("note, bare thru:", -1, targetMs);
    notes.print("note, through ToneBench:", bareMedian, targetMs);
    controls.print("Control Change to Control message:", bareMedian, targetMs);
    flooded.print(qPrintable(QStringLiteral("note behind %1 Control Changes:").arg(flood.size())), bareMedian,
                  targetMs);
    return 0;
}
