// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/QZPPatchDistance.h"

#include "model/QZPParameter.h"
#include "model/QZPPatch.h"

#include <QHash>
#include <algorithm>
#include <cstdlib>

namespace {

// Every parameter's weight, worked out once: the sliders' by byte, the switches' with their bits.
struct Weights {
    struct Switch {
        const QZPParameter* parameter;
        double weight;
    };
    double slider[QZPParameter::SwitchByte1] = {};
    QList<Switch> switches;
    double total = 0;
};

const Weights& weights() {
    static const Weights table = [] {
        Weights result;
        for (const QZPParameter& parameter : QZPParameter::all()) {
            const double weight = parameter.weight;
            if (parameter.kind == QZPParameter::Kind::Slider)
                result.slider[parameter.byteIndex] = weight / QZPParameter::MaximumDataByte;
            else
                result.switches.append({&parameter, weight});
            result.total += weight;
        }
        return result;
    }();
    return table;
}

// The first member of each group of equal keys, in order, with the rest of its group.
template <typename Key> QList<QList<qsizetype>> groupsByKey(const QList<QZPPatch>& patches, const Key& key) {
    QHash<decltype(key(0)), qsizetype> groupOf;
    QList<QList<qsizetype>> all;
    for (qsizetype i = 0; i < patches.size(); ++i) {
        const auto k = key(i);
        const auto it = groupOf.constFind(k);
        if (it == groupOf.constEnd()) {
            groupOf.insert(k, all.size());
            all.append(QList<qsizetype>{i});
        } else {
            all[it.value()].append(i);
        }
    }
    QList<QList<qsizetype>> groups;
    for (QList<qsizetype>& group : all)
        if (group.size() > 1)
            groups.append(std::move(group));
    return groups;
}

} // namespace

double QZPPatchDistance::between(const QZPPatch& a, const QZPPatch& b) {
    return between(reinterpret_cast<const unsigned char*>(a.data().constData()),
                   reinterpret_cast<const unsigned char*>(b.data().constData()));
}

double QZPPatchDistance::between(const unsigned char* x, const unsigned char* y) {
    const Weights& table = weights();
    double sum = 0;
    for (int index = 0; index < QZPParameter::SwitchByte1; ++index)
        sum += table.slider[index] * std::abs(int(x[index]) - int(y[index]));
    for (const Weights::Switch& entry : table.switches) {
        const int byte = entry.parameter->byteIndex;
        // Equal bits are equal values; only different bits are decoded.
        if (((x[byte] ^ y[byte]) & entry.parameter->mask) != 0 &&
            entry.parameter->switchValue(x[byte]) != entry.parameter->switchValue(y[byte]))
            sum += entry.weight;
    }
    return sum / table.total;
}

QList<QList<qsizetype>> QZPPatchDistance::duplicateGroups(const QList<QZPPatch>& patches, int tolerance) {
    // Equal bytes: one look-up each.
    if (tolerance <= 0)
        return groupsByKey(patches, [&patches](qsizetype i) { return patches[i].data(); });
    // Near ones share their switch bytes (every switch equal) and their cutoffs lie within the tolerance:
    // only patches in the same switch setting and the same or a neighbouring band of cutoffs are
    // compared slider by slider.
    const auto switches = [&patches](qsizetype i) {
        return patches[i].byte(QZPParameter::SwitchByte1) << 8 | patches[i].byte(QZPParameter::SwitchByte2);
    };
    constexpr int Cutoff = 5;
    const auto band = [&patches, tolerance](qsizetype i) {
        return patches[i].byte(Cutoff) / (tolerance + 1);
    };
    QHash<int, QList<qsizetype>> byBand;
    for (qsizetype i = 0; i < patches.size(); ++i)
        byBand[switches(i) << 8 | band(i)] << i;
    const auto near = [&](qsizetype i, qsizetype j) {
        for (int index = 0; index < QZPParameter::SwitchByte1; ++index)
            if (std::abs(patches[i].byte(index) - patches[j].byte(index)) > tolerance)
                return false;
        return true;
    };
    QList<qsizetype> groupOf(patches.size(), -1);
    QList<QList<qsizetype>> groups;
    for (qsizetype i = 0; i < patches.size(); ++i) {
        if (groupOf[i] >= 0)
            continue;
        QList<qsizetype> group{i};
        for (int neighbour = band(i) - 1; neighbour <= band(i) + 1; ++neighbour)
            for (const qsizetype j : byBand.value(switches(i) << 8 | neighbour))
                if (j > i && groupOf[j] < 0 && near(i, j))
                    group << j;
        if (group.size() < 2)
            continue;
        std::sort(group.begin() + 1, group.end());
        for (const qsizetype member : group)
            groupOf[member] = groups.size();
        groups << group;
    }
    return groups;
}
