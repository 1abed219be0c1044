// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSet>
#include <QString>

class QZPPatch;

// New patches from an old one by chance, made again exactly from the same seed: Mutate and Randomise in
// the window, `tonebench-cli mutate` for scripts. The generator is ToneBench's own (SplitMix64), so a
// seed gives the same patch on every system and in every version of the standard library.
class QZPPatchMutation {
public:
    explicit QZPPatchMutation(quint64 seed) : m_state(seed) {}
    // A seed from the system's random source, for a mutation the user did not seed.
    static quint64 randomSeed();

    // `amount` (clamped to 0–1) says how far each parameter may move: a slider by a step drawn evenly
    // within ±amount of its whole range (held at its ends); a switch, with the amount as the chance, to
    // one of its other values. At 1 (Randomise) every parameter takes any of its values evenly; at 0
    // nothing moves.
    // Locked parameters (by table name) and the MKS noise bit, which no panel control sets, keep their
    // values. Switches are written through the parameter table.
    QZPPatch apply(const QZPPatch& patch, double amount, const QSet<QString>& locked = {});

private:
    quint64 next();
    // Evenly in [0, 1).
    double uniform();

    quint64 m_state;
};
