// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QZPApplication.h"

#include "model/QZPError.h"
#include "model/QZPErrorPresenter.h"
#include "model/QZPInvalidParameter.h"

#include <QLoggingCategory>
#include <QTimer>

namespace {
Q_LOGGING_CATEGORY(lcApplication, "tonebench.application")
} // namespace

QZPApplication::QZPApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool QZPApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const QZPInvalidParameter& error) {
        qCCritical(lcApplication).noquote() << "Caught a programming error:" << error.what() << "at"
                                            << error.file() << "line" << error.line();
        tellOnce(QString::fromStdString(error.what()));
    } catch (const std::exception& error) {
        // Anything else thrown past an event (a library's exception) is met the same way.
        qCCritical(lcApplication).noquote() << "Caught an exception:" << error.what();
        tellOnce(QString::fromStdString(error.what()));
    }
    return false;
}

void QZPApplication::tellOnce(const QString& text) {
    if (m_caught++ > 0)
        return;
    // Told outside the event that raised it, which is unwound by now.
    QTimer::singleShot(0, this, [text] {
        QZPErrorPresenter::shared()->presentError(QZPError::make(
            QString::fromLatin1(QZPError::ToneBenchDomain), -1,
            QStringLiteral("Something went wrong inside ToneBench."),
            QStringLiteral("A command stopped half-way: %1.").arg(text),
            QStringLiteral("ToneBench keeps running and your presets keep their edits. Save your "
                           "work; if this happens again, the log has the details.")));
    });
}
