// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/QZPProgramSlotGrid.h"
#include "model/QZPPlural.h"

#include "model/QZPPreset.h"

#include <QGridLayout>
#include <QLabel>
#include <QToolButton>

QZPProgramSlotGrid::QZPProgramSlotGrid(QWidget* parent)
    : QWidget(parent), m_counts(SlotCount, 0), m_marks(SlotCount, Mark{QString(), tr("empty"), QColor()}) {
    setAccessibleName(tr("Program Slots"));
    auto* grid = new QGridLayout(this);
    grid->setSpacing(2);
    grid->setContentsMargins(0, 0, 0, 0);
    for (int bank = 0; bank < 2; ++bank) {
        auto* heading = new QLabel(bank == 0 ? tr("Bank A") : tr("Bank B"), this);
        grid->addWidget(heading, bank * 9, 0, 1, 8);
        for (int slot = 0; slot < 64; ++slot) {
            const int programByte = bank * 64 + slot;
            auto* button = new QToolButton(this);
            const QString name = QZPPreset::programNameForByte(quint8(programByte));
            button->setText(name);
            button->setAccessibleName(name);
            button->setAutoRaise(false);
            button->setMinimumSize(38, 24);
            button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
            connect(button, &QToolButton::clicked, this,
                    [this, programByte] { emit slotClicked(programByte); });
            grid->addWidget(button, bank * 9 + 1 + slot / 8, slot % 8);
            m_buttons << button;
            updateSlot(programByte);
        }
    }
}

void QZPProgramSlotGrid::setCounts(const QList<int>& counts) {
    for (int programByte = 0; programByte < SlotCount; ++programByte) {
        const int count = counts.value(programByte);
        m_counts[programByte] = count;
        // A filled slot is marked and, with several different patches, says how many.
        setMark(
            programByte,
            {count > 1 ? QStringLiteral("×%1").arg(count) : QString(),
             count == 0 ? tr("empty") : qzpPlural(count, tr("1 patch collected"), tr("%1 patches collected")),
             count > 0 ? QColor(0x2f, 0x8f, 0x4e) : QColor()});
    }
}

int QZPProgramSlotGrid::filledSlots() const {
    return int(std::count_if(m_counts.begin(), m_counts.end(), [](int count) { return count > 0; }));
}

void QZPProgramSlotGrid::setMark(int programByte, const Mark& mark) {
    if (programByte < 0 || programByte >= SlotCount || m_marks.at(programByte) == mark)
        return;
    m_marks[programByte] = mark;
    updateSlot(programByte);
}

void QZPProgramSlotGrid::updateSlot(int programByte) {
    QToolButton* button = m_buttons.value(programByte);
    if (!button)
        return;
    const Mark& mark = m_marks.at(programByte);
    const QString name = QZPPreset::programNameForByte(quint8(programByte));
    button->setText(mark.badge.isEmpty() ? name : QStringLiteral("%1 %2").arg(name, mark.badge));
    button->setAccessibleDescription(mark.description);
    button->setToolTip(mark.description);
    button->setStyleSheet(mark.colour.isValid()
                              ? QStringLiteral("QToolButton { background-color: %1; color: white; "
                                               "border-radius: 3px; font-weight: bold; }")
                                    .arg(mark.colour.name())
                              : QString());
}
