// SPDX-License-Identifier: GPL-3.0-or-later
#include "QZPJackServer.h"
#include "QZPLogCapture.h"
#include "QZPTestFiles.h"
#include "QZPTestMain.h"
#include "QZPVirtualJuno.h"
#include "midi/QZPConnectionCheck.h"
#include "midi/QZPInstrumentWriter.h"
#include "midi/QZPMidiEngine.h"
#include "midi/QZPMidiMessageDelegate.h"
#include "midi/QZPSysexMessage.h"
#include "midi/backends/QZPJackDawPorts.h"
#include "midi/backends/QZPRtMidiBackend.h"
#include "model/QZPParameter.h"
#include "model/QZPPreset.h"
#include "sound/QZPSoundEngine.h"
#include "sound/QZPSoundOutput.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>
#include <atomic>
#include <jack/jack.h>
#include <jack/midiport.h>

namespace {

// A JACK client of the test's own, written against libjack directly so that it can stop its process
// thread (jack_deactivate) before what the thread uses goes away: a subclass closes it first thing in its
// destructor. (Closing an RtMidi port while its process thread runs races inside the library.)
class TestJackClient {
public:
    explicit TestJackClient(const char* name) {
        jack_status_t status{};
        m_client = jack_client_open(name, JackNoStartServer, &status);
    }
    virtual ~TestJackClient() { close(); }
    TestJackClient(const TestJackClient&) = delete;
    TestJackClient& operator=(const TestJackClient&) = delete;
    bool isOpen() const { return m_client != nullptr; }

protected:
    void activate(JackProcessCallback process) {
        jack_set_process_callback(m_client, process, this);
        jack_activate(m_client);
    }
    void close() {
        if (!m_client)
            return;
        jack_deactivate(m_client);
        jack_client_close(m_client);
        m_client = nullptr;
    }

    jack_client_t* m_client = nullptr;
};

// One JACK client with a single MIDI port.
class JackPortClient : public TestJackClient {
public:
    JackPortClient(const char* clientName, const char* portName, bool isInput)
        : TestJackClient(clientName), m_isInput(isInput) {
        if (!isOpen())
            return;
        m_port = jack_port_register(m_client, portName, JACK_DEFAULT_MIDI_TYPE,
                                    isInput ? JackPortIsInput : JackPortIsOutput, 0);
        activate(&JackPortClient::process);
    }
    ~JackPortClient() override { close(); }

    void send(const QByteArray& bytes) {
        QMutexLocker lock(&m_mutex);
        m_outgoing << bytes;
    }
    QList<QByteArray> takeReceived() {
        QMutexLocker lock(&m_mutex);
        return std::exchange(m_received, {});
    }
    int receivedCount() {
        QMutexLocker lock(&m_mutex);
        return int(m_received.size());
    }
    // How many ports this one is connected to.
    int connections() const { return m_port ? jack_port_connected(m_port) : 0; }

private:
    static int process(jack_nframes_t frames, void* self) {
        auto* client = static_cast<JackPortClient*>(static_cast<TestJackClient*>(self));
        void* buffer = jack_port_get_buffer(client->m_port, frames);
        QMutexLocker lock(&client->m_mutex);
        if (client->m_isInput) {
            const jack_nframes_t count = jack_midi_get_event_count(buffer);
            for (jack_nframes_t i = 0; i < count; ++i) {
                jack_midi_event_t event{};
                if (jack_midi_event_get(&event, buffer, i) == 0)
                    client->m_received
                        << QByteArray(reinterpret_cast<const char*>(event.buffer), qsizetype(event.size));
            }
            return 0;
        }
        jack_midi_clear_buffer(buffer);
        while (!client->m_outgoing.isEmpty()) {
            const QByteArray& next = client->m_outgoing.first();
            if (jack_midi_event_write(buffer, 0, reinterpret_cast<const jack_midi_data_t*>(next.constData()),
                                      size_t(next.size())) != 0)
                break; // the cycle's buffer is full: the rest goes out in the next cycle
            client->m_outgoing.removeFirst();
        }
        return 0;
    }

    bool m_isInput;
    jack_port_t* m_port = nullptr;
    QMutex m_mutex;
    QList<QByteArray> m_outgoing;
    QList<QByteArray> m_received;
};

// The instrument: a MIDI output and a MIDI input, as a Juno-106 behind a MIDI interface would show up;
// `juno` is how it behaves (what its panel sends goes out of its MIDI Out).
class Instrument {
public:
    Instrument() : out("Juno106", "MIDI Out", false) {
        openInput();
        juno.setWire([this](const QByteArray& message) { out.send(message); });
    }
    void openInput() { in = std::make_unique<JackPortClient>("Juno106 In", "MIDI In", true); }
    void send(const QByteArray& bytes) { out.send(bytes); }
    QList<QByteArray> takeReceived() { return in->takeReceived(); }
    // What reached the instrument's MIDI In goes to its behaviour.
    void deliver() {
        for (const QByteArray& message : in->takeReceived())
            juno.receive(message);
    }
    int receivedCount() { return in->receivedCount(); }

    JackPortClient out;
    std::unique_ptr<JackPortClient> in;
    QZPVirtualJuno juno;
};

class Recorder : public QObject, public QZPMidiMessageDelegate {
public:
    void midiEngineDidReceiveSysex(QZPMidiEngine*, const QByteArray& sysex, quint8) override {
        onMainThread = onMainThread && QThread::currentThread() == QCoreApplication::instance()->thread();
        received << sysex;
    }
    QList<QByteArray> received;
    bool onMainThread = true;
};

QByteArray patch(int n, quint8 channel = 0) {
    QByteArray data(18, 0);
    data[0] = char(n & 0x7F);
    data[1] = char((n >> 7) & 0x7F);
    data[16] = 0x2A;
    data[17] = 0x1D;
    return QByteArray("\xF0\x41\x30", 3) + char(channel) + char(0x60) + data + char(0xF7);
}

// A JACK client that holds up the graph: when asked, one cycle stalls for 200 ms; while busy, every
// cycle spends most of its period, as a heavily loaded session would.
class GraphLoad : public TestJackClient {
public:
    GraphLoad() : TestJackClient("Graph Load") {
        if (!isOpen())
            return;
        m_busyNanoseconds = qint64(0.95e9 * jack_get_buffer_size(m_client) / jack_get_sample_rate(m_client));
        activate(&GraphLoad::process);
    }
    ~GraphLoad() override { close(); }

    std::atomic<bool> stallOnce{false};
    std::atomic<bool> busy{false};

private:
    static int process(jack_nframes_t, void* self) {
        auto* load = static_cast<GraphLoad*>(static_cast<TestJackClient*>(self));
        if (load->stallOnce.exchange(false))
            QThread::msleep(200);
        if (load->busy) {
            QElapsedTimer spent;
            spent.start();
            while (spent.nsecsElapsed() < load->m_busyNanoseconds)
                ;
        }
        return 0;
    }

    qint64 m_busyNanoseconds = 0;
};

// Whether at least `listeners` clients listen to the port (the test's engine is one of them).
bool waitForConnection(const char* portName, int listeners = 1, int timeoutMs = 5000) {
    jack_status_t status{};
    jack_client_t* client = jack_client_open("Test Watcher", JackNoStartServer, &status);
    if (!client)
        return false;
    QElapsedTimer waited;
    waited.start();
    bool connected = false;
    while (!connected && waited.elapsed() < timeoutMs) {
        jack_port_t* port = jack_port_by_name(client, portName);
        connected = port && jack_port_connected(port) >= listeners;
        if (!connected)
            QThread::msleep(20);
    }
    jack_client_close(client);
    return connected;
}

} // namespace

class TestJack : public QObject {
    Q_OBJECT

    // Gone in reverse order: the engine, then the instrument, then the server.
    QZPJackServer m_server;
    std::unique_ptr<Instrument> m_instrument;
    std::unique_ptr<QZPMidiEngine> m_engine;
    QTemporaryDir m_dir;

    QZPMidiEndpoint endpoint(const QList<QZPMidiEndpoint>& list, const QString& port) {
        for (const QZPMidiEndpoint& e : list)
            if (e.portName() == port)
                return e;
        return {};
    }

private slots:
    void initTestCase() {
        QVERIFY2(m_server.ensure(), "no JACK server could be started (jackd --no-realtime -d dummy)");
        m_instrument = std::make_unique<Instrument>();
        QString error;
        auto backend = QZPRtMidiBackend::open(QZPRtMidiBackend::Api::Jack, &error);
        QZP_VERIFY(backend, error);
        m_engine = std::make_unique<QZPMidiEngine>(std::move(backend), nullptr);
        m_engine->setPollInterval(0);
    }

    void listsTheInstrumentAndExchangesMessagesByteExact() {
        QCOMPARE(m_engine->backend()->name(), QStringLiteral("jack"));
        const QZPMidiEndpoint juno = endpoint(m_engine->midiDestinations(), "Juno106 In:MIDI In");
        QVERIFY(!juno.isNull() && !endpoint(m_engine->midiSources(), "Juno106:MIDI Out").isNull());
        for (const QZPMidiEndpoint& e : m_engine->midiSources() + m_engine->midiDestinations())
            QVERIFY2(!e.portName().startsWith("ToneBench"), qPrintable(e.portName()));
        m_engine->setDestination(juno);
        m_engine->setTargetedMidiChannel(3);

        m_engine->sendSysex(patch(5, 3));
        m_engine->sendSysexControl(5, 99);
        QTRY_COMPARE_WITH_TIMEOUT(m_instrument->receivedCount(), 2, 5000);
        QCOMPARE(m_instrument->takeReceived(),
                 (QList<QByteArray>{patch(5, 3), QZPSysexMessage::controlMessage(3, 5, 99)}));

        Recorder recorder;
        m_engine->setDelegate(&recorder);
        QVERIFY(waitForConnection("Juno106:MIDI Out"));
        QZPLogCapture capture;
        m_instrument->send(QByteArray::fromHex("F043100000F7"));
        m_instrument->send(QZPSysexMessage::controlMessage(0, 7, 64));
        m_instrument->send(QByteArray::fromHex("903C64"));
        QTRY_COMPARE_WITH_TIMEOUT(recorder.received.size(), 1, 5000);
        QCOMPARE(recorder.received.first(), QZPSysexMessage::controlMessage(0, 7, 64));
        QVERIFY(recorder.onMainThread);
        QCOMPARE(capture.lines.size(), 1);
        QVERIFY(capture.lines.first().contains("Unhandled Manufacturer ID “67”"));
        m_engine->setDelegate(nullptr);
    }

    // A burst to the instrument: sending returns at once (the first message went out, or the first two
    // when opening the port took longer than a message's time on the cable; the rest wait for the cable).
    // A cycle that stalls in the middle of a burst handed over as fast as it comes loses nothing either:
    // each time 1,000 messages arrive whole and in order.
    void burstToTheInstrumentArrivesWholeAndInOrder() {
        GraphLoad staller;
        QVERIFY(staller.isOpen());
        m_engine->setDestination(endpoint(m_engine->midiDestinations(), "Juno106 In:MIDI In"));
        for (const bool paced : {true, false}) {
            m_engine->outputQueue()->setBytesPerSecond(paced ? QZPMidiOutputQueue::CableBytesPerSecond : 0);
            for (int n = 0; n < 1000; ++n) {
                if (!paced && n == 500)
                    staller.stallOnce = true;
                m_engine->sendSysex(patch(n));
            }
            const auto pending = m_engine->outputQueue()->pendingCount();
            QZP_VERIFY(!paced || pending == 998 || pending == 999, qint64(pending));
            QTRY_COMPARE_WITH_TIMEOUT(m_instrument->receivedCount(), 1000, 30000);
            QVERIFY(!staller.stallOnce);
            const QList<QByteArray> received = m_instrument->takeReceived();
            for (int n = 0; n < 1000; ++n)
                QCOMPARE(received.at(n), patch(n));
        }
        m_engine->outputQueue()->setBytesPerSecond(QZPMidiOutputQueue::CableBytesPerSecond);
    }

    void commandLineTalksToTheInstrument() {
        const auto cli = [](const QStringList& arguments) {
            auto* process = new QProcess;
            process->start(QStringLiteral(TONEBENCH_CLI), QStringList{"--midi-api", "jack"} + arguments);
            return process;
        };
        std::unique_ptr<QProcess> ports(cli({"ports", "--json"}));
        QVERIFY(ports->waitForFinished(10000));
        QCOMPARE(ports->exitCode(), 0);
        QStringList destinations;
        for (const QJsonValue& destination :
             QJsonDocument::fromJson(ports->readAllStandardOutput()).object().value("destinations").toArray())
            destinations << destination.toObject().value("displayName").toString();
        QVERIFY(destinations.contains(QStringLiteral("Juno106 In:MIDI In")));

        std::unique_ptr<QProcess> sent(
            cli({"send", QStringLiteral(TONEBENCH_EXAMPLES "/Brass.syx"), "--to", "Juno106"}));
        QVERIFY(sent->waitForFinished(10000));
        QCOMPARE(sent->exitCode(), 0); // only one destination matches "Juno106"
        QTRY_COMPARE_WITH_TIMEOUT(m_instrument->receivedCount(), 1, 5000);
        QCOMPARE(m_instrument->takeReceived().first().mid(5),
                 qzpContents(QStringLiteral(TONEBENCH_EXAMPLES "/Brass.syx")).mid(5));

        // A send that reports success has delivered, every time: the program does not end while its
        // last bytes are on their way, and writes nothing before its connection is in the graph (with
        // every cycle of the graph kept busy, as under load).
        GraphLoad load;
        QVERIFY(load.isOpen());
        load.busy = true;
        for (int n = 0; n < 24; ++n) {
            std::unique_ptr<QProcess> once(
                cli({"send", QStringLiteral(TONEBENCH_EXAMPLES "/Brass.syx"), "--to", "Juno106 In"}));
            QVERIFY(once->waitForFinished(10000));
            QCOMPARE(once->exitCode(), 0);
            QTRY_COMPARE_WITH_TIMEOUT(m_instrument->receivedCount(), 1, 3000);
            m_instrument->takeReceived();
        }
        load.busy = false;

        std::unique_ptr<QProcess> unknown(
            cli({"send", QStringLiteral(TONEBENCH_EXAMPLES "/Brass.syx"), "--to", "Nord"}));
        QVERIFY(unknown->waitForFinished(10000));
        QCOMPARE(unknown->exitCode(), 2);
        QVERIFY(unknown->readAllStandardError().contains("Juno106 In:MIDI In"));

        std::unique_ptr<QProcess> listen(
            cli({"listen", "--from", "juno106", "--count", "2", "--json", "--timeout", "20"}));
        QVERIFY(waitForConnection("Juno106:MIDI Out", 2));
        m_instrument->send(QByteArray::fromHex("F04133000000F7"));
        m_instrument->send(patch(1));
        m_instrument->send(QZPSysexMessage::controlMessage(0, 2, 3));
        QVERIFY(listen->waitForFinished(20000));
        const QList<QByteArray> lines = listen->readAllStandardOutput().split('\n');
        const QJsonObject first = QJsonDocument::fromJson(lines.first()).object();
        QCOMPARE(first.value("type").toString(), QStringLiteral("0x30"));
        QVERIFY(first.value("source").toInteger() != 0);
        QCOMPARE(QJsonDocument::fromJson(lines.at(1)).object().value("bytes").toString(),
                 QStringLiteral("F0 41 32 00 02 03 F7"));
        QVERIFY(listen->readAllStandardError().contains("Unhandled Message Type “51”"));

        const QString out = m_dir.filePath("recorded");
        std::unique_ptr<QProcess> record(
            cli({"record", "--out", out, "--count", "2", "--timeout", "20", "--unique"}));
        QVERIFY(waitForConnection("Juno106:MIDI Out", 2));
        for (const QByteArray& message : {patch(7), patch(7), patch(8, 1)})
            m_instrument->send(message);
        QVERIFY(record->waitForFinished(20000));
        QCOMPARE(record->exitCode(), 0);
        QCOMPARE(QDir(out).entryList(QDir::Files),
                 (QStringList{"B51 Untitled Preset 2.syx", "B51 Untitled Preset.syx"}));

        // From the instrument's panel: each program change sends the patch left (with the panel's edit)
        // and then the stored sound. Each program pressed is recorded once, with its stored sound.
        const QString pressed = m_dir.filePath("pressed");
        std::unique_ptr<QProcess> programs(
            cli({"record", "--out", pressed, "--count", "2", "--timeout", "20"}));
        QVERIFY(waitForConnection("Juno106:MIDI Out", 2));
        QZPVirtualJuno& juno = m_instrument->juno;
        juno.moveSlider(5, 99);
        juno.pressProgram(11); // A24
        juno.moveSlider(5, 98);
        juno.pressProgram(17); // A32
        QVERIFY(programs->waitForFinished(20000));
        QCOMPARE(programs->exitCode(), 0);
        QCOMPARE(QDir(pressed).entryList(QDir::Files),
                 (QStringList{"A24 Untitled Preset.syx", "A32 Untitled Preset.syx"}));
        for (const quint8 slot : {11, 17})
            QCOMPARE(qzpContents(
                         QDir(pressed).filePath(QZPPreset::programNameForByte(slot) + " Untitled Preset.syx"))
                         .mid(5, 18),
                     QZPVirtualJuno::storedSound(slot));

        std::unique_ptr<QProcess> again(cli({"record", "--out", out, "--count", "1", "--timeout", "20"}));
        QVERIFY(waitForConnection("Juno106:MIDI Out", 2));
        m_instrument->send(patch(9));
        QVERIFY(again->waitForFinished(20000));
        QVERIFY(again->readAllStandardError().contains("already exists; skipped"));
        QCOMPARE(again->exitCode(), 1); // nothing was written
        QCOMPARE(QDir(out).entryList(QDir::Files).size(), 2);
    }

    // Check Connection and Write to Instrument over JACK: the test patch reaches the instrument's edit
    // buffer and comes back as the patch a press leaves behind; a slot written by the owner's presses is
    // verified by what the instrument sends.
    void checkingAndWritingOverJack() {
        m_engine->setDestination(endpoint(m_engine->midiDestinations(), "Juno106 In:MIDI In"));
        m_engine->setTargetedMidiChannel(0);
        QVERIFY(waitForConnection("Juno106:MIDI Out"));
        // What the instrument sent while the tests before waited for processes is heard first.
        QCoreApplication::processEvents();
        m_instrument->takeReceived();
        QZPVirtualJuno& juno = m_instrument->juno;

        QZPConnectionCheck check(m_engine.get());
        QSignalSpy checked(&check, &QZPConnectionCheck::finished);
        check.start();
        QTRY_COMPARE_WITH_TIMEOUT(m_instrument->receivedCount(), 1, 5000);
        m_instrument->deliver();
        juno.pressProgram(4);
        QVERIFY(checked.wait(10000));
        QCOMPARE(check.result().position, QZPConnectionCheck::Switch::III);
        QCOMPARE(check.result().outputReaches, std::optional<bool>(true));

        QZPInstrumentWriter writer(m_engine.get());
        QZPPatch patch;
        patch.setValue(QZPParameterId::VCF_Cutoff, 33);
        writer.setPlan({{QStringLiteral("A33 Test"), patch}}, {18});
        QSignalSpy done(&writer, &QZPInstrumentWriter::finished);
        writer.start();
        QTRY_COMPARE_WITH_TIMEOUT(m_instrument->receivedCount(), 1, 5000);
        m_instrument->deliver();
        juno.pressWrite();
        juno.pressProgram(18);
        QVERIFY(done.wait(10000));
        QCOMPARE(writer.entries().first().state, QZPInstrumentWriter::State::Verified);
        QCOMPARE(juno.stored[18], patch.data());
    }

    // The "ToneBench DAW" port pair: a client of that name with "in" and "out"; what a sequencer sends to
    // "in" is handed on whole and in order, and what ToneBench sends leaves "out".
    void dawPortsOverJack() {
        QMutex lock;
        QList<QByteArray> arrived;
        QZPJackDawPorts ports([&](const QByteArray& message) {
            QMutexLocker locked(&lock);
            arrived << message;
        });
        QString error;
        QZP_VERIFY(ports.open(&error), error);
        QCOMPARE(ports.inputPortName(), QStringLiteral("ToneBench DAW:in"));
        QCOMPARE(ports.outputPortName(), QStringLiteral("ToneBench DAW:out"));
        JackPortClient sequencer("Sequencer", "out", false);
        JackPortClient recorder("Sequencer Recorder", "in", true);
        jack_status_t status{};
        jack_client_t* patchbay = jack_client_open("Patchbay", JackNoStartServer, &status);
        QVERIFY(patchbay);
        QCOMPARE(jack_connect(patchbay, "Sequencer:out", "ToneBench DAW:in"), 0);
        QCOMPARE(jack_connect(patchbay, "ToneBench DAW:out", "Sequencer Recorder:in"), 0);
        jack_client_close(patchbay);
        const QList<QByteArray> played{QByteArray::fromHex("B04A64"), QByteArray::fromHex("903C64"),
                                       QByteArray::fromHex("E00040")};
        for (const QByteArray& message : played)
            sequencer.send(message);
        const auto heard = [&] {
            QMutexLocker locked(&lock);
            return arrived;
        };
        QTRY_COMPARE_WITH_TIMEOUT(heard(), played, 5000);
        QVERIFY(ports.send(QByteArray::fromHex("B04A21")));
        QTRY_COMPARE_WITH_TIMEOUT(recorder.receivedCount(), 1, 5000);
        QCOMPARE(recorder.takeReceived(), QList<QByteArray>{QByteArray::fromHex("B04A21")});
    }

    // The built-in sound as a JACK client: named "ToneBench" while the name is free, a note played
    // through it reaches its two ports, silence before, sound after, nothing allocated or missed on the
    // way.
    // The program itself, ended by SIGTERM (as a logout ends it) after a knob move on the instrument: the
    // move is kept in the recovery folder, by the periodic write already and at once at the signal, and
    // the program ends as Quit does (status 0). The next start offers it back; killed with -9 after its
    // own periodic write, it leaves that edit too, and the unanswered earlier one stays.
    void sessionEndKeepsUnsavedEdits() {
        QTemporaryDir home;
        const QString presets = home.filePath("Presets");
        qzpWritePresetFile(presets + "/A.syx", 1);
        {
            QSettings settings(home.filePath(".config/ToneBench/ToneBench.ini"), QSettings::IniFormat);
            settings.setValue("QZPPresetsFolderURL", QUrl::fromLocalFile(presets).toString());
            settings.setValue("QZPOnboardingShownKey", true);
            settings.setValue("moveToApplicationsFolderAlertSuppress", true);
            settings.setValue("com.quorlane.tonebench.dawPorts", false);
        }
        QDir().mkpath(home.filePath("run"));
        QFile::setPermissions(home.filePath("run"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home.path());
        environment.insert("XDG_CONFIG_HOME", home.filePath(".config"));
        environment.insert("XDG_DATA_HOME", home.filePath(".local/share"));
        environment.insert("XDG_STATE_HOME", home.filePath("state"));
        environment.insert("XDG_RUNTIME_DIR", home.filePath("run"));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        const QString recovery = home.filePath("state/ToneBench/Recovery");
        const auto entries = [&recovery] {
            return QDir(recovery).entryList({"*.json"}, QDir::Files, QDir::Time);
        };
        // The program, and the instrument's knob VCF FREQ (byte 5) moved to `value` until the program
        // has a current preset to apply it to: its periodic write then keeps it (`count` entries in all).
        const auto start = [&](QProcess* process, quint8 value, int count) {
            process->setProcessEnvironment(environment);
            process->start(QStringLiteral(TONEBENCH_APP), {"--midi-api", "jack", "--new-instance"});
            QTRY_VERIFY_WITH_TIMEOUT(m_instrument->out.connections() > 0, 20000);
            QTRY_VERIFY_WITH_TIMEOUT(
                (m_instrument->send(QZPSysexMessage::controlMessage(0, 5, value)), entries().size() == count),
                30000);
        };
        const auto patchOf = [&recovery](const QString& entry) {
            return QJsonDocument::fromJson(qzpContents(recovery + "/" + entry))
                .object()
                .value("patch")
                .toString();
        };

        auto first = std::make_unique<QProcess>();
        start(first.get(), 40, 1);
        QVERIFY(!QTest::currentTestFailed());
        QVERIFY(patchOf(entries().first()).mid(10 + 2 * 5, 2) == "28");
        first->terminate(); // SIGTERM
        QVERIFY(first->waitForFinished(20000));
        QCOMPARE(first->exitStatus(), QProcess::NormalExit);
        QCOMPARE(first->exitCode(), 0);
        QCOMPARE(entries().size(), 1);
        QVERIFY(QString::fromUtf8(qzpContents(presets + "/A.syx").toHex()) != patchOf(entries().first()));

        auto second = std::make_unique<QProcess>();
        start(second.get(), 50, 2);
        QVERIFY(!QTest::currentTestFailed());
        second->kill(); // SIGKILL: nothing runs at the end
        QVERIFY(second->waitForFinished(20000));
        QStringList patches;
        for (const QString& entry : entries())
            patches << patchOf(entry).mid(20, 2);
        patches.sort();
        QCOMPARE(patches, (QStringList{"28", "32"}));
    }

    void builtInSoundPlaysThroughJack() {
        QZPSoundEngine sound;
        QZPSoundOutput output(&sound);
        QString error;
        QZP_VERIFY(output.start(&error, false, false), error);
        QCOMPARE(output.system(), QZPSoundOutput::System::Jack);
        QCOMPARE(output.jackPortName(0), QStringLiteral("ToneBench:out_left"));
        {
            QZPSoundEngine secondSound;
            QZPSoundOutput second(&secondSound);
            QZP_VERIFY(second.start(&error, false, false), error);
            QVERIFY(second.jackPortName(1).endsWith(QLatin1String(":out_right")));
            QVERIFY(!second.jackPortName(1).startsWith(QLatin1String("ToneBench:")));
        }

        // A recorder: two inputs that keep the loudest sample of every period.
        struct Recorder {
            jack_client_t* client = nullptr;
            jack_port_t* ports[2] = {nullptr, nullptr};
            std::atomic<float> loudest[2] = {0, 0};
            static int process(jack_nframes_t frames, void* self) {
                auto* recorder = static_cast<Recorder*>(self);
                for (int channel = 0; channel < 2; ++channel) {
                    const auto* samples =
                        static_cast<const float*>(jack_port_get_buffer(recorder->ports[channel], frames));
                    float most = recorder->loudest[channel].load();
                    for (jack_nframes_t i = 0; i < frames; ++i)
                        most = std::max(most, std::fabs(samples[i]));
                    recorder->loudest[channel].store(most);
                }
                return 0;
            }
        } recorder;
        jack_status_t status{};
        recorder.client = jack_client_open("Sound Recorder", JackNoStartServer, &status);
        QVERIFY(recorder.client);
        recorder.ports[0] =
            jack_port_register(recorder.client, "in_left", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        recorder.ports[1] =
            jack_port_register(recorder.client, "in_right", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        jack_set_process_callback(recorder.client, &Recorder::process, &recorder);
        QCOMPARE(jack_activate(recorder.client), 0);
        for (int channel = 0; channel < 2; ++channel)
            QCOMPARE(jack_connect(recorder.client, output.jackPortName(channel).toUtf8().constData(),
                                  jack_port_name(recorder.ports[channel])),
                     0);
        QTest::qWait(200);
        const float before = std::max(recorder.loudest[0].load(), recorder.loudest[1].load());
        const uint8_t note[] = {0x90, 57, 110};
        QVERIFY(sound.post(note, 3));
        QTRY_VERIFY(recorder.loudest[0].load() > 0.01f && recorder.loudest[1].load() > 0.01f);
        QCOMPARE(before, 0.0f);
        jack_deactivate(recorder.client);
        jack_client_close(recorder.client);
        output.stop();
    }
};

QZP_TEST_MAIN(TestJack)
#include "tst_jack.moc"
