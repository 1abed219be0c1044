// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPParameterId.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <array>
#include <functional>

class QZPMidiEngine;

// A sequencer's side of the instrument. Linux sequencers record and play Control Change messages, not the
// instrument's SysEx: a Control Change from the sequencer whose number the parameter table gives a control
// (QZPParameter::controller) moves that control as a knob on the instrument would (the window applies it
// to the current preset, which sends it on); notes, pitch bend, modulation, hold and Program Change pass
// straight on to the chosen destination. The other way, the instrument's own slider and switch moves
// (its Control messages) go back to the sequencer as the same Control Changes, to be recorded as
// automation.
class QZPDawBridge : public QObject {
    Q_OBJECT

public:
    // Hands a message to the sequencer.
    using ToSequencer = std::function<void(const QByteArray& message)>;

    QZPDawBridge(QZPMidiEngine* engine, ToSequencer toSequencer, QObject* parent = nullptr);

    // A message the sequencer sent (main thread).
    void fromSequencer(const QByteArray& bytes);

signals:
    // The sequencer moved a control: the parameter and its new value.
    void parameterMoved(QZPParameterId id, int value);

private:
    void instrumentSent(const QByteArray& sysex, quint8 type);

    QPointer<QZPMidiEngine> m_engine;
    ToSequencer m_toSequencer;
    // The instrument's switch bytes as last heard (-1: not yet): a move of one switch reports only it.
    std::array<int, 2> m_switchBytes{-1, -1};
};
