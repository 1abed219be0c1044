// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/QZPErrorPresenter.h"

#include "model/QZPError.h"

#include <QDebug>
#include <atomic>

namespace {

class LoggingPresenter final : public QZPErrorPresenter {
public:
    bool presentError(const QZPError& error) override {
        qWarning().noquote() << error.fullText();
        return false;
    }
    int presentCriticalAlert(const QString& message, const QStringList&) override {
        qWarning().noquote() << message;
        return 0;
    }
};

LoggingPresenter loggingPresenter;
std::atomic<QZPErrorPresenter*> installed{nullptr};

} // namespace

QZPErrorPresenter::~QZPErrorPresenter() = default;

QZPErrorPresenter* QZPErrorPresenter::shared() {
    QZPErrorPresenter* presenter = installed.load();
    return presenter ? presenter : &loggingPresenter;
}

void QZPErrorPresenter::setShared(QZPErrorPresenter* presenter) {
    installed.store(presenter);
}
