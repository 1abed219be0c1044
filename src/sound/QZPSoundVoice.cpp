#include "sound/QZPSoundVoice.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float Pi = 3.14159265358979f;
// The analog circuit's noise floor at the filter's input (about −100 dB): nothing to hear in a normal
// patch, enough for full resonance to start ringing by itself.
constexpr float NoiseFloor = 1e-5f;
// How much of the bass the ladder's feedback takes at resonance k is given back at its input: with this
// share, full resonance (k = 4.2) leaves the passband 6 dB down, (1 + 0.38 k) / (1 + k) = 1/2.
constexpr float ResonanceCompensation = 0.381f;
// The output's coupling: a first-order high-pass at this frequency.
constexpr float CouplingHz = 10.0f;

// The correction that takes the step out of a naive waveform's edge (polynomial band-limited step):
// `t` is the phase since (or before) the edge in periods, `dt` the phase step per sample.
inline float polyBlep(double t, double dt) {
    if (t < dt) {
        const double x = t / dt;
        return float(x + x - x * x - 1.0);
    }
    if (t > 1.0 - dt) {
        const double x = (t - 1.0) / dt;
        return float(x * x + x + x + 1.0);
    }
    return 0;
}

// The coefficient of a one-pole smoother that covers about 63 % of a step in `seconds`.
inline float coefficient(float seconds, float sampleRate) {
    return 1.0f - std::exp(-1.0f / std::max(seconds * sampleRate, 1.0f));
}

} // namespace

void QZPSoundVoice::noteOn(int note, int velocity, uint64_t age) {
    m_note = note;
    m_velocity = float(std::clamp(velocity, 1, 127)) / 127.0f;
    m_age = age;
    m_state = State::Held;
    m_stage = Stage::Attack;
    m_gateOn = true;
}

void QZPSoundVoice::noteOff() {
    if (m_state != State::Held)
        return;
    m_state = State::Released;
    m_stage = Stage::Release;
    m_gateOn = false;
}

float QZPSoundVoice::nextNoise() {
    m_noise ^= m_noise << 13;
    m_noise ^= m_noise >> 17;
    m_noise ^= m_noise << 5;
    return float(int32_t(m_noise)) * (1.0f / 2147483648.0f);
}

// The ladder's coefficients for one cutoff and resonance, worked out once for several samples.
QZPSoundVoice::Ladder QZPSoundVoice::ladderFor(float g, float k) {
    Ladder l;
    l.G = g / (1.0f + g);
    l.scale = 1.0f / (1.0f + g);
    l.G2 = l.G * l.G;
    l.G3 = l.G2 * l.G;
    l.G4 = l.G3 * l.G;
    l.k = k;
    l.denominator = 1.0f / (1.0f + k * l.G4);
    return l;
}

// Four one-pole stages in a loop with the output fed back (zero-delay feedback, solved per sample), the
// loop's input softly limited so that full resonance rings without running away.
[[gnu::always_inline]] inline float QZPSoundVoice::ladder(float input, const Ladder& l) {
    const float S = (l.G3 * m_stages[0] + l.G2 * m_stages[1] + l.G * m_stages[2] + m_stages[3]) * l.scale;
    const float y4 = (l.G4 * input + S) * l.denominator;
    float x = input - l.k * y4;
    // Soft limit without a division: a cubic that levels off at ±2.
    x = std::clamp(x, -3.0f, 3.0f);
    x = x * (1.0f - x * x * (1.0f / 27.0f));
    float y = 0;
    for (float& state : m_stages) {
        const float v = (x - state) * l.G;
        y = v + state;
        state = y + v;
        x = y;
    }
    return y;
}

void QZPSoundVoice::render(float* out, int frames, const QZPSoundVoiceControls& c) {
    if (m_state == State::Idle)
        return;
    const float sr = c.sampleRate;
    const float pitch = float(m_note - 69 + c.semitoneOffset) + c.vibratoSemitones;
    const double frequency = 440.0 * std::exp2(double(pitch) / 12.0);
    const double dt = std::min(frequency / double(sr), 0.45);
    const double subDt = dt * 0.5;

    const float attackCoefficient = coefficient(c.attackSeconds / 1.466f, sr);
    const float decayCoefficient = coefficient(c.decaySeconds / 6.9f, sr);
    const float releaseCoefficient = coefficient(c.releaseSeconds / 6.9f, sr);
    const float gateCoefficient = coefficient(0.002f, sr);
    const float velocity = m_velocity;
    const float vcaVelocity = c.velocityToVca ? 0.3f + 0.7f * velocity : 1.0f;
    const float envelopeScale = c.velocityToVcf ? 0.4f + 0.6f * velocity : 1.0f;
    const float keyboardOctaves = c.keyboardFollow * float(m_note - 60) / 12.0f;
    const float hpfCoefficient = c.hpf == 2   ? std::tan(Pi * 250.0f / sr)
                                 : c.hpf == 3 ? std::tan(Pi * 700.0f / sr)
                                              : std::tan(Pi * 80.0f / sr);
    const float hpfG = hpfCoefficient / (1.0f + hpfCoefficient);
    // The ladder's feedback takes the bass down as resonance rises (by 1 + k, 14 dB at the top); the
    // instrument loses some of it, about 6 dB at full resonance, so the input is raised by the rest.
    const float compensation = 1.0f + ResonanceCompensation * c.resonance;
    const float nyquistLimit = 0.45f * sr;
    const float coupling = 1.0f - 2.0f * Pi * CouplingHz / sr;

    // The filter's coefficient follows the envelope every few samples: smooth to the ear, and the
    // tangent and power are the costliest part of a sample.
    constexpr int CoefficientInterval = 8;
    Ladder coefficients;
    const double pw = double(c.pulseWidth);
    const bool withSaw = c.sawGain > 0, withPulse = c.pulseGain > 0, withSub = c.subGain > 0,
               withNoise = c.noiseGain > 0;
    for (int i = 0; i < frames; ++i) {
        // Envelope and gate.
        switch (m_stage) {
        case Stage::Attack:
            m_envelope += (1.3f - m_envelope) * attackCoefficient;
            if (m_envelope >= 1.0f) {
                m_envelope = 1.0f;
                m_stage = Stage::Decay;
            }
            break;
        case Stage::Decay:
            m_envelope += (c.sustain - m_envelope) * decayCoefficient;
            break;
        case Stage::Release:
            m_envelope -= m_envelope * releaseCoefficient;
            break;
        }
        m_gate += ((m_gateOn ? 1.0f : 0.0f) - m_gate) * gateCoefficient;

        // DCO: only the waveforms that are heard are worked out.
        float saw = 0, pulse = 0, sub = 0;
        if (withSaw)
            saw = float(2.0 * m_phase - 1.0) - polyBlep(m_phase, dt);
        if (withPulse) {
            double fallPhase = m_phase - pw;
            if (fallPhase < 0)
                fallPhase += 1.0;
            pulse = (m_phase < pw ? 1.0f : -1.0f) + polyBlep(m_phase, dt) - polyBlep(fallPhase, dt);
        }
        if (withSub) {
            double subFall = m_subPhase - 0.5;
            if (subFall < 0)
                subFall += 1.0;
            sub = (m_subPhase < 0.5 ? 1.0f : -1.0f) + polyBlep(m_subPhase, subDt) - polyBlep(subFall, subDt);
        }
        m_phase += dt;
        if (m_phase >= 1.0)
            m_phase -= 1.0;
        m_subPhase += subDt;
        if (m_subPhase >= 1.0)
            m_subPhase -= 1.0;
        float signal = 0.5f * (c.sawGain * saw + c.pulseGain * pulse + c.subGain * sub);
        const float noise = nextNoise();
        // Noise at full level is as loud as a full saw (its peaks reach ±1 where the waveforms reach ±½).
        signal += (withNoise ? c.noiseGain : 0.0f) * noise + NoiseFloor * noise;

        // HPF: position 0 lifts the lows, 1 is flat, 2 and 3 cut them.
        const float v = (signal - m_hpfState) * hpfG;
        const float low = v + m_hpfState;
        m_hpfState = low + v;
        if (c.hpf == 0)
            signal += 0.6f * low;
        else if (c.hpf >= 2)
            signal -= low;

        // VCF.
        if (i % CoefficientInterval == 0) {
            const float octaves = c.cutoffOctaves + c.envelopeOctaves * m_envelope * envelopeScale +
                                  keyboardOctaves + c.lfoOctaves;
            const float cutoff = std::clamp(20.0f * std::exp2(octaves), 10.0f, nyquistLimit);
            coefficients = ladderFor(std::tan(Pi * cutoff / sr), c.resonance);
        }
        const float filtered = ladder(signal * compensation, coefficients);

        // VCA, then the coupling capacitor.
        const float amplitude = c.vcaFollowsEnvelope ? m_envelope : m_gate;
        const float voltage = filtered * amplitude * c.vcaGain * vcaVelocity;
        m_couplingOut = voltage - m_couplingIn + coupling * m_couplingOut;
        m_couplingIn = voltage;
        out[i] += m_couplingOut;
    }

    // Silent again: the voice is free.
    const bool quiet = c.vcaFollowsEnvelope ? (m_stage == Stage::Release && m_envelope < 1e-4f)
                                            : (!m_gateOn && m_gate < 1e-4f);
    if (m_state == State::Released && quiet) {
        m_state = State::Idle;
        m_envelope = 0;
        m_gate = 0;
        for (float& state : m_stages)
            state = 0;
        m_hpfState = 0;
        m_couplingIn = m_couplingOut = 0;
    }
}
