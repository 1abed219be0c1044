// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPError.h"
#include "model/QZPErrorPresenter.h"

#include <QList>
#include <QStringList>

// Stands in for the user: records every error and alert the program presents while it is installed.
class QZPCapturingPresenter : public QZPErrorPresenter {
public:
    QZPCapturingPresenter() { QZPErrorPresenter::setShared(this); }
    ~QZPCapturingPresenter() override { QZPErrorPresenter::setShared(nullptr); }

    bool presentError(const QZPError& error) override {
        errors.append(error);
        return false;
    }
    int presentCriticalAlert(const QString& message, const QStringList&) override {
        alerts.append(message);
        return 0;
    }

    QList<QZPError> errors;
    QStringList alerts;
};
