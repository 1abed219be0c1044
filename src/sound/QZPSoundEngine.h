// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/QZPSoundChorus.h"
#include "sound/QZPSoundEventQueue.h"
#include "sound/QZPSoundFilterBank.h"
#include "sound/QZPSoundPatch.h"
#include "sound/QZPSoundVoice.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

// ToneBench's own sound: a six-voice synthesizer with the Juno-106's voice architecture, played by the
// messages the instrument gets (Patch and Control messages, notes). Messages are posted from one thread
// and applied on the audio thread at the start of the next block; process() allocates nothing, takes no
// lock and makes no system call.
class QZPSoundEngine {
public:
    static constexpr int VoiceCount = 6;
    // Samples between two updates of the smoothed settings and the LFO: one stretch of the filter bank.
    static constexpr int ControlInterval = QZPSoundFilterBank::BlockLength;
    // Pitch bend's range either way, and the pitch LFO of the modulation wheel at full travel.
    static constexpr float BendSemitones = 2.0f;
    static constexpr float ModulationSemitones = 1.0f;

    explicit QZPSoundEngine(float sampleRate = 48000);

    float sampleRate() const { return m_sampleRate; }
    // Only while process() is not running.
    void setSampleRate(float sampleRate);

    // One MIDI message: note on and off, pitch bend (±2 semitones), the modulation wheel (controller 1: LFO
    // on the pitch, as the instrument's bender lever pushed forward), the hold pedal (64), all notes off
    // (120 or 123), reset all controllers (121), a Patch message (its byte 4 carries the dynamics) or a
    // Control message. Any channel. From one thread at a time; answers false when the message is not one
    // of these or the queue is full.
    bool post(const uint8_t* bytes, size_t length);

    // Renders the next `frames` samples of both channels (the audio thread).
    void process(float* left, float* right, int frames);

    // Voices sounding (held or releasing) and held, as of the last block; any thread.
    int activeVoiceCount() const { return m_activeVoices.load(std::memory_order_relaxed); }
    int heldVoiceCount() const { return m_heldVoices.load(std::memory_order_relaxed); }
    // Whether a voice plays the note, held or releasing (audio thread, or a test between blocks).
    bool isSounding(int note) const;
    // The patch being played (audio thread, or a test between blocks).
    const QZPSoundPatch& patch() const { return m_patch; }

private:
    void apply(const QZPSoundEventQueue::Event& event);
    void noteOn(int note, int velocity);
    void noteOff(int note);
    void allNotesOff();
    void setHold(bool on);
    void control(uint8_t number, uint8_t value);
    // Moves the smoothed settings and the LFO on by one control interval and fills m_controls.
    void updateControls(int frames);
    // The voices' sum on its way to the chorus: the high-pass filter (one for all voices, as the
    // instrument's) and the output's coupling capacitor.
    void outputStage(float* mono, int frames);

    float m_sampleRate;
    QZPSoundPatch m_patch;
    QZPSoundEventQueue m_queue;
    std::array<QZPSoundVoice, VoiceCount> m_voices{};
    QZPSoundFilterBank m_filters;
    float m_hpfState = 0;
    float m_couplingIn = 0, m_couplingOut = 0;
    QZPSoundChorus m_chorus;
    QZPSoundVoiceControls m_controls;
    uint64_t m_clock = 0;
    // The performance controls: bend in semitones, modulation 0–1, the hold pedal and the voices it keeps.
    float m_bend = 0;
    float m_modulation = 0;
    bool m_hold = false;
    std::array<bool, VoiceCount> m_sustained{};
    // Smoothed settings (their targets come from the patch).
    struct Smoothed {
        float cutoff = 0, resonance = 0, envelope = 0, keyboard = 0, vcfLfo = 0, vcaGain = 0,
              pulseWidth = 0.5f, saw = 0, pulse = 0, sub = 0, noise = 0, vibrato = 0;
    } m_smooth;
    bool m_smoothStarted = false;
    float m_lfoPhase = 0;
    float m_lfoFade = 1;
    static constexpr int ChunkLength = 256;
    std::array<float, ChunkLength> m_mono{};
    std::atomic<int> m_activeVoices{0};
    std::atomic<int> m_heldVoices{0};
};
