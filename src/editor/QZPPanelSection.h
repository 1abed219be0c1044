// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QGridLayout;

// One section of the front panel (LFO, DCO, VCF, ...): a title band in the skin's accent colour over a
// row of controls, each with its label beneath.
class QZPPanelSection : public QWidget {
    Q_OBJECT

public:
    QZPPanelSection(const QString& title, QWidget* parent = nullptr);
    // Adds a control in the next column with its label under it.
    void addControl(QWidget* control, const QString& label, Qt::Alignment alignment = Qt::AlignHCenter);
    // A two-position switch with each position's name beside it, level with that position.
    void addTwoPositionSwitch(QWidget* control, const QString& upperLabel, const QString& lowerLabel);
    void restyle();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    QGridLayout* m_grid;
    int m_columns = 0;
};
