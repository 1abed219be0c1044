// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/QZPSoundEngine.h"

#include "model/QZPVoiceLaw.h"

#include <algorithm>
#include <cmath>
#include <utility>
#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace {

// Flush denormal numbers to zero while the engine renders (a decaying filter would otherwise crawl).
class DenormalGuard {
public:
    DenormalGuard() {
#if defined(__SSE__)
        m_saved = _mm_getcsr();
        _mm_setcsr(m_saved | 0x8040); // flush to zero, denormals are zero
#endif
    }
    ~DenormalGuard() {
#if defined(__SSE__)
        _mm_setcsr(m_saved);
#endif
    }

private:
    unsigned int m_saved = 0;
};

constexpr uint8_t NoteOff = 0x80, NoteOn = 0x90, ControlChange = 0xB0, PitchBend = 0xE0;
constexpr uint8_t ModulationWheel = 1, HoldPedal = 64, AllSoundOff = 120, ResetAllControllers = 121,
                  AllNotesOff = 123;
constexpr uint8_t SysexStart = 0xF0, RolandID = 0x41, PatchType = 0x30, PatchType2 = 0x31, ControlType = 0x32;

} // namespace

QZPSoundEngine::QZPSoundEngine(float sampleRate) : m_sampleRate(sampleRate), m_chorus(sampleRate) {
    QZPSoundPatch::prepare();
    m_controls.sampleRate = sampleRate;
    for (size_t index = 0; index < m_voices.size(); ++index)
        m_voices[index].setNoiseSeed(0x9E3779B9u * uint32_t(index + 1));
}

void QZPSoundEngine::setSampleRate(float sampleRate) {
    m_sampleRate = sampleRate;
    m_controls.sampleRate = sampleRate;
    m_chorus.setSampleRate(sampleRate);
}

bool QZPSoundEngine::post(const uint8_t* bytes, size_t length) {
    if (length == 0)
        return false;
    const uint8_t status = bytes[0];
    const uint8_t kind = status & 0xF0;
    const bool channelMessage =
        (kind == NoteOn || kind == NoteOff || kind == ControlChange || kind == PitchBend) && length == 3;
    const bool sysex = status == SysexStart && length >= 7 && bytes[1] == RolandID &&
                       (((bytes[2] == PatchType || bytes[2] == PatchType2) && length == 24) ||
                        (bytes[2] == ControlType && length == 7));
    if (!channelMessage && !sysex)
        return false;
    return m_queue.push(bytes, length);
}

void QZPSoundEngine::apply(const QZPSoundEventQueue::Event& event) {
    const uint8_t* bytes = event.bytes.data();
    const uint8_t kind = bytes[0] & 0xF0;
    if (bytes[0] == SysexStart) {
        if (bytes[2] == ControlType)
            m_patch.setByte(bytes[4], bytes[5]);
        else {
            m_patch.setDynamics(bytes[4]);
            m_patch.setData(bytes + 5);
        }
        return;
    }
    if (kind == NoteOn && bytes[2] > 0)
        noteOn(bytes[1] & 0x7F, bytes[2]);
    else if (kind == NoteOn || kind == NoteOff)
        noteOff(bytes[1] & 0x7F);
    else if (kind == ControlChange)
        control(bytes[1] & 0x7F, bytes[2] & 0x7F);
    else if (kind == PitchBend)
        m_bend = BendSemitones * float(((bytes[2] & 0x7F) << 7 | (bytes[1] & 0x7F)) - 8192) / 8192.0f;
}

void QZPSoundEngine::control(uint8_t number, uint8_t value) {
    switch (number) {
    case ModulationWheel:
        m_modulation = float(value) / 127.0f;
        break;
    case HoldPedal:
        setHold(value >= 64);
        break;
    case ResetAllControllers:
        m_bend = 0;
        m_modulation = 0;
        setHold(false);
        break;
    case AllSoundOff:
    case AllNotesOff:
        allNotesOff();
        break;
    default:
        break;
    }
}

// While the pedal is down, a released key's voice keeps sounding; the pedal's release lets them all go.
void QZPSoundEngine::setHold(bool on) {
    m_hold = on;
    if (on)
        return;
    for (size_t index = 0; index < m_voices.size(); ++index)
        if (std::exchange(m_sustained[index], false) &&
            m_voices[index].state() == QZPSoundVoice::State::Held) {
            m_voices[index].noteOff();
            m_voices[index].setReleaseAge(++m_clock);
        }
}

// A voice already playing the note takes it again; otherwise a free voice, then the voice released
// longest ago, then the oldest held one.
void QZPSoundEngine::noteOn(int note, int velocity) {
    const bool anyHeld = std::any_of(m_voices.begin(), m_voices.end(), [](const QZPSoundVoice& v) {
        return v.state() == QZPSoundVoice::State::Held;
    });
    if (!anyHeld)
        m_lfoFade = 0; // the LFO delay starts again with a new phrase
    QZPSoundVoice* chosen = nullptr;
    for (QZPSoundVoice& voice : m_voices)
        if (voice.state() != QZPSoundVoice::State::Idle && voice.note() == note)
            chosen = &voice;
    const auto oldest = [this](QZPSoundVoice::State state) {
        QZPSoundVoice* found = nullptr;
        for (QZPSoundVoice& voice : m_voices)
            if (voice.state() == state && (!found || voice.age() < found->age()))
                found = &voice;
        return found;
    };
    if (!chosen)
        chosen = oldest(QZPSoundVoice::State::Idle);
    if (!chosen)
        chosen = oldest(QZPSoundVoice::State::Released);
    if (!chosen)
        chosen = oldest(QZPSoundVoice::State::Held);
    chosen->noteOn(note, velocity, ++m_clock);
    m_sustained[size_t(chosen - m_voices.data())] = false;
}

bool QZPSoundEngine::isSounding(int note) const {
    return std::any_of(m_voices.begin(), m_voices.end(), [note](const QZPSoundVoice& voice) {
        return voice.state() != QZPSoundVoice::State::Idle && voice.note() == note;
    });
}

void QZPSoundEngine::noteOff(int note) {
    for (size_t index = 0; index < m_voices.size(); ++index) {
        QZPSoundVoice& voice = m_voices[index];
        if (voice.state() != QZPSoundVoice::State::Held || voice.note() != note)
            continue;
        if (m_hold) {
            m_sustained[index] = true;
            continue;
        }
        voice.noteOff();
        voice.setReleaseAge(++m_clock);
    }
}

void QZPSoundEngine::allNotesOff() {
    m_sustained.fill(false);
    for (QZPSoundVoice& voice : m_voices)
        if (voice.state() == QZPSoundVoice::State::Held) {
            voice.noteOff();
            voice.setReleaseAge(++m_clock);
        }
}

void QZPSoundEngine::updateControls(int frames) {
    const QZPSoundPatch& p = m_patch;
    const float controlRate = m_sampleRate / float(frames);
    // About 10 ms to follow a change: quick to hear, too slow to click.
    const float k = m_smoothStarted ? 1.0f - std::exp(-1.0f / (0.01f * controlRate)) : 1.0f;
    m_smoothStarted = true;
    const auto follow = [k](float& value, float target) {
        value += (target - value) * k;
    };

    // The LFO: a triangle from 0.1 Hz to about 20 Hz, faded in over the delay after a new phrase.
    const float lfoHz = QZPVoiceLaw::lfoHz(p.lfoRate);
    m_lfoPhase += lfoHz * float(frames) / m_sampleRate;
    m_lfoPhase -= std::floor(m_lfoPhase);
    const float triangle = m_lfoPhase < 0.5f ? 4.0f * m_lfoPhase - 1.0f : 3.0f - 4.0f * m_lfoPhase;
    const float fadeSeconds = QZPVoiceLaw::lfoDelaySeconds(p.lfoDelay);
    m_lfoFade = fadeSeconds <= 0.001f
                    ? 1.0f
                    : std::min(1.0f, m_lfoFade + float(frames) / (fadeSeconds * m_sampleRate));
    const float lfo = triangle * m_lfoFade;

    follow(m_smooth.cutoff, 10.0f * p.vcfCutoff);
    follow(m_smooth.resonance, 4.2f * p.vcfResonance);
    follow(m_smooth.envelope, 9.0f * p.vcfEnv * (p.envelopeNormal ? 1.0f : -1.0f));
    follow(m_smooth.keyboard, p.vcfKeyboard);
    follow(m_smooth.vcfLfo, 4.0f * p.vcfLfo * p.vcfLfo);
    follow(m_smooth.vcaGain, 0.22f * std::exp2((p.vcaLevel - 0.5f) * 2.0f));
    follow(m_smooth.vibrato, 2.0f * p.dcoLfo * p.dcoLfo);
    const float width = 0.45f * p.dcoPwm * (p.pwmFromLfo ? 0.5f + 0.5f * triangle : 1.0f);
    follow(m_smooth.pulseWidth, 0.5f - width);
    follow(m_smooth.saw, p.saw ? 1.0f : 0.0f);
    follow(m_smooth.pulse, p.pulse ? 1.0f : 0.0f);
    follow(m_smooth.sub, p.sub);
    follow(m_smooth.noise, p.noise);

    QZPSoundVoiceControls& c = m_controls;
    c.semitoneOffset = p.rangeFeet == 16 ? -12 : p.rangeFeet == 4 ? 12 : 0;
    c.vibratoSemitones = (m_smooth.vibrato + ModulationSemitones * m_modulation) * lfo + m_bend;
    c.pulseWidth = m_smooth.pulseWidth;
    c.sawGain = m_smooth.saw;
    c.pulseGain = m_smooth.pulse;
    c.subGain = m_smooth.sub;
    c.noiseGain = m_smooth.noise;
    c.cutoffOctaves = m_smooth.cutoff;
    c.envelopeOctaves = m_smooth.envelope;
    c.keyboardFollow = m_smooth.keyboard;
    c.lfoOctaves = m_smooth.vcfLfo * lfo;
    c.resonance = m_smooth.resonance;
    c.vcaGain = m_smooth.vcaGain;
    c.vcaFollowsEnvelope = p.vcaFollowsEnvelope;
    c.attackSeconds = QZPVoiceLaw::attackSeconds(p.attack);
    c.decaySeconds = QZPVoiceLaw::decaySeconds(p.decay);
    c.sustain = p.sustain;
    c.releaseSeconds = QZPVoiceLaw::releaseSeconds(p.release);
    c.velocityToVca = p.velocityToVca;
    c.velocityToVcf = p.velocityToVcf;
}

namespace {

// The output stage: straight up to the knee, then a curve that goes on rising ever more gently towards
// full scale without reaching it, its slope continuous at the knee: loud chords saturate softly instead of
// clipping hard.
inline float saturate(float x) {
    constexpr float Knee = 0.6f;
    const float magnitude = std::fabs(x);
    if (!(magnitude > Knee))
        return x;
    const float over = (magnitude - Knee) / (1.0f - Knee);
    return std::copysign(Knee + (1.0f - Knee) * over / (1.0f + over), x);
}

} // namespace

void QZPSoundEngine::outputStage(float* mono, int frames) {
    constexpr float Pi = 3.14159265358979f;
    // The output's coupling: a first-order high-pass at 10 Hz.
    const float coupling = 1.0f - 2.0f * Pi * 10.0f / m_sampleRate;
    // HPF: position 0 lifts the lows below 80 Hz, 1 is flat, 2 and 3 cut below 250 and 700 Hz.
    const int hpf = m_patch.hpf;
    const float hpfHz = hpf == 2 ? 250.0f : hpf == 3 ? 700.0f : 80.0f;
    const float tangent = std::tan(Pi * hpfHz / m_sampleRate);
    const float hpfG = tangent / (1.0f + tangent);
    // What of the lows below the corner is added to the signal (taken away when negative).
    const float lows = hpf == 0 ? 0.6f : hpf == 1 ? 0.0f : -1.0f;
    // The states in locals for the stretch (kept in registers; the stores into `mono` could otherwise be
    // taken to change them).
    float hpfState = m_hpfState, couplingIn = m_couplingIn, couplingOut = m_couplingOut;
    for (int i = 0; i < frames; ++i) {
        float signal = mono[i];
        const float v = (signal - hpfState) * hpfG;
        const float low = v + hpfState;
        hpfState = low + v;
        signal += lows * low;
        couplingOut = signal - couplingIn + coupling * couplingOut;
        couplingIn = signal;
        mono[i] = couplingOut;
    }
    m_hpfState = hpfState;
    m_couplingIn = couplingIn;
    m_couplingOut = couplingOut;
}

void QZPSoundEngine::process(float* left, float* right, int frames) {
    const DenormalGuard guard;
    QZPSoundEventQueue::Event event;
    while (m_queue.pop(event))
        apply(event);
    m_chorus.setMode(m_patch.chorus);

    int done = 0;
    while (done < frames) {
        const int chunk = std::min(frames - done, ChunkLength);
        std::fill(m_mono.begin(), m_mono.begin() + chunk, 0.0f);
        for (int offset = 0; offset < chunk; offset += ControlInterval) {
            const int length = std::min(ControlInterval, chunk - offset);
            updateControls(length);
            for (size_t lane = 0; lane < m_voices.size(); ++lane)
                m_voices[lane].render(m_filters, int(lane), length, m_controls);
            m_filters.process(m_mono.data() + offset, length, m_sampleRate);
        }
        outputStage(m_mono.data(), chunk);
        m_chorus.process(m_mono.data(), left + done, right + done, chunk);
        for (int i = done; i < done + chunk; ++i) {
            left[i] = saturate(left[i]);
            right[i] = saturate(right[i]);
        }
        done += chunk;
    }

    int active = 0, held = 0;
    for (const QZPSoundVoice& voice : m_voices) {
        active += voice.state() != QZPSoundVoice::State::Idle;
        held += voice.state() == QZPSoundVoice::State::Held;
    }
    m_activeVoices.store(active, std::memory_order_relaxed);
    m_heldVoices.store(held, std::memory_order_relaxed);
}
