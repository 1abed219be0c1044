// SPDX-License-Identifier: GPL-3.0-or-later
#include "QZPFactoryPatches.h"
#include "QZPTestMain.h"
#include "model/QZPInvalidParameter.h"
#include "model/QZPParameter.h"
#include "model/QZPPatch.h"
#include "model/QZPPatchDifference.h"
#include "model/QZPPatchDistance.h"
#include "model/QZPPatchMorph.h"
#include "model/QZPPatchMutation.h"
#include "model/QZPPatchQuery.h"
#include "model/QZPPatchRanking.h"
#include "model/QZPPatchText.h"
#include "model/QZPPreset.h"
#include "model/QZPSettings.h"
#include "model/QZPValueScale.h"
#include "model/QZPVoiceLaw.h"
#include <QSet>

#include <QUndoStack>

using Id = QZPParameterId;

namespace {

// A Patch message carrying `data`, with the given channel and program bytes.
QByteArray message(const QByteArray& data, quint8 channel = 0, quint8 program = 0) {
    return QByteArray("\xF0\x41\x30", 3) + char(channel) + char(program) + data + char(0xF7);
}

QByteArray withByte(int index, quint8 value) {
    QByteArray data = QZPPreset::defaultPatchData();
    data[index] = char(value);
    return data;
}

// Records the changes one preset announces.
class NotificationLog : public QObject {
public:
    explicit NotificationLog(QZPPreset* preset) {
        connect(preset, &QZPPreset::presetChanged, this,
                [this](QZPPreset::Change change) { types << int(change); });
    }
    QList<int> types;
};

} // namespace

class TestPreset : public QObject {
    Q_OBJECT

private slots:
    // A sequencer's Control Change: each number moves one parameter (the JU-06A's numbers where it has the
    // control); a slider takes the value as it is, each switch position an even share of 0–127 whose
    // lowest value maps back to it, whatever the position.
    void controllerValues() {
        QSet<int> numbers;
        for (const QZPParameter& parameter : QZPParameter::all()) {
            if (parameter.controller < 0)
                continue;
            QVERIFY(!numbers.contains(parameter.controller));
            numbers.insert(parameter.controller);
            QCOMPARE(QZPParameter::forController(parameter.controller), &parameter);
            QList<int> values{0, 64, 127};
            if (!parameter.values.isEmpty()) {
                values.clear();
                for (const QZPParameter::SwitchValue& value : parameter.values)
                    values << value.value;
            }
            for (const int value : values)
                QCOMPARE(parameter.valueForController(parameter.controllerValueFor(value)), value);
            QCOMPARE(parameter.valueForController(127), values.last());
            QCOMPARE(parameter.valueForController(0), values.first());
        }
        QCOMPARE(numbers.size(), QZPParameter::Count - 1); // all but the MKS noise bit, which has no control
        for (const auto& [name, controllerValue, value] :
             {std::tuple{"VCF_Cutoff", 100, 100}, std::tuple{"DCO_Range", 42, 16},
              std::tuple{"DCO_Range", 43, 8}, std::tuple{"chorusMode", 85, 1},
              std::tuple{"chorusMode", 86, 2}, std::tuple{"HPF_Mode", 96, 3}, std::tuple{"HPF_Mode", 95, 2},
              std::tuple{"DCO_Saw_ON", 63, 0}, std::tuple{"DCO_Saw_ON", 64, 1}})
            QCOMPARE(QZPParameter::named(QString::fromLatin1(name))->valueForController(controllerValue),
                     value);
        QCOMPARE(QZPParameter::forController(74)->name, "VCF_Cutoff");
        QVERIFY(!QZPParameter::forController(1));
    }

    void init() {
        QZPSettings::standard()->remove(QZPSettings::DynamicsAmplifierKey);
        QZPSettings::standard()->remove(QZPSettings::DynamicsFilterKey);
    }

    void newPresetReadsTheDefaultPatch() {
        QZPPreset preset;
        QCOMPARE(preset.sysexData(), QByteArray::fromHex("00000000007F000000007F00000000002A1D"));
        const QList<QPair<const char*, int>> expected{
            {"VCF_Cutoff", 127}, {"VCA_Level", 127},  {"LFO_Rate", 0},   {"DCO_SubLevel", 0},
            {"DCO_Range", 8},    {"DCO_Pulse_ON", 1}, {"DCO_Saw_ON", 0}, {"chorusMode", 0},
            {"DCO_PWM_Mode", 0}, {"VCF_ENV_Mode", 1}, {"VCA_Mode", 0},   {"HPF_Mode", 0},
            {"MKS_Noise_ON", 0}};
        for (const auto& [name, value] : expected)
            QCOMPARE(QZPParameter::named(QLatin1String(name))->get(preset), value);
        QCOMPARE(preset.programName(), QStringLiteral("A11"));
        QVERIFY(!preset.isDocumentEdited() && preset.isNew());
    }

    // Every switch writes its bits, keeps the others, and is undone and redone byte for byte. Each row: the
    // switch, its byte before, the value set, its byte after.
    void switchSetters() {
        const QList<std::tuple<const char*, int, int, int>> rows{
            {"DCO_Range", 0xA9, 8, 0x2A}, // bit 7 cleared
            {"DCO_Range", 0x2A, 4, 0x2C},    {"DCO_Range", 0x2A, 16, 0x29},
            {"DCO_Range", 0x2C, 8, 0x2A}, // every other range bit cleared
            {"DCO_Pulse_ON", 0xAA, 0, 0x22}, {"DCO_Saw_ON", 0x2A, 1, 0x3A},
            {"chorusMode", 0x3A, 2, 0x1A},   {"chorusMode", 0x1A, 1, 0x5A},
            {"chorusMode", 0x5A, 0, 0x3A},   {"DCO_PWM_Mode", 0x1D, 1, 0x1C},
            {"DCO_PWM_Mode", 0x1C, 0, 0x1D}, {"DCO_PWM_Mode", 0x9D, 1, 0x1C}, // bit 7 cleared
            {"VCF_ENV_Mode", 0x1D, 0, 0x1F}, {"VCA_Mode", 0x9D, 1, 0x19},     // bit 7 cleared
            {"VCF_ENV_Mode", 0x9F, 1, 0x1D},                                  // bit 7 cleared
            {"HPF_Mode", 0x1D, 3, 0x05},     {"HPF_Mode", 0x05, 1, 0x15},
            {"HPF_Mode", 0xE5, 0, 0x3D}, // the noise bit kept, for every position
            {"HPF_Mode", 0xE5, 1, 0x35},     {"HPF_Mode", 0xE5, 2, 0x2D},
            {"MKS_Noise_ON", 0xDD, 1, 0x3D}, // bits 6-7 cleared
            {"MKS_Noise_ON", 0x1D, 5, 0x3D}, // any non-zero is on
            {"DCO_PWM_Mode", 0x9D, 0, 0x9D}, // the same mode leaves a stray bit 7
            {"DCO_Range", 0xAA, 8, 0xAA},
        };
        for (const auto& [name, before, value, after] : rows) {
            const QZPParameter* p = QZPParameter::named(QLatin1String(name));
            QZPPreset preset(message(withByte(p->byteIndex, quint8(before))));
            p->set(preset, value);
            QZP_VERIFY(preset.byteAtLocation(p->byteIndex) == after, name, before, value);
            QCOMPARE(preset.undoStack()->count(), before == after ? 0 : 1);
            if (before == after)
                continue;
            // Undo brings the byte back as it was, and with it the value.
            const QZPPreset original(message(withByte(p->byteIndex, quint8(before))));
            preset.undoStack()->undo();
            QCOMPARE(p->get(preset), p->get(original));
            preset.undoStack()->redo();
            QCOMPARE(int(preset.byteAtLocation(p->byteIndex)), after);
        }
    }

    // The patch as a value: framed and unframed byte for byte, a change reported only when the data
    // change, equal patches hashed alike.
    void patchValue() {
        const QByteArray data = QByteArray::fromHex("0102030405060708090A0B0C0D0E0F10291D");
        const QZPPatch patch(data);
        const QByteArray framed = patch.message(3, 0x45);
        QCOMPARE(framed, QByteArray::fromHex("F0413003450102030405060708090A0B0C0D0E0F10291DF7"));
        QCOMPARE(QZPPatch(framed), patch);
        QVERIFY(QZPPatch::problem(framed).isEmpty());
        QVERIFY(
            QZPPatch::problem(QByteArray(framed).replace(2, 1, "\x31")).isEmpty()); // the other Patch type
        QCOMPARE(QZPPatch().data(), QZPPreset::defaultPatchData());

        QZPPatch changed = patch;
        const QZPParameter& range = QZPParameter::of(Id::DCO_Range);
        const QZPParameter& noise = QZPParameter::of(Id::MKS_Noise_ON);
        const QZPParameter& cutoff = QZPParameter::of(Id::VCF_Cutoff);
        QCOMPARE(changed.value(range), 16);
        QVERIFY(!changed.setValue(range, 16) && changed.setValue(range, 4) && changed.setValue(noise, 7));
        QCOMPARE(changed.value(noise), 1);
        QVERIFY(!changed.setValue(cutoff, 6) && changed.setValue(cutoff, 100));
        QCOMPARE(changed.data().toHex(), QByteArray("0102030405640708090a0b0c0d0e0f102c3d"));
        QVERIFY(changed != patch);
        QCOMPARE(QSet<QZPPatch>({patch, QZPPatch(data), changed}).size(), 2);
    }

    // Every parameter of the table at both ends of its range: accepted, written and read back; a step
    // beyond either end refused. Sliders run 0–127, each in its byte of the instrument's patch.
    void everyParameterAtBothEnds() {
        const QStringList sliderBytes{"LFO_Rate",       "LFO_Delay",   "DCO_LFO",       "DCO_PWM",
                                      "DCO_NoiseLevel", "VCF_Cutoff",  "VCF_Resonance", "VCF_ENV",
                                      "VCF_LFO",        "VCF_KYBD",    "VCA_Level",     "ENV_Attack",
                                      "ENV_Decay",      "ENV_Sustain", "ENV_Release",   "DCO_SubLevel"};
        for (const QZPParameter& p : QZPParameter::all()) {
            const int low = p.minimum(), high = p.maximum();
            if (p.kind == QZPParameter::Kind::Slider) {
                QCOMPARE((QList<int>{low, high}), (QList<int>{0, 127}));
                QCOMPARE(p.byteIndex, sliderBytes.indexOf(QLatin1String(p.name)));
            }
            // Each entry answers to its identity and to its name.
            QCOMPARE(&QZPParameter::of(p.id), &p);
            QCOMPARE(QZPParameter::named(QLatin1String(p.name)), &p);
            QVERIFY2(p.weight > 0, p.name);
            QVERIFY2(p.accepts(low) && p.accepts(high) && !p.accepts(low - 1) && !p.accepts(high + 1),
                     p.name);
            for (const int value : {high, low}) {
                QZPPatch patch;
                patch.setValue(p, value);
                QCOMPARE(patch.value(p), value);
            }
        }
    }

    // Bytes the program never writes still read as a position: the switch, its byte, the value read.
    void switchGettersDecodeOddBytes() {
        const QList<std::tuple<const char*, int, int>> rows{
            {"DCO_Range", 0x28, 0}, {"DCO_Range", 0x2B, 5}, {"DCO_Range", 0x29, 16}, {"chorusMode", 0x60, 0},
            {"HPF_Mode", 0x07, 3},  {"HPF_Mode", 0x0F, 2},  {"VCA_Mode", 0x00, 1}};
        for (const auto& [name, byte, value] : rows) {
            const QZPParameter* p = QZPParameter::named(QLatin1String(name));
            QCOMPARE(p->get(QZPPreset(message(withByte(p->byteIndex, quint8(byte))))), value);
        }
    }

    // A switch value the instrument has no position for is refused with the condition it breaks, and the
    // preset is left untouched.
    void preconditions() {
        const QString range = "DCO_Range == 16 || DCO_Range == 8 || DCO_Range == 4";
        const QString chorus = "chorusMode == 0 || chorusMode == 1 || chorusMode == 2";
        const QList<std::tuple<const char*, int, QString>> rows{
            {"DCO_Range", 2, range},
            {"DCO_Pulse_ON", 2, "!DCO_Pulse_ON || DCO_Pulse_ON == YES"},
            {"DCO_Saw_ON", -1, "!DCO_Saw_ON || DCO_Saw_ON == YES"},
            {"chorusMode", 3, chorus},
            {"chorusMode", -1, chorus},
            {"DCO_PWM_Mode", 2, "DCO_PWM_Mode == 0 || DCO_PWM_Mode == 1"},
            {"VCF_ENV_Mode", -1, "VCF_ENV_Mode == 0 || VCF_ENV_Mode == 1"},
            {"VCA_Mode", 7, "VCA_Mode == 0 || VCA_Mode == 1"},
            {"HPF_Mode", 4, "HPF_Mode == 0 || HPF_Mode == 1 || HPF_Mode == 2 || HPF_Mode == 3"}};
        for (const auto& [name, value, condition] : rows) {
            QZPPreset preset;
            try {
                QZPParameter::named(QLatin1String(name))->set(preset, value);
                QFAIL(name);
            } catch (const QZPInvalidParameter& e) {
                QCOMPARE(QString::fromStdString(e.what()), "Invalid parameter not satisfying: " + condition);
            }
            QCOMPARE(preset.sysexData(), QZPPreset::defaultPatchData());
            QVERIFY(!preset.undoStack()->count());
        }
    }

    void byteAccessAndMessageLengthPreconditions() {
        QZPPreset preset;
        const auto expectThrow = [&](const std::function<void()>& call, const char* condition) {
            try {
                call();
                QFAIL("no exception");
            } catch (const QZPInvalidParameter& e) {
                QCOMPARE(QString::fromStdString(e.condition()), QString::fromLatin1(condition));
            }
        };
        expectThrow([&] { preset.setByte(1, 18); }, "index >= 0 && index < self.sysexData.length");
        expectThrow([&] { preset.byteAtLocation(18); }, "index >= 0 && index < self.sysexData.length");
        expectThrow([&] { preset.setJunoSysexData(QByteArray(23, 0)); }, "junoSysexData.length == 24");
        QCOMPARE(preset.sysexData(), QZPPreset::defaultPatchData());
        // A switch byte is written as it comes (the instrument's knob moves do so), and undone so.
        preset.setByte(0x45, QZPParameter::SwitchByte2);
        QCOMPARE(preset.byteAtLocation(QZPParameter::SwitchByte2), quint8(0x45));
        preset.undoStack()->undo();
        QCOMPARE(preset.sysexData(), QZPPreset::defaultPatchData());
    }

    // A whole patch taken as one named step is named also when the undo history is full (its index no
    // longer grows); the same patch again makes no step.
    void replacedPatchIsOneNamedStep() {
        QZPPreset preset;
        for (int n = 0; n < QZPDocument::UndoLimit + 1; ++n)
            preset.setValue(Id::VCF_Cutoff, quint8(n % 2 ? 10 : 20));
        QZPPatch other = preset.patch();
        other.setValue(QZPParameter::of(Id::ENV_Attack), 99);
        QVERIFY(preset.replacePatch(other, QStringLiteral("Mutate")));
        QCOMPARE(preset.undoStack()->undoText(), QStringLiteral("Mutate"));
        QVERIFY(!preset.replacePatch(other, QStringLiteral("Again")));
        QCOMPARE(preset.undoStack()->undoText(), QStringLiteral("Mutate"));
    }

    // The noise slider's rule holds for every change of its value: moved to its top it switches the MKS
    // noise on, anywhere else off; a value it already has touches nothing; one undo step restores both.
    void noiseSliderSwitchesTheMksNoise() {
        const QList<std::tuple<int, int, int, bool, int>> rows{
            // noise before, MKS before, noise set, changed, MKS after
            {0, 0, 127, true, 1}, {126, 0, 127, true, 1},  {127, 1, 126, true, 0}, {127, 1, 0, true, 0},
            {40, 1, 41, true, 0}, {127, 0, 127, false, 0}, {40, 1, 40, false, 1},  {0, 1, 127, true, 1},
        };
        for (const auto& [before, bit, value, changes, after] : rows) {
            QZPPatch patch;
            patch.setByte(int(Id::DCO_NoiseLevel), quint8(before));
            patch.setValue(Id::MKS_Noise_ON, bit);
            QZP_VERIFY(patch.setValue(Id::DCO_NoiseLevel, value) == changes, before, value);
            QZP_VERIFY(patch.value(Id::MKS_Noise_ON) == after, before, value);

            QZPPreset preset;
            preset.replacePatch(patch.message(0, 0), QStringLiteral("Paste"));
            preset.undoStack()->clear();
            const QByteArray start = preset.patch().data();
            preset.setValue(Id::DCO_NoiseLevel, value == 127 ? 0 : 127);
            QCOMPARE(preset.value(Id::MKS_Noise_ON), value == 127 ? 0 : 1);
            QCOMPARE(preset.undoStack()->count(), 1);
            preset.undoStack()->undo();
            QCOMPARE(preset.patch().data(), start);
        }
    }

    // Every control's undo step is named in words, as the panel prints it or, for a switch of signs, by
    // what it sets.
    void undoStepsAreNamedInWords() {
        for (const QZPParameter& p : QZPParameter::all()) {
            if (!p.section)
                continue;
            QZPPreset preset;
            const int other = p.kind == QZPParameter::Kind::Slider      ? 99
                              : p.values.first().value == p.get(preset) ? p.values.last().value
                                                                        : p.values.first().value;
            p.set(preset, other);
            const QString step = preset.undoStack()->undoText();
            QZP_VERIFY(step == p.panelName() && !step.contains(QLatin1Char('+')) && !step.contains(u'−'),
                       step);
        }
        QCOMPARE(QZPParameter::of(QZPParameterId::VCF_ENV_Mode).panelName(),
                 QStringLiteral("VCF ENV POLARITY"));
    }

    // The text form: every factory patch with its name (signs, quotes, other scripts) comes back whole,
    // also from inside a chat message ending in a full stop; bytes that cannot be a patch, a short or
    // broken word, and an overlong text give nothing.
    void patchesAsText() {
        QList<QZPPatchText::Entry> written;
        for (const QZPFactoryPatch& factory : qzpFactoryPatches())
            written.append({QZPPatch(factory.data), factory.name});
        written.append({QZPPatch(), QStringLiteral("Größe “Pad” ~ 1.5 <b>")});
        QStringList lines;
        for (const QZPPatchText::Entry& entry : written)
            lines << QZPPatchText::format(entry.patch, entry.name);
        const QString chat =
            QStringLiteral("Try these: ") + lines.join(QStringLiteral(", and\n")) + QStringLiteral(".");
        const QList<QZPPatchText::Entry> read = QZPPatchText::read(chat);
        QCOMPARE(read.size(), written.size());
        for (qsizetype i = 0; i < read.size(); ++i)
            QZP_VERIFY(read[i].patch == written[i].patch && read[i].name == written[i].name, written[i].name,
                       read[i].name);
        for (const QString& text :
             {QStringLiteral("JU106:80") + QString(34, QLatin1Char('0')) + QStringLiteral(":X"),
              QStringLiteral("JU106:00:X"),
              QStringLiteral("JU106:") + QString(36, QLatin1Char('g')) + QStringLiteral(":X"),
              QStringLiteral("JU106:") + QString(36, QLatin1Char('0')),
              lines.first() + QString(QZPPatchText::MaximumTextLength, QLatin1Char(' '))})
            QZP_VERIFY(QZPPatchText::read(text).isEmpty(), text.left(60));
    }

    void slidersAreUndoable() {
        for (const QZPParameter& p : QZPParameter::all()) {
            if (p.kind != QZPParameter::Kind::Slider)
                continue;
            QZPPreset preset;
            const int old = p.get(preset);
            p.set(preset, old);
            QCOMPARE(preset.undoStack()->count(), 0);
            p.set(preset, 99);
            QCOMPARE(int(preset.byteAtLocation(p.byteIndex)), 99);
            QVERIFY(preset.isDocumentEdited());
            preset.undoStack()->undo();
            QCOMPARE(p.get(preset), old);
            QVERIFY(!preset.isDocumentEdited());
            preset.undoStack()->redo();
            QCOMPARE(p.get(preset), 99);
        }
    }

    // The Patch message sent: the channel given, the dynamics byte of the settings.
    void patchMessageCarriesChannelAndDynamics() {
        for (const auto& [amplifier, filter, dynamicsByte] :
             {std::tuple{true, true, 0x60}, {true, false, 0x20}, {false, true, 0x40}, {false, false, 0x00}}) {
            QZPSettings::standard()->setValue(QZPSettings::DynamicsAmplifierKey, amplifier);
            QZPSettings::standard()->setValue(QZPSettings::DynamicsFilterKey, filter);
            QZPPreset preset(message(QZPPreset::defaultPatchData(), 3, 0x2A));
            QCOMPARE(preset.junoSysexDataWithMidiChannel(5),
                     message(QZPPreset::defaultPatchData(), 5, quint8(dynamicsByte)));
        }
    }

    void applyingAPatchMessage() {
        const QByteArray first = withByte(3, 0x44);
        QZPPreset preset(message(first, 2, 9));
        NotificationLog log(&preset);

        // The same 18 bytes change nothing, not even the channel and program.
        preset.setJunoSysexData(message(first, 7, 100));
        QCOMPARE(preset.programByte(), quint8(9));
        QCOMPARE(preset.associatedMIDIChannel(), quint8(2));
        QVERIFY(log.types.isEmpty());
        QCOMPARE(preset.undoStack()->count(), 0);

        const QByteArray other = withByte(0, 0x33);
        preset.setJunoSysexData(message(other, 7, 100));
        QCOMPARE(preset.sysexData(), other);
        QCOMPARE(preset.programByte(), quint8(100));
        QCOMPARE(preset.associatedMIDIChannel(), quint8(7));
        QCOMPARE(log.types, (QList<int>{int(QZPPreset::Change::PatchReplaced), QZPDocument::ChangeDone}));

        // The inverse was built as the message would be sent: channel 0 and the dynamics byte.
        preset.undoStack()->undo();
        QCOMPARE(preset.sysexData(), first);
        QCOMPARE(preset.associatedMIDIChannel(), quint8(0));
        QCOMPARE(preset.programByte(), quint8(0x60));
        preset.undoStack()->redo();
        QCOMPARE(preset.sysexData(), other);

        // Without undo and notification: silent and not undoable.
        log.types.clear();
        preset.setJunoSysexData(message(withByte(1, 1)), false, false);
        QVERIFY(log.types.isEmpty());
        QCOMPARE(preset.undoStack()->index(), 1);
    }

    // The program byte as the instrument's bank, group and number.
    // Two patches compared, parameter by parameter in table order, worded as the panel prints them.
    void differences() {
        const QZPPatch a;
        QZPPatch b;
        for (const auto& [name, value] : {std::pair{"chorusMode", 2}, {"VCF_Cutoff", 90}, {"DCO_Saw_ON", 1}})
            b.setValue(*QZPParameter::named(QString::fromLatin1(name)), value);
        QCOMPARE(QZPPatchDifference::describe(QZPPatchDifference::between(a, b)),
                 QStringLiteral("VCF FREQ 127 → 90, DCO WAVE Saw off → on, CHORUS MODE OFF → II"));
        QVERIFY(QZPPatchDifference::between(b, b).isEmpty());
        QZPPatch noisy = a;
        noisy.setValue(QZPParameter::of(Id::MKS_Noise_ON), 1);
        QCOMPARE(QZPPatchDifference::describe(QZPPatchDifference::between(a, noisy)),
                 QStringLiteral("MKS NOISE off → on"));
    }

    // Between two patches: sliders on the line (rounded), switches b's from half-way on; the ends are the
    // two patches byte for byte, and an amount out of range is held to them.
    void morph() {
        QZPPatch a, b;
        b.setValue(QZPParameter::of(Id::VCF_Cutoff), 90);
        b.setValue(QZPParameter::of(Id::chorusMode), 2);
        b.setValue(QZPParameter::of(Id::DCO_Range), 16);
        const QZPParameter& cutoff = QZPParameter::of(Id::VCF_Cutoff);
        const QZPParameter& chorus = QZPParameter::of(Id::chorusMode);
        for (const auto& [amount, frequency, mode] :
             QList<std::tuple<double, int, int>>{{0, 127, 0},
                                                 {0.25, 118, 0},
                                                 {0.49, 109, 0},
                                                 {0.5, 109, 2},
                                                 {1, 90, 2},
                                                 {-1, 127, 0},
                                                 {2, 90, 2},
                                                 {std::nan(""), 127, 0}}) {
            const QZPPatch between = QZPPatchMorph::between(a, b, amount);
            QZP_VERIFY(between.value(cutoff) == frequency && between.value(chorus) == mode, amount,
                       between.value(cutoff), between.value(chorus));
            QVERIFY(QZPPatch::problem(between.data()).isEmpty());
        }
        QCOMPARE(QZPPatchMorph::between(a, b, 0).data(), a.data());
        QCOMPARE(QZPPatchMorph::between(a, b, 1).data(), b.data());
    }

    // A mutation is the seed's: the same seed and amount give the same patch; an amount of 0 changes
    // nothing; each slider moves within the amount; a lock keeps its parameter and changes no other;
    // randomising reaches far and never writes a byte the instrument cannot take.
    void mutation() {
        const QZPPatch start;
        QCOMPARE(QZPPatchMutation(7).apply(start, 0.3).data(), QZPPatchMutation(7).apply(start, 0.3).data());
        QVERIFY(QZPPatchMutation(7).apply(start, 0.3).data() != QZPPatchMutation(8).apply(start, 0.3).data());
        QCOMPARE(QZPPatchMutation(7).apply(start, 0).data(), start.data());
        const QZPParameter& cutoff = QZPParameter::of(Id::VCF_Cutoff);
        const QZPParameter& noise = QZPParameter::of(Id::MKS_Noise_ON);
        int moved = 0, far = 0;
        for (quint64 seed = 0; seed < 200; ++seed) {
            const QZPPatch small = QZPPatchMutation(seed).apply(start, 0.1);
            for (const QZPParameter& parameter : QZPParameter::all())
                if (parameter.kind == QZPParameter::Kind::Slider)
                    QZP_VERIFY(std::abs(small.value(parameter) - start.value(parameter)) <= 13,
                               parameter.name, seed);
            moved += small.data() != start.data();
            const QZPPatch locked = QZPPatchMutation(seed).apply(start, 0.5, {QStringLiteral("VCF_Cutoff")});
            QZPPatch unlocked = QZPPatchMutation(seed).apply(start, 0.5);
            QCOMPARE(locked.value(cutoff), start.value(cutoff));
            unlocked.setValue(cutoff, start.value(cutoff));
            QCOMPARE(locked.data(), unlocked.data());
            const QZPPatch random = QZPPatchMutation(seed).apply(start, 1);
            // The MKS noise has no control of its own: it follows the noise slider, on at its top.
            QVERIFY(QZPPatch::problem(random.data()).isEmpty());
            QCOMPARE(random.value(noise), random.value(Id::DCO_NoiseLevel) == 127 ? 1 : 0);
            far += random.value(cutoff) < 64;
        }
        QVERIFY(moved == 200 && far > 70 && far < 130);
    }

    // The distance between patches: 0 for equal ones, 1 for patches apart in everything, a character
    // switch or the cutoff farther than a fine level; duplicates are grouped by equal switches and sliders
    // within the tolerance of the group's first.
    void distanceAndDuplicates() {
        QZPPatch low, high;
        for (const QZPParameter& parameter : QZPParameter::all()) {
            const bool slider = parameter.kind == QZPParameter::Kind::Slider;
            low.setValue(parameter, slider ? 0 : parameter.values.first().value);
            high.setValue(parameter, slider ? 127 : parameter.values.last().value);
        }
        QCOMPARE(QZPPatchDistance::between(low, low), 0.0);
        QCOMPARE(QZPPatchDistance::between(low, high), 1.0);
        const auto changed = [&low](const char* name, int value) {
            QZPPatch patch = low;
            patch.setValue(*QZPParameter::named(QString::fromLatin1(name)), value);
            return QZPPatchDistance::between(low, patch);
        };
        QVERIFY(changed("DCO_Range", 4) > changed("LFO_Rate", 127) &&
                changed("VCF_Cutoff", 127) > changed("VCA_Level", 127));
        QCOMPARE(changed("VCF_Cutoff", 64), changed("VCF_Cutoff", 127) * 64 / 127);

        QZPPatch nudged = low, other = low;
        nudged.setValue(QZPParameter::of(Id::VCF_Cutoff), 5);
        other.setValue(QZPParameter::of(Id::chorusMode), 2);
        const QList<QZPPatch> patches{low, low, nudged, other, other, high};
        for (const auto& [tolerance, groups] :
             QList<std::pair<int, QList<QList<qsizetype>>>>{{0, {{0, 1}, {3, 4}}},
                                                            {4, {{0, 1}, {3, 4}}},
                                                            {5, {{0, 1, 2}, {3, 4}}},
                                                            {127, {{0, 1, 2}, {3, 4}}}})
            QCOMPARE(QZPPatchDistance::duplicateGroups(patches, tolerance), groups);
    }

    // The ranking: best first, equal distances in the candidates' order, a candidate without a patch left
    // out, no more than asked for and no fewer than there are.
    void rankingByDistance() {
        QList<QZPPatch> patches(6);
        const QList<int> cutoffs{127, 40, 100, 40, 127, 0};
        for (qsizetype i = 0; i < patches.size(); ++i)
            patches[i].setValue(Id::VCF_Cutoff, cutoffs.at(i));
        const QZPPatch target;
        const auto bytes = [](const QZPPatch& patch) {
            return reinterpret_cast<const unsigned char*>(patch.data().constData());
        };
        const auto rank = [&](qsizetype count) {
            QList<qsizetype> order;
            for (const QZPPatchRanking::Entry& entry : QZPPatchRanking::closest(
                     bytes(target), patches.size(),
                     [&](qsizetype i) { return i == 4 ? nullptr : bytes(patches.at(i)); }, count))
                order << entry.index;
            return order;
        };
        for (const auto& [count, expected] : QList<std::pair<qsizetype, QList<qsizetype>>>{
                 {10, {0, 2, 1, 3, 5}}, {3, {0, 2, 1}}, {1, {0}}, {0, {}}, {-1, {}}})
            QZP_VERIFY(rank(count) == expected, count);
        const QList<QZPPatchRanking::Entry> best = QZPPatchRanking::closest(
            bytes(target), patches.size(), [&](qsizetype i) { return bytes(patches.at(i)); }, 6);
        QCOMPARE(best.first().distance, 0.0);
        for (qsizetype i = 1; i < best.size(); ++i)
            QVERIFY(best.at(i - 1).distance <= best.at(i).distance);
    }

    // Filter words: each valid query with the name text it leaves and which of two patches it matches
    // (a bright saw with chorus II at 16' gated through HPF 0, and a dark pulse with the sub, chorus off
    // and HPF 2); a value a parameter cannot take makes the query invalid and it matches neither.
    void patchQueries() {
        QZPPatch bright, dark;
        for (const auto& [name, first, second] : {std::tuple{"VCF_Cutoff", 100, 30},
                                                  {"VCF_Resonance", 110, 0},
                                                  {"DCO_Saw_ON", 1, 0},
                                                  {"DCO_Pulse_ON", 0, 1},
                                                  {"chorusMode", 2, 0},
                                                  {"DCO_Range", 16, 8},
                                                  {"VCA_Mode", 0, 1},
                                                  {"HPF_Mode", 0, 2},
                                                  {"DCO_SubLevel", 0, 50},
                                                  {"VCF_ENV", 80, 10}}) {
            bright.setValue(*QZPParameter::named(QString::fromLatin1(name)), first);
            dark.setValue(*QZPParameter::named(QString::fromLatin1(name)), second);
        }
        for (const auto& [text, nameText, matchesBright, matchesDark] :
             {std::tuple{"vcf>90", "", true, false},
              {"VCF_Cutoff>=100", "", true, false},
              {"VCF_FREQ<=30", "", false, true},
              {"freq<31", "", false, true},
              {"res>=100", "", true, false},
              {"chorus:2", "", true, false},
              {"Chorus:ii", "", true, false},
              {"chorus:off", "", false, true},
              {"saw", "", true, false},
              {"pulse", "", false, true},
              {"sub>0", "", false, true},
              {"range:16", "", true, false},
              {"range=16'", "", true, false},
              {"env:gate", "", true, false},
              {"env:env", "", false, true}, // both words of a two-word label name a value
              {"ENV:GATE", "", true, false},
              {"env>50", "", true, false},
              {"hpf:0", "", true, false},
              {"hpf!=0", "", false, true},
              {"bass pulse vcf<40 chorus:off", "bass", false, true},
              {"warm  pad", "warm pad", true, true},
              {">3 Pad:2", ">3 Pad:2", true, true}}) {
            const QZPPatchQuery query = QZPPatchQuery::parse(QString::fromUtf8(text));
            QVERIFY2(query.isValid(), text);
            QCOMPARE(query.nameText(), QString::fromUtf8(nameText));
            QCOMPARE(query.matches(bright), matchesBright);
            QCOMPARE(query.matches(dark), matchesDark);
        }
        for (const auto& [text, problem] :
             {std::pair{"vcf>300", "VCF FREQ takes 0–127, not “300”."},
              {"saw chorus:III", "CHORUS MODE takes OFF, I, II, not “III”."},
              {"env:maybe", "VCF ENV takes 0–127, not “maybe”."},
              {"cutof>50", "No parameter “cutof”: VCF FREQ is vcf or cutoff."},
              {"resonanse>3", "No parameter “resonanse”: VCF RES is resonance."},
              {"foo>3", "No parameter “foo”."},
              {"pad vcf>", "“vcf>” needs a value: VCF FREQ takes 0–127."},
              {"Cutof:3", "No parameter “Cutof”: VCF FREQ is vcf or cutoff."},
              {"lfo>50", "“lfo” may be DCO LFO or VCF LFO: write dcolfo or vcflfo."},
              {"env:1", "“env” may be VCF ENV or VCA ENV GATE: write vcfenv or vcaenvgate."}}) {
            const QZPPatchQuery query = QZPPatchQuery::parse(QString::fromUtf8(text));
            QCOMPARE(query.problem(), QString::fromUtf8(problem));
            QVERIFY(!query.matches(bright) && !query.matches(dark));
        }
        QVERIFY(QZPPatchQuery::vocabulary().contains(QStringLiteral("VCF FREQ: vcf, cutoff, vcfcutoff")));

        // The library's marks: `fav` and tags, each tag once and without its '#' or case.
        const QZPPatchQuery marked = QZPPatchQuery::parse(QStringLiteral("fav #Pad saw #pad # lead"));
        QVERIFY(marked.wantsFavourite() && marked.tags() == QStringList{"pad"} &&
                marked.nameText() == "# lead");
        QVERIFY(marked.matchesMarks(true, {"warm", "pad"}) && !marked.matchesMarks(false, {"pad"}) &&
                !marked.matchesMarks(true, {"warm"}));
    }

    // The panel's 0–10, percent and the stored byte: what a byte reads as, and which bytes a typed value
    // holds for, at the edges where rounding decides.
    void valueScales() {
        using Scale = QZPValueScale;
        for (const auto& [kind, byte, text] : {std::tuple{Scale::Panel, 0, "0.0"},
                                               {Scale::Panel, 95, "7.5"},
                                               {Scale::Panel, 96, "7.6"},
                                               {Scale::Panel, 127, "10.0"},
                                               {Scale::Percent, 63, "50 %"},
                                               {Scale::Percent, 64, "50 %"},
                                               {Scale::Percent, 127, "100 %"},
                                               {Scale::Byte, 90, "90"}})
            QCOMPARE(Scale(kind).text(byte), QString::fromUtf8(text));
        // The words a scale reads, and the bytes of VCF FREQ each query holds for.
        const auto holding = [](const QZPPatchQuery& query) {
            QList<int> bytes;
            for (int byte = 0; byte < 128; ++byte)
                if (query.conditions().first().holdsFor(byte))
                    bytes << byte;
            return bytes;
        };
        for (const auto& [kind, text, first, last] : {std::tuple{Scale::Panel, "vcf>7.5", 96, 127},
                                                      {Scale::Panel, "vcf>=7.5", 95, 127},
                                                      {Scale::Panel, "vcf:7.5", 95, 95},
                                                      {Scale::Panel, "vcf<0.1", 0, 0},
                                                      {Scale::Panel, "vcf>=10", 127, 127},
                                                      {Scale::Percent, "vcf:50", 63, 64},
                                                      {Scale::Percent, "vcf>=50%", 63, 127},
                                                      {Scale::Byte, "vcf>90", 91, 127}}) {
            const QZPPatchQuery query = QZPPatchQuery::parse(QString::fromUtf8(text), Scale(kind));
            QVERIFY2(query.isValid(), text);
            const QList<int> bytes = holding(query);
            QVERIFY2(!bytes.isEmpty() && bytes.first() == first && bytes.last() == last &&
                         bytes.size() == last - first + 1,
                     text);
        }
        // A switch keeps its own values on every scale; a slider's value out of the scale's range is said.
        QVERIFY(QZPPatchQuery::parse(QStringLiteral("range:16 chorus:2"), Scale::Panel).isValid());
        for (const auto& [kind, text, problem] :
             {std::tuple{Scale::Panel, "vcf>11", "VCF FREQ takes 0–10, not “11”."},
              {Scale::Percent, "vcf>101", "VCF FREQ takes 0–100 %, not “101”."},
              {Scale::Byte, "vcf>7.5", "VCF FREQ takes 0–127, not “7.5”."},
              {Scale::Panel, "vcf>nan", "VCF FREQ takes 0–10, not “nan”."}})
            QCOMPARE(QZPPatchQuery::parse(QString::fromUtf8(text), Scale(kind)).problem(),
                     QString::fromUtf8(problem));
        QVERIFY(QZPPatchQuery::vocabulary(Scale::Panel).contains(QStringLiteral("(0–10)")));
    }

    // The envelope's stages as drawn: full level at the attack time, the sustain after the decay's time,
    // silence (0.1 %) after the release's; a key let go during the attack falls from where it was.
    void voiceLaw() {
        using Law = QZPVoiceLaw;
        const float a = Law::attackSeconds(0.5f), d = Law::decaySeconds(0.5f), r = Law::releaseSeconds(0.5f);
        // The ends of each slider: 1.5 ms at the bottom; 3 s of attack, 12 s of decay and release at the top.
        QVERIFY(qAbs(Law::attackSeconds(0) - Law::ShortestSeconds) < 1e-6f && Law::attackSeconds(1) == 3.0f &&
                Law::decaySeconds(1) == 12.0f && Law::releaseSeconds(1) == 12.0f);
        for (const auto& [seconds, held, level] : {std::tuple{0.0f, 100.0f, 0.0f},
                                                   {a, 100.0f, 1.0f},
                                                   {a + d, 100.0f, 0.4f},
                                                   {100.0f, 100.0f, 0.4f},
                                                   {100.0f + r, 100.0f, 0.0004f},
                                                   {a / 2 + r, a / 2, 0.0f}})
            QVERIFY2(qAbs(Law::envelopeLevel(seconds, held, a, d, 0.4f, r) - level) < 2e-3f,
                     qPrintable(QStringLiteral("%1 s held %2 s").arg(seconds).arg(held)));
        QVERIFY(Law::envelopeLevel(a / 2, 100, a, d, 0.4f, r) > 0.5f);
        QVERIFY(qAbs(Law::lfoHz(0) - 0.1f) < 1e-6f && Law::lfoHz(1) > 19 && Law::lfoHz(1) < 20);
    }

    void programNames() {
        for (const auto& [byte, name, number] : {std::tuple{0, "A11", 11},
                                                 {9, "A22", 22},
                                                 {0x2A, "A63", 63},
                                                 {63, "A88", 88},
                                                 {64, "B11", 11},
                                                 {127, "B88", 88}}) {
            QCOMPARE(QZPPreset::programNameForByte(quint8(byte)), QLatin1String(name));
            QCOMPARE(QZPPreset::programNumberForByte(quint8(byte)), number);
            QCOMPARE(QZPPreset::programNameForData(message(QZPPreset::defaultPatchData(), 0, quint8(byte))),
                     QLatin1String(name));
        }
    }

    void changeNotificationsAndGrouping() {
        QZPPreset preset;
        NotificationLog log(&preset);
        preset.setValue(Id::VCF_Cutoff, 10);
        preset.undoStack()->undo();
        preset.undoStack()->redo();
        QCOMPARE(log.types,
                 (QList<int>{QZPDocument::ChangeDone, QZPDocument::ChangeUndone, QZPDocument::ChangeRedone}));

        // One gesture, one step; an empty gesture leaves none.
        preset.beginUndoGrouping();
        preset.setValue(Id::VCF_Cutoff, 20);
        preset.setValue(Id::VCF_Cutoff, 30);
        preset.setValue(Id::chorusMode, 2);
        preset.endUndoGrouping();
        preset.beginUndoGrouping();
        preset.endUndoGrouping();
        QCOMPARE(preset.undoStack()->count(), 2);
        log.types.clear();
        preset.undoStack()->undo();
        QCOMPARE(log.types, QList<int>{QZPDocument::ChangeUndone});
        QCOMPARE(preset.value(Id::VCF_Cutoff), 10);
        QCOMPARE(preset.value(Id::chorusMode), 0);
        preset.undoStack()->redo();
        QCOMPARE(preset.value(Id::VCF_Cutoff), 30);
        QCOMPARE(preset.value(Id::chorusMode), 2);
    }
};

QZP_TEST_MAIN(TestPreset)
#include "tst_preset.moc"
