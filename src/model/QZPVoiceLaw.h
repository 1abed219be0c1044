// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How a voice's sliders turn into times and rates: the envelope's attack, decay and release times, the
// shape of its stages, and the LFO's rate and delay. ToneBench Sound plays by these laws and the panel's
// pictures draw by them, so what is drawn is what sounds. Sliders are given as positions 0–1. Every
// function is plain arithmetic: safe on the audio thread.
class QZPVoiceLaw {
public:
    // The envelope's slider law: from 1.5 ms at the bottom to the longest time at the top, rising with the
    // cube of the slider. The short times sit in the lower third and the times a pluck, a piano or a pad
    // needs in the middle, where a hand sets them finely.
    static constexpr float ShortestSeconds = 0.0015f;
    static constexpr float LongestAttackSeconds = 3.0f;
    static constexpr float LongestDecaySeconds = 12.0f;
    static constexpr float LongestReleaseSeconds = 12.0f;
    static float envelopeSeconds(float slider, float longest) {
        return ShortestSeconds + (longest - ShortestSeconds) * slider * slider * slider;
    }
    static float attackSeconds(float slider) { return envelopeSeconds(slider, LongestAttackSeconds); }
    static float decaySeconds(float slider) { return envelopeSeconds(slider, LongestDecaySeconds); }
    static float releaseSeconds(float slider) { return envelopeSeconds(slider, LongestReleaseSeconds); }

    // The stages' shapes. The attack rises towards an aim above full level and reaches full level at
    // the attack time (a time constant of that time / AttackTimeDivisor, with 1.3 × (1 − e^−1.466) = 1).
    // Decay and release fall exponentially and have come within 0.1 % of their aim at their time (a
    // time constant of that time / FallTimeDivisor).
    static constexpr float AttackAim = 1.3f;
    static constexpr float AttackTimeDivisor = 1.466f;
    static constexpr float FallTimeDivisor = 6.9f;

    // The envelope's level `seconds` after a key went down, with the key let go at `heldSeconds`: the
    // drawing's curve (the voice runs the same stages sample by sample).
    static float envelopeLevel(float seconds, float heldSeconds, float attack, float decay, float sustain,
                               float release);

    // The LFO's triangle, from 0.1 Hz at the bottom to about 20 Hz at the top.
    static float lfoHz(float slider);
    // The time the LFO takes to fade in after a new phrase; none below a millisecond.
    static float lfoDelaySeconds(float slider) { return 2.5f * slider * slider; }
};
