// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLineEdit;
class QSpinBox;

// Asks how far Mutate moves the parameters (5–100 %) and with which seed: a new one each time, shown so
// that a sound can be made again, and open to typing one in.
class QZPMutateDialog : public QDialog {
    Q_OBJECT

public:
    explicit QZPMutateDialog(QWidget* parent = nullptr);

    // 0.05–1.
    double amount() const;
    quint64 seed() const;

private:
    QSpinBox* m_amount;
    QLineEdit* m_seed;
};
