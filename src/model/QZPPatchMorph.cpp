// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/QZPPatchMorph.h"

#include "model/QZPParameter.h"
#include "model/QZPPatch.h"

#include <algorithm>
#include <cmath>

QZPPatch QZPPatchMorph::between(const QZPPatch& a, const QZPPatch& b, double amount) {
    amount = std::isnan(amount) ? 0 : std::clamp(amount, 0.0, 1.0);
    QZPPatch result = a;
    for (const QZPParameter& parameter : QZPParameter::all()) {
        const int from = a.value(parameter), to = b.value(parameter);
        if (parameter.kind == QZPParameter::Kind::Slider)
            result.setValue(parameter, int(std::lround(from + (to - from) * amount)));
        else if (amount >= 0.5 && parameter.accepts(to))
            result.setValue(parameter, to);
    }
    return result;
}
