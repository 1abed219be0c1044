// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/QZPSoundChorus.h"

#include <cmath>

float QZPSoundChorus::read(float delaySamples) const {
    float position = float(m_write) - delaySamples;
    if (position < 0)
        position += float(BufferLength);
    const unsigned index = unsigned(position);
    const float fraction = position - float(index);
    const float a = m_buffer[index % BufferLength];
    const float b = m_buffer[(index + 1) % BufferLength];
    return a + (b - a) * fraction;
}

void QZPSoundChorus::process(const float* in, float* left, float* right, int frames) {
    // Mode I: 0.5 Hz, ±1.2 ms; mode II: 0.85 Hz, ±2.2 ms, around 4 ms.
    const float wetTarget = m_mode == 0 ? 0.0f : 1.0f;
    const float depthTarget = m_mode == 2 ? 0.0022f : 0.0012f;
    const float rateTarget = m_mode == 2 ? 0.85f : 0.5f;
    const float smoothing = 1.0f - std::exp(-1.0f / (0.01f * m_sampleRate));
    const float centre = 0.004f * m_sampleRate;
    for (int i = 0; i < frames; ++i) {
        m_wet += (wetTarget - m_wet) * smoothing;
        m_depth += (depthTarget - m_depth) * smoothing;
        m_rate += (rateTarget - m_rate) * smoothing;
        m_buffer[size_t(m_write)] = in[i];
        m_phase += m_rate / m_sampleRate;
        if (m_phase >= 1.0f)
            m_phase -= 1.0f;
        const float triangle = m_phase < 0.5f ? 4.0f * m_phase - 1.0f : 3.0f - 4.0f * m_phase;
        const float sweep = triangle * m_depth * m_sampleRate;
        const float wetLeft = read(centre + sweep);
        const float wetRight = read(centre - sweep);
        m_write = (m_write + 1) % BufferLength;
        const float dry = in[i] * (1.0f - 0.3f * m_wet);
        left[i] = dry + 0.7f * m_wet * wetLeft;
        right[i] = dry + 0.7f * m_wet * wetRight;
    }
}
