// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/QZPMutateDialog.h"

#include "model/QZPPatchMutation.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>

namespace {
// The amount the dialog offers first, and the last one chosen in this session after that.
int lastAmount = 20;
} // namespace

QZPMutateDialog::QZPMutateDialog(QWidget* parent)
    : QDialog(parent), m_amount(new QSpinBox(this)), m_seed(new QLineEdit(this)) {
    setWindowTitle(tr("Mutate"));
    m_amount->setRange(5, 100);
    m_amount->setSuffix(tr(" %"));
    m_amount->setValue(lastAmount);
    m_amount->setAccessibleName(tr("Amount"));
    m_seed->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{1,18}")), m_seed));
    m_seed->setText(QString::number(QZPPatchMutation::randomSeed()));
    m_seed->setAccessibleName(tr("Seed"));
    auto* newSeed = new QPushButton(tr("&New Seed"), this);
    connect(newSeed, &QPushButton::clicked, this,
            [this] { m_seed->setText(QString::number(QZPPatchMutation::randomSeed())); });
    auto* seedRow = new QHBoxLayout;
    seedRow->addWidget(m_seed, 1);
    seedRow->addWidget(newSeed);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    buttons->addButton(tr("&Mutate"), QDialogButtonBox::AcceptRole)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (m_seed->text().isEmpty())
            m_seed->setText(QString::number(QZPPatchMutation::randomSeed()));
        lastAmount = m_amount->value();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(tr("&Amount:"), m_amount);
    // A row of widgets takes no mnemonic by itself: the label names the field it goes to.
    auto* seedLabel = new QLabel(tr("&Seed:"), this);
    seedLabel->setBuddy(m_seed);
    form->addRow(seedLabel, seedRow);
    form->addRow(buttons);
    // Locked parameters stay as they are; the help says where locks are set.
    setToolTip(tr("Parameters locked on the panel (context menu ▸ Lock) keep their values."));
}

double QZPMutateDialog::amount() const {
    return m_amount->value() / 100.0;
}

quint64 QZPMutateDialog::seed() const {
    return m_seed->text().toULongLong();
}
