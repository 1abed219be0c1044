// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Which parameter of the Juno-106's patch: one name per entry of the parameter table, in the table's
// order (the sixteen sliders in byte order, so a slider's identity is its byte, then the switches of
// bytes 16 and 17). Code names a parameter by this, never by a string; the compiler checks the name.
enum class QZPParameterId : unsigned char {
    LFO_Rate,
    LFO_Delay,
    DCO_LFO,
    DCO_PWM,
    DCO_NoiseLevel,
    VCF_Cutoff,
    VCF_Resonance,
    VCF_ENV,
    VCF_LFO,
    VCF_KYBD,
    VCA_Level,
    ENV_Attack,
    ENV_Decay,
    ENV_Sustain,
    ENV_Release,
    DCO_SubLevel,
    DCO_Range,
    DCO_Pulse_ON,
    DCO_Saw_ON,
    chorusMode,
    DCO_PWM_Mode,
    VCF_ENV_Mode,
    VCA_Mode,
    HPF_Mode,
    MKS_Noise_ON,
};
