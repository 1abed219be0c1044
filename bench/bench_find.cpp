// SPDX-License-Identifier: GPL-3.0-or-later
// Finding by sound over 50,000 presets, as figures against a fixed reference measured in the same run
// (the same number of patches' bytes summed in a plain loop), each the fastest of three runs:
//  - a query typed into the filter (parsed, then every patch's 18 bytes checked; target <= 16 ms);
//  - Find Similar: every patch's distance to one, ranked (target <= 50 ms);
//  - duplicates, exact (target <= 100 ms) and near, every slider within 4 steps (target <= 500 ms).
// The patches are as a large collection has them: most share a few switch settings, some are copies
// and some copies with a slider nudged.
#include "model/QZPParameter.h"
#include "model/QZPPatch.h"
#include "model/QZPPatchDistance.h"
#include "model/QZPPatchQuery.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

namespace {

constexpr int Count = 50000;

double fastest(const std::function<void()>& work) {
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, double(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    std::mt19937 random(106);
    // A dozen common switch settings (8' saw, 16' pulse, chorus II …) and the odd one.
    std::vector<std::pair<quint8, quint8>> common;
    for (int i = 0; i < 12; ++i)
        common.push_back({quint8(random() & 0x7F), quint8(random() & 0x1F)});
    QList<QZPPatch> patches;
    std::vector<unsigned char> bytes;
    patches.reserve(Count);
    bytes.reserve(size_t(Count) * QZPPatch::DataLength);
    for (int i = 0; i < Count; ++i) {
        QByteArray data(QZPPatch::DataLength, 0);
        if (i > 0 && random() % 10 == 0) {
            data = patches.at(qsizetype(random() % quint32(i))).data(); // a copy, sometimes nudged
            if (random() % 2)
                data[int(random() % 16)] = char(std::min(127, data[int(random() % 16)] + 2));
        } else {
            for (int b = 0; b < 16; ++b)
                data[b] = char(random() & 0x7F);
            const auto& switches = random() % 8 ? common[random() % common.size()]
                                                : std::pair{quint8(random() & 0x7F), quint8(random() & 0x1F)};
            data[16] = char(switches.first);
            data[17] = char(switches.second);
        }
        patches << QZPPatch(data);
        bytes.insert(bytes.end(), data.begin(), data.end());
    }

    volatile long sink = 0;
    const double reference = fastest([&] {
        long sum = 0;
        for (const unsigned char b : bytes)
            sum += b;
        sink = sum;
    });
    const auto print = [reference](const char* what, double ms, double target) {
        std::printf("%s: %.1f ms (target <= %.0f ms); %.1f times the reference (%.2f ms)\n", what, ms, target,
                    ms / reference, reference);
    };

    int matched = 0;
    print("query \"bass saw vcf<40 chorus:off\" over 50,000 patches", fastest([&] {
              const QZPPatchQuery query = QZPPatchQuery::parse(QStringLiteral("bass saw vcf<40 chorus:off"));
              matched = 0;
              for (size_t i = 0; i < size_t(Count); ++i)
                  matched += query.matches(bytes.data() + i * QZPPatch::DataLength);
          }),
          16);
    print("Find Similar over 50,000 patches", fastest([&] {
              std::vector<std::pair<double, int>> ranked(static_cast<size_t>(Count));
              for (int i = 0; i < Count; ++i)
                  ranked[size_t(i)] = {QZPPatchDistance::between(patches.first(), patches.at(i)), i};
              std::stable_sort(ranked.begin(), ranked.end());
              sink = ranked.front().second;
          }),
          50);
    qsizetype groups = 0;
    print("exact duplicates among 50,000 patches",
          fastest([&] { groups = QZPPatchDistance::duplicateGroups(patches, 0).size(); }), 100);
    qsizetype nearGroups = 0;
    print("near duplicates (4 steps) among 50,000 patches",
          fastest([&] { nearGroups = QZPPatchDistance::duplicateGroups(patches, 4).size(); }), 500);
    std::printf("(%d matched the query; %lld exact and %lld near groups)\n", matched, qlonglong(groups),
                qlonglong(nearGroups));
    return 0;
}
