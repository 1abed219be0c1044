// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A voice's DCO: a saw, a pulse and the square an octave down (the sub-oscillator), mixed, from one
// phase. Each waveform is made of straight lines and steps; every step is replaced by a band-limited
// one (the integral of a windowed sinc, from a table, placed where the step falls between two samples),
// so nothing folds back from above half the sample rate even at the top of the keyboard. A step's
// correction starts Latency samples before it, so the mix comes out that much later (0.3 ms at
// 48 kHz). No allocation, no lock: it runs on the audio thread.
class QZPSoundOscillator {
public:
    static constexpr int KernelLength = 32;
    static constexpr int Latency = KernelLength / 2 - 1;

    // Makes the steps' table on first use (a few milliseconds), off the audio thread and not before
    // ToneBench Sound is made.
    QZPSoundOscillator();

    // The mix's next `frames` samples. `dt`: the phase step per sample (the frequency over the sample
    // rate, below ½); `pulseWidth`: the share of the period the pulse is high; the gains of the three
    // waveforms, each of which swings between −½ and +½ at a gain of 1.
    void render(float* out, int frames, double dt, double pulseWidth, float sawGain, float pulseGain,
                float subGain);
    // Back to the start of a period, with nothing pending (a voice that falls silent).
    void reset();

private:
    // Adds a step of `height` at `when` (above 0, up to 1) of the way from sample `from` to the next.
    void step(double when, float height, unsigned from);

    static constexpr int RingLength = 64;
    const float (*m_residuals)[KernelLength];
    double m_phase = 0;
    bool m_pulseHigh = true;
    bool m_subHigh = true;
    unsigned m_now = 0;
    float m_ring[RingLength] = {};
};
