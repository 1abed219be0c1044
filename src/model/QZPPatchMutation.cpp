// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/QZPPatchMutation.h"

#include "model/QZPParameter.h"
#include "model/QZPPatch.h"

#include <QRandomGenerator>
#include <algorithm>
#include <cmath>

quint64 QZPPatchMutation::randomSeed() {
    // Small enough to read out and type again.
    return QRandomGenerator::system()->bounded(quint32(1000000000));
}

quint64 QZPPatchMutation::next() {
    quint64 z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double QZPPatchMutation::uniform() {
    return double(next() >> 11) * 0x1.0p-53;
}

QZPPatch QZPPatchMutation::apply(const QZPPatch& patch, double amount, const QSet<QString>& locked) {
    amount = std::isnan(amount) ? 0 : std::clamp(amount, 0.0, 1.0);
    QZPPatch result = patch;
    for (const QZPParameter& parameter : QZPParameter::all()) {
        // Every parameter draws the same numbers whether it moves or not: a lock changes only its own
        // value, never another parameter's.
        const double first = uniform(), second = uniform();
        if (amount <= 0 || !parameter.section || locked.contains(QLatin1String(parameter.name)))
            continue;
        if (parameter.kind == QZPParameter::Kind::Slider) {
            const int top = QZPParameter::MaximumDataByte;
            const int value = amount >= 1
                                  ? int(first * (top + 1))
                                  : int(std::lround(patch.value(parameter) + (2 * first - 1) * amount * top));
            result.setValue(parameter, std::clamp(value, 0, top));
        } else if (first < amount) {
            // Randomising draws among all of the switch's values; a mutation among the others.
            QList<int> choices;
            for (const QZPParameter::SwitchValue& accepted : parameter.values)
                if (amount >= 1 || accepted.value != patch.value(parameter))
                    choices << accepted.value;
            if (!choices.isEmpty())
                result.setValue(parameter, choices.at(int(second * double(choices.size()))));
        }
    }
    return result;
}
