// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QWidget>

class QToolButton;

// The instrument's 128 program slots (A11–A88, B11–B88) as two 8 × 8 grids, each slot marked with what a
// window has to say about it: how many different patches were collected for it (a backup shows at a
// glance what is missing), or how far writing it has come. Every slot is a button a keyboard or a screen
// reader can reach, named by its slot, its mark in its description.
class QZPProgramSlotGrid : public QWidget {
    Q_OBJECT

public:
    static constexpr int SlotCount = 128;

    explicit QZPProgramSlotGrid(QWidget* parent = nullptr);

    // What a slot shows: a word after its name, its description (tooltip and screen reader), a colour
    // (none: plain).
    struct Mark {
        QString badge;
        QString description;
        QColor colour;
        bool operator==(const Mark&) const = default;
    };
    void setMark(int programByte, const Mark& mark);
    const Mark& mark(int programByte) const { return m_marks.at(programByte); }
    // How many collected patches each program byte (0–127) has.
    void setCounts(const QList<int>& counts);
    int count(int programByte) const { return m_counts.value(programByte); }
    QToolButton* slotButton(int programByte) const { return m_buttons.value(programByte); }
    // Slots that hold at least one patch.
    int filledSlots() const;

signals:
    void slotClicked(int programByte);

private:
    void updateSlot(int programByte);

    QList<QToolButton*> m_buttons;
    QList<int> m_counts;
    QList<Mark> m_marks;
};
