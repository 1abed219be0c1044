// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

// The stereo chorus: the voices' sum through a delay line whose delay a slow triangle sweeps, up on the
// left while down on the right. Mode I sweeps slowly and shallowly, mode II faster and deeper; switching
// fades between them, so it never clicks. Runs on the audio thread, without allocation.
class QZPSoundChorus {
public:
    explicit QZPSoundChorus(float sampleRate = 48000) : m_sampleRate(sampleRate) {}
    void setSampleRate(float sampleRate) { m_sampleRate = sampleRate; }
    // 0 off, 1 mode I, 2 mode II.
    void setMode(int mode) { m_mode = mode; }
    void process(const float* in, float* left, float* right, int frames);

private:
    float read(float delaySamples) const;

    // Long enough for the deepest sweep at 192 kHz.
    static constexpr int BufferLength = 4096;
    std::array<float, BufferLength> m_buffer{};
    int m_write = 0;
    float m_sampleRate;
    int m_mode = 0;
    float m_phase = 0;
    // Smoothed towards the mode's values.
    float m_wet = 0, m_depth = 0, m_rate = 0.5f;
};
