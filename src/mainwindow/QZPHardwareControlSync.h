// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPPreset.h"

#include <QByteArrayView>
#include <QObject>
#include <array>
#include <functional>

// The instrument's knob moves applied to the current preset. However fast they come, each parameter is
// written at most once per turn of the event loop (its latest value), and the moves of one gesture (until
// the knobs rest for half a second) are one undo step, whichever knobs it moved.
class QZPHardwareControlSync : public QObject {
    Q_OBJECT

public:
    // The preset the moves go to (none: they are dropped).
    using PresetProvider = std::function<QZPPreset*()>;
    // Milliseconds of a monotonic clock (tests drive it).
    using Clock = std::function<qint64()>;
    static constexpr int GestureRestMs = 500;

    explicit QZPHardwareControlSync(PresetProvider currentPreset, QObject* parent = nullptr);

    // A message from the instrument: a Control message for the patch data is written at the next turn of
    // the event loop; anything else is ignored.
    void take(QByteArrayView sysex);
    void setClock(Clock clock) { m_clock = std::move(clock); }

signals:
    // The current preset took a turn's moves.
    void presetChanged();

private:
    void apply();

    static constexpr int GestureKeyBase = 0x10000;
    PresetProvider m_currentPreset;
    Clock m_clock;
    // The moves waiting for the next turn (-1: none), and the gesture they belong to.
    std::array<int, QZPPreset::PatchDataLength> m_pending{};
    bool m_scheduled = false;
    qint64 m_lastMove = -1;
    int m_gesture = 0;
};
