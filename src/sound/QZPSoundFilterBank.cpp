// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/QZPSoundFilterBank.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace {

// Four lanes at once: GCC's and Clang's vector extension, which the compiler turns into SSE (or NEON).
typedef float Vector __attribute__((vector_size(16)));
typedef int Mask __attribute__((vector_size(16)));
constexpr int Width = 4;
static_assert(QZPSoundFilterBank::Lanes % Width == 0);

inline Vector load(const float* p) {
    Vector v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void store(float* p, Vector v) {
    std::memcpy(p, &v, sizeof v);
}

inline Vector splat(float x) {
    return Vector{x, x, x, x};
}

// Each lane held within ±`limit`.
inline Vector clamp(Vector x, float limit) {
#if defined(__SSE__)
    return _mm_max_ps(_mm_min_ps(x, splat(limit)), splat(-limit));
#else
    const Mask above = x > splat(limit), below = x < splat(-limit);
    const Mask inside = ~(above | below);
    return Vector(((Mask)x & inside) | ((Mask)splat(limit) & above) | ((Mask)splat(-limit) & below));
#endif
}

} // namespace

namespace {

// tan(π 2^u) for u = log2(f / sample rate) from the lowest cutoff at the highest sample rate to the
// highest cutoff, at PointsPerOctave points per octave, read with linear interpolation.
constexpr int PointsPerOctave = 256;
constexpr float LowestOctave = -15.0f; // 10 Hz at 192 kHz is −14.2
struct WarpTable {
    static constexpr int Size = int(-LowestOctave * PointsPerOctave) + 2;
    float values[Size];
    WarpTable() {
        for (int i = 0; i < Size; ++i) {
            const double u = double(LowestOctave) + double(i) / PointsPerOctave;
            values[i] = float(std::tan(3.14159265358979323846 * std::min(std::exp2(u), 0.49)));
        }
    }
};
const WarpTable warpTable;

} // namespace

float QZPSoundFilterBank::warp(float octaves) {
    const float position =
        std::clamp(octaves - LowestOctave, 0.0f, float(WarpTable::Size - 2)) * float(PointsPerOctave);
    const int index = std::min(int(position), WarpTable::Size - 2);
    const float fraction = position - float(index);
    return warpTable.values[index] + fraction * (warpTable.values[index + 1] - warpTable.values[index]);
}

// The ladder's coefficients of every lane, four at a time, from its cutoff and feedback. With the
// stages' gain G = g / (1 + g), the loop's output before the feedback is y4 = (G⁴ x + S) / (1 + g) with
// S = G³ s0 + G² s1 + G s2 + s3, and solving the loop gives y4 = (G⁴ input + S / (1 + g)) / (1 + k G⁴):
// the feedback k y4 is a weighted sum of the input and the states.
void QZPSoundFilterBank::prepareCoefficients(int frames, float sampleRate) {
    const float toRate = -std::log2(sampleRate);
    const float lowest = std::log2(LowestCutoffHz) + toRate, highest = std::log2(HighestCutoff);
    for (int set = 0; set * CoefficientInterval < frames; ++set) {
        Coefficients& c = m_coefficients[set];
        for (int lane = 0; lane < Lanes; ++lane)
            c.G[lane] = warp(std::clamp(m_cutoff[set][lane] + toRate, lowest, highest));
        for (int first = 0; first < Lanes; first += Width) {
            const Vector g = load(c.G + first);
            const Vector scale = splat(1.0f) / (splat(1.0f) + g);
            const Vector G = g * scale;
            const Vector G2 = G * G, G3 = G2 * G, G4 = G3 * G;
            const Vector k = load(m_feedback[set] + first);
            const Vector feedback = k / (splat(1.0f) + k * G4);
            const Vector fromStates = feedback * scale;
            store(c.G + first, G);
            store(c.rest + first, splat(1.0f) - G);
            store(c.fromInput + first, feedback * G4);
            store(c.fromStage[0] + first, fromStates * G3);
            store(c.fromStage[1] + first, fromStates * G2);
            store(c.fromStage[2] + first, fromStates * G);
            store(c.fromStage[3] + first, fromStates);
        }
    }
}

void QZPSoundFilterBank::silence(int lane, int frames) {
    for (int i = 0; i < frames; ++i)
        set(lane, i, 0, 0);
    for (int set = 0; set < CoefficientSets; ++set)
        setCutoff(lane, set, 0, 0);
    for (float(&stage)[Lanes] : m_stages)
        stage[lane] = 0;
}

// Per lane: four one-pole stages in a loop with the output fed back (zero-delay feedback, solved per
// sample), the feedback softly limited so that full resonance rings without running away. The
// groups of lanes are worked out in the same step, so their chains of dependent sums overlap.
void QZPSoundFilterBank::process(float* out, int frames, float sampleRate) {
    prepareCoefficients(frames, sampleRate);
    constexpr int Groups = Lanes / Width;
    Vector stages[Groups][4];
    for (int g = 0; g < Groups; ++g)
        for (int n = 0; n < 4; ++n)
            stages[g][n] = load(m_stages[n] + g * Width);
    for (int start = 0; start < frames; start += CoefficientInterval) {
        // The coefficients of this interval, held for its samples.
        const Coefficients& c = m_coefficients[start / CoefficientInterval];
        Vector G[Groups], rest[Groups], fromInput[Groups], fromStage[Groups][4];
        for (int g = 0; g < Groups; ++g) {
            const int first = g * Width;
            G[g] = load(c.G + first);
            rest[g] = load(c.rest + first);
            fromInput[g] = load(c.fromInput + first);
            for (int n = 0; n < 4; ++n)
                fromStage[g][n] = load(c.fromStage[n] + first);
        }
        const int end = std::min(frames, start + CoefficientInterval);
        for (int i = start; i < end; ++i) {
            Vector total = splat(0.0f);
            for (int g = 0; g < Groups; ++g) {
                Vector(&s)[4] = stages[g];
                const Vector input = load(m_input[i] + g * Width);
                // The feedback, softly limited without a division: a cubic that levels off at ±2. Only
                // the feedback: the input itself passes straight, so a bright note does not distort (and
                // nothing it would add folds back from above half the sample rate).
                Vector feedback =
                    (fromInput[g] * input + fromStage[g][0] * s[0]) +
                    (fromStage[g][1] * s[1] + (fromStage[g][2] * s[2] + fromStage[g][3] * s[3]));
                feedback = clamp(feedback, 3.0f);
                feedback = feedback - (splat(1.0f / 27.0f) * feedback) * (feedback * feedback);
                Vector x = input - feedback;
                // Each stage: y = G x + (1 − G) s, and its state moves on to 2 y − s.
                for (Vector& state : s) {
                    const Vector y = G[g] * x + rest[g] * state;
                    state = y + y - state;
                    x = y;
                }
                total += x * load(m_gain[i] + g * Width);
            }
            out[i] += (total[0] + total[1]) + (total[2] + total[3]);
        }
    }
    for (int g = 0; g < Groups; ++g)
        for (int n = 0; n < 4; ++n)
            store(m_stages[n] + g * Width, stages[g][n]);
}
