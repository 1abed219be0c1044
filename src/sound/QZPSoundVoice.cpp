// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/QZPSoundVoice.h"

#include "sound/QZPSoundFilterBank.h"

#include "model/QZPVoiceLaw.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float Log2Of20Hz = 4.32192809f;
// The analog circuit's noise floor at the filter's input (about −100 dB): nothing to hear in a normal
// patch, enough for full resonance to start ringing by itself.
constexpr float NoiseFloor = 1e-5f;
// As a key starts a voice, the circuit's switching gives the filter a short burst of noise: too short and
// too quiet to hear through a filter that does not ring, it starts a filter at (or near) full resonance
// ringing at once, where the noise floor alone would take a quarter of a second to be heard. It grows
// from nothing below KickFromResonance to its full level at full resonance (k = 4.2).
constexpr float KickSeconds = 0.003f;
constexpr float KickLevel = 0.2f;
constexpr float KickFromResonance = 3.8f, FullResonance = 4.2f;
// How much of the bass the ladder's feedback takes at resonance k is given back at its input: with this
// share, full resonance (k = 4.2) leaves the passband 6 dB down, (1 + 0.38 k) / (1 + k) = 1/2.
constexpr float ResonanceCompensation = 0.381f;

// The next value of a noise generator's state (xorshift), from −1 to 1.
inline float nextNoise(uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return float(int32_t(state)) * (1.0f / 2147483648.0f);
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
    m_kickLeft = -1;
}

void QZPSoundVoice::noteOff() {
    if (m_state != State::Held)
        return;
    m_state = State::Released;
    m_stage = Stage::Release;
    m_gateOn = false;
}

void QZPSoundVoice::render(QZPSoundFilterBank& bank, int lane, int frames, const QZPSoundVoiceControls& c) {
    if (m_state == State::Idle) {
        bank.silence(lane, frames);
        return;
    }
    const float sr = c.sampleRate;
    const float pitch = float(m_note - 69 + c.semitoneOffset) + c.vibratoSemitones;
    const double frequency = 440.0 * std::exp2(double(pitch) / 12.0);
    const double dt = std::min(frequency / double(sr), 0.45);

    // Only the stages this stretch can be in (an exponential each).
    const float attackCoefficient =
        m_stage == Stage::Attack ? coefficient(c.attackSeconds / QZPVoiceLaw::AttackTimeDivisor, sr) : 0;
    const float decayCoefficient =
        m_stage != Stage::Release ? coefficient(c.decaySeconds / QZPVoiceLaw::FallTimeDivisor, sr) : 0;
    const float releaseCoefficient =
        m_stage == Stage::Release ? coefficient(c.releaseSeconds / QZPVoiceLaw::FallTimeDivisor, sr) : 0;
    const float gateCoefficient = coefficient(0.002f, sr);
    const float velocity = m_velocity;
    const float vcaGain = c.vcaGain * (c.velocityToVca ? 0.3f + 0.7f * velocity : 1.0f);
    const float envelopeScale = c.velocityToVcf ? 0.4f + 0.6f * velocity : 1.0f;
    const float keyboardOctaves = c.keyboardFollow * float(m_note - 60) / 12.0f;
    // The ladder's feedback takes the bass down as resonance rises (by 1 + k, 14 dB at the top); the
    // instrument loses some of it, about 6 dB at full resonance, so the input is raised by the rest.
    const float compensation = 1.0f + ResonanceCompensation * c.resonance;

    const double pw = double(c.pulseWidth);
    const bool withNoise = c.noiseGain > 0;
    float waveforms[QZPSoundFilterBank::BlockLength];
    m_oscillator.render(waveforms, frames, dt, pw, c.sawGain, c.pulseGain, c.subGain);
    // The state in locals for the stretch (kept in registers; the bank's stores could otherwise be taken
    // to change it).
    Stage stage = m_stage;
    float envelope = m_envelope, gate = m_gate;
    const float gateTarget = m_gateOn ? 1.0f : 0.0f;
    uint32_t noiseState = m_noise;
    const float noiseGain = (withNoise ? c.noiseGain : 0.0f) + NoiseFloor;
    if (m_kickLeft < 0)
        m_kickLeft = int(KickSeconds * sr);
    const float kick =
        KickLevel *
        std::clamp((c.resonance - KickFromResonance) / (FullResonance - KickFromResonance), 0.0f, 1.0f);
    int kickLeft = m_kickLeft;
    for (int i = 0; i < frames; ++i) {
        // Envelope and gate.
        switch (stage) {
        case Stage::Attack:
            envelope += (QZPVoiceLaw::AttackAim - envelope) * attackCoefficient;
            if (envelope >= 1.0f) {
                envelope = 1.0f;
                stage = Stage::Decay;
            }
            break;
        case Stage::Decay:
            envelope += (c.sustain - envelope) * decayCoefficient;
            break;
        case Stage::Release:
            envelope -= envelope * releaseCoefficient;
            break;
        }
        gate += (gateTarget - gate) * gateCoefficient;

        // Full noise peaks at ±1, twice a waveform's ±½: noise patches play mostly through a closed or
        // resonant filter, which leaves a small part of its energy, and come out level with the others.
        // Beneath it always, the circuit's noise floor.
        const float signal =
            waveforms[i] + (kickLeft > 0 ? noiseGain + kick : noiseGain) * nextNoise(noiseState);
        kickLeft -= kickLeft > 0 ? 1 : 0;

        // The VCF's cutoff follows the envelope every few samples: smooth to the ear, and working out
        // the filter's coefficients is the costliest part of a sample.
        if (i % QZPSoundFilterBank::CoefficientInterval == 0) {
            const float octaves = c.cutoffOctaves + c.envelopeOctaves * envelope * envelopeScale +
                                  keyboardOctaves + c.lfoOctaves;
            // 20 Hz at the bottom of the cutoff's slider.
            bank.setCutoff(lane, i / QZPSoundFilterBank::CoefficientInterval, octaves + Log2Of20Hz,
                           c.resonance);
        }
        const float amplitude = c.vcaFollowsEnvelope ? envelope : gate;
        bank.set(lane, i, signal * compensation, amplitude * vcaGain);
    }
    m_stage = stage;
    m_envelope = envelope;
    m_gate = gate;
    m_noise = noiseState;
    m_kickLeft = kickLeft;

    // Silent again: the voice is free (its filter is put at rest with its next stretch).
    const bool quiet = c.vcaFollowsEnvelope ? (m_stage == Stage::Release && m_envelope < 1e-4f)
                                            : (!m_gateOn && m_gate < 1e-4f);
    if (m_state == State::Released && quiet) {
        m_state = State::Idle;
        m_envelope = 0;
        m_gate = 0;
        m_oscillator.reset();
    }
}
