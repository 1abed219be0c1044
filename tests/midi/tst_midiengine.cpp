// SPDX-License-Identifier: GPL-3.0-or-later
#include "QZPLogCapture.h"
#include "QZPTestMain.h"
#include "QZPVirtualInstrument.h"
#include "midi/QZPAudition.h"
#include "midi/QZPConnectionCheck.h"
#include "midi/QZPInstrumentSync.h"
#include "midi/QZPInstrumentWriter.h"
#include "midi/QZPMidiEngine.h"
#include "midi/QZPMidiMessageDelegate.h"
#include "midi/QZPMidiPortIdentity.h"
#include "midi/QZPMidiStreamParser.h"
#include "midi/QZPPatchSettler.h"
#include "midi/QZPRateLimitedLog.h"
#include "midi/QZPSysexJoiner.h"
#include "midi/QZPSysexMessage.h"
#include "midi/backends/QZPAlsaDawPorts.h"
#include "midi/backends/QZPAlsaEventDecoder.h"
#include "midi/backends/QZPVirtualMidiBackend.h"
#include "midi/backends/QZPWakePipe.h"
#include "model/QZPParameter.h"
#include "model/QZPPreset.h"
#include "model/QZPSettings.h"
#include "model/QZPValueScale.h"

#include <QScopeGuard>
#include <QSignalSpy>
#include <QUndoStack>
#include <alsa/asoundlib.h>
#include <mutex>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {

class Recorder : public QObject, public QZPMidiMessageDelegate {
public:
    void midiEngineDidReceiveSysex(QZPMidiEngine*, const QByteArray& sysex, quint8 type) override {
        QVERIFY(QThread::currentThread() == QCoreApplication::instance()->thread());
        received << qMakePair(sysex, int(type));
    }
    QList<QPair<QByteArray, int>> received;
};

QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

// Messages written as hex, a space between them.
QList<QByteArray> hexList(const char* text) {
    QList<QByteArray> messages;
    for (const QByteArray& message : QByteArray(text).split(' '))
        if (!message.isEmpty())
            messages << hex(message.constData());
    return messages;
}

} // namespace

class TestMidiEngine : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<QZPSettings> m_settings;
    QZPVirtualMidiBackend* m_backend = nullptr;

    std::unique_ptr<QZPMidiEngine> makeEngine(const QStringList& sources, const QStringList& destinations) {
        auto backend = std::make_unique<QZPVirtualMidiBackend>();
        for (const QString& name : sources)
            backend->addSource(name);
        for (const QString& name : destinations)
            backend->addDestination(name);
        m_backend = backend.get();
        auto engine = std::make_unique<QZPMidiEngine>(std::move(backend), m_settings.get());
        engine->setPollInterval(0);
        engine->outputQueue()->setBytesPerSecond(0);
        return engine;
    }
    static QZPMidiEndpoint named(const QList<QZPMidiEndpoint>& list, const QString& name) {
        for (const QZPMidiEndpoint& endpoint : list)
            if (endpoint.portName() == name)
                return endpoint;
        return {};
    }

private slots:
    void init() {
        QFile::remove(m_dir.filePath("settings.ini"));
        m_settings = std::make_unique<QZPSettings>(m_dir.filePath("settings.ini"));
    }

    // Which Patch messages of a run are the sounds the instrument holds: a program change's patch left
    // behind is passed over (with the knob moves heard before it), every patch of a bank dump is kept.
    // A run is written as messages "program:mark" and knob moves "~index=value"; "|" ends a run.
    void settlingPatches_data() {
        QTest::addColumn<QString>("heard");
        QTest::addColumn<QString>("kept");
        QTest::newRow("one patch") << "5:1"
                                   << "5:1";
        QTest::newRow("a program change, nothing heard before") << "0:9 11:1"
                                                                << "11:1";
        QTest::newRow("a program change after a patch") << "3:1 | ~0=7 3:7 11:1"
                                                        << "3:1 | 11:1";
        QTest::newRow("the same program pressed again after an edit") << "11:1 | ~0=5 11:5 11:1"
                                                                      << "11:1 | 11:1";
        QTest::newRow("two that are no program change") << "3:1 | 4:2 5:3"
                                                        << "3:1 | 4:2 5:3";
        QTest::newRow("a dump from the start") << "0:1 1:1 2:1 3:1"
                                               << "0:1 1:1 2:1 3:1";
        QTest::newRow("a dump from the program heard") << "0:1 | 0:2 1:2 2:2"
                                                       << "0:1 | 0:2 1:2 2:2";
        QTest::newRow("program changes bunched up, edits between") << "0:9 11:1 ~0=4 11:4 17:1 ~0=6 17:6 20:1"
                                                                   << "11:1 17:1 20:1";
        QTest::newRow("bunched up after a patch heard") << "0:1 | ~0=3 0:3 11:1 11:1 17:1"
                                                        << "0:1 | 11:1 17:1";
    }
    void settlingPatches() {
        QFETCH(QString, heard);
        QFETCH(QString, kept);
        const auto message = [](const QString& word) {
            const QStringList parts = word.split(QLatin1Char(':'));
            QByteArray data = QZPPreset::defaultPatchData();
            data[0] = char(parts.at(1).toInt());
            return QByteArray("\xF0\x41\x30\x00", 4) + char(parts.at(0).toInt()) + data + char(0xF7);
        };
        QZPPatchSettler settler;
        QStringList taken;
        connect(&settler, &QZPPatchSettler::settled, this, [&](const QList<QByteArray>& patches) {
            QStringList run;
            for (const QByteArray& patch : patches)
                run << QStringLiteral("%1:%2").arg(quint8(patch.at(4))).arg(quint8(patch.at(5)));
            taken << run.join(QLatin1Char(' '));
        });
        for (const QString& word : heard.split(QLatin1Char(' '))) {
            if (word == QLatin1String("|")) {
                settler.settle();
            } else if (word.startsWith(QLatin1Char('~'))) {
                const QStringList move = word.mid(1).split(QLatin1Char('='));
                settler.take(QZPSysexMessage::controlMessage(0, quint8(move.at(0).toInt()),
                                                             quint8(move.at(1).toInt())),
                             0x32);
            } else {
                settler.take(message(word), 0x30);
            }
        }
        QVERIFY(settler.isSettling());
        QTRY_VERIFY(!settler.isSettling()); // the last run settles by itself
        QCOMPARE(taken.join(QStringLiteral(" | ")), kept);
    }

    // A port's stable name, display name and the sequencer address ToneBench subscribes to.
    void portIdentity() {
        const auto alsa = QZPMidiPortIdentity::System::Alsa;
        const auto jack = QZPMidiPortIdentity::System::Jack;
        // Each row: the port as the system lists it, then its stable name, display name and address.
        for (const auto& [listed, system, stable, display, address] : QList<
                 std::tuple<const char*, QZPMidiPortIdentity::System, const char*, const char*, const char*>>{
                 {"UM-ONE:UM-ONE MIDI 1 20:0", alsa, "UM-ONE:UM-ONE MIDI 1", "UM-ONE MIDI 1", "20:0"},
                 {"Midi Through:Midi Through Port-0 14:0", alsa, "Midi Through:Midi Through Port-0",
                  "Midi Through Port-0", "14:0"},
                 {"MIDI4x4: A:MIDI4x4: A Port 2 24:1", alsa, "MIDI4x4: A:MIDI4x4: A Port 2",
                  "MIDI4x4: A Port 2", "24:1"},
                 {"Juno Interface:MIDI 1 32:0", alsa, "Juno Interface:MIDI 1", "Juno Interface MIDI 1",
                  "32:0"},
                 {"Scarlett 2i2 USB:Scarlett 2i2 USB MIDI 1 28:0", alsa,
                  "Scarlett 2i2 USB:Scarlett 2i2 USB MIDI 1", "Scarlett 2i2 USB MIDI 1", "28:0"},
                 {"system:midi_capture_1", jack, "system:midi_capture_1", "system:midi_capture_1", ""},
                 {"a2j:UM-ONE [20] (capture): UM-ONE MIDI 1", jack, "a2j:UM-ONE (capture): UM-ONE MIDI 1",
                  "a2j:UM-ONE (capture): UM-ONE MIDI 1", ""},
                 {"Juno Interface:MIDI 1", alsa, "Juno Interface:MIDI 1", "Juno Interface MIDI 1", ""},
                 {"Juno Interface:MIDI 1 300:0", alsa, "Juno Interface:MIDI 1", "Juno Interface MIDI 1", ""},
             }) {
            const QString port = QString::fromUtf8(listed);
            QCOMPARE(QZPMidiPortIdentity::stableName(port, system), QString::fromUtf8(stable));
            QCOMPARE(QZPMidiPortIdentity::displayName(QString::fromUtf8(stable), system),
                     QString::fromUtf8(display));
            const auto parsed = QZPMidiPortIdentity::alsaAddress(port);
            QCOMPARE(parsed ? QStringLiteral("%1:%2").arg(parsed->first).arg(parsed->second) : QString(),
                     QString::fromUtf8(address));
        }
    }

    // Re-plugging changes ALSA's numbers, not the ID; two identical interfaces get two IDs.
    void identitiesAreStableAndDistinct() {
        using D = QZPMidiEndpoint::Direction;
        const auto first = QZPMidiPortIdentity::endpoints({"UM-ONE:UM-ONE MIDI 1 20:0"},
                                                          QZPMidiPortIdentity::System::Alsa, D::Source);
        const auto replugged = QZPMidiPortIdentity::endpoints({"UM-ONE:UM-ONE MIDI 1 24:0"},
                                                              QZPMidiPortIdentity::System::Alsa, D::Source);
        QCOMPARE(first.first().uniqueID(), replugged.first().uniqueID());
        const auto twins =
            QZPMidiPortIdentity::endpoints({"UM-ONE:UM-ONE MIDI 1 20:0", "UM-ONE:UM-ONE MIDI 1 24:0"},
                                           QZPMidiPortIdentity::System::Alsa, D::Destination);
        QVERIFY(twins.at(0).uniqueID() != twins.at(1).uniqueID());
        QCOMPARE(twins.at(0).displayName(), twins.at(1).displayName());
        QVERIFY(twins.at(0).uniqueID() != 0 && first.first().uniqueID() != twins.at(0).uniqueID());
    }

    // What a user's text names: an ID or an exact name first, else a unique part of a name.
    void endpointMatching() {
        auto engine = makeEngine({}, {"Juno", "Juno Out", "MKS-7 Out"});
        const QList<QZPMidiEndpoint> destinations = engine->midiDestinations();
        const QString junoOutID = QString::number(named(destinations, "Juno Out").uniqueID());
        const QList<std::pair<QString, QStringList>> rows{
            {"Juno", {"Juno"}},                 // an exact name over a part
            {"mks", {"MKS-7 Out"}},             // a part, any case
            {"out", {"Juno Out", "MKS-7 Out"}}, // a part of several
            {"Jupiter", {}},
            {junoOutID, {"Juno Out"}}};
        for (const auto& [text, matches] : rows) {
            QStringList found;
            for (const QZPMidiEndpoint& endpoint : QZPMidiEndpoint::matching(text, destinations))
                found << endpoint.displayName();
            QCOMPARE(found, matches);
        }
    }

    void firstLaunchListsAndNotifiesOnce() {
        auto engine = makeEngine({"Zeta", "Alpha", "Alpha"}, {"Out"});
        QSignalSpy setupChanged(engine.get(), &QZPMidiEngine::setupChanged);
        QVERIFY(!engine->pollEndpoints());
        QCOMPARE(setupChanged.size(), 0);
        engine->refreshAvailableEndpoints();
        QCOMPARE(setupChanged.size(), 1);
        QCOMPARE(engine->midiSources().size(), 3);
        QCOMPARE(engine->midiSources().first().displayName(), QStringLiteral("Alpha"));
        QVERIFY(engine->source().isNull() && engine->destination().isNull());
        QCOMPARE(m_backend->connectedSources().size(), 3);
    }

    // Chosen -> Waiting when unplugged -> Chosen again when it returns; the choice survives a quit.
    void choiceFollowsTheDevice() {
        auto engine = makeEngine({"Juno In"}, {"Juno Out", "Other"});
        const QZPMidiEndpoint juno = named(engine->midiDestinations(), "Juno Out");
        engine->setDestination(juno);
        engine->setSource(named(engine->midiSources(), "Juno In"));

        m_backend->removeDestination("Juno Out");
        QVERIFY(engine->pollEndpoints() && !engine->pollEndpoints() && engine->destination().isNull());
        QCOMPARE(engine->disconnectedDestinationID(), juno.uniqueID());

        // Choosing none while waiting keeps the memory; the device comes back by itself.
        engine->setDestination({});
        m_backend->addDestination("Juno Out");
        engine->pollEndpoints();
        QCOMPARE(engine->destination(), juno);
        QCOMPARE(engine->disconnectedDestinationID(), 0);

        engine->applicationWillTerminate();
        QCOMPARE(m_settings->intValue(QZPSettings::MidiDeviceOutKey), juno.uniqueID());
        QVERIFY(m_settings->intValue(QZPSettings::MidiDeviceInKey) != 0);

        // A new launch picks the saved choice up, now or when the device appears.
        auto later = makeEngine({}, {"Juno Out"});
        QCOMPARE(later->destination(), juno);
        QVERIFY(later->source().isNull());
        m_backend->addSource("Juno In");
        later->pollEndpoints();
        QCOMPARE(later->source().displayName(), QStringLiteral("Juno In"));

        // Quitting while waiting stores 0.
        m_backend->removeDestination("Juno Out");
        later->pollEndpoints();
        later->applicationWillTerminate();
        QCOMPARE(m_settings->intValue(QZPSettings::MidiDeviceOutKey), 0);
    }

    // An engine whose MIDI system opens after the window shows: no ports before; a quit before it opened
    // keeps the remembered device; opening (once, however often asked, off the engine's thread) takes it
    // back and says so.
    void openingLater() {
        const auto system = [] {
            auto backend = std::make_unique<QZPVirtualMidiBackend>();
            backend->addDestination("Juno Out");
            return backend;
        };
        const qint32 juno = system()->destinations().first().uniqueID();
        m_settings->setValue(QZPSettings::MidiDeviceOutKey, juno);
        int opened = 0;
        QZPMidiEngine engine(QZPMidiEngine::BackendOpener([&] {
                                 ++opened;
                                 return std::unique_ptr<QZPMidiBackend>(system());
                             }),
                             m_settings.get());
        QSignalSpy said(&engine, &QZPMidiEngine::backendOpened);
        QVERIFY(!engine.isBackendOpen() && engine.midiDestinations().isEmpty() &&
                engine.destination().isNull());
        engine.applicationWillTerminate();
        QCOMPARE(m_settings->intValue(QZPSettings::MidiDeviceOutKey), juno);
        engine.openBackend();
        engine.openBackend();
        QVERIFY(!engine.isBackendOpen()); // it opens on a thread of its own, and is taken in here
        QTRY_COMPARE(said.size(), 1);
        QCOMPARE(opened, 1);
        QVERIFY(engine.isBackendOpen());
        QCOMPARE(engine.destination().uniqueID(), juno);
    }

    // Input reaches the delegate on the main thread after the acceptance rules; refusals are logged once.
    // Each row: the message, the type delivered (-1: none) and the line logged.
    void acceptanceRules() {
        const QByteArray zeros(18, '\0');
        const QList<std::tuple<QByteArray, int, const char*>> rows{
            {hex("F04132000540F7"), 0x32, ""},
            {hex("F041320005F7"), -1,
             "Sysex Error: Sysex length for “Control” message should be 7, is 6. (Sysex Data: F0 41 32 00 05 "
             "F7)"},
            {hex("F041320005 40"), -1,
             "Sysex Error: Sysex message ended without F7. (Sysex Data: F0 41 32 00 05 40)"},
            {hex("F041310000") + zeros + '\xF7', 0x31, ""},
            {hex("F041300560") + zeros + '\xF7', 0x30, ""},
            {hex("F041330000") + zeros + '\xF7', -1,
             "Sysex Error: Unhandled Message Type “51”. (Sysex Data: F0 41 33 00 00 00 00 00 00 00 00 00 00 "
             "00 "
             "00 00 00 00 00 00 00 00 00 F7)"},
            {hex("F041300000") + zeros.left(17) + '\xF7', -1,
             "Sysex Error: Sysex length for “Patch” message should be 24, is 23. (Sysex Data: F0 41 30 00 00 "
             "00 "
             "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 F7)"},
            {hex("F043100000F7"), -1,
             "Sysex Error: Unhandled Manufacturer ID “67”. (Sysex Data: F0 43 10 00 00 F7)"},
            {hex("F0F7"), -1, "Sysex Error: Unhandled Manufacturer ID “247”. (Sysex Data: F0 F7)"},
            {hex("903C64"), -1, ""},
            {hex("F0"), -1, "Sysex Error: Sysex message ended without F7. (Sysex Data: F0)"},
        };
        auto engine = makeEngine({"Juno In"}, {});
        for (const auto& [message, deliveredType, log] : rows) {
            Recorder recorder;
            engine->setDelegate(&recorder);
            QZPLogCapture capture;
            std::thread([&, &message = message] { m_backend->inject("Juno In", message); }).join();
            QCoreApplication::processEvents();
            QCOMPARE(recorder.received.size(), deliveredType < 0 ? 0 : 1);
            if (deliveredType >= 0)
                QCOMPARE(recorder.received.first(), qMakePair(message, deliveredType));
            QCOMPARE(capture.lines, *log ? QStringList{QString::fromUtf8(log)} : QStringList());
            engine->setDelegate(nullptr);
        }
    }

    // A message of the right type and length is still refused when its framing is broken: no F7 at its
    // end, or a status byte among its data (the instrument would end or misread it there).
    void acceptanceRulesCheckTheFraming() {
        const QList<std::pair<QByteArray, QString>> rows{
            {hex("F04132000540F7"), ""},
            {hex("F0413200054040"), "Sysex message does not end with F7."},
            {hex("F04132000585F7"), "Sysex message has the status byte 85 among its data."},
            {hex("F04130006000000000F700000000000000000000000000F7"),
             "Sysex message has the status byte F7 among its data."}};
        for (const auto& [message, errorText] : rows) {
            const QZPSysexMessage::Verdict verdict = QZPSysexMessage::classify(message);
            QCOMPARE(verdict.accepted, errorText.isEmpty());
            QCOMPARE(verdict.errorText, errorText);
        }
    }

    void inputRulesBeyondTheMessage() {
        auto engine = makeEngine({"Juno In", "Keyboard"}, {});
        Recorder recorder;
        const QByteArray control = hex("F04132000540F7");
        // No delegate: silently ignored, a broken SysEx too (nothing logged).
        {
            QZPLogCapture quiet;
            m_backend->inject("Juno In", control);
            m_backend->inject("Juno In", hex("F041320005F04132000102F7"));
            QCoreApplication::processEvents();
            QVERIFY(quiet.lines.isEmpty());
        }
        engine->setDelegate(&recorder);
        // A chosen source drops what other sources send, before any parsing.
        engine->setSource(named(engine->midiSources(), "Juno In"));
        m_backend->inject("Keyboard", control);
        // A SysEx cut short by the next one: the part is logged, the whole one that follows delivered.
        QZPLogCapture capture;
        m_backend->inject("Juno In", hex("F041320005F04132000102F7"));
        QCoreApplication::processEvents();
        QCOMPARE(recorder.received.size(), 1);
        QCOMPARE(recorder.received.first().first, hex("F04132000102F7"));
        QCOMPARE(capture.lines.size(), 1);
        QVERIFY(capture.lines.first().contains("F0 41 32 00 05"));
        // A delegate that is gone is not called (it would count the call here).
        struct Counting : QObject, QZPMidiMessageDelegate {
            int* calls;
            explicit Counting(int* counter) : calls(counter) {}
            void midiEngineDidReceiveSysex(QZPMidiEngine*, const QByteArray&, quint8) override { ++*calls; }
        };
        int callsToTheGone = 0;
        auto* gone = new Counting(&callsToTheGone);
        engine->setDelegate(gone);
        m_backend->inject("Juno In", control);
        QCoreApplication::processEvents();
        QCOMPARE(callsToTheGone, 1);
        delete gone;
        m_backend->inject("Juno In", control);
        QCoreApplication::processEvents();
        QCOMPARE(callsToTheGone, 1);
    }

    // Input that could fill memory or the log cannot: a delivery longer than any message is dropped
    // before it is copied, a flood from the MIDI thread finds a bounded queue (and never waits), and
    // refused messages are logged by their first bytes, a few lines a second, with a count of the rest.
    void hostileInputStaysBounded() {
        auto engine = makeEngine({"Juno In"}, {});
        Recorder recorder;
        engine->setDelegate(&recorder);
        QZPLogCapture capture;
        QByteArray huge(1 << 20, char(0x11));
        huge[0] = char(0xF0);
        huge[huge.size() - 1] = char(0xF7);
        m_backend->inject("Juno In", huge);
        const QByteArray control = hex("F04132000540F7");
        const int flood = 3 * QZPMidiEngine::MaximumPendingDeliveries;
        std::thread midi([&] {
            for (int n = 0; n < flood; ++n)
                m_backend->inject("Juno In", control);
        });
        midi.join();
        QCoreApplication::processEvents();
        QCOMPARE(recorder.received.size(), QZPMidiEngine::MaximumPendingDeliveries);
        QCOMPARE(capture.lines.size(), 2);
        QVERIFY2(capture.lines.at(0).startsWith("Dropped 1 MIDI input longer than 4096 bytes (the longest "
                                                "1048576 bytes)"),
                 qPrintable(capture.lines.at(0)));
        QVERIFY2(capture.lines.at(1).startsWith(QStringLiteral("Dropped %1 MIDI input that arrived faster")
                                                    .arg(flood - QZPMidiEngine::MaximumPendingDeliveries)),
                 qPrintable(capture.lines.at(1)));
        // Afterwards everything is taken again, a delivery of exactly the longest length too.
        recorder.received.clear();
        m_backend->inject("Juno In", control);
        QCoreApplication::processEvents();
        QCOMPARE(recorder.received.size(), 1);
        const qsizetype controls = QZPMidiEngine::MaximumDeliveryLength / control.size();
        QByteArray longest = control.repeated(controls);
        longest.append(QZPMidiEngine::MaximumDeliveryLength - longest.size(), char(0xF8)); // clock bytes
        m_backend->inject("Juno In", longest);
        QCoreApplication::processEvents();
        QCOMPARE(recorder.received.size(), 1 + controls);

        capture.lines.clear();
        QByteArray foreign = hex("F0430000") + QByteArray(500, char(0x22)) + hex("F7");
        for (int n = 0; n < 1000; ++n)
            m_backend->inject("Juno In", foreign);
        QCoreApplication::processEvents();
        QZP_VERIFY(!capture.lines.isEmpty() && capture.lines.size() <= 20, capture.lines.size());
        for (const QString& line : std::as_const(capture.lines)) {
            QZP_VERIFY(line.size() < 300, line);
            QZP_VERIFY(line.contains("(505 bytes)"), line);
        }
    }

    void rateLimitedLog() {
        QZPRateLimitedLog log(2, 1000);
        const QList<std::pair<qint64, bool>> lines{{0, true},    {10, true},    {999, false}, {1000, true},
                                                   {1500, true}, {1999, false}, {2000, true}};
        qint64 suppressed = 0;
        for (const auto& [time, allowed] : lines) {
            QCOMPARE(log.allow(time), allowed);
            suppressed += allowed ? 0 : 1;
        }
        QCOMPARE(log.takeSuppressed(), suppressed);
        QCOMPARE(log.takeSuppressed(), 0);
    }

    // Each row: the bytes, the messages split from them and how many were cut short or unterminated.
    void streamParser() {
        const QList<std::tuple<const char*, const char*, int>> rows{
            {"F0010203F7F00405F7", "F0010203F7 F00405F7", 0},
            {"F001F802F7", "F8 F00102F7", 0},         // a clock inside a SysEx
            {"F00102903C40", "903C40", 1},            // a note cuts a SysEx
            {"903C40403F", "903C40 90403F", 0},       // running status
            {"F041320005", "", 1},                    // unterminated at the end
            {"903C40F001F7403F", "903C40 F001F7", 0}, // a SysEx cancels running status
            {"903C40F0", "903C40", 1},                // so does a SysEx start alone
            {"0102F7C005", "C005", 0},                // stray data and F7
            {"D04041", "D040 D041", 0},               // channel pressure is two bytes
            {"C00506", "C005 C006", 0},               // program change under running status
            {"903C40F7403F", "903C40", 0},            // a stray F7 cancels running status
            {"903C40F30140", "903C40 F301", 0},       // song select is two bytes and cancels it too
        };
        for (const auto& [bytes, messages, cutShort] : rows) {
            const auto result = QZPMidiStreamParser::split(hex(bytes));
            QCOMPARE(result.messages, hexList(messages));
            QCOMPARE(result.cutShort.size() + result.unterminated.size(), cutShort);
        }
    }

    // Events as a MIDI system hands them over, each written as hex with "|" between events: the messages
    // joined from them and how many were dropped.
    void sysexJoiner() {
        const QByteArray longData(QZPSysexJoiner::MaximumMessageLength, '\x11');
        const QString chunk = QString::fromLatin1(longData.left(1000).toHex());
        const QString whole = QStringLiteral("F0413200010AF7");
        for (const auto& [events, messages, dropped] : QList<std::tuple<QString, QStringList, int>>{
                 {whole, {whole}, 0},
                 {"F04132|00010A|F7", {whole}, 0},
                 {"F04132|F8|00010AF7", {"F8", whole}, 0},                   // a clock between the pieces
                 {"F04132|903C40|" + whole, {"F04132", "903C40", whole}, 0}, // cut short by a note
                 {"F0|" + QStringList(5, chunk).join('|') + "|F7|C005", {"C005"}, 1},
                 {"F0" + QString::fromLatin1(longData.toHex()) + "|0102F7|C005", {"C005"}, 1},
                 // the last piece takes it over the bound
                 {"F0" + QString::fromLatin1(longData.left(longData.size() - 2).toHex()) + "|0102F7|C005",
                  {"C005"},
                  1},
                 {"F0|" + QStringList(50, chunk).join('|') + "|" + whole,
                  {whole},
                  1}, // endless, then a new one
                 // exactly the longest, in one piece or joined: kept whole
                 {"F041" + QString::fromLatin1(longData.left(longData.size() - 3).toHex()) + "F7",
                  {"F041" + QString::fromLatin1(longData.left(longData.size() - 3).toHex()).toUpper() + "F7"},
                  0},
                 {"F041" + QString::fromLatin1(longData.left(longData.size() - 3).toHex()) + "|F7",
                  {"F041" + QString::fromLatin1(longData.left(longData.size() - 3).toHex()).toUpper() + "F7"},
                  0},
                 // two too long in a row: each dropped, and what follows is whole again
                 {"F0" + QString::fromLatin1(longData.toHex()) + "|0102F7|F0" +
                      QString::fromLatin1(longData.toHex()) + "|0102F7|" + whole,
                  {whole},
                  2},
             }) {
            QZPSysexJoiner joiner;
            QStringList delivered;
            int drops = 0;
            for (const QString& event : events.split('|'))
                drops += joiner.take(hex(event.toLatin1()), [&](QByteArrayView message) {
                    delivered << QString::fromLatin1(message.toByteArray().toHex()).toUpper();
                });
            QCOMPARE(delivered, messages);
            QCOMPARE(drops, dropped);
        }
    }

    // One decoder for the whole sequence, as the input has: the second note keeps its status byte.
    // The instrument follows the current preset through one object that knows what it holds: a change
    // of up to two bytes goes out as Control messages in byte order, more as one Patch message; a change
    // the instrument made itself (a knob, a program chosen on its panel) is not sent back, and what it
    // holds then decides what the next change sends; undo sends the whole patch; a save, nothing.
    void instrumentFollowsTheCurrentPreset() {
        using Id = QZPParameterId;
        QZPVirtualInstrument instrument;
        QZPInstrumentSync* sync = QZPInstrumentSync::of(instrument.engine.get());
        QCOMPARE(QZPInstrumentSync::of(instrument.engine.get()), sync);
        QZPPreset preset;
        sync->setPreset(&preset);
        const auto control = [](int index, int value) {
            return QZPSysexMessage::controlMessage(0, quint8(index), quint8(value));
        };
        const auto whole = [&preset] {
            return preset.messageFor(preset.patch(), 0);
        };
        const auto knob = [&](int index, int value) {
            instrument.play(control(index, value));
            preset.setByte(quint8(value), uint(index)); // what hardware control does with it
        };
        QZPPatch program = preset.patch();
        program.setValue(Id::VCF_Cutoff, 3);
        program.setValue(Id::ENV_Attack, 9);
        program.setValue(Id::chorusMode, 2);

        struct Step {
            const char* what;
            std::function<void()> action;
            std::function<QList<QByteArray>()> sends;
        };
        const QList<Step> steps{
            {"slider", [&] { preset.setValue(Id::VCF_Cutoff, 100); },
             [&] {
                 return QList{control(5, 100)};
             }},
            {"noise at its top: two bytes, in order", [&] { preset.setValue(Id::DCO_NoiseLevel, 127); },
             [&] {
                 return QList{control(4, 127), control(17, preset.byteAtLocation(17))};
             }},
            {"the same value again", [&] { preset.setValue(Id::VCF_Cutoff, 100); },
             [] {
                 return QList<QByteArray>{};
             }},
            {"three bytes: one Patch message",
             [&] {
                 QZPPatch three = preset.patch();
                 for (const Id id : {Id::LFO_Rate, Id::LFO_Delay, Id::DCO_LFO})
                     three.setValue(id, 50);
                 preset.replacePatch(three, QStringLiteral("Paste"));
             },
             [&] {
                 return QList{whole()};
             }},
            {"undo: whole", [&] { preset.undoStack()->undo(); },
             [&] {
                 return QList{whole()};
             }},
            {"a knob on the instrument is not sent back", [&] { knob(6, 77); },
             [] {
                 return QList<QByteArray>{};
             }},
            {"a program chosen on the instrument", [&] { instrument.play(program.message(0, 0)); },
             [] {
                 return QList<QByteArray>{};
             }},
            {"the next edit brings it back in step, whole", [&] { preset.setValue(Id::VCF_Resonance, 5); },
             [&] {
                 return QList{whole()};
             }},
            {"the instrument's knob, then the same value on the preset",
             [&] {
                 instrument.play(control(8, 33));
                 preset.setValue(Id::VCF_LFO, 33);
             },
             [] {
                 return QList<QByteArray>{};
             }},
            {"a patch shown in place of the preset, whole", [&] { sync->sendPatch(program); },
             [&] {
                 return QList{program.message(0, whole().at(4))};
             }},
            {"back on the preset's next change", [&] { preset.setValue(Id::VCF_LFO, 34); },
             [&] {
                 return QList{whole()};
             }},
            {"another channel: taken to hold the preset, whatever the one before held",
             [&] {
                 instrument.play(control(6, 12));
                 instrument.engine->setTargetedMidiChannel(2);
                 preset.setValue(Id::VCF_LFO, 35);
             },
             [] {
                 return QList{QZPSysexMessage::controlMessage(2, 8, 35)};
             }},
            {"another output: the same",
             [&] {
                 instrument.play(control(6, 13));
                 const QZPMidiEndpoint output = instrument.engine->destination();
                 instrument.engine->setDestination({});
                 instrument.engine->setDestination(output);
                 preset.setValue(Id::VCF_LFO, 37);
             },
             [] {
                 return QList{QZPSysexMessage::controlMessage(2, 8, 37)};
             }},
        };
        instrument.sent();
        for (const Step& step : steps) {
            step.action();
            QZP_VERIFY(instrument.sent() == step.sends(), step.what);
        }
        // Another preset, not sent: its changes go out, the one before's do not; the first brings the
        // instrument, which still holds the one before, in step.
        QZPPreset other;
        sync->setPreset(&other);
        preset.setValue(Id::VCF_LFO, 36);
        preset.undoStack()->undo();
        QVERIFY(instrument.sent().isEmpty());
        other.setValue(Id::VCF_LFO, 1);
        QCOMPARE(instrument.sent(), QList{other.messageFor(other.patch(), 2)});
        other.setValue(Id::VCF_LFO, 2);
        QCOMPARE(instrument.sent(), QList{QZPSysexMessage::controlMessage(2, 8, 2)});
    }

    // Audition: the patch whole, then the phrase; the end (or stop) sends notes off and gives the instrument
    // the current preset back; another audition ends the first at once without sending the preset between;
    // a preset sent meanwhile stays. Every phrase ends within two seconds with every key up.
    void auditioningAPreset() {
        for (const auto phrase :
             {QZPAudition::Phrase::Note, QZPAudition::Phrase::Chord, QZPAudition::Phrase::Bass}) {
            QList<quint8> down;
            int last = 0;
            for (const QZPAudition::Step& step : QZPAudition::steps(phrase)) {
                step.on ? down.append(step.note) : void(down.removeOne(step.note));
                last = std::max(last, step.atMs);
            }
            QVERIFY(down.isEmpty() && last <= QZPAudition::MaximumMs);
        }
        QZPVirtualInstrument instrument;
        QZPInstrumentSync* sync = QZPInstrumentSync::of(instrument.engine.get());
        QZPPreset current;
        sync->setPreset(&current);
        instrument.sent();
        QZPPatch heard;
        heard.setValue(QZPParameterId::VCF_Cutoff, 12);
        const QByteArray noteOn = QByteArray::fromHex("903C6E"), noteOff = QByteArray::fromHex("803C00");
        QZPAudition audition(instrument.engine.get());
        QSignalSpy finished(&audition, &QZPAudition::finished);
        audition.play(heard, QZPAudition::Phrase::Note);
        QList<QByteArray> sent = instrument.sent();
        QCOMPARE(sent.size(), 2);
        QCOMPARE(QZPPatch(sent.at(0)).data(), heard.data());
        QCOMPARE(sent.at(1), noteOn);
        QVERIFY(audition.isPlaying());
        QVERIFY(finished.wait(5000)); // the phrase's own end
        sent = instrument.sent();
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent.at(0), noteOff);
        QCOMPARE(QZPPatch(sent.at(1)).data(), current.patch().data());

        QZPPatch other = heard;
        other.setValue(QZPParameterId::VCF_Cutoff, 99);
        audition.play(heard, QZPAudition::Phrase::Chord);
        instrument.sent();
        audition.play(other, QZPAudition::Phrase::Note); // moving on: the chord's keys up, no preset between
        sent = instrument.sent();
        QCOMPARE(sent.size(), 5);
        QCOMPARE(sent.mid(0, 3),
                 (QList<QByteArray>{QByteArray::fromHex("803C00"), QByteArray::fromHex("804000"),
                                    QByteArray::fromHex("804300")}));
        QCOMPARE(QZPPatch(sent.at(3)).data(), other.data());
        audition.stop();
        sent = instrument.sent();
        QCOMPARE(sent.size(), 2);
        QCOMPARE(QZPPatch(sent.at(1)).data(), current.patch().data());

        // A preset chosen while the phrase plays stays on the instrument.
        audition.play(heard, QZPAudition::Phrase::Note);
        QZPPreset chosen;
        chosen.setValue(QZPParameterId::VCF_Resonance, 70);
        sync->setPreset(&chosen);
        sync->sendPreset(&chosen);
        instrument.sent();
        audition.stop();
        QCOMPARE(instrument.sent(), QList<QByteArray>{noteOff});
    }

    // Writing presets into the instrument's slots by the owner's hand: each slot's patch goes into the edit
    // buffer; the owner's WRITE and the slot's buttons store it, and the instrument's answer verifies it,
    // which sends the next. A slip (another slot, the memory protected) is a mismatch said in words, the
    // patch sent again; a stopped write resumes where it stopped; "Written" moves on unverified.
    void writingIntoTheInstrument() {
        using State = QZPInstrumentWriter::State;
        QZPVirtualInstrument instrument;
        QZPVirtualJuno& juno = instrument.juno;
        QZPInstrumentWriter writer(instrument.engine.get());
        QList<std::pair<QString, QZPPatch>> presets;
        for (int n = 0; n < 3; ++n) {
            QZPPatch patch;
            patch.setValue(QZPParameterId::VCF_Cutoff, 10 * (n + 1));
            presets.append({QStringLiteral("Preset %1").arg(n), patch});
        }
        QCOMPARE(QZPInstrumentWriter::consecutiveSlots(126, 3), (QList<quint8>{126, 127}));
        QCOMPARE(QZPInstrumentWriter::slotsFromNames({"A16 Brass", "B88 Pad"}).value_or(QList<quint8>()),
                 (QList<quint8>{5, 127}));
        QVERIFY(!QZPInstrumentWriter::slotsFromNames({"A16 Brass", "Pad"}));
        QVERIFY(!QZPInstrumentWriter::slotsFromNames({"A16 Brass", "A16 Pad"}));
        QCOMPARE(QZPInstrumentWriter::pressText(5), QStringLiteral("Press WRITE, then A-1-6"));

        writer.setPlan(presets, QZPInstrumentWriter::consecutiveSlots(13, presets.size()));
        const auto states = [&writer] {
            QList<State> all;
            for (const QZPInstrumentWriter::Entry& entry : writer.entries())
                all << entry.state;
            return all;
        };
        const auto write = [&](quint8 slot) {
            instrument.sent(); // the edit buffer takes what was sent
            juno.pressWrite();
            juno.pressProgram(slot);
        };
        writer.start();
        QCOMPARE(states(), (QList{State::Sent, State::Waiting, State::Waiting}));
        write(13);
        QTRY_COMPARE(states(), (QList{State::Verified, State::Sent, State::Waiting}));
        QCOMPARE(juno.stored[13], presets.at(0).second.data());

        write(15); // A28 pressed for A27
        QTRY_COMPARE(writer.entries().at(1).state, State::Mismatch);
        QCOMPARE(writer.entries().at(1).problem, QStringLiteral("A28 was chosen, not A27"));
        QCOMPARE(writer.current(), 1);
        juno.memoryProtect = true;
        const QByteArray before = juno.stored[14];
        write(14);
        // Nothing stored: the slot's old sound comes back, said by what differs.
        // In the values the window shows: the panel's scale.
        const QZPValueScale panel(QZPValueScale::Panel);
        QTRY_VERIFY(writer.entries().at(1).problem.contains(QStringLiteral("want 1.6")));
        QVERIFY(writer.entries().at(1).problem.contains(
            QStringLiteral("VCF FREQ %1, want 1.6")
                .arg(panel.text(quint8(before.at(QZPParameter::of(QZPParameterId::VCF_Cutoff).byteIndex))))));
        QCOMPARE(juno.stored[14], before);
        juno.memoryProtect = false;

        writer.stop();
        QVERIFY(!writer.isRunning());
        writer.start();
        QCOMPARE(writer.current(), 1);
        write(14);
        QTRY_COMPARE(states(), (QList{State::Verified, State::Verified, State::Sent}));
        QSignalSpy finished(&writer, &QZPInstrumentWriter::finished);
        writer.written();
        QCOMPARE(finished.size(), 1);
        QCOMPARE(states(), (QList{State::Verified, State::Verified, State::Unverified}));
        QCOMPARE(writer.statusText(), QStringLiteral("Verified 2 of 3"));
        QVERIFY(!writer.isRunning());
    }

    // Check Connection, from one press of a program button: the MIDI function switch as the instrument's
    // messages show it, its channel against ToneBench's, and whether ToneBench's test patch reached it
    // (the patch it leaves behind is that patch). Nothing at all names the input and the others.
    void checkingTheConnection() {
        using Switch = QZPConnectionCheck::Switch;
        struct Row {
            const char* what;
            QZPVirtualJuno::Function function;
            quint8 channel;
            bool outputWired;
            bool press;
            Switch position;
            QString says;
        };
        const QList<Row> rows{
            {"all is well", QZPVirtualJuno::Function::III, 0, true, true, Switch::III,
             "Patch messages: the MIDI function switch is at III. All is well.|The instrument and ToneBench "
             "use "
             "channel 1.|ToneBench’s messages reach the instrument."},
            {"no cable to the instrument", QZPVirtualJuno::Function::III, 0, false, true, Switch::III,
             "ToneBench’s messages do not reach it: check the computer’s MIDI OUT to the instrument’s MIDI "
             "IN."},
            {"another channel", QZPVirtualJuno::Function::III, 2, true, true, Switch::III,
             "The instrument uses channel 3; ToneBench sends on channel 1.|ToneBench’s messages do not reach "
             "it"},
            {"program changes only", QZPVirtualJuno::Function::II, 0, true, true, Switch::II,
             "A Program Change but no Patch message: the MIDI function switch is at II. Set it to III."},
            {"notes only", QZPVirtualJuno::Function::I, 0, true, true, Switch::I,
             "Notes only: the instrument’s MIDI function switch is at I (no SysEx). Set it to III."},
            {"nothing", QZPVirtualJuno::Function::III, 0, true, false, Switch::Unknown,
             "Nothing arrived from any input.|The inputs listened to: “Juno-106 Out”.|The instrument’s MIDI "
             "OUT "
             "must reach the computer’s MIDI IN."},
        };
        for (const Row& row : rows) {
            QZPVirtualInstrument instrument;
            QZPVirtualJuno& juno = instrument.juno;
            juno.function = row.function;
            juno.channel = row.channel;
            QZPConnectionCheck check(instrument.engine.get());
            check.setTimeLimit(row.function == QZPVirtualJuno::Function::III && row.press ? 10000 : 300);
            QSignalSpy finished(&check, &QZPConnectionCheck::finished);
            check.start();
            const QList<QByteArray> sent = instrument.sent(); // the test patch, into the edit buffer...
            if (!row.outputWired)
                juno.editBuffer = juno.stored[juno.program]; // ... or lost on the way
            QCOMPARE(sent.size(), 1);
            if (row.press) {
                juno.pressProgram(4);
                juno.keyDown(60);
                juno.keyUp(60);
            }
            QVERIFY2(finished.wait(15000) || finished.size() == 1, row.what);
            QZP_VERIFY(check.result().position == row.position, row.what);
            const QString findings = check.findings().join(QLatin1Char('|'));
            for (const QString& part : row.says.split(QLatin1Char('|')))
                QZP_VERIFY(findings.contains(part), row.what, findings);
            QCOMPARE(check.channelToUse(), row.channel != 0 ? std::optional<int>(row.channel) : std::nullopt);
        }
    }

    void alsaEventBytes() {
        const auto note = [](quint8 type, quint8 channel, quint8 key, quint8 velocity) {
            snd_seq_event_t event{};
            event.type = type;
            event.data.note = {channel, key, velocity, 0, 0};
            return event;
        };
        const auto control = [](quint8 type, quint8 channel, unsigned param, int value) {
            snd_seq_event_t event{};
            event.type = type;
            event.data.control.channel = channel;
            event.data.control.param = param;
            event.data.control.value = value;
            return event;
        };
        char piece[] = "\xF0\x41\x32";
        snd_seq_event_t sysex{};
        sysex.type = SND_SEQ_EVENT_SYSEX;
        sysex.flags = SND_SEQ_EVENT_LENGTH_VARIABLE;
        sysex.data.ext = {3, piece};
        snd_seq_event_t clock{}, sensing{}, subscribed{};
        clock.type = SND_SEQ_EVENT_CLOCK;
        sensing.type = SND_SEQ_EVENT_SENSING;
        subscribed.type = SND_SEQ_EVENT_PORT_SUBSCRIBED;
        const QList<std::pair<snd_seq_event_t, QByteArray>> cases{
            {note(SND_SEQ_EVENT_NOTEON, 0, 60, 64), hex("903C40")},
            {note(SND_SEQ_EVENT_NOTEON, 0, 62, 64), hex("903E40")},
            {note(SND_SEQ_EVENT_NOTEOFF, 3, 62, 0), hex("833E00")},
            {control(SND_SEQ_EVENT_CONTROLLER, 2, 7, 100), hex("B20764")},
            {control(SND_SEQ_EVENT_PGMCHANGE, 0, 0, 5), hex("C005")},
            {sysex, hex("F04132")},
            {clock, {}},
            {sensing, {}},
            {subscribed, {}},
        };
        QZPAlsaEventDecoder decoder;
        QVERIFY(decoder.isValid());
        for (const auto& [event, bytes] : cases)
            QCOMPARE(decoder.bytes(event).toByteArray(), bytes);
    }

    // The pipe that wakes an ALSA reader thread: quiet when opened, readable once woken, quiet again when
    // opened anew (a wake left over is not taken by the next reader); a wake before opening does nothing.
    void wakePipe() {
        QZPWakePipe pipe;
        pipe.wake();
        const auto readable = [&pipe] {
            pollfd descriptor{pipe.readEnd(), POLLIN, 0};
            return ::poll(&descriptor, 1, 0) == 1 && (descriptor.revents & POLLIN);
        };
        QVERIFY(pipe.open());
        QVERIFY(!readable());
        pipe.wake();
        QVERIFY(readable());
        QVERIFY(pipe.open());
        QVERIFY(!readable());
    }

    // The "ToneBench DAW" port on the ALSA sequencer: a client and a port of that name; a sequencer's
    // Control Change reaches us, ours reach the sequencer subscribed to the port, SysEx does not pass.
    void dawPortOverAlsa() {
        if (::access("/dev/snd/seq", R_OK | W_OK) != 0)
            QSKIP("no ALSA sequencer on this machine");
        QList<QByteArray> arrived;
        std::mutex arrivedLock;
        QZPAlsaDawPorts ports([&](const QByteArray& message) {
            std::lock_guard lock(arrivedLock);
            arrived << message;
        });
        QString error;
        QVERIFY2(ports.open(&error), qPrintable(error));
        snd_seq_t* sequencer = nullptr;
        QCOMPARE(snd_seq_open(&sequencer, "default", SND_SEQ_OPEN_DUPLEX, 0), 0);
        const auto closeSequencer = qScopeGuard([&] { snd_seq_close(sequencer); });
        snd_seq_client_info_t* info = nullptr;
        snd_seq_client_info_alloca(&info);
        QCOMPARE(snd_seq_get_any_client_info(sequencer, ports.client(), info), 0);
        QCOMPARE(QString::fromUtf8(snd_seq_client_info_get_name(info)), QStringLiteral("ToneBench DAW"));
        const int port =
            snd_seq_create_simple_port(sequencer, "Sequencer",
                                       SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_WRITE |
                                           SND_SEQ_PORT_CAP_SUBS_READ | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                       SND_SEQ_PORT_TYPE_APPLICATION);
        QCOMPARE(snd_seq_connect_to(sequencer, port, ports.client(), ports.port()), 0);
        QCOMPARE(snd_seq_connect_from(sequencer, port, ports.client(), ports.port()), 0);

        const auto sendFromSequencer = [&](snd_seq_event_t event) {
            snd_seq_ev_set_source(&event, port);
            snd_seq_ev_set_subs(&event);
            snd_seq_ev_set_direct(&event);
            return snd_seq_event_output_direct(sequencer, &event) >= 0;
        };
        char piece[] = "\xF0\x41\x32\x00\x05\x10\xF7";
        snd_seq_event_t sysex{};
        snd_seq_ev_set_sysex(&sysex, 7, piece);
        QVERIFY(sendFromSequencer(sysex));
        snd_seq_event_t control{};
        snd_seq_ev_set_controller(&control, 3, 74, 100);
        QVERIFY(sendFromSequencer(control));
        const auto arrivedSoFar = [&] {
            std::lock_guard lock(arrivedLock);
            return arrived;
        };
        QTRY_VERIFY(!arrivedSoFar().isEmpty());
        QCOMPARE(arrivedSoFar(), QList<QByteArray>{hex("B34A64")});

        QVERIFY(ports.send(hex("B0490A")));
        QVERIFY(!ports.send(hex("F0413200057FF7")));
        snd_seq_event_t* received = nullptr;
        QVERIFY(snd_seq_event_input(sequencer, &received) >= 0 && received);
        QCOMPARE(int(received->type), int(SND_SEQ_EVENT_CONTROLLER));
        QCOMPARE(int(received->data.control.param), 0x49);
        QCOMPARE(int(received->data.control.value), 10);
    }

    // Golden bytes both ways: what is encoded decodes to the same fields; anything else is no Control
    // (channel -1).
    void controlMessageFields() {
        const QList<std::tuple<const char*, int, int, int>> rows{
            {"F0413200057FF7", 0, 5, 127}, {"F041320F1060F7", 15, 16, 0x60}, // VCF FREQ; switches, channel 16
            {"F0413000057FF7", -1, 0, 0},  {"F04132000540F0", -1, 0, 0},     // a Patch type; no end
            {"F041320005F8F7", -1, 0, 0},  {"F04132000580F7", -1, 0, 0},     // status bytes as the value
            {"F04132100540F7", -1, 0, 0},  {"F041320005F7", -1, 0, 0}};      // channel beyond 16; short
        for (const auto& [text, channel, control, value] : rows) {
            const QByteArray bytes = hex(text);
            const auto decoded = QZPSysexMessage::decodeControl(bytes);
            QCOMPARE(decoded.has_value(), channel >= 0);
            if (!decoded)
                continue;
            QCOMPARE(*decoded, (QZPSysexMessage::Control{quint8(channel), quint8(control), quint8(value)}));
            QCOMPARE(QZPSysexMessage::controlMessage(decoded->channel, decoded->control, decoded->value),
                     bytes);
        }
    }

    // MIDI Thru: what a keyboard plays goes on to the destination on the targeted channel, when the setting
    // for that kind of destination is on (for an instrument it is off unless set); anything else stays.
    void midiThru() {
        auto engine = makeEngine({"Keyboard", "Juno Out"}, {"Juno In"});
        engine->setDestination(engine->midiDestinations().first());
        engine->setTargetedMidiChannel(3);
        const QByteArray played =
            hex("903C64 803C00 E00040 B00140 B0407F B07B00 B07900 B00764 C005 D040 F04132000540F7");
        const QList<QByteArray> passed = hexList("933C64 833C00 E30040 B30140 B3407F B37B00 B37900");
        const auto thru = [&](const char* source) {
            m_backend->inject(QString::fromLatin1(source), played);
            QCoreApplication::processEvents();
            QList<QByteArray> sent;
            for (const auto& message : m_backend->takeSent())
                sent << message.bytes;
            return sent;
        };
        QCOMPARE(QString::fromLatin1(engine->midiThruKey()), QZPSettings::MidiThruInstrumentKey);
        QVERIFY(thru("Keyboard").isEmpty());
        m_settings->setValue(QZPSettings::MidiThruInstrumentKey, true);
        QCOMPARE(thru("Keyboard"), passed);
        engine->setSource(named(engine->midiSources(), "Juno Out"));
        QVERIFY(thru("Keyboard").isEmpty()); // not the chosen input
        engine->setDestination({});
        QVERIFY(thru("Juno Out").isEmpty());
    }

    void sendersExactBytes() {
        auto engine = makeEngine({}, {"Juno Out"});
        QZPLogCapture capture;
        // No destination: SysEx goes nowhere, silently.
        engine->sendSysexControl(16, 0x2A);
        QVERIFY(m_backend->takeSent().isEmpty() && capture.lines.isEmpty());

        engine->setDestination(engine->midiDestinations().first());
        engine->setTargetedMidiChannel(10);
        engine->sendSysexControl(16, 0x2A);
        engine->sendNoteOn(60);
        engine->sendNoteOff(60);
        engine->sendControl(7, 100);
        engine->sendAllNotesOff();
        const auto sent = m_backend->takeSent();
        QCOMPARE(sent.size(), 4 + 128);
        QCOMPARE(sent.at(0).bytes, hex("F041320A102AF7"));
        QCOMPARE(sent.at(1).bytes, hex("9A3C6E"));
        QCOMPARE(sent.at(2).bytes, hex("8A3C00"));
        QCOMPARE(sent.at(3).bytes, hex("BA0764"));
        for (int note = 0; note < 128; ++note)
            QCOMPARE(sent.at(4 + note).bytes, hex("8A") + char(note) + '\0');

        // A refusal by the MIDI system is logged with the command and the endpoint.
        m_backend->removeDestination("Juno Out");
        engine->sendNoteOn(61);
        QCOMPARE(capture.lines.size(), 1);
        QVERIFY(capture.lines.first().startsWith("Unable to send command 9A 3D 6E to endpoint Juno Out"));
    }

    // The queue keeps to a cable's pace, merges waiting Control messages of one parameter, and keeps
    // Patch messages and notes whole and in order.
    void outputQueuePacingAndMerging() {
        QList<QByteArray> sent;
        qint64 now = 0;
        QZPMidiOutputQueue queue([&](const QZPMidiEndpoint&, QByteArrayView bytes, QString*) {
            sent << bytes.toByteArray();
            return true;
        });
        queue.setClock([&] { return now; });
        const QZPMidiEndpoint out(7, "Out", "Out", QZPMidiEndpoint::Direction::Destination);
        const QByteArray patch = QByteArray(1, char(0xF0)) + QByteArray(22, 0) + char(0xF7);

        queue.enqueue(out, patch); // the cable is free: goes at once
        QCOMPARE(sent.size(), 1);
        queue.enqueue(out, QZPSysexMessage::controlMessage(0, 5, 10));
        queue.enqueue(out, QZPSysexMessage::controlMessage(0, 6, 1));
        queue.enqueue(out, QZPSysexMessage::controlMessage(0, 5, 20));
        queue.enqueue(out, patch);
        queue.enqueue(out, QZPSysexMessage::controlMessage(0, 5, 30));
        QCOMPARE(queue.pendingCount(), 4);

        // 24 bytes at 3125 bytes per second: 7.68 ms before the next message may start.
        now = 6000000;
        QCOMPARE(queue.pump(), 1680000);
        QCOMPARE(sent.size(), 1);
        now = 7680000;
        queue.pump();
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent.last(), QZPSysexMessage::controlMessage(0, 5, 20));
        // After a stall the next message goes at once, and the one after it still waits for the wire: a
        // quiet second is no credit for a burst.
        now = 1000000000;
        QVERIFY(queue.pump() > 0);
        QCOMPARE(sent.size(), 3);
        QVERIFY(queue.pump() > 0);
        QCOMPARE(sent.size(), 3);
        while (queue.pump() >= 0)
            now += 10000000;
        QCOMPARE(sent.mid(2), (QList<QByteArray>{QZPSysexMessage::controlMessage(0, 6, 1), patch,
                                                 QZPSysexMessage::controlMessage(0, 5, 30)}));

        // A note played while Control messages wait (a sequencer's automation) goes ahead of them: it
        // waits only for the message on the cable; a Patch message keeps its place before it.
        sent.clear();
        queue.enqueue(out, QZPSysexMessage::controlMessage(0, 1, 1)); // on the cable now
        queue.enqueue(out, patch);
        for (int n = 0; n < 10; ++n)
            queue.enqueue(out, QZPSysexMessage::controlMessage(0, quint8(n), 2));
        const QByteArray note = QByteArray::fromHex("903C64");
        queue.enqueue(out, note);
        while (queue.pump() >= 0)
            now += 10000000;
        QCOMPARE(sent.size(), 13);
        QCOMPARE(sent.mid(0, 3), (QList<QByteArray>{QZPSysexMessage::controlMessage(0, 1, 1), patch, note}));

        // One parameter gets at most one Control message per 5 ms, with its last value, even with no
        // cable to wait for; other parameters and notes pass it, a Patch message does not.
        sent.clear();
        queue.setBytesPerSecond(0);
        now += 10000000;
        const qint64 start = now;
        queue.enqueue(out, QZPSysexMessage::controlMessage(0, 1, 10));
        now += 1000000;
        queue.enqueue(out, QZPSysexMessage::controlMessage(0, 1, 11));
        queue.enqueue(out, QZPSysexMessage::controlMessage(0, 1, 12));
        queue.enqueue(out, QZPSysexMessage::controlMessage(0, 2, 5));
        queue.enqueue(out, note);
        QCOMPARE(sent, (QList<QByteArray>{QZPSysexMessage::controlMessage(0, 1, 10),
                                          QZPSysexMessage::controlMessage(0, 2, 5), note}));
        queue.enqueue(out, patch);
        queue.enqueue(out, QZPSysexMessage::controlMessage(0, 1, 13));
        QCOMPARE(queue.pump(), 4000000);
        QCOMPARE(sent.size(), 3);
        now = start + QZPMidiOutputQueue::ControlIntervalNs;
        QCOMPARE(queue.pump(), QZPMidiOutputQueue::ControlIntervalNs);
        QCOMPARE(sent.mid(3), (QList<QByteArray>{QZPSysexMessage::controlMessage(0, 1, 12), patch}));
        now += QZPMidiOutputQueue::ControlIntervalNs;
        QCOMPARE(queue.pump(), -1);
        QCOMPARE(sent.last(), QZPSysexMessage::controlMessage(0, 1, 13));
    }
};

QZP_TEST_MAIN(TestMidiEngine)
#include "tst_midiengine.moc"
