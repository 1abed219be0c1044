// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/QZPHardwareControlSync.h"

#include "midi/QZPSysexMessage.h"

#include <QElapsedTimer>
#include <memory>

QZPHardwareControlSync::QZPHardwareControlSync(PresetProvider currentPreset, QObject* parent)
    : QObject(parent), m_currentPreset(std::move(currentPreset)) {
    m_pending.fill(-1);
    m_clock = [timer = std::make_shared<QElapsedTimer>()] {
        if (!timer->isValid())
            timer->start();
        return timer->elapsed();
    };
}

void QZPHardwareControlSync::take(QByteArrayView sysex) {
    const auto move = QZPSysexMessage::decodeControl(sysex);
    if (!move || move->control >= QZPPreset::PatchDataLength)
        return;
    m_pending.at(move->control) = move->value; // checked: the control number comes from outside
    if (m_scheduled)
        return;
    m_scheduled = true;
    QMetaObject::invokeMethod(this, &QZPHardwareControlSync::apply, Qt::QueuedConnection);
}

void QZPHardwareControlSync::apply() {
    m_scheduled = false;
    std::array<int, QZPPreset::PatchDataLength> moves;
    moves.fill(-1);
    std::swap(moves, m_pending);
    QZPPreset* preset = m_currentPreset();
    if (!preset)
        return;
    const qint64 now = m_clock();
    if (m_lastMove < 0 || now - m_lastMove > GestureRestMs)
        ++m_gesture;
    m_lastMove = now;
    preset->setUndoCoalescingKey(GestureKeyBase + (m_gesture & 0xFFFF));
    for (size_t index = 0; index < moves.size(); ++index)
        if (moves[index] >= 0)
            preset->setByte(quint8(moves[index]), uint(index));
    preset->setUndoCoalescingKey(-1);
    emit presetChanged();
}
