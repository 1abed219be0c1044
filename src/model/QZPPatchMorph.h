// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QZPPatch;

// A patch between two others, for the morph slider and `tonebench-cli morph`.
class QZPPatchMorph {
public:
    // At `amount` 0 patch `a`, at 1 patch `b` (the amount is clamped to 0–1): each slider on the straight
    // line between the two, rounded to the nearest step; each switch takes b's value from the half-way
    // point on. Switches are written through the parameter table, so every byte is one the instrument
    // takes; a switch value of b that no setter writes (bits from outside) leaves a's value.
    static QZPPatch between(const QZPPatch& a, const QZPPatch& b, double amount);
};
