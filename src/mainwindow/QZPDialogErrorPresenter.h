// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPErrorPresenter.h"

#include <QPointer>
#include <QWidget>

// Presents errors and alerts as message boxes over the given window (application-modal).
class QZPDialogErrorPresenter : public QZPErrorPresenter {
public:
    explicit QZPDialogErrorPresenter(QWidget* window = nullptr) : m_window(window) {}
    void setWindow(QWidget* window) { m_window = window; }

    bool presentError(const QZPError& error) override;
    int presentCriticalAlert(const QString& message, const QStringList& buttons) override;

private:
    QPointer<QWidget> m_window;
};
