// SPDX-License-Identifier: GPL-3.0-or-later
#include "QZPFactoryPatches.h"
#include "QZPTestMain.h"
#include "library/QZPPresetList.h"
#include "midi/QZPMidiEngine.h"
#include "midi/backends/QZPVirtualMidiBackend.h"
#include "model/QZPError.h"
#include "model/QZPParameter.h"
#include "model/QZPPreset.h"
#include "sound/QZPSoundAnalysis.h"
#include "sound/QZPSoundEngine.h"
#include "sound/QZPSoundFilterBank.h"
#include "sound/QZPSoundMidiBackend.h"
#include "sound/QZPSoundOscillator.h"
#include "sound/QZPSoundRenderer.h"

#include <atomic>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <new>

// Allocation counting for the real-time test: while the flag is up, every allocation on any thread is
// counted (the engine's process() must make none).
// Every plain and no-throw form of the allocation functions is replaced, so none of the runtime's is
// mixed with these (the over-aligned forms stay the runtime's, pairs of their own).
namespace {
std::atomic<bool> countAllocations{false};
std::atomic<int> allocations{0};

void* counted(std::size_t size) {
    if (countAllocations.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
} // namespace

void* operator new(std::size_t size) {
    if (void* memory = counted(size))
        return memory;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return counted(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return counted(size);
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}

namespace {

constexpr int Rate = 48000;

// A patch from the defaults with the named parameters changed, through the program's parameter table.
QByteArray patchWith(const QList<std::pair<const char*, int>>& changes) {
    QZPPreset preset;
    // A plain, open sound unless a test says otherwise: square wave, filter open, no envelope on it,
    // full sustain, quick attack and release, chorus off.
    const QList<std::pair<const char*, int>> base{
        {"DCO_Pulse_ON", 1},   {"DCO_Saw_ON", 0},    {"DCO_PWM", 0},       {"DCO_SubLevel", 0},
        {"DCO_NoiseLevel", 0}, {"VCF_Cutoff", 127},  {"VCF_Resonance", 0}, {"VCF_ENV", 0},
        {"VCF_LFO", 0},        {"VCF_KYBD", 0},      {"DCO_LFO", 0},       {"ENV_Attack", 0},
        {"ENV_Decay", 0},      {"ENV_Sustain", 127}, {"ENV_Release", 0},   {"VCA_Level", 64},
        {"chorusMode", 0},     {"VCA_Mode", 1},      {"HPF_Mode", 1},      {"DCO_Range", 8}};
    for (const auto& list : {base, changes})
        for (const auto& [name, value] : list)
            QZPParameter::named(QString::fromLatin1(name))->set(preset, value);
    return preset.junoSysexDataWithMidiChannel(0);
}

// Measures at the renders' rate.
const QZPSoundAnalysis measure(Rate);

} // namespace

class TestSound : public QObject {
    Q_OBJECT

private slots:
    // Each range is in tune within a cent: A4 at 16', 8' and 4'.
    void pitchOfEachRange() {
        for (const auto& [range, hz] : {std::pair{16, 220.0}, {8, 440.0}, {4, 880.0}}) {
            const auto samples =
                QZPSoundRenderer::render(patchWith({{"DCO_Range", range}}), {{69, 0, 1.2, 100}}, 1.2, Rate);
            const double measured = measure.frequency(measure.channel(samples, 0, 0.2, 1.1));
            QZP_VERIFY(std::fabs(1200 * std::log2(measured / hz)) < 1.0, range, measured);
        }
    }

    // The top of the keyboard, C8 at 8' and 4': every alias (what folds back from above half the sample
    // rate and falls between the harmonics) stays 60 dB under the fundamental, for the saw, the square
    // and a narrow pulse (the loudest was 30 dB under).
    void highNotesAreBandLimited() {
        for (const auto& [range, saw, width] :
             {std::tuple{8, 1, 0}, std::tuple{4, 1, 0}, std::tuple{8, 0, 0}, std::tuple{4, 0, 0},
              std::tuple{8, 0, 127}, std::tuple{4, 0, 127}}) {
            const auto samples = QZPSoundRenderer::render(
                patchWith(
                    {{"DCO_Range", range}, {"DCO_Saw_ON", saw}, {"DCO_Pulse_ON", !saw}, {"DCO_PWM", width}}),
                {{108, 0, 1, 100}}, 1, Rate);
            const auto magnitude = measure.spectrum(measure.channel(samples, 0, 0.3));
            const double fundamental = 440 * std::exp2((108 - 69 + (range == 4 ? 12 : 0)) / 12.0);
            double top = 0, alias = 0;
            for (size_t i = size_t(100 / measure.binHz()); i < magnitude.size(); ++i) {
                const double hz = double(i) * measure.binHz();
                const double k = std::round(hz / fundamental);
                if (std::fabs(hz - fundamental) < 30)
                    top = std::max(top, magnitude[i]);
                else if (k < 1 || std::fabs(hz - k * fundamental) > 60)
                    alias = std::max(alias, magnitude[i]);
            }
            const double db = 20 * std::log10(alias / top);
            QZP_VERIFY(db < -60, range, saw, width, db);
        }
    }

    // Below the top of the keyboard the waveforms are what they were: a C5 saw's harmonics up to 16 kHz
    // are an ideal saw's (1 / πk of its swing) within 0.05 dB.
    void sawHarmonicsBelowTheTop() {
        QZPSoundOscillator oscillator;
        const double f0 = 440 * std::exp2(3 / 12.0);
        std::vector<float> x(Rate);
        for (size_t first = 0; first < x.size(); first += 16)
            oscillator.render(x.data() + first, 16, f0 / Rate, 0.5, 1, 0, 0);
        const int first = Rate / 10, length = Rate - first;
        for (int k = 1; k * f0 < 16000; ++k) {
            std::complex<double> sum = 0;
            for (int n = first; n < Rate; ++n)
                sum += (0.5 - 0.5 * std::cos(2 * M_PI * (n - first) / length)) * x[size_t(n)] *
                       std::polar(1.0, -2 * M_PI * k * f0 * n / Rate);
            const double db = 20 * std::log10(4 * std::abs(sum) / length * M_PI * k);
            QZP_VERIFY(std::fabs(db) < 0.05, k, db);
        }
    }

    // The sub-oscillator adds energy an octave below the note.
    void subOscillatorAddsTheOctaveBelow() {
        const auto without = measure.spectrum(
            measure.channel(QZPSoundRenderer::render(patchWith({}), {{57, 0, 1, 100}}, 1, Rate), 0, 0.3));
        const auto with = measure.spectrum(measure.channel(
            QZPSoundRenderer::render(patchWith({{"DCO_SubLevel", 127}}), {{57, 0, 1, 100}}, 1, Rate), 0,
            0.3));
        QVERIFY(measure.energyNear(with, 110) > 100 * measure.energyNear(without, 110));
        QVERIFY(measure.energyNear(with, 55) <
                0.01 * measure.energyNear(with, 110)); // one octave down, not two
    }

    // Opening the filter brightens the sound step by step; full resonance peaks near the cutoff and
    // stays bounded.
    // The filter envelope opens the filter when normal and closes it when inverted; the LFO swings the
    // pitch evenly either side of the note.
    void envelopeAndLfoDirections() {
        QList<double> brightness;
        for (const int mode : {0, 1})
            brightness << measure.centroid(measure.spectrum(measure.channel(
                QZPSoundRenderer::render(
                    patchWith(
                        {{"DCO_Saw_ON", 1}, {"VCF_Cutoff", 60}, {"VCF_ENV", 100}, {"VCF_ENV_Mode", mode}}),
                    {{45, 0, 1, 100}}, 1, Rate),
                0, 0.3)));
        QZP_VERIFY(brightness.at(1) > 1.5 * brightness.at(0), brightness.at(1), brightness.at(0));
        const auto vibrato =
            measure.channel(QZPSoundRenderer::render(patchWith({{"DCO_LFO", 100}, {"LFO_Rate", 60}}),
                                                     {{57, 0, 3, 100}}, 3, Rate),
                            0, 0.5, 3);
        const std::vector<double> t = measure.upwardCrossings(vibrato);
        double lowest = 1e9, highest = 0;
        for (size_t i = 1; i < t.size(); ++i) {
            lowest = std::min(lowest, Rate / (t[i] - t[i - 1]));
            highest = std::max(highest, Rate / (t[i] - t[i - 1]));
        }
        const double up = std::log2(highest / 220), down = std::log2(220 / lowest);
        QZP_VERIFY(up > 0.01 && std::fabs(up - down) < 0.2 * up, up, down);
    }

    void filter() {
        double previous = 0;
        for (int cutoff = 0; cutoff <= 127; cutoff += 16) {
            const auto samples = QZPSoundRenderer::render(
                patchWith({{"DCO_Saw_ON", 1}, {"DCO_Pulse_ON", 0}, {"VCF_Cutoff", std::min(cutoff, 127)}}),
                {{45, 0, 1, 100}}, 1, Rate);
            const double brightness = measure.centroid(measure.spectrum(measure.channel(samples, 0, 0.3)));
            QZP_VERIFY(brightness > previous, cutoff, brightness);
            previous = brightness;
        }
        const auto ringing = QZPSoundRenderer::render(
            patchWith({{"DCO_Saw_ON", 1}, {"DCO_Pulse_ON", 0}, {"VCF_Cutoff", 64}, {"VCF_Resonance", 127}}),
            {{33, 0, 2, 127}}, 2, Rate);
        const auto magnitude = measure.spectrum(measure.channel(ringing, 0, 0.5));
        const size_t top =
            size_t(std::max_element(magnitude.begin() + 1, magnitude.end()) - magnitude.begin());
        const double cutoffHz = 20 * std::exp2(10 * 64 / 127.0);
        QZP_VERIFY(std::fabs(std::log2(double(top) * measure.binHz() / cutoffHz)) < 0.5,
                   double(top) * measure.binHz(), cutoffHz);
        QVERIFY(measure.peak(measure.channel(ringing, 0)) < 2.0);
        for (const float v : ringing)
            QVERIFY(std::isfinite(v));

        // The filter's frequency warping, tan(π f / rate), comes from a table: the cutoff it stands for is
        // within 0.05 cent of the one asked for, over the cutoff's whole range at any rate.
        for (double octaves = std::log2(10.0 / 192000); octaves < std::log2(0.45); octaves += 0.0131) {
            const double cents = 1200 * std::log2(std::atan(QZPSoundFilterBank::warp(float(octaves))) / M_PI /
                                                  std::exp2(octaves));
            QZP_VERIFY(std::fabs(cents) < 0.05, octaves, cents);
        }

        // Full resonance takes some of the bass, as the instrument's does: the fundamental of a low note
        // well below the cutoff drops by about 6 dB (it dropped by 14 dB), not by nothing.
        const auto fundamental = [&](int resonance) {
            return measure.energyNear(
                measure.spectrum(measure.channel(
                    QZPSoundRenderer::render(patchWith({{"VCF_Cutoff", 90}, {"VCF_Resonance", resonance}}),
                                             {{33, 0, 1, 100}}, 1, Rate),
                    0, 0.3)),
                55);
        };
        const double bassLoss = 10 * std::log10(fundamental(0) / fundamental(127));
        QZP_VERIFY(bassLoss > 3 && bassLoss < 9, bassLoss);

        // The HPF on the same note's fundamental: position 0 lifts it, 1 leaves it, 2 and 3 cut it more
        // and more.
        QList<double> lows;
        for (const int position : {0, 1, 2, 3})
            lows << measure.energyNear(
                measure.spectrum(measure.channel(
                    QZPSoundRenderer::render(patchWith({{"VCF_Cutoff", 90}, {"HPF_Mode", position}}),
                                             {{33, 0, 1, 100}}, 1, Rate),
                    0, 0.3)),
                55);
        QZP_VERIFY(lows[0] > 1.5 * lows[1] && lows[1] > 4 * lows[2] && lows[2] > 4 * lows[3], lows[0],
                   lows[1], lows[2], lows[3]);
    }

    // What the instrument's analog path does that plain arithmetic does not: the output is AC-coupled (a
    // held note's mean stays near 0, also a narrow pulse and one under a closed filter), the filter rings
    // by itself at full resonance from its own noise floor (far below hearing otherwise), and each voice's
    // noise is its own (six notes are √6 louder than one, 7.8 dB, not 6 times, 15.6 dB).
    void analogPath() {
        const auto rms = [](const std::vector<float>& x) {
            double sum = 0;
            for (const float v : x)
                sum += double(v) * v;
            return std::sqrt(sum / double(std::max<size_t>(x.size(), 1)));
        };
        for (const auto& changes :
             {QList<std::pair<const char*, int>>{{"DCO_PWM", 127}},
              QList<std::pair<const char*, int>>{{"DCO_PWM", 127}, {"VCF_Cutoff", 0}}}) {
            const auto held = measure.channel(
                QZPSoundRenderer::render(patchWith(changes), {{45, 0, 1, 100}}, 1, Rate), 0, 0.4);
            const double mean = measure.mean(held);
            QZP_VERIFY(std::fabs(mean) < 0.05 * measure.peak(held), mean, measure.peak(held));
        }

        const QList<std::pair<const char*, int>> nothing{{"DCO_Pulse_ON", 0}, {"VCF_Cutoff", 64}};
        const auto whistle = measure.channel(
            QZPSoundRenderer::render(
                patchWith(nothing + QList<std::pair<const char*, int>>{{"VCF_Resonance", 127}}),
                {{45, 0, 2, 100}}, 2, Rate),
            0, 1.5);
        QZP_VERIFY(rms(whistle) > 0.01, rms(whistle));
        const auto still =
            measure.channel(QZPSoundRenderer::render(patchWith(nothing), {{45, 0, 2, 100}}, 2, Rate), 0);
        QZP_VERIFY(measure.peak(still) < 1e-4, measure.peak(still));

        const auto noise = [&](int voices) {
            QList<QZPSoundRenderer::Note> notes;
            for (int n = 0; n < voices; ++n)
                notes.append({48 + 3 * n, 0, 1, 100});
            return rms(measure.channel(
                QZPSoundRenderer::render(patchWith({{"DCO_Pulse_ON", 0}, {"DCO_NoiseLevel", 127}}), notes, 1,
                                         Rate),
                0, 0.2));
        };
        const double gain = 20 * std::log10(noise(6) / noise(1));
        QZP_VERIFY(gain > 6.3 && gain < 9.3, gain);
    }

    // A render without a length ends when the sound has faded: the longest release is heard to its end
    // (it was cut 1.5 s after the note at −33 dBFS), and the file ends below −90 dBFS.
    void renderLastsUntilFaded() {
        const auto samples = QZPSoundRenderer::renderUntilFaded(patchWith({{"ENV_Release", 127}}),
                                                                {{57, 0, 0.5, 100}}, Rate, 60);
        const double seconds = double(samples.size()) / 2 / Rate;
        QZP_VERIFY(seconds > 4 && seconds < 30, seconds);
        const auto end = measure.channel(samples, 0, seconds - QZPSoundRenderer::FadedSeconds);
        QVERIFY(measure.peak(end) < QZPSoundRenderer::FadedLevel);
        const auto before =
            measure.channel(samples, 0, seconds - 0.5, seconds - QZPSoundRenderer::FadedSeconds);
        QVERIFY(measure.peak(before) < 0.001); // faded, not cut
        const auto capped = QZPSoundRenderer::renderUntilFaded(patchWith({{"ENV_Release", 127}}),
                                                               {{57, 0, 0.5, 100}}, Rate, 1);
        QCOMPARE(capped.size(), size_t(2 * Rate));
    }

    // What a keyboard player sends beside notes: pitch bend (±2 semitones, in tune), the modulation wheel
    // (vibrato), the hold pedal (a released key sounds on until the pedal comes up) and reset all
    // controllers (bend back to the middle).
    void performanceControls() {
        const QByteArray patch = patchWith({});
        const auto hz = [&](const QList<QZPSoundRenderer::TimedMessage>& controls, double from, double to) {
            return measure.frequency(measure.channel(
                QZPSoundRenderer::render(patch, {{69, 0, 1.2, 100}}, 1.2, Rate, controls), 0, from, to));
        };
        const QByteArray up = QByteArray::fromHex("E07F7F"), down = QByteArray::fromHex("E00000");
        QVERIFY(std::fabs(1200 * std::log2(hz({{0, up}}, 0.3, 1.1) / (440 * std::exp2(2 / 12.0)))) < 2);
        QVERIFY(std::fabs(1200 * std::log2(hz({{0, down}}, 0.3, 1.1) / (440 * std::exp2(-2 / 12.0)))) < 2);
        QVERIFY(std::fabs(1200 * std::log2(hz({{0, up}, {0.2, QByteArray::fromHex("B07900")}}, 0.4, 1.1) /
                                           440)) < 2);
        // The low seven bits come first: 0x60 as the high byte is half-way up, a semitone.
        QVERIFY(std::fabs(1200 * std::log2(hz({{0, QByteArray::fromHex("E00060")}}, 0.3, 1.1) /
                                           (440 * std::exp2(1 / 12.0)))) < 2);

        // Vibrato: the pitch of short stretches wanders with the wheel up, not without it.
        const auto spread = [&](const QList<QZPSoundRenderer::TimedMessage>& controls) {
            const auto samples = QZPSoundRenderer::render(patchWith({{"LFO_Rate", 100}}), {{69, 0, 1.5, 100}},
                                                          1.5, Rate, controls);
            double lowest = 1e9, highest = 0;
            for (double t = 0.5; t < 1.4; t += 0.05) {
                const double f = measure.frequency(measure.channel(samples, 0, t, t + 0.05));
                lowest = std::min(lowest, f);
                highest = std::max(highest, f);
            }
            return 1200 * std::log2(highest / lowest);
        };
        const double still = spread({}), wheel = spread({{0, QByteArray::fromHex("B0017F")}});
        QZP_VERIFY(still < 5 && wheel > 50, still, wheel);

        // A key struck again while the pedal holds its note is held by the key: the pedal coming up at
        // 0.8 s leaves it sounding until the key is let go at 1.2 s.
        const auto again = QZPSoundRenderer::render(
            patchWith({{"ENV_Release", 0}}), {{69, 0, 0.3, 100}, {69, 0.5, 0.7, 100}}, 1.5, Rate,
            {{0, QByteArray::fromHex("B0407F")}, {0.8, QByteArray::fromHex("B04000")}});
        QVERIFY(measure.peak(measure.channel(again, 0, 0.9, 1.15)) > 0.05 &&
                measure.peak(measure.channel(again, 0, 1.3, 1.5)) < 0.001);
        // Hold: the note released at 0.3 s sounds until the pedal comes up at 0.8 s; the pedal is down from
        // 64 on, up below it.
        for (const auto& [down, upAgain] : {std::pair{"B0407F", "B04000"}, {"B04040", "B0403F"}}) {
            const auto held = QZPSoundRenderer::render(
                patchWith({{"ENV_Release", 0}}), {{69, 0, 0.3, 100}}, 1.2, Rate,
                {{0, QByteArray::fromHex(down)}, {0.8, QByteArray::fromHex(upAgain)}});
            QZP_VERIFY(measure.peak(measure.channel(held, 0, 0.6, 0.75)) > 0.05 &&
                           measure.peak(measure.channel(held, 0, 0.95, 1.2)) < 0.001,
                       down, upAgain);
        }
    }

    // Every one of the six voices is heard in the sum: each note of a six-note chord adds its own pitch,
    // as measured against the chord without it.
    void everyVoiceIsHeard() {
        const QByteArray patch = patchWith({});
        const QList<int> notes{45, 50, 57, 62, 69, 74};
        const auto energyAt = [&](const QList<int>& played, double hz) {
            QList<QZPSoundRenderer::Note> chord;
            for (const int note : played)
                chord.append({note, 0, 1, 100});
            const auto samples = QZPSoundRenderer::render(patch, chord, 1, Rate);
            return measure.energyNear(measure.spectrum(measure.channel(samples, 0, 0.3)), hz, 0.01);
        };
        QList<double> with, without;
        for (const int note : notes) {
            QList<int> others = notes;
            others.removeOne(note);
            const double hz = 440 * std::exp2((note - 69) / 12.0);
            with << energyAt(notes, hz);
            without << energyAt(others, hz);
        }
        // Its own pitch stands out of what the others leave there, and is as strong as a note's can be.
        const double loudest = *std::max_element(with.begin(), with.end());
        for (qsizetype i = 0; i < notes.size(); ++i)
            QZP_VERIFY(with[i] > 4 * without[i] && with[i] > 0.01 * loudest, notes[i], with[i], without[i]);
    }

    // The output stage never clips hard: a loud patch as a six-note chord stays inside full scale without
    // being flattened, and a sound well below full scale stays where it was.
    void outputNeverClips() {
        QList<QZPSoundRenderer::Note> chord;
        for (const int note : {36, 43, 48, 52, 55, 60})
            chord.append({note, 0, 1, 127});
        const auto loud = QZPSoundRenderer::render(
            patchWith({{"VCA_Level", 127}, {"DCO_Saw_ON", 1}, {"DCO_SubLevel", 127}, {"chorusMode", 2}}),
            chord, 1, Rate);
        QZP_VERIFY(measure.peak(loud) < 1.0 && measure.peak(loud) > 0.8, measure.peak(loud));
        const auto quiet = QZPSoundRenderer::render(patchWith({}), {{57, 0, 1, 100}}, 1, Rate);
        const auto quieter =
            QZPSoundRenderer::render(patchWith({{"VCA_Level", 32}}), {{57, 0, 1, 100}}, 1, Rate);
        QVERIFY(measure.peak(quiet) < 0.6); // below the knee: level follows the slider as before
        const double sliderDb = 20 * std::log10(std::exp2(2.0 * (64 - 32) / 127)); // the VCA's law, 3 dB
        QVERIFY(std::fabs(20 * std::log10(measure.peak(quiet) / measure.peak(quieter)) - sliderDb) < 0.2);
    }

    // Longer slider settings give longer attack, decay and release; in gate mode the VCA has no shape.
    void envelopeTimes() {
        double attack = -1, release = -1;
        for (const int value : {0, 40, 80, 120}) {
            const auto samples = QZPSoundRenderer::render(
                patchWith({{"ENV_Attack", value}, {"ENV_Release", value}}), {{57, 0, 4, 100}}, 14, Rate);
            const auto left = measure.channel(samples, 0);
            const double full = measure.peak(measure.channel(samples, 0, 3.5, 4));
            const double rise = measure.timeToLevel(left, 0, full, 0.9, true);
            const double fall = measure.timeToLevel(left, 4, full, 0.01, false);
            QZP_VERIFY(rise > attack && fall > release, value, rise, fall);
            attack = rise;
            release = fall;
        }
        QVERIFY(attack > 1.0);
        // The decay, with the release short and the sustain at 0: from the peak down to 1 % (from the
        // middle of the slider, where it outlasts the output coupling's own tail).
        double decay = -1;
        for (const int value : {60, 90, 120}) {
            const auto samples = QZPSoundRenderer::render(
                patchWith({{"ENV_Decay", value}, {"ENV_Sustain", 0}, {"ENV_Release", 0}}), {{57, 0, 12, 100}},
                12, Rate);
            const auto left = measure.channel(samples, 0);
            const double top = measure.peak(measure.channel(samples, 0, 0, 0.05));
            const double fall = measure.timeToLevel(left, 0.005, top, 0.01, false);
            QZP_VERIFY(fall > decay, value, fall);
            decay = fall;
        }
        QVERIFY(decay > 1.0);
        const auto gated = QZPSoundRenderer::render(patchWith({{"ENV_Attack", 127}, {"VCA_Mode", 0}}),
                                                    {{57, 0, 1, 100}}, 1.5, Rate);
        const auto left = measure.channel(gated, 0);
        QVERIFY(measure.timeToLevel(left, 0, measure.peak(measure.channel(gated, 0, 0.5, 0.9)), 0.9, true) <
                0.02);
        QVERIFY(measure.timeToLevel(left, 1, measure.peak(measure.channel(gated, 0, 0.5, 0.9)), 0.01, false) <
                0.03);
    }

    // A patch that is only the filter ringing by itself (no source, full resonance, a short envelope, as
    // factory A82) is heard; at full resonance the ringing is within 6 dB of its steady level 20 ms after
    // the key, as the instrument's filter is started by its own noise.
    void selfOscillationStartsAtOnce() {
        const QList<std::pair<const char*, int>> ringing{
            {"DCO_Pulse_ON", 0}, {"VCF_Resonance", 127}, {"VCF_Cutoff", 70}};
        const auto shortNote = QZPSoundRenderer::render(
            patchWith(ringing + QList<std::pair<const char*, int>>{{"ENV_Decay", 30},
                                                                   {"ENV_Sustain", 0},
                                                                   {"ENV_Release", 20}}),
            {{60, 0, 1, 100}}, 1.5, Rate);
        QVERIFY(!measure.summarise(shortNote).silent);
        QZP_VERIFY(measure.summarise(shortNote).peakDb > -40, measure.summarise(shortNote).peakDb);
        const auto held = QZPSoundRenderer::render(patchWith(ringing), {{60, 0, 1, 100}}, 1, Rate);
        const auto left = measure.channel(held, 0);
        const double steady = measure.peak(measure.channel(held, 0, 0.5, 0.9));
        QVERIFY(steady > 0.01);
        const double reached = measure.timeToLevel(left, 0, steady, 0.5, true);
        QZP_VERIFY(reached <= 0.02, reached);
    }

    // The factory presets, each as one note (C4 held for a second): every one is heard, also one whose
    // filter has to ring by itself; their peaks lie within 6 dB of the middle one (they spanned 25 dB);
    // the plucked and struck ones ring for a while instead of clicking (4 to 36 ms within 20 dB of their
    // peak before), a hi-hat stays short.
    void factoryPresets() {
        QZPError error;
        const auto entries = QZPPresetList::read(QStringLiteral(TONEBENCH_FACTORY_LIST), &error);
        QVERIFY(entries && entries->size() > 50);
        QMap<QString, QZPSoundAnalysis::Summary> heard;
        QList<double> peaks;
        for (const QZPPresetList::Entry& entry : *entries) {
            const auto summary =
                measure.summarise(QZPSoundRenderer::render(entry.message, {{60, 0, 1, 100}}, 3, Rate));
            QVERIFY2(!summary.silent, qPrintable(entry.name));
            heard.insert(entry.name, summary);
            peaks << summary.peakDb;
        }
        std::sort(peaks.begin(), peaks.end());
        const double middle = peaks.at(peaks.size() / 2);
        for (auto it = heard.begin(); it != heard.end(); ++it)
            QZP_VERIFY(std::fabs(it->peakDb - middle) <= 6, it.key(), it->peakDb, middle);
        for (const auto& [name, shortest, longest] :
             {std::tuple{"Strings Pizzicato", 0.15, 0.6}, std::tuple{"Perc Marimba", 0.2, 0.6},
              std::tuple{"Keys Harpsichord", 0.2, 0.8}, std::tuple{"Keys Clav", 0.1, 0.5},
              std::tuple{"Bass Saw Pluck", 0.1, 0.6}, std::tuple{"Perc Noise Snare", 0.08, 0.3},
              std::tuple{"Perc Tom", 0.1, 0.5}, std::tuple{"Perc Resonant Kick", 0.08, 0.5},
              std::tuple{"Perc Closed Hat", 0.02, 0.12}}) {
            const double seconds = heard.value(QLatin1String(name)).secondsLoud;
            QZP_VERIFY(seconds >= shortest && seconds <= longest, name, seconds);
        }
    }

    // The instrument's own 128 factory patches, each as C4 held for a second and played as the instrument
    // plays every key (no dynamics): every one is heard (above -40 dBFS at its peak), the ones that are
    // only the filter ringing by itself too.
    void instrumentsFactoryPatches() {
        const QList<QZPFactoryPatch> patches = qzpFactoryPatches();
        QCOMPARE(patches.size(), 128);
        for (int slot = 0; slot < 128; ++slot) {
            const auto summary = measure.summarise(QZPSoundRenderer::render(
                qzpFactoryMessage(0, patches[slot].data), {{60, 0, 1, 100}}, 1, Rate));
            QZP_VERIFY(summary.peakDb > -40, patches[slot].name, summary.peakDb);
        }
    }

    // The chorus makes the channels differ, mode II more than mode I; off, they are the same. (A low,
    // dark note: its period is long against the sweep, so the difference grows with the sweep's depth.)
    void chorusWidens() {
        QList<double> difference;
        for (const int mode : {0, 1, 2}) {
            const auto samples = QZPSoundRenderer::render(
                patchWith({{"chorusMode", mode}, {"VCF_Cutoff", 30}}), {{33, 0, 4, 100}}, 4, Rate);
            double sum = 0;
            for (size_t i = size_t(0.5 * Rate); i < samples.size() / 2; ++i)
                sum += std::pow(double(samples[i * 2] - samples[i * 2 + 1]), 2);
            difference << sum;
        }
        QCOMPARE(difference.at(0), 0.0);
        QVERIFY(difference.at(1) > 0 && difference.at(2) > 1.5 * difference.at(1));
    }

    // A Control message mid-note changes the sound within one block of 64 and without a click. (A dark,
    // nearly sine sound: any jump would stand out.)
    void controlMessageMidNote() {
        const QByteArray patch = patchWith({{"VCF_Cutoff", 25}});
        const double change = 0.5;
        const QByteArray level("\xF0\x41\x32\x00\x0A\x7F\xF7", 7);
        const auto samples = QZPSoundRenderer::render(patch, {{45, 0, 1, 100}}, 1, Rate, {{change, level}});
        const auto steady = measure.channel(samples, 0, 0.3, change);
        const auto block = measure.channel(samples, 0, change, change + 64.0 / Rate);
        const auto plain = measure.channel(QZPSoundRenderer::render(patch, {{45, 0, 1, 100}}, 1, Rate), 0,
                                           change, change + 64.0 / Rate);
        double moved = 0;
        for (size_t i = 0; i < block.size(); ++i)
            moved = std::max(moved, double(std::fabs(block[i] - plain[i])));
        QVERIFY2(moved > 0.02 * measure.peak(plain), "the change is heard within the block");
        const auto around = measure.channel(samples, 0, change - 0.001, change + 0.05);
        const auto after = measure.channel(samples, 0, change + 0.2, change + 0.4);
        QZP_VERIFY(measure.largestStep(around) <=
                       1.2 * std::max(measure.largestStep(steady), measure.largestStep(after)),
                   measure.largestStep(around), measure.largestStep(steady), measure.largestStep(after));
    }

    // Six voices: a new note takes a free voice, then the one released longest ago, then the oldest held
    // one; a note-on of velocity 0 ends its note. Each step: the messages, then the notes that sound.
    void voiceStealing() {
        QZPSoundEngine engine(Rate);
        float left[64], right[64];
        const auto send = [&engine](const std::vector<int>& bytes) {
            const std::vector<uint8_t> message(bytes.begin(), bytes.end());
            QVERIFY(engine.post(message.data(), message.size()));
        };
        const QByteArray slowRelease = patchWith({{"ENV_Release", 100}});
        QVERIFY(engine.post(reinterpret_cast<const uint8_t*>(slowRelease.constData()),
                            size_t(slowRelease.size())));
        // Each step: the messages sent, then the notes sounding.
        for (const auto& [messages, expected] : QList<std::pair<QList<std::vector<int>>, QList<int>>>{
                 {{{0x90, 60, 100},
                   {0x90, 61, 100},
                   {0x90, 62, 100},
                   {0x90, 63, 100},
                   {0x90, 64, 100},
                   {0x90, 65, 100}},
                  {60, 61, 62, 63, 64, 65}},
                 {{{0x90, 66, 100}}, {61, 62, 63, 64, 65, 66}}, // the oldest held goes
                 {{{0x80, 63, 0}, {0x90, 62, 0}, {0x90, 67, 100}},
                  {61, 62, 64, 65, 66, 67}},                    // the first released
                 {{{0x90, 68, 100}}, {61, 64, 65, 66, 67, 68}}, // then the next released
             }) {
            for (const std::vector<int>& message : messages)
                send(message);
            engine.process(left, right, 64);
            QList<int> sounding;
            for (int note = 0; note < 128; ++note)
                if (engine.isSounding(note))
                    sounding << note;
            QCOMPARE(sounding, expected);
        }
        send({0xB0, 123, 0});
        engine.process(left, right, 64);
        QCOMPARE(engine.heldVoiceCount(), 0);
        // Refused: not a message the sound plays.
        const uint8_t junk[] = {0xF0, 0x43, 0x10, 0xF7};
        QVERIFY(!engine.post(junk, sizeof junk));
    }

    // A released voice stays busy until its sound has died away (below −60 dB of its peak), not before.
    void voiceFreedOnlyWhenSilent() {
        QZPSoundEngine engine(Rate);
        const QByteArray patch = patchWith({{"ENV_Release", 60}});
        QVERIFY(engine.post(reinterpret_cast<const uint8_t*>(patch.constData()), size_t(patch.size())));
        const uint8_t on[] = {0x90, 57, 100}, off[] = {0x80, 57, 0};
        engine.post(on, 3);
        float left[64], right[64];
        double loudest = 0, lastBusy = 0;
        for (int block = 0; block < int(Rate) * 20 / 64; ++block) {
            if (block == int(Rate) / 64)
                engine.post(off, 3);
            engine.process(left, right, 64);
            double level = 0;
            for (const float sample : left)
                level = std::max(level, double(std::fabs(sample)));
            loudest = std::max(loudest, level);
            if (engine.activeVoiceCount() == 0)
                break;
            lastBusy = level;
        }
        QCOMPARE(engine.activeVoiceCount(), 0);
        QZP_VERIFY(lastBusy < 1e-3 * loudest, lastBusy, loudest);
    }

    // The audio thread's work allocates nothing, whatever messages arrive.
    void processAllocatesNothing() {
        QZPSoundEngine engine(Rate);
        std::vector<float> left(256), right(256);
        const QByteArray patch = patchWith({{"chorusMode", 2}, {"DCO_Saw_ON", 1}, {"VCF_Resonance", 100}});
        engine.process(left.data(), right.data(), 256);
        allocations = 0;
        countAllocations = true;
        ::operator delete(::operator new(16)); // the counter counts
        QCOMPARE(allocations.exchange(0), 1);
        for (int block = 0; block < 200; ++block) {
            engine.post(reinterpret_cast<const uint8_t*>(patch.constData()), 24);
            const uint8_t note[] = {0x90, uint8_t(40 + block % 40), 90};
            engine.post(note, 3);
            const uint8_t control[] = {0xF0, 0x41, 0x32, 0x00, uint8_t(block % 16), uint8_t(block % 128),
                                       0xF7};
            engine.post(control, 7);
            engine.process(left.data(), right.data(), 64 + block % 3);
        }
        countAllocations = false;
        QCOMPARE(allocations.load(), 0);
    }

    void noteNames() {
        const QList<std::pair<const char*, int>> names{
            {"C4", 60}, {"F#3", 54}, {"Bb2", 46},          {"69", 69},          {"C-1", 0}, {"G#9", -1},
            {"H2", -1}, {"B-2", -1}, {"C99999999999", -1}, {"C#1033403126", -1}}; // the octave past an int,
                                                                                  // or the note
        for (const auto& [text, note] : names)
            QCOMPARE(QZPSoundRenderer::parseNoteName(QString::fromLatin1(text)).value_or(-1), note);
    }

    void noteLists() {
        QString error;
        const auto notes = QZPSoundRenderer::parseNotes(QStringLiteral("C4:0:1.5 E4:0.5:1:64"), &error);
        QVERIFY(notes);
        QCOMPARE(notes->size(), 2);
        QCOMPARE(notes->at(1).note, 64);
        QCOMPARE(notes->at(1).start, 0.5);
        QCOMPARE(notes->at(1).velocity, 64);
        QVERIFY(!QZPSoundRenderer::parseNotes(QStringLiteral("C4:-1:1"), &error));
        QVERIFY(error.contains("C4:-1:1") && !QZPSoundRenderer::parseNotes(QStringLiteral("C4:0:0"), &error));
        QVERIFY(!QZPSoundRenderer::parseNotes(QStringLiteral("C4:nan:1"), &error));
        QVERIFY(!QZPSoundRenderer::parseNotes(QStringLiteral("C4:0:nan"), &error));
    }

    // "ToneBench Sound" is one more destination of the MIDI system: chosen like an instrument, it gets
    // the Patch message and the notes, and with a bank loaded follows Program Change; the system's own
    // destinations and inputs are untouched.
    void destinationBesideTheSystemsOwn() {
        auto* system = new QZPVirtualMidiBackend;
        system->addDestination(QStringLiteral("Juno-106"));
        system->addSource(QStringLiteral("Juno-106 Out"));
        QZPSoundMidiBackend* sound = nullptr;
        QZPMidiEngine engine{std::unique_ptr<QZPMidiBackend>(
                                 sound = new QZPSoundMidiBackend(std::unique_ptr<QZPMidiBackend>(system))),
                             nullptr};
        engine.setPollInterval(0);
        engine.outputQueue()->setBytesPerSecond(0);
        QStringList names;
        for (const QZPMidiEndpoint& destination : engine.midiDestinations())
            names << destination.displayName();
        QCOMPARE(names, (QStringList{"Juno-106", "ToneBench Sound"}));
        const QZPMidiEndpoint ours = engine.midiDestinations().at(1);
        QCOMPARE(ours.uniqueID(), QZPSoundMidiBackend::EndpointID);
        engine.setDestination(ours);

        const QByteArray patch = patchWith({{"VCF_Cutoff", 33}});
        engine.sendSysex(patch);
        engine.sendNoteOn(60);
        QTRY_VERIFY(engine.outputQueue()->isEmpty());
        float left[64], right[64];
        sound->engine()->process(left, right, 64);
        QCOMPARE(int(sound->engine()->patch().byte(5)), 33);
        QCOMPARE(sound->engine()->heldVoiceCount(), 1);
        QVERIFY(system->takeSent().isEmpty());

        // A MIDI keyboard plays it: MIDI Thru is on for the built-in sound unless set otherwise.
        QVERIFY(engine.passesThru());
        system->inject(QStringLiteral("Juno-106 Out"), QByteArray::fromHex("904064"));
        QCoreApplication::processEvents();
        QTRY_VERIFY(engine.outputQueue()->isEmpty());
        sound->engine()->process(left, right, 64);
        QCOMPARE(sound->engine()->heldVoiceCount(), 2);

        // A bank loaded: a Program Change plays the program it chooses; one the bank lacks changes nothing.
        QCOMPARE(system->loadSoundBank({patch}), 0);
        QByteArray second = patchWith({{"VCF_Cutoff", 90}});
        second[4] = char(9);
        QByteArray third = patch;
        third[4] = char(3);
        QCOMPARE(sound->loadSoundBank({third, second, QByteArray("junk")}), 2);
        engine.sendMIDICommand(QByteArray::fromHex("C009"));
        engine.sendMIDICommand(QByteArray::fromHex("C005"));
        QTRY_VERIFY(engine.outputQueue()->isEmpty());
        sound->engine()->process(left, right, 64);
        QCOMPARE(int(sound->engine()->patch().byte(5)), 90);
        engine.sendMIDICommand(QByteArray::fromHex("C003"));
        QTRY_VERIFY(engine.outputQueue()->isEmpty());
        sound->engine()->process(left, right, 64);
        QCOMPARE(int(sound->engine()->patch().byte(5)), 33);
        // A program's number is no dynamics byte: the keys play as the window's last patch said.
        QByteArray high = patch;
        high[4] = char(0x70);
        QByteArray plain = patchWith({{"VCF_Cutoff", 20}});
        plain[4] = char(0);
        QCOMPARE(sound->loadSoundBank({high}), 1);
        engine.sendSysex(plain);
        engine.sendMIDICommand(QByteArray::fromHex("C070"));
        QTRY_VERIFY(engine.outputQueue()->isEmpty());
        sound->engine()->process(left, right, 64);
        QCOMPARE(int(sound->engine()->patch().byte(5)), 33);
        QVERIFY(!sound->engine()->patch().velocityToVca && !sound->engine()->patch().velocityToVcf);

        engine.setDestination(engine.midiDestinations().at(0));
        QVERIFY(!engine.passesThru());
        engine.sendNoteOn(61);
        QTRY_VERIFY(engine.outputQueue()->isEmpty());
        QCOMPARE(system->takeSent().size(), 1);
    }
};

QZP_TEST_MAIN(TestSound)
#include "tst_sound.moc"
