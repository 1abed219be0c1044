// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/QZPSoundOscillator.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// The band-limited step minus the plain one, at Phases + 1 offsets between two samples, each over the
// kernel's samples from Latency before the step to Latency + 1 after it. The step's slope is a sinc that
// passes up to 0.44 of the sample rate, under a Kaiser window (β 7, about 70 dB down beyond it): the
// harmonics of the top notes that fall just above half the sample rate, whose aliases would land in the
// top octave, are removed, and everything below 18 kHz at 48 kHz is kept.
constexpr int Phases = 64;
constexpr int Kernel = QZPSoundOscillator::KernelLength;

struct ResidualTable {
    float values[Phases + 1][Kernel];

    ResidualTable() {
        constexpr double Pi = 3.14159265358979323846;
        constexpr double Cutoff = 0.44, Beta = 7.0;
        const auto besselI0 = [](double x) {
            double sum = 1, term = 1;
            for (int k = 1; k < 30; ++k) {
                term *= (x / (2 * k)) * (x / (2 * k));
                sum += term;
            }
            return sum;
        };
        const double half = Kernel / 2.0;
        const auto slope = [&](double t) { // the windowed sinc at t samples from the step
            if (std::fabs(t) >= half)
                return 0.0;
            const double sinc = t == 0 ? 2 * Cutoff : std::sin(2 * Pi * Cutoff * t) / (Pi * t);
            const double r = t / half;
            return sinc * besselI0(Beta * std::sqrt(1 - r * r)) / besselI0(Beta);
        };
        // Its running integral at a fine step, scaled to rise from 0 to 1.
        constexpr int Fine = 512;
        const int points = Kernel * Fine;
        std::vector<double> integral(size_t(points) + 1, 0.0);
        for (int i = 1; i <= points; ++i) {
            const double t0 = -half + double(i - 1) / Fine, t1 = -half + double(i) / Fine;
            integral[size_t(i)] =
                integral[size_t(i - 1)] + (slope(t0) + 4 * slope((t0 + t1) / 2) + slope(t1)) / (6.0 * Fine);
        }
        const double total = integral[size_t(points)];
        const auto stepAt = [&](double t) {
            const double position = std::clamp((t + half) * Fine, 0.0, double(points));
            const int i = std::min(int(position), points - 1);
            const double fraction = position - i;
            return (integral[size_t(i)] + fraction * (integral[size_t(i) + 1] - integral[size_t(i)])) / total;
        };
        // Kernel sample j lies at j − Latency − offset samples from the step. The offsets run from just
        // after a sample (the sample itself still before the step) to the next sample (already after
        // it), so that the table has no jump between two offsets.
        for (int phase = 0; phase <= Phases; ++phase) {
            const double offset = double(phase) / Phases;
            for (int j = 0; j < Kernel; ++j) {
                const double t = double(j - QZPSoundOscillator::Latency) - offset;
                const bool after = t > 0 || (t == 0 && phase > 0);
                values[phase][j] = float(stepAt(t) - (after ? 1.0 : 0.0));
            }
        }
    }
};
const ResidualTable& residualTable() {
    static const ResidualTable table;
    return table;
}

} // namespace

QZPSoundOscillator::QZPSoundOscillator() : m_residuals(residualTable().values) {}

void QZPSoundOscillator::reset() {
    m_phase = 0;
    m_pulseHigh = m_subHigh = true;
    std::fill(std::begin(m_ring), std::end(m_ring), 0.0f);
}

// The step lies `when` (above 0, up to 1) of the way from sample `from` to the next; its correction
// covers the samples from `from` − Latency to `from` + Latency + 1, none of which has come out yet.
void QZPSoundOscillator::step(double when, float height, unsigned from) {
    const double position = std::clamp(when, 0.0, 1.0) * Phases;
    const int phase = std::min(int(position), Phases - 1);
    const float fraction = float(position - phase);
    const float* a = m_residuals[phase];
    const float* b = m_residuals[phase + 1];
    const unsigned first = from - Latency;
    for (int j = 0; j < Kernel; ++j)
        m_ring[(first + unsigned(j)) % RingLength] += height * (a[j] + fraction * (b[j] - a[j]));
}

// The state lives in locals for the stretch (the compiler keeps them in registers; the ring's stores
// could otherwise be taken to change them).
void QZPSoundOscillator::render(float* out, int frames, double dt, double pulseWidth, float sawGain,
                                float pulseGain, float subGain) {
    double phase = m_phase;
    bool pulseHigh = m_pulseHigh, subHigh = m_subHigh;
    unsigned now = m_now;
    for (int i = 0; i < frames; ++i, ++now) {
        // The pulse follows its width at once when a sweep of the width passes the phase.
        if (pulseHigh != (phase < pulseWidth)) {
            pulseHigh = !pulseHigh;
            // At this sample: all the way from the one before.
            step(1, pulseHigh ? pulseGain : -pulseGain, now - 1);
        }
        m_ring[now % RingLength] +=
            0.5f * (sawGain * float(2 * phase - 1) + (pulseHigh ? pulseGain : -pulseGain) +
                    (subHigh ? subGain : -subGain));

        // The steps on the way to the next sample: the pulse's fall, the wrap (the saw falls, the
        // pulse rises, the sub-oscillator turns over), and the fall again after a wrap for a pulse
        // narrower than a sample.
        double next = phase + dt;
        if (pulseHigh && phase < pulseWidth && next >= pulseWidth) {
            step((pulseWidth - phase) / dt, -pulseGain, now);
            pulseHigh = false;
        }
        if (next >= 1.0) {
            const double wrap = (1.0 - phase) / dt;
            next -= 1.0;
            step(wrap, -sawGain + (pulseHigh ? 0.0f : pulseGain) + (subHigh ? -subGain : subGain), now);
            pulseHigh = true;
            subHigh = !subHigh;
            if (next >= pulseWidth) {
                step(wrap + pulseWidth / dt, -pulseGain, now);
                pulseHigh = false;
            }
        }
        phase = next;

        float& sample = m_ring[(now - Latency) % RingLength];
        out[i] = sample;
        sample = 0;
    }
    m_phase = phase;
    m_pulseHigh = pulseHigh;
    m_subHigh = subHigh;
    m_now = now;
}
