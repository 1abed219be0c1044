// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/QZPWriteWindow.h"

#include "mainwindow/QZPProgramSlotGrid.h"
#include "model/QZPPreset.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

namespace {

// How a slot's state looks in the grid.
QColor colourOf(QZPInstrumentWriter::State state) {
    using State = QZPInstrumentWriter::State;
    switch (state) {
    case State::Waiting:
        return QColor(0x6b, 0x6b, 0x6b);
    case State::Sent:
        return QColor(0x2a, 0x6f, 0xc9);
    case State::Verified:
        return QColor(0x2f, 0x8f, 0x4e);
    case State::Mismatch:
        return QColor(0xc0, 0x39, 0x2b);
    case State::Skipped:
    case State::Unverified:
        return QColor(0xb0, 0x7d, 0x1a);
    }
    return {};
}

} // namespace

QZPWriteWindow::QZPWriteWindow(QZPMidiEngine* engine, const Presets& presets, QWidget* parent)
    : QDialog(parent), m_writer(engine), m_presets(presets), m_firstSlot(new QComboBox(this)),
      m_namedSlots(new QCheckBox(tr("Use the &Slots the Names Begin With"), this)),
      m_grid(new QZPProgramSlotGrid(this)), m_instruction(new QLabel(this)), m_problem(new QLabel(this)),
      m_status(new QLabel(this)), m_start(new QPushButton(tr("S&tart"), this)),
      m_written(new QPushButton(tr("&Written"), this)), m_skip(new QPushButton(tr("S&kip"), this)),
      m_back(new QPushButton(tr("&Back"), this)), m_stop(new QPushButton(tr("St&op"), this)),
      m_backUpButton(new QPushButton(tr("Back &Up These Slots First…"), this)) {
    setWindowTitle(tr("Write to Instrument"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    // Never smaller than what it holds: every slot and the instruction whole.
    layout->setSizeConstraint(QLayout::SetMinimumSize);

    // Lines of its own (no wrapping), so that the window's smallest size holds them and every slot.
    auto* reminder = new QLabel(tr("Switch the instrument’s MEMORY PROTECT off before the first slot.\nEach "
                                   "preset goes into its edit buffer: store it with WRITE and the slot’s "
                                   "buttons;\nthe instrument’s answer checks it."),
                                this);
    layout->addWidget(reminder);

    auto* slotRow = new QHBoxLayout;
    auto* firstLabel = new QLabel(tr("&First slot:"), this);
    firstLabel->setBuddy(m_firstSlot);
    for (int slot = 0; slot < QZPProgramSlotGrid::SlotCount; ++slot)
        m_firstSlot->addItem(QZPPreset::programNameForByte(quint8(slot)), slot);
    m_firstSlot->setAccessibleName(tr("First slot"));
    slotRow->addWidget(firstLabel);
    slotRow->addWidget(m_firstSlot);
    slotRow->addWidget(m_namedSlots);
    slotRow->addStretch();
    slotRow->addWidget(m_backUpButton);
    layout->addLayout(slotRow);

    layout->addWidget(m_grid, 1);
    QFont large = m_instruction->font();
    large.setPointSizeF(large.pointSizeF() * 1.8);
    large.setBold(true);
    m_instruction->setFont(large);
    m_instruction->setAlignment(Qt::AlignCenter);
    m_instruction->setAccessibleName(tr("Instruction"));
    layout->addWidget(m_instruction);
    m_problem->setWordWrap(true);
    m_problem->setAccessibleName(tr("Problem"));
    layout->addWidget(m_problem);
    m_status->setAccessibleName(tr("Status"));
    layout->addWidget(m_status);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {m_back, m_skip, m_written, m_stop, m_start})
        buttons->addWidget(button);
    m_written->setToolTip(tr("For an instrument set not to send patches: the slot was written (Space)"));
    m_start->setDefault(true);
    layout->addLayout(buttons);

    const QStringList names = [&presets] {
        QStringList all;
        for (const auto& [name, patch] : presets)
            all << name;
        return all;
    }();
    m_namedSlots->setEnabled(QZPInstrumentWriter::slotsFromNames(names).has_value());
    connect(m_firstSlot, &QComboBox::currentIndexChanged, this, &QZPWriteWindow::plan);
    connect(m_namedSlots, &QCheckBox::toggled, this, &QZPWriteWindow::plan);
    connect(m_start, &QPushButton::clicked, &m_writer, &QZPInstrumentWriter::start);
    connect(m_stop, &QPushButton::clicked, &m_writer, &QZPInstrumentWriter::stop);
    connect(m_skip, &QPushButton::clicked, &m_writer, &QZPInstrumentWriter::skip);
    connect(m_back, &QPushButton::clicked, &m_writer, &QZPInstrumentWriter::back);
    connect(m_written, &QPushButton::clicked, &m_writer, &QZPInstrumentWriter::written);
    connect(m_backUpButton, &QPushButton::clicked, this, [this] {
        if (m_backUp)
            m_backUp();
    });
    connect(&m_writer, &QZPInstrumentWriter::changed, this, &QZPWriteWindow::update);
    // Space is "Written" wherever the focus is in the window, a slot's button or another button too.
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
    plan();
}

bool QZPWriteWindow::eventFilter(QObject* watched, QEvent* event) {
    if ((event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) &&
        m_writer.isRunning()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
            event->accept();
            if (event->type() == QEvent::KeyPress && !key->isAutoRepeat())
                m_writer.written();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// The plan follows the slot choices until the first slot is sent.
void QZPWriteWindow::plan() {
    QStringList names;
    for (const auto& [name, patch] : m_presets)
        names << name;
    const std::optional<QList<quint8>> named = QZPInstrumentWriter::slotsFromNames(names);
    m_writer.setPlan(m_presets, m_namedSlots->isChecked() && named
                                    ? *named
                                    : QZPInstrumentWriter::consecutiveSlots(
                                          quint8(m_firstSlot->currentData().toInt()), m_presets.size()));
}

QString QZPWriteWindow::instructionText() const {
    return m_instruction->text();
}

QString QZPWriteWindow::statusText() const {
    return m_status->text();
}

void QZPWriteWindow::update() {
    const QList<QZPInstrumentWriter::Entry>& entries = m_writer.entries();
    QList<QZPProgramSlotGrid::Mark> marks(QZPProgramSlotGrid::SlotCount,
                                          {QString(), tr("not written"), QColor()});
    for (const QZPInstrumentWriter::Entry& entry : entries)
        marks[entry.slot] = {QString(),
                             tr("%1: %2").arg(QZPInstrumentWriter::stateText(entry.state), entry.name),
                             colourOf(entry.state)};
    for (int slot = 0; slot < QZPProgramSlotGrid::SlotCount; ++slot)
        m_grid->setMark(slot, marks.at(slot));

    const qsizetype current = m_writer.current();
    const bool running = m_writer.isRunning();
    const bool inside = current >= 0 && current < entries.size();
    // The slots are chosen before the first is sent.
    const bool begun = running || std::any_of(entries.begin(), entries.end(), [](const auto& entry) {
                           return entry.state != QZPInstrumentWriter::State::Waiting;
                       });
    if (running && inside)
        m_instruction->setText(QZPInstrumentWriter::pressText(entries.at(current).slot));
    else if (!entries.isEmpty() && !inside)
        m_instruction->setText(tr("Done"));
    else if (entries.isEmpty())
        m_instruction->setText(tr("Nothing to write"));
    else
        m_instruction->setText(begun ? tr("Stopped") : tr("Press Start when the instrument is ready"));
    m_problem->setText(
        running && inside && !entries.at(current).problem.isEmpty()
            ? tr("Not written as sent: %1. Press WRITE and the slot again.").arg(entries.at(current).problem)
            : QString());
    m_status->setText(m_writer.statusText());

    m_firstSlot->setEnabled(!begun && !m_namedSlots->isChecked());
    m_namedSlots->setEnabled(!begun && m_namedSlots->isEnabled());
    m_start->setText(begun && !running ? tr("&Resume") : tr("S&tart"));
    m_start->setEnabled(!running && !entries.isEmpty() && inside);
    for (QPushButton* button : {m_written, m_skip, m_stop})
        button->setEnabled(running);
    m_back->setEnabled(running && current > 0);
}

void QZPWriteWindow::closeEvent(QCloseEvent* event) {
    m_writer.stop();
    QDialog::closeEvent(event);
}
