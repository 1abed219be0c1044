// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/QZPVoiceLaw.h"

#include <algorithm>
#include <cmath>

namespace {

// The envelope while the key is held, `t` seconds after it went down.
float heldLevel(float t, float attack, float decay, float sustain) {
    if (t < attack)
        return std::min(1.0f, QZPVoiceLaw::AttackAim *
                                  (1.0f - std::exp(-t * QZPVoiceLaw::AttackTimeDivisor / attack)));
    return sustain + (1.0f - sustain) * std::exp(-(t - attack) * QZPVoiceLaw::FallTimeDivisor / decay);
}

} // namespace

float QZPVoiceLaw::envelopeLevel(float seconds, float heldSeconds, float attack, float decay, float sustain,
                                 float release) {
    if (seconds < 0)
        return 0;
    if (seconds <= heldSeconds)
        return heldLevel(seconds, attack, decay, sustain);
    return heldLevel(heldSeconds, attack, decay, sustain) *
           std::exp(-(seconds - heldSeconds) * FallTimeDivisor / release);
}

float QZPVoiceLaw::lfoHz(float slider) {
    return 0.1f * std::exp2(7.6f * slider);
}
