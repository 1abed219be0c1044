// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// A Juno-106 patch as the built-in sound plays it: the 18 patch-data bytes, decoded through the program's
// parameter table into the voice's settings. Decoding allocates nothing, so the audio thread applies a
// received Patch or Control message at once; call prepare() once on another thread before that.
class QZPSoundPatch {
public:
    static constexpr int DataLength = 18;

    // Looks up the parameter table's switch entries (allocates; not on the audio thread).
    static void prepare();

    // The default patch of a new preset.
    QZPSoundPatch();
    // Takes the 18 bytes of a patch.
    void setData(const uint8_t* data);
    // One byte, as a Control message changes it (bytes 0–17; others are ignored).
    void setByte(int index, uint8_t value);
    uint8_t byte(int index) const { return m_data[std::size_t(index)]; }
    // The dynamics byte: whether key velocity reaches the VCA (0x20) and the VCF (0x40).
    void setDynamics(uint8_t dynamics);

    // Slider values from 0 to 1.
    float lfoRate = 0, lfoDelay = 0, dcoLfo = 0, dcoPwm = 0, noise = 0, vcfCutoff = 1, vcfResonance = 0,
          vcfEnv = 0, vcfLfo = 0, vcfKeyboard = 0, vcaLevel = 0.5f, attack = 0, decay = 0, sustain = 0,
          release = 0, sub = 0;
    // Switches.
    int rangeFeet = 8; // 16, 8 or 4
    bool pulse = true; // pulse wave on
    bool saw = false;  // saw wave on
    int chorus = 0;    // 0 off, 1 mode I, 2 mode II
    bool pwmFromLfo = false;
    bool envelopeNormal = true; // false: the VCF envelope inverted
    bool vcaFollowsEnvelope = true;
    int hpf = 0; // 0–3
    bool velocityToVca = true;
    bool velocityToVcf = true;

private:
    void decode();

    std::array<uint8_t, DataLength> m_data{};
};
