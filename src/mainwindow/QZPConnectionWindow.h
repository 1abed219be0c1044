// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/QZPConnectionCheck.h"

#include <QDialog>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

// MIDI ▸ Check Connection: asks the owner to press a program button on the instrument and says, from what
// arrives (QZPConnectionCheck), how the instrument is set up and wired and what to change; offers the
// instrument's channel when it differs from ToneBench's.
class QZPConnectionWindow : public QDialog {
    Q_OBJECT

public:
    using SetChannel = std::function<void(int channel)>;
    QZPConnectionWindow(QZPMidiEngine* engine, SetChannel setChannel, QWidget* parent = nullptr);

    QZPConnectionCheck* check() { return &m_check; }
    QString findingsText() const;
    QPushButton* useChannelButton() const { return m_useChannel; }
    void checkAgain();

private:
    void showFindings();

    QZPConnectionCheck m_check;
    SetChannel m_setChannel;
    QLabel* m_asking;
    QProgressBar* m_waiting;
    QLabel* m_findings;
    QPushButton* m_useChannel;
    QPushButton* m_again;
};
