#include "mainwindow/QZPProgramSlotGrid.h"
#include "model/QZPPlural.h"

#include "model/QZPPreset.h"

#include <QGridLayout>
#include <QLabel>
#include <QToolButton>

QZPProgramSlotGrid::QZPProgramSlotGrid(QWidget* parent) : QWidget(parent), m_counts(SlotCount, 0) {
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
        if (count == m_counts.at(programByte))
            continue;
        m_counts[programByte] = count;
        updateSlot(programByte);
    }
}

int QZPProgramSlotGrid::filledSlots() const {
    return int(std::count_if(m_counts.begin(), m_counts.end(), [](int count) { return count > 0; }));
}

// An empty slot is plain; a filled one is marked and, with several different patches, says how many.
void QZPProgramSlotGrid::updateSlot(int programByte) {
    QToolButton* button = m_buttons.value(programByte);
    if (!button)
        return;
    const int count = m_counts.at(programByte);
    const QString name = QZPPreset::programNameForByte(quint8(programByte));
    button->setText(count > 1 ? QStringLiteral("%1 ×%2").arg(name).arg(count) : name);
    button->setAccessibleDescription(
        count == 0 ? tr("empty") : qzpPlural(count, tr("1 patch collected"), tr("%1 patches collected")));
    button->setToolTip(button->accessibleDescription());
    button->setStyleSheet(count > 0 ? QStringLiteral("QToolButton { background-color: #2f8f4e; color: white; "
                                                     "border-radius: 3px; font-weight: bold; }")
                                    : QString());
}
