// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The voices' four-pole low-pass filters and VCAs, worked out side by side: each voice is one lane of a
// short vector, so the six filters (whose every sample waits on the one before) run at the same time
// instead of one after another. A voice writes its lane of a stretch (the filter's input, its
// coefficients and the VCA's gain); process() filters all lanes and adds their sum to the output. No
// allocation, no lock: it runs on the audio thread.
class QZPSoundFilterBank {
public:
    static constexpr int Lanes = 8;
    // The longest stretch, and how often within it the filter's coefficients change.
    static constexpr int BlockLength = 16;
    static constexpr int CoefficientInterval = 8;
    static constexpr int CoefficientSets = BlockLength / CoefficientInterval;

    // Sample `i` of a lane: the filter's input and the gain after it.
    void set(int lane, int i, float input, float gain) {
        m_input[i][lane] = input;
        m_gain[i][lane] = gain;
    }
    // The filter's settings from sample `set` × CoefficientInterval on: the cutoff, in octaves above
    // 1 Hz, and the resonance's feedback `k` (the filter rings by itself above 4).
    void setCutoff(int lane, int set, float octavesAbove1Hz, float k) {
        m_cutoff[set][lane] = octavesAbove1Hz;
        m_feedback[set][lane] = k;
    }
    // The lane is silent for the stretch and its filter at rest (a voice that is not sounding).
    void silence(int lane, int frames);

    // Filters `frames` (at most BlockLength) samples of every lane at `sampleRate` and adds their sum
    // to `out`.
    void process(float* out, int frames, float sampleRate);

    // The highest cutoff, as a share of the sample rate, and the lowest, in Hz.
    static constexpr float HighestCutoff = 0.45f;
    static constexpr float LowestCutoffHz = 10.0f;
    // The ladder's frequency warping, tan(π f / sample rate), for `octaves` = log2(f / sample rate);
    // outside the cutoff's range it gives the nearest end's. Exact to about 1e-5 (well under a cent).
    static float warp(float octaves);

private:
    // Per lane: each stage's gain G and 1 − G, and the feedback as a sum of the input and the four
    // stages' states (the loop solved ahead, so that a sample waits on as few steps as can be).
    struct Coefficients {
        alignas(16) float G[Lanes], rest[Lanes], fromInput[Lanes], fromStage[4][Lanes];
    };
    void prepareCoefficients(int frames, float sampleRate);

    alignas(16) float m_cutoff[CoefficientSets][Lanes] = {};
    alignas(16) float m_feedback[CoefficientSets][Lanes] = {};
    alignas(16) float m_input[BlockLength][Lanes] = {};
    alignas(16) float m_gain[BlockLength][Lanes] = {};
    Coefficients m_coefficients[CoefficientSets] = {};
    alignas(16) float m_stages[4][Lanes] = {};
};
