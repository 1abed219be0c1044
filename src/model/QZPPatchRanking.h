// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <functional>

// The patches closest in sound to a target, best first (QZPPatchDistance): what Find Similar lists and
// `tonebench-cli similar` prints, ranked by this one rule.
class QZPPatchRanking {
public:
    struct Entry {
        // The candidate's place among the candidates.
        qsizetype index;
        double distance;
    };
    // A candidate's 18 patch bytes, or null for one left out (its patch unknown, or the target itself).
    using Candidate = std::function<const unsigned char*(qsizetype index)>;

    // The `count` of the `size` candidates closest to `target` (18 bytes), best first; equal distances
    // keep the candidates' order.
    static QList<Entry> closest(const unsigned char* target, qsizetype size, const Candidate& candidate,
                                qsizetype count);
};
