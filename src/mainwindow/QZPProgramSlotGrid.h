#pragma once

#include <QList>
#include <QWidget>

class QToolButton;

// The instrument's 128 program slots (A11–A88, B11–B88) as two 8 × 8 grids, each slot marked with how
// many different patches were collected for it, so that a backup shows at a glance what is missing.
// Every slot is a button a keyboard or a screen reader can reach.
class QZPProgramSlotGrid : public QWidget {
    Q_OBJECT

public:
    static constexpr int SlotCount = 128;

    explicit QZPProgramSlotGrid(QWidget* parent = nullptr);

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
};
