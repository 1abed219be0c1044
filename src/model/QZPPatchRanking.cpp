// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/QZPPatchRanking.h"

#include "model/QZPPatchDistance.h"

#include <algorithm>
#include <utility>
#include <vector>

QList<QZPPatchRanking::Entry> QZPPatchRanking::closest(const unsigned char* target, qsizetype size,
                                                       const Candidate& candidate, qsizetype count) {
    // Each candidate's distance and its place: the place breaks ties.
    std::vector<std::pair<double, qsizetype>> ranked;
    ranked.reserve(size_t(std::max<qsizetype>(size, 0)));
    for (qsizetype index = 0; index < size; ++index)
        if (const unsigned char* patch = candidate(index))
            ranked.emplace_back(QZPPatchDistance::between(target, patch), index);
    const auto shown = ranked.begin() + std::clamp<qsizetype>(count, 0, qsizetype(ranked.size()));
    std::partial_sort(ranked.begin(), shown, ranked.end());
    QList<Entry> best;
    best.reserve(shown - ranked.begin());
    for (auto it = ranked.begin(); it != shown; ++it)
        best.append({it->second, it->first});
    return best;
}
