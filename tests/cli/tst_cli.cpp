// SPDX-License-Identifier: GPL-3.0-or-later
#include "QZPFactoryPatches.h"
#include "QZPTestFiles.h"
#include "QZPTestMain.h"
#include "model/QZPParameter.h"
#include "model/QZPPreset.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtEndian>
#include <sys/stat.h>

namespace {

struct Result {
    int status = -1;
    QString out;
    QString err;
};

Result cli(const QStringList& arguments, const QString& folder) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(QStringLiteral(TONEBENCH_CLI), arguments);
    process.waitForFinished(30000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }
    Result run(const QStringList& arguments) const { return cli(arguments, m_dir.path()); }

private slots:
    void init() {
        for (const QString& name : QDir(m_dir.path()).entryList(QDir::Files))
            QFile::remove(path(name));
        QFile::copy(QStringLiteral(TONEBENCH_EXAMPLES "/Brass.syx"), path("Brass.syx"));
        QFile::setPermissions(path("Brass.syx"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        qzpWriteContents(path("Short.syx"), qzpContents(path("Brass.syx")).left(23));
    }

    // The program's settings are read, never written: a file that cannot be parsed is reported on
    // standard error and left exactly as it is.
    void settingsAreReadNeverWritten() {
        const QString folder = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/ToneBench");
        QVERIFY(QDir().mkpath(folder));
        const QString settings = folder + QStringLiteral("/ToneBench.ini");
        const QByteArray garbage("[General\ncom.quorlane.tonebench.appearanceindex=2\n\x01\x02");
        QVERIFY(qzpWriteContents(settings, garbage));
        const Result result = run({"info", "Brass.syx"});
        const QByteArray after = qzpContents(settings);
        const bool setAside = QFile::exists(settings + ".corrupt");
        QFile::remove(settings);
        QFile::remove(settings + ".corrupt");
        QCOMPARE(result.status, 0);
        QCOMPARE(after, garbage);
        QVERIFY(!setAside);
        QZP_VERIFY(result.err.contains("settings file"), result.err);
    }

    // The README lists every command the help does, with the same synopsis, and no other: both come
    // from one table, and the README is written by hand.
    void readmeListsEveryCommand() {
        const Result help = run({"--help"});
        QStringList helped;
        for (const QString& line : help.out.split('\n'))
            if (line.size() > 2 && line.startsWith("  ") && line.at(2).isLower())
                helped << (line.size() > 36 && line.mid(34, 2) == "  " ? line.mid(2, 34) : line.mid(2))
                              .trimmed();
        QStringList listed;
        for (const QString& line : QString::fromUtf8(qzpContents(TONEBENCH_README)).split(QLatin1Char('\n')))
            if (line.startsWith("    tonebench-cli "))
                listed << line.mid(18).trimmed();
        QCOMPARE(listed, helped);
        QVERIFY(helped.size() >= 20);
    }

    // Each refusal with its status and message (on standard output for 0, standard error otherwise); a
    // refused command writes nothing.
    void statusesAndMessages() {
        const QByteArray before = qzpContents(path("Brass.syx"));
        for (const auto& [arguments, status, expected] : QList<std::tuple<QStringList, int, QString>>{
                 {{}, 2, "no command"},
                 {{"--help"}, 0, "Usage: tonebench-cli"},
                 {{"--version"}, 0, "tonebench-cli " TONEBENCH_VERSION},
                 {{"frobnicate"}, 2, "unknown command"},
                 {{"info", "--json"}, 2, "at least one FILE"},
                 {{"info", "Nope.syx"}, 1, "Nope.syx: The file “Nope.syx” couldn’t be opened."},
                 {{"info", "Short.syx"},
                  1,
                  "Short.syx: Unable to read contents of file (Incompatible data length found (23))"},
                 {{"info", "Brass.txt"}, 1, "Brass.txt: Unable to read contents"},
                 {{"info", "Brass.syx", "Short.syx"}, 1, "Short.syx"},
                 {{"convert", "Brass.syx"}, 2, "IN and OUT"},
                 {{"convert", "Brass.syx", "x", "--type", "wav"}, 2, "unknown type"},
                 {{"convert", "Brass.syx", "out.bin"}, 2, "--type"},
                 {{"set", "Brass.syx", "VCF_Cutoff=1", "Volume=3"}, 2, "unknown parameter “Volume”"},
                 {{"set", "Brass.syx", "VCF_Cutoff=128"}, 2, "0–127"},
                 {{"set", "Brass.syx", "DCO_Range=2"}, 2, "16, 8, 4"},
                 {{"set", "Brass.syx", "HPF_Mode=high"}, 2, "HPF_Mode takes"},
                 {{"rename", "Brass.syx", "a/b"}, 2, "without a folder"},
                 {{"library", ".", "--filter", "cutof>50"},
                  2,
                  "No parameter “cutof”: VCF FREQ is vcf or cutoff."},
                 {{"library", ".", "--filter", "lfo>50"}, 2, "“lfo” may be DCO LFO or VCF LFO"},
             }) {
            const Result result = run(arguments);
            QZP_VERIFY(result.status == status && (status == 0 ? result.out : result.err).contains(expected),
                       arguments.join(' '), result.status, result.out + result.err);
            QCOMPARE(qzpContents(path("Brass.syx")), before);
        }
    }

    void infoJson() {
        const Result result = run({"info", "--json", "Brass.syx", "Brass.syx"});
        QCOMPARE(result.status, 0);
        const QStringList lines = result.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        const QJsonObject object = QJsonDocument::fromJson(lines.first().toUtf8()).object();
        QCOMPARE(object.value("file").toString(), QStringLiteral("Brass.syx"));
        QCOMPARE(object.value("name").toString(), QStringLiteral("Brass"));
        QCOMPARE(object.value("type").toString(), QStringLiteral("com.quorlane.tonebench.sysex"));
        QCOMPARE(object.value("programName").toString(), QStringLiteral("B51"));
        QCOMPARE(object.value("sysexData").toString(),
                 QStringLiteral("300000000040105000405020405020001215"));
        const QJsonObject parameters = object.value("parameters").toObject();
        QCOMPARE(parameters.size(), 25);
        QCOMPARE(parameters.value("DCO_Range").toInt(), 8);
        QCOMPARE(parameters.value("HPF_Mode").toInt(), 1);
        QVERIFY(lines.first().indexOf("\"LFO_Rate\"") < lines.first().indexOf("\"MKS_Noise_ON\""));

        const Result text = run({"info", "Brass.syx"});
        QVERIFY(text.out.contains("name: Brass\n"));
        QVERIFY(text.out.contains("sysexData: 30 00 00 00 00 40 10 50 00 40 50 20 40 50 20 00 12 15\n"));
    }

    void convertBothWaysWithoutReplacing() {
        QCOMPARE(run({"convert", "Brass.syx", "Brass.tbpreset"}).status, 0);
        QVERIFY(qzpContents(path("Brass.tbpreset")).startsWith("bplist00"));
        QCOMPARE(run({"convert", "Brass.tbpreset", "Back.syx"}).status, 0);
        QCOMPARE(qzpContents(path("Back.syx")), qzpContents(path("Brass.syx")));

        const Result refused = run({"convert", "Brass.tbpreset", "Back.syx"});
        QCOMPARE(refused.status, 1);
        QVERIFY(refused.err.contains("--force"));
        QCOMPARE(run({"convert", "Short.syx", "New.syx"}).status, 1);
        QVERIFY(!QFile::exists(path("New.syx")));

        QCOMPARE(run({"convert", "Brass.syx", "Short.syx", "--force"}).status, 0);
        QCOMPARE(qzpContents(path("Short.syx")), qzpContents(path("Brass.syx")));
        QCOMPARE(run({"convert", "Brass.syx", "plist.bin", "--type", "tbpreset"}).status, 0);
        QVERIFY(qzpContents(path("plist.bin")).startsWith("bplist00"));
    }

    // Only what was asked changes: a patch received from the instrument keeps its channel and program
    // number (factory A16 stays A16), and the file keeps its type.
    void setChangesParametersInTheFilesOwnType() {
        QByteArray received = qzpContents(path("Brass.syx"));
        received[3] = char(5);
        received[4] = char(13); // A26
        QVERIFY(qzpWriteContents(path("Brass.syx"), received));
        QCOMPARE(
            run({"set", "Brass.syx", "VCF_Cutoff=100", "DCO_Range=16", "chorusMode=0", "MKS_Noise_ON=on"})
                .status,
            0);
        const QByteArray bytes = qzpContents(path("Brass.syx"));
        QCOMPARE(bytes.size(), 24);
        QCOMPARE(quint8(bytes.at(5 + 5)), quint8(100));
        QCOMPARE(quint8(bytes.at(5 + 16)), quint8(0x31));
        QCOMPARE(quint8(bytes.at(5 + 17)), quint8(0x35));
        QCOMPARE(bytes.left(5), received.left(5));
        QCOMPARE(bytes.right(1), received.right(1));
        QVERIFY(run({"info", "Brass.syx"}).out.contains("A26"));
    }

    // The Control Change map, in the order of the numbers, a switch's positions with their shares.
    void controllerMap() {
        const Result text = run({"cc-map"});
        QCOMPARE(text.status, 0);
        const QStringList lines = text.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 24);
        QCOMPARE(lines.first(), QStringLiteral("3\tLFO_Rate\tLFO RATE\t0–127"));
        QVERIFY(lines.contains(QStringLiteral("74\tVCF_Cutoff\tVCF FREQ\t0–127")));
        QCOMPARE(lines.last(), QStringLiteral("93\tchorusMode\tCHORUS MODE\tOFF=0–42 I=43–85 II=86–127"));
        const Result json = run({"cc-map", "--json"});
        const QJsonObject range = QJsonDocument::fromJson(json.out.split('\n').at(2).toUtf8()).object();
        QCOMPARE(range.value("name").toString(), QStringLiteral("DCO_Range"));
        QCOMPARE(range.value("values").toArray().at(1).toObject().value("from").toInt(), 43);
        QCOMPARE(run({"cc-map", "extra"}).status, 2);
    }

    void libraryCommands() {
        QDir(m_dir.path()).mkpath("lib/sub");
        for (const char* name : {"lib/Pad 10.syx", "lib/pad 9.syx", "lib/sub/Crème.syx", "lib/.hidden.syx",
                                 "lib/We\"ird\\\t\x01.syx"})
            QFile::copy(path("Brass.syx"), path(name));
        Result listed = run({"library", "lib", "--json"});
        QCOMPARE(listed.status, 0);
        QStringList lines = listed.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        // Each line is what a JSON writer makes of it, byte for byte, whatever the name holds.
        const QJsonObject weird{{"file", path("lib/We\"ird\\\t\x01.syx")},
                                {"name", QStringLiteral("We\"ird\\\t\x01")},
                                {"type", QStringLiteral("com.quorlane.tonebench.sysex")}};
        QCOMPARE(lines.takeLast(), QString::fromUtf8(QJsonDocument(weird).toJson(QJsonDocument::Compact)));
        QFile::remove(path("lib/We\"ird\\\t\x01.syx"));
        const auto entry = [&](int line) {
            return QJsonDocument::fromJson(lines.at(line).toUtf8()).object();
        };
        QCOMPARE(entry(0).value("name").toString(), QStringLiteral("Crème"));
        QCOMPARE(entry(1).value("name").toString(), QStringLiteral("pad 9"));
        QCOMPARE(entry(2).value("type").toString(), QStringLiteral("com.quorlane.tonebench.sysex"));
        QCOMPARE(run({"library", "lib", "--filter", "CREME"}).out.count('\n'), 1);
        QCOMPARE(run({"library", "lib", "--modified"}).out, QString());
        QCOMPARE(run({"library", "nowhere"}).status, 1);

        QCOMPARE(run({"export-list", "lib", "list.plist"}).status, 0);
        QCOMPARE(run({"export-list", "lib", "list.plist"}).status, 1);
        const Result imported = run({"import-list", "list.plist", "copies", "--type", "tbpreset"});
        QCOMPARE(imported.status, 0);
        QCOMPARE(QDir(path("copies")).entryList(QDir::Files),
                 (QStringList{"Crème.tbpreset", "Pad 10.tbpreset", "pad 9.tbpreset"}));
        const Result again = run({"import-list", "list.plist", "copies", "--type", "tbpreset"});
        QVERIFY(again.err.contains("already exists; skipped"));
        QCOMPARE(again.status, 1);
        const QJsonObject info =
            QJsonDocument::fromJson(run({"info", "--json", "copies/Crème.tbpreset"}).out.toUtf8()).object();
        QCOMPARE(info.value("sysexData").toString(), QStringLiteral("300000000040105000405020405020001215"));

        // A list that is not one, and entries that are not presets.
        const QByteArray head("<?xml version=\"1.0\"?><plist version=\"1.0\"><array>");
        QVERIFY(qzpWriteContents(path("bad.plist"),
                                 head + "<dict><key>name</key><string>../x</string>"
                                        "<key>data</key><data>AAE=</data></dict></array></plist>"));
        const Result refused = run({"import-list", "bad.plist", "copies"});
        QCOMPARE(refused.status, 1);
        QVERIFY(refused.err.contains("Entry 1 is not a preset"));
        QCOMPARE(run({"import-list", "Brass.syx", "copies"}).status, 1);

        // Entries of one name each get a file (a numbered name for the later ones), also under
        // --overwrite; a link at a target name is never written through.
        const QByteArray twin = "<dict><key>name</key><string>Twin</string><key>data</key><data>" +
                                qzpContents(path("Brass.syx")).toBase64() + "</data></dict>";
        QVERIFY(qzpWriteContents(path("twins.plist"), head + twin.repeated(3) + "</array></plist>"));
        QDir().mkpath(path("twins"));
        QFile::link(path("Brass.syx"), path("twins/Twin 3.syx"));
        const Result paired = run({"import-list", "twins.plist", "twins", "--overwrite"});
        QCOMPARE(paired.status, 1);
        QVERIFY(paired.err.contains("symbolic link"));
        QCOMPARE(QDir(path("twins")).entryList(QDir::Files | QDir::System),
                 (QStringList{"Twin 2.syx", "Twin 3.syx", "Twin.syx"}));
        QVERIFY(QFileInfo(path("twins/Twin 3.syx")).isSymLink());
        QCOMPARE(qzpContents(path("Brass.syx")).size(), 24);
    }

    // Banks both ways: a folder's list as one bank (only with --force over an existing file), and a bank
    // with foreign bytes in it back into one file per Patch message.
    void bankCommands() {
        QDir(m_dir.path()).mkpath("banklib");
        for (const char* name : {"banklib/B.syx", "banklib/A.syx"})
            QFile::copy(path("Brass.syx"), path(name));
        QCOMPARE(run({"export-bank", "banklib", "bank.syx"}).status, 0);
        QCOMPARE(run({"export-bank", "banklib", "bank.syx"}).status, 1);
        QCOMPARE(run({"export-bank", "banklib", "bank.syx", "--force"}).status, 0);
        const QByteArray bank = qzpContents(path("bank.syx"));
        QCOMPARE(bank.size(), 48);
        QVERIFY(
            qzpWriteContents(path("messy.syx"), QByteArray::fromHex("F043100000F7") + bank + bank.left(10)));
        const Result imported = run({"import-bank", "messy.syx", "out"});
        QCOMPARE(imported.status, 0);
        QZP_VERIFY(imported.err.contains("16 bytes that are not Juno-106 Patch messages were skipped"),
                   imported.err);
        const QStringList files = QDir(path("out")).entryList(QDir::Files);
        QCOMPARE(files.size(), 2);
        QVERIFY(files.first().startsWith("messy "));
        QCOMPARE(qzpContents(path("out/") + files.first()), bank.left(24));
        QCOMPARE(run({"import-bank", "Brass.syx", "out2"}).status, 0);
        QCOMPARE(run({"import-bank", "nowhere.syx", "out3"}).status, 1);

        // A round trip keeps every preset's program slot: export, import, the same files again.
        QDir(m_dir.path()).mkpath("slots");
        QList<QByteArray> messages;
        for (const quint8 program : {quint8(0), quint8(9), quint8(127)}) {
            QByteArray message = qzpContents(path("Brass.syx"));
            message[4] = char(program);
            message[5] = char(program % 100);
            messages << message;
        }
        QVERIFY(qzpWriteContents(path("slots.syx"), messages.join()));
        QCOMPARE(run({"import-bank", "slots.syx", "slots"}).status, 0);
        QCOMPARE(run({"export-bank", "slots", "again.syx"}).status, 0);
        QCOMPARE(run({"import-bank", "again.syx", "again"}).status, 0);
        QCOMPARE(QDir(path("again")).entryList(QDir::Files),
                 (QStringList{"again A11.syx", "again A22.syx", "again B88.syx"}));
        QCOMPARE(qzpContents(path("again/again A22.syx")), messages.at(1));
        QCOMPARE(qzpContents(path("again.syx")), messages.join());

        // Many messages of one slot: each gets a name of its own in one pass, past names already taken;
        // none is dropped.
        QDir(m_dir.path()).mkpath("many");
        for (const char* taken : {"many/same A11.syx", "many/same A11 2.syx", "many/same A11 5.syx"})
            QFile::copy(path("Brass.syx"), path(taken));
        QVERIFY(qzpWriteContents(path("same.syx"), messages.at(0).repeated(300)));
        QCOMPARE(run({"import-bank", "same.syx", "many"}).status, 0);
        const QStringList many = QDir(path("many")).entryList(QDir::Files);
        QCOMPARE(many.size(), 303);
        QVERIFY(many.contains("same A11 3.syx") && many.contains("same A11 303.syx"));

        // A folder without presets makes no bank.
        QDir(m_dir.path()).mkpath("empty");
        const Result nothing = run({"export-bank", "empty", "none.syx"});
        QCOMPARE(nothing.status, 1);
        QVERIFY(!QFile::exists(path("none.syx")));
    }

    // The instrument's own factory bank, as it sends it: imported one file per slot, each named and
    // numbered by its slot; every switch decodes to a position the panel has, every slider to its byte;
    // A82 is the filter ringing alone.
    void theInstrumentsFactoryBank() {
        const QList<QZPFactoryPatch> patches = qzpFactoryPatches();
        QCOMPARE(patches.size(), 128);
        QByteArray bank;
        for (int slot = 0; slot < 128; ++slot)
            bank += qzpFactoryMessage(slot, patches[slot].data);
        QVERIFY(qzpWriteContents(path("Factory.syx"), bank));
        QCOMPARE(run({"import-bank", "Factory.syx", "factory"}).status, 0);
        QStringList files;
        for (const QZPFactoryPatch& patch : patches)
            files << QStringLiteral("factory/Factory %1.syx").arg(patch.name.left(3));
        const Result info = run(QStringList{"info", "--json"} + files);
        QCOMPARE(info.status, 0);
        const QStringList lines = info.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 128);
        for (int slot = 0; slot < 128; ++slot) {
            const QJsonObject object = QJsonDocument::fromJson(lines[slot].toUtf8()).object();
            const QString name = patches[slot].name;
            QZP_VERIFY(object.value("programName").toString() == name.left(3), name);
            const QJsonObject parameters = object.value("parameters").toObject();
            QZP_VERIFY(QList<int>({16, 8, 4}).contains(parameters.value("DCO_Range").toInt()), name);
            QZP_VERIFY(parameters.value("chorusMode").toInt() <= 2 &&
                           parameters.value("HPF_Mode").toInt() <= 3,
                       name);
            for (const QZPParameter& parameter : QZPParameter::all())
                if (parameter.kind == QZPParameter::Kind::Slider)
                    QZP_VERIFY(parameters.value(parameter.name).toInt() ==
                                   quint8(patches[slot].data.at(parameter.byteIndex)),
                               name, parameter.name);
        }
        const QJsonObject a82 =
            QJsonDocument::fromJson(lines[QZPPreset::programByteForName(u"A82").value()].toUtf8())
                .object()
                .value("parameters")
                .toObject();
        QCOMPARE(a82.value("VCF_Resonance").toInt(), 127);
        QCOMPARE(a82.value("DCO_Pulse_ON").toInt() + a82.value("DCO_Saw_ON").toInt() +
                     a82.value("DCO_SubLevel").toInt() + a82.value("DCO_NoiseLevel").toInt(),
                 0);
    }

    // A preset played offline into a 24-bit stereo WAV file as long as the notes and their release (how
    // long a release lasts is measured with the sound).
    void render() {
        const Result rendered =
            run({"render", "Brass.syx", "out.wav", "--notes", "C4:0:0.5 E4:0.25:0.5", "--rate", "44100"});
        QCOMPARE(rendered.status, 0);
        const QByteArray wav = qzpContents(path("out.wav"));
        QVERIFY(wav.startsWith("RIFF") && wav.mid(8, 4) == "WAVE");
        QCOMPARE(qFromLittleEndian<quint16>(wav.constData() + 22), quint16(2));     // channels
        QCOMPARE(qFromLittleEndian<quint32>(wav.constData() + 24), quint32(44100)); // rate
        QCOMPARE(qFromLittleEndian<quint16>(wav.constData() + 34), quint16(24));    // bits
        const double seconds = double(wav.size() - 44) / (44100 * 6);
        QZP_VERIFY(seconds > 0.8 && seconds < 5, seconds); // 0.75 s of notes, then the release
        QCOMPARE(run({"render", "Brass.syx", "bad.wav", "--notes", "H4:0:1"}).status, 2);
        QCOMPARE(run({"render", "Brass.syx", "bad.wav", "--rate", "12"}).status, 2);
        QCOMPARE(run({"render", "Brass.syx", "bad.wav", "--seconds", "nan"}).status, 2);
        QCOMPARE(run({"render", "Short.syx", "bad.wav"}).status, 1);
        QVERIFY(!QFile::exists(path("bad.wav")));

        // OUT follows the rules of every write: an existing file only with --force, never a link's
        // target, never a read-only file, never a FIFO (refused at once, not waited on).
        // (A FIFO would hold the program: the run would time out and report no status.)
        const QByteArray theirs("not a sound");
        for (const auto& [what, force, status] :
             {std::tuple{"file", false, 1}, std::tuple{"file", true, 0}, std::tuple{"link", true, 1},
              std::tuple{"read-only", true, 1}, std::tuple{"fifo", true, 1}}) {
            const QString kind = QString::fromLatin1(what);
            const QString target = path(kind == "link" ? "target.txt" : "taken.wav");
            QFile::remove(path("taken.wav"));
            QVERIFY(kind == "fifo" ? ::mkfifo(QFile::encodeName(target).constData(), 0600) == 0
                                   : qzpWriteContents(target, theirs));
            if (kind == "link")
                QVERIFY(QFile::link(target, path("taken.wav")));
            if (kind == "read-only")
                QVERIFY(QFile::setPermissions(target, QFileDevice::ReadOwner));
            QStringList arguments{"render", "Brass.syx", "taken.wav", "--seconds", "0.1"};
            const Result result = run(force ? arguments << "--force" : arguments);
            QVERIFY2(result.status == status, qPrintable(kind + ": " + result.err));
            QVERIFY(kind == "fifo" || (qzpContents(target) == theirs) == (status != 0));
            QVERIFY(force || result.err.contains("--force"));
            QCOMPARE(QFileInfo(path("taken.wav")).isSymLink(), kind == "link");
            QVERIFY(QDir(m_dir.path()).entryList({".tb-*"}, QDir::Hidden | QDir::Files).isEmpty());
            QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
        QFile::remove(path("taken.wav"));
        QFile::remove(path("target.txt"));

        // Played live on the built-in sound (silent without an audio device, but taken all the same).
        QElapsedTimer played;
        played.start();
        const Result live = run(
            {"--midi-api", "none", "send", "Brass.syx", "--to", "ToneBench Sound", "--notes", "C4:0:0.2"});
        QCOMPARE(live.status, 0);
        QVERIFY(live.out.contains("sent Brass.syx"));
        QVERIFY(played.elapsed() >= 1200); // the note, then its release
        QCOMPARE(
            run({"--midi-api", "none", "send", "Brass.syx", "--to", "ToneBench Sound", "--notes", "C4:x"})
                .status,
            2);
    }

    // The measurements of a render, a line per file (JSON on request), played as render plays: a note
    // held half a second with the envelope square stays loud half a second; a patch with every source
    // down is silent; a file that cannot be read fails alone.
    void analyse() {
        for (const char* name : {"Plain.syx", "Silent.syx"})
            QFile::copy(path("Brass.syx"), path(name));
        const QStringList square{"ENV_Attack=0", "ENV_Decay=0",    "ENV_Sustain=127", "ENV_Release=0",
                                 "VCA_Mode=0",   "VCF_Cutoff=127", "VCF_ENV=0",       "VCF_LFO=0",
                                 "DCO_LFO=0",    "chorusMode=0"};
        QCOMPARE(run(QStringList{"set", "Plain.syx"} + square).status, 0);
        QCOMPARE(run({"set", "Silent.syx", "DCO_Pulse_ON=0", "DCO_Saw_ON=0", "DCO_SubLevel=0",
                      "DCO_NoiseLevel=0", "VCF_Resonance=0"})
                     .status,
                 0);
        const Result result =
            run({"analyse", "Plain.syx", "Silent.syx", "Short.syx", "--json", "--notes", "C4:0:0.5"});
        QCOMPARE(result.status, 1);
        const QStringList lines = result.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        const QJsonObject plain = QJsonDocument::fromJson(lines.at(0).toUtf8()).object();
        const double peak = plain.value("peakDb").toDouble(), loud = plain.value("secondsLoud").toDouble();
        QZP_VERIFY(peak < -1 && peak > -30 && std::fabs(loud - 0.5) < 0.02, peak, loud);
        QZP_VERIFY(std::fabs(plain.value("dcOffset").toDouble()) < 0.01, plain.value("dcOffset").toDouble());
        QZP_VERIFY(plain.value("centroidHz").toDouble() > 262, plain.value("centroidHz").toDouble());
        const QJsonObject silent = QJsonDocument::fromJson(lines.at(1).toUtf8()).object();
        QVERIFY(silent.value("silent").toBool() && !plain.value("silent").toBool());
        QVERIFY(silent.value("secondsLoud").toDouble() == 0);
        QVERIFY(run({"analyse", "Silent.syx"}).out.endsWith("Silent.syx: silent\n"));
        QCOMPARE(run({"analyse"}).status, 2);
        QCOMPARE(run({"analyse", "Plain.syx", "--rate", "12"}).status, 2);
    }

    // Comparing and making presets: diff's status says equal (0) or not (3), with a line or a JSON entry
    // per parameter; morph writes the preset between; mutate makes the same preset again from the printed
    // seed and keeps what is locked. Their files follow the rules of every write.
    void patchCommands() {
        QCOMPARE(run({"convert", "Brass.syx", "Dark.syx"}).status, 0);
        QCOMPARE(run({"set", "Dark.syx", "VCF_Cutoff=10", "DCO_Range=16"}).status, 0);
        const Result same = run({"diff", "Brass.syx", "Brass.syx"});
        QVERIFY(same.status == 0 && same.out.isEmpty());
        const Result unlike = run({"diff", "Brass.syx", "Dark.syx"});
        QCOMPARE(unlike.status, 3);
        QCOMPARE(unlike.out, QStringLiteral("VCF_Cutoff 64 10\nDCO_Range 8 16\n"));
        const QJsonObject json =
            QJsonDocument::fromJson(run({"diff", "Brass.syx", "Dark.syx", "--json"}).out.toUtf8()).object();
        QCOMPARE(json.value("equal").toBool(), false);
        QCOMPARE(json.value("differences").toArray().at(1).toObject().value("name").toString(),
                 QStringLiteral("DCO RANGE"));

        QCOMPARE(run({"morph", "Brass.syx", "Dark.syx", "Half.tbpreset", "--amount", "0.5"}).status, 0);
        QCOMPARE(run({"diff", "Half.tbpreset", "Dark.syx"}).out, QStringLiteral("VCF_Cutoff 37 10\n"));
        QCOMPARE(run({"morph", "Brass.syx", "Dark.syx", "Half.tbpreset", "--amount", "0.5"}).status, 1);

        const Result first =
            run({"mutate", "Brass.syx", "One.syx", "--amount", "0.4", "--lock", "VCF_Cutoff,ENV_Decay"});
        QCOMPARE(first.status, 0);
        const QString seed = first.out.section(' ', 1).trimmed();
        // The same seed and locks, in another order and with a space after the comma: the same preset.
        QCOMPARE(run({"mutate", "Brass.syx", "Two.syx", "--amount", "0.4", "--seed", seed, "--lock",
                      "ENV_Decay, VCF_Cutoff"})
                     .status,
                 0);
        QCOMPARE(qzpContents(path("Two.syx")), qzpContents(path("One.syx")));
        const QString changed = run({"diff", "Brass.syx", "One.syx"}).out;
        QVERIFY(!changed.isEmpty() && !changed.contains("VCF_Cutoff") && !changed.contains("ENV_Decay"));
        for (const QStringList& refused :
             {QStringList{"diff", "Brass.syx"},
              {"morph", "Brass.syx", "Dark.syx", "x.syx"},
              {"morph", "Brass.syx", "Dark.syx", "x.syx", "--amount", "1.5"},
              {"mutate", "Brass.syx", "x.syx", "--amount", "nan"},
              {"mutate", "Brass.syx", "x.syx", "--amount", "1", "--lock", "Volume"},
              {"mutate", "Brass.syx", "x.syx", "--amount", "1", "--seed", "-3"}})
            QZP_VERIFY(run(refused).status == 2 && !QFile::exists(path("x.syx")), refused.join(' '));
        QCOMPARE(run({"diff", "Brass.syx", "Short.syx"}).status, 1);
    }

    // Finding by sound in a folder: similar ranks the others by distance (itself left out, --count
    // many); duplicates groups equal patches (exit 3) or near ones with --near, and finds none (exit 0)
    // among different ones; the list by query.
    void findingBySound() {
        QDir(m_dir.path()).mkpath("found");
        for (const auto& [name, settings] : QList<std::pair<const char*, QStringList>>{
                 {"found/A.syx", {}},
                 {"found/B.syx", {}},
                 {"found/Near.syx", {"VCF_Cutoff=70"}},
                 {"found/Far.syx", {"DCO_Range=4", "VCF_Cutoff=0", "chorusMode=0"}}}) {
            QFile::copy(path("Brass.syx"), path(name));
            QFile::setPermissions(path(name), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
            if (!settings.isEmpty())
                QCOMPARE(run(QStringList{"set", name} + settings).status, 0);
        }
        const QStringList ranked =
            run({"similar", "found/A.syx", "found", "--count", "2"}).out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(ranked.size(), 2);
        QVERIFY(ranked.at(0).startsWith("0.0000\tB\t") && ranked.at(1).contains("\tNear\t"));
        const QJsonObject far = QJsonDocument::fromJson(run({"similar", "found/A.syx", "found", "--json"})
                                                            .out.split('\n', Qt::SkipEmptyParts)
                                                            .last()
                                                            .toUtf8())
                                    .object();
        QVERIFY(far.value("name") == "Far" && far.value("distance").toDouble() > 0.1);
        const Result exact = run({"duplicates", "found"});
        QCOMPARE(exact.status, 3);
        QCOMPARE(exact.out.count('\n'), 2);
        QCOMPARE(run({"duplicates", "found", "--near", "10"}).out.count('\n'), 3);
        // The tolerance's top value is one, a step beyond it is not.
        QCOMPARE(run({"duplicates", "found", "--near", "127"}).status, 3);
        QCOMPARE(run({"duplicates", "found", "--near", "128"}).status, 2);
        // The library's list by query: conditions on the patch with name text; an impossible value is
        // refused with the reason, and --filter with --query is one too many.
        for (const auto& [query, names] : {std::pair{"vcf<=70 range:8", "A B Near"},
                                           {"vcf<=70 range:8 ear", "Near"},
                                           {"range:4' chorus:off", "Far"},
                                           {"range:2", ""}}) {
            QStringList listed;
            for (const QString& line :
                 run({"library", "found", "--query", query}).out.split('\n', Qt::SkipEmptyParts))
                listed << line.section('\t', 0, 0);
            QCOMPARE(listed.join(' '), QString::fromLatin1(names));
        }
        // The folder's marks: favourites and tags from its file; a broken one is said and counts as none.
        QVERIFY(qzpWriteContents(path("found/.tonebench-marks.json"),
                                 "{\"format\": \"ToneBench preset marks\", \"version\": 1, \"presets\": ["
                                 "{\"file\": \"Near.syx\", \"patch\": \"" +
                                     qzpContents(path("found/Near.syx")).mid(5, 18).toHex() +
                                     "\", \"favourite\": true, \"tags\": [\"pad\"]}]}"));
        QCOMPARE(run({"library", "found", "--query", "fav"}).out.section('\t', 0, 0), QStringLiteral("Near"));
        QCOMPARE(run({"library", "found", "--query", "#PAD vcf<20"}).out, QString());
        QVERIFY(qzpWriteContents(path("found/.tonebench-marks.json"), "[broken"));
        const Result broken = run({"library", "found", "--query", "fav"});
        QVERIFY(broken.status == 0 && broken.out.isEmpty() && broken.err.contains("can’t be read"));
        const Result impossible = run({"library", "found", "--query", "vcf>300"});
        QVERIFY(impossible.status == 2 && impossible.err.contains("VCF FREQ takes 0–127, not “300”."));
        QCOMPARE(run({"library", "found", "--query", "saw", "--filter", "A"}).status, 2);
        QCOMPARE(run({"library", "found", "--filter", "vcf>300"}).status, 2);
        QCOMPARE(run({"library", "found", "--filter", "range:4'"}).out.section('\t', 0, 0),
                 QStringLiteral("Far"));
        QFile::remove(path("found/B.syx"));
        QCOMPARE(run({"duplicates", "found"}).status, 0);
        QCOMPARE(run({"duplicates", "found", "--near", "-1"}).status, 2);
        QCOMPARE(run({"similar", "found/A.syx", "nowhere"}).status, 1);
    }

    void factoryList() {
        const Result installed = run({"import-list", "--factory", "factory", "--type", "tbpreset"});
        QCOMPARE(installed.status, 0);
        const QStringList files = QDir(path("factory")).entryList(QDir::Files);
        QVERIFY(files.size() >= 48 && files.contains("Bass Round Sub.tbpreset"));
        QCOMPARE(run({"import-list", "--factory"}).status, 2);
    }

    void renameContract() {
        QFile::copy(path("Brass.syx"), path("Lead.syx"));
        const Result clash = run({"rename", "Brass.syx", "Lead"});
        QVERIFY(clash.status == 1 && clash.err.contains("Brass.syx") && clash.err.contains("already exists"));
        QVERIFY(QFile::exists(path("Brass.syx")));
        const Result renamed = run({"rename", "Brass.syx", "Pad.syx"});
        QCOMPARE(renamed.status, 0);
        QCOMPARE(renamed.out.trimmed(), path("Pad.syx"));
        QVERIFY(!QFile::exists(path("Brass.syx")) && QFile::exists(path("Pad.syx")));

        // A folder that refuses the rename: nobody can grant access from a script, so it is a failure.
        QDir().mkpath(path("Locked"));
        QFile::copy(path("Pad.syx"), path("Locked/Pad.syx"));
        if (!qzpMakeFolderReadOnly(path("Locked"), true))
            QSKIP("no way to make a folder read-only here");
        const Result refused = run({"rename", "Locked/Pad.syx", "Lead"});
        qzpMakeFolderReadOnly(path("Locked"), false);
        QCOMPARE(refused.status, 1);
        QZP_VERIFY(refused.err.contains("Pad.syx"), refused.err);
        QVERIFY(refused.out.isEmpty() && QFile::exists(path("Locked/Pad.syx")));
    }
};

QZP_TEST_MAIN(TestCli)
#include "tst_cli.moc"
