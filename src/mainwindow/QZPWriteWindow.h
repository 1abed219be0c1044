// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/QZPInstrumentWriter.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <functional>
#include <utility>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QZPMidiEngine;
class QZPProgramSlotGrid;

// "Write to Instrument": presets written into the instrument's program slots, one by one, by the owner's
// hand (QZPInstrumentWriter). The slot grid shows which preset goes where and how far each has come; the
// slot being written says, large, which buttons to press. The slots run one after another from a first
// slot the owner picks (A11 unless changed), in the order given, or, when every name begins with a slot,
// those slots, when the owner asks. Before the first slot it reminds of the memory protect switch and
// offers to back up the slots about to be overwritten.
class QZPWriteWindow : public QDialog {
    Q_OBJECT

public:
    using Presets = QList<std::pair<QString, QZPPatch>>;
    QZPWriteWindow(QZPMidiEngine* engine, const Presets& presets, QWidget* parent = nullptr);

    // Who backs the slots up (the Record Multiple window).
    void setBackUp(std::function<void()> backUp) { m_backUp = std::move(backUp); }

    QZPInstrumentWriter* writer() { return &m_writer; }
    QZPProgramSlotGrid* slotGrid() const { return m_grid; }
    QString instructionText() const;
    QString statusText() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void plan();
    void update();

    QZPInstrumentWriter m_writer;
    Presets m_presets;
    std::function<void()> m_backUp;
    QComboBox* m_firstSlot;
    QCheckBox* m_namedSlots;
    QZPProgramSlotGrid* m_grid;
    QLabel* m_instruction;
    QLabel* m_problem;
    QLabel* m_status;
    QPushButton* m_start;
    QPushButton* m_written;
    QPushButton* m_skip;
    QPushButton* m_back;
    QPushButton* m_stop;
    QPushButton* m_backUpButton;
};
