// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

// The instrument's own 128 factory patches, A11 to B88 in slot order (tests/data): each with its name as
// the patch chart prints it ("A82 Resonance Funk") and its 18 bytes of patch data.
struct QZPFactoryPatch {
    QString name;
    QByteArray data;
};

inline QList<QZPFactoryPatch> qzpFactoryPatches() {
    QList<QZPFactoryPatch> patches;
    QFile file(QStringLiteral(TONEBENCH_TEST_DATA "/juno106-factory-patches.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return patches;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const qsizetype bar = line.indexOf('|');
        if (line.startsWith('#') || bar < 0)
            continue;
        QByteArray data;
        for (const QByteArray& number : line.mid(bar + 1).split(' '))
            data.append(char(number.toInt()));
        patches.append({QString::fromUtf8(line.left(bar)), data});
    }
    return patches;
}

// The Patch message a slot of the instrument sends: channel 1, the slot's program number.
inline QByteArray qzpFactoryMessage(int slot, const QByteArray& data) {
    return QByteArray("\xF0\x41\x30\x00", 4) + char(slot) + data + char(0xF7);
}
