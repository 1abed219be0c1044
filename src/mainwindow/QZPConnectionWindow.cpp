// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/QZPConnectionWindow.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

QZPConnectionWindow::QZPConnectionWindow(QZPMidiEngine* engine, SetChannel setChannel, QWidget* parent)
    : QDialog(parent), m_check(engine), m_setChannel(std::move(setChannel)), m_asking(new QLabel(this)),
      m_waiting(new QProgressBar(this)), m_findings(new QLabel(this)), m_useChannel(new QPushButton(this)),
      m_again(new QPushButton(tr("Check &Again"), this)) {
    setWindowTitle(tr("Check Connection"));
    setAttribute(Qt::WA_DeleteOnClose);
    setMinimumWidth(420);
    auto* layout = new QVBoxLayout(this);
    m_asking->setText(
        tr("Press a program button on the instrument (or play a key).\nToneBench has sent a test "
           "sound into its edit buffer: an edit on its panel that is not written is replaced."));
    m_asking->setWordWrap(true);
    m_waiting->setRange(0, 0);
    m_waiting->setAccessibleName(tr("Waiting for the instrument"));
    m_findings->setWordWrap(true);
    m_findings->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_findings->setAccessibleName(tr("Findings"));
    layout->addWidget(m_asking);
    layout->addWidget(m_waiting);
    layout->addWidget(m_findings, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(m_useChannel, QDialogButtonBox::ActionRole);
    buttons->addButton(m_again, QDialogButtonBox::ActionRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_again, &QPushButton::clicked, this, &QZPConnectionWindow::checkAgain);
    connect(m_useChannel, &QPushButton::clicked, this, [this] {
        if (const std::optional<int> channel = m_check.channelToUse(); channel && m_setChannel) {
            m_setChannel(*channel);
            showFindings();
        }
    });
    connect(&m_check, &QZPConnectionCheck::finished, this, &QZPConnectionWindow::showFindings);
    checkAgain();
}

QString QZPConnectionWindow::findingsText() const {
    return m_findings->text();
}

void QZPConnectionWindow::checkAgain() {
    m_findings->clear();
    m_waiting->show();
    m_asking->show();
    m_useChannel->hide();
    m_again->setEnabled(false);
    m_check.start();
}

void QZPConnectionWindow::showFindings() {
    m_waiting->hide();
    m_asking->hide();
    m_findings->setText(m_check.findings().join(QLatin1Char('\n')));
    const std::optional<int> channel = m_check.channelToUse();
    m_useChannel->setText(channel ? tr("Use Channel %1").arg(*channel + 1) : QString());
    m_useChannel->setVisible(channel.has_value());
    m_again->setEnabled(true);
}
