// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/QZPSoundOscillator.h"

#include <cstdint>

class QZPSoundFilterBank;

// What every voice plays with during one short stretch of samples: the engine works these out from the
// patch (smoothed, so a change never clicks) and the LFO, and hands them to each voice.
struct QZPSoundVoiceControls {
    float sampleRate = 48000;
    int semitoneOffset = 0;     // the range: -12 (16'), 0 (8'), +12 (4')
    float vibratoSemitones = 0; // the DCO's LFO, now
    float pulseWidth = 0.5f;    // 0.5 square, down to a narrow pulse
    float sawGain = 0, pulseGain = 0, subGain = 0, noiseGain = 0;
    float cutoffOctaves = 0;   // above 20 Hz, before envelope and keyboard
    float envelopeOctaves = 0; // at a full envelope; negative when inverted
    float keyboardFollow = 0;  // 0–1: octaves per octave from middle C
    float lfoOctaves = 0;      // the VCF's LFO, now
    float resonance = 0;       // feedback: the filter rings by itself above 4
    float vcaGain = 1;
    bool vcaFollowsEnvelope = true;
    float attackSeconds = 0.001f, decaySeconds = 0.002f, sustain = 1, releaseSeconds = 0.002f;
    bool velocityToVca = true, velocityToVcf = true;
};

// One voice of the six: a DCO (band-limited saw, pulse, sub-oscillator an octave down) and noise, an ADSR
// envelope, and its lane of the filter bank (the four-pole resonant low-pass filter and the VCA). The
// filter hears the circuit's own noise floor, far below hearing, and a short burst of it as a key starts
// the voice, so that near full resonance it rings by itself at once. No allocation, no lock: it runs on
// the audio thread.
class QZPSoundVoice {
public:
    enum class State { Idle, Held, Released };

    void noteOn(int note, int velocity, uint64_t age);
    void noteOff();
    // Works out `frames` samples (at most the bank's BlockLength) of this voice's sources, envelope and
    // filter settings into its lane of `bank`; a free voice's lane is silent.
    void render(QZPSoundFilterBank& bank, int lane, int frames, const QZPSoundVoiceControls& controls);

    // Each voice's noise is its own (voices started together would otherwise add up coherently).
    void setNoiseSeed(uint32_t seed) { m_noise = seed != 0 ? seed : 0x12345678u; }

    State state() const { return m_state; }
    int note() const { return m_note; }
    // When the voice was last started or released: the oldest is taken first when all six are busy.
    uint64_t age() const { return m_age; }
    void setReleaseAge(uint64_t age) { m_age = age; }

private:
    State m_state = State::Idle;
    int m_note = 60;
    float m_velocity = 1;
    uint64_t m_age = 0;
    QZPSoundOscillator m_oscillator;
    uint32_t m_noise = 0x12345678u;
    // The envelope: stage and level; the gate for the VCA in gate mode, smoothed.
    enum class Stage { Attack, Decay, Release } m_stage = Stage::Release;
    float m_envelope = 0;
    float m_gate = 0;
    bool m_gateOn = false;
    // Samples of the key's burst of noise still to come; -1 until the first stretch after the key.
    int m_kickLeft = 0;
};
