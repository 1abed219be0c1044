// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>

class QZPPatch;

// How far apart two patches sound, for Find Similar and `tonebench-cli similar`: a weighted mean over
// the parameters of how much each differs (a slider by the share of its range, a switch 1 when it
// differs), each weighed as the parameter table says. 0 for equal patches, 1 for patches that differ as far
// as they can in everything.
class QZPPatchDistance {
public:
    static double between(const QZPPatch& a, const QZPPatch& b);
    // The same for two patches' 18 data bytes.
    static double between(const unsigned char* a, const unsigned char* b);

    // Groups of patches that are the same (every slider within `tolerance` steps of the group's first
    // and every switch equal; a tolerance of 0 asks for equal bytes): indexes into `patches`, each group
    // in order, the groups in the order of their first member; a patch in no group is left out.
    static QList<QList<qsizetype>> duplicateGroups(const QList<QZPPatch>& patches, int tolerance);
};
