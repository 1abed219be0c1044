// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/QZPPatchSettler.h"

#include "midi/QZPSysexMessage.h"
#include "model/QZPPatch.h"

QZPPatchSettler::QZPPatchSettler(QObject* parent) : QObject(parent) {
    m_timer.setSingleShot(true);
    m_timer.setInterval(SettleMs);
    connect(&m_timer, &QTimer::timeout, this, &QZPPatchSettler::settle);
}

void QZPPatchSettler::take(const QByteArray& sysex, quint8 messageType) {
    if (messageType == QZPPatch::PatchType && sysex.size() == QZPPatch::MessageLength) {
        m_run.append({sysex, sysex});
        m_timer.start();
        return;
    }
    QByteArray& held = m_run.isEmpty() ? m_held : m_run.last().held;
    if (const auto move = QZPSysexMessage::decodeControl(sysex);
        move && move->control < QZPPatch::DataLength && !held.isEmpty())
        held[QZPPatch::DataIndex + move->control] = char(move->value);
}

bool QZPPatchSettler::isLeftBehind(qsizetype index) const {
    if (index + 1 >= m_run.size())
        return false;
    const QByteArray& message = m_run.at(index).message;
    if (m_run.size() == 2)
        return m_held.isEmpty() || QZPPatch::programOf(message) == QZPPatch::programOf(m_held);
    if (index == 0 && m_held.isEmpty())
        return isLeftBehind(2);
    return message == (index > 0 ? m_run.at(index - 1).held : m_held);
}

void QZPPatchSettler::settle() {
    m_timer.stop();
    if (m_run.isEmpty())
        return;
    QList<QByteArray> kept;
    for (qsizetype index = 0; index < m_run.size(); ++index)
        if (!isLeftBehind(index))
            kept.append(m_run.at(index).message);
    m_held = m_run.last().held;
    m_run.clear();
    emit settled(kept);
}

void QZPPatchSettler::reset() {
    m_timer.stop();
    m_run.clear();
    m_held.clear();
}
