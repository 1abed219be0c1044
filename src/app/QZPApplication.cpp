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
        const QString text = QString::fromStdString(error.what());
        qCCritical(lcApplication).noquote()
            << "Caught a programming error:" << text << "at" << error.file() << "line" << error.line();
        if (m_caught++ == 0) // told outside the event that raised it, which is unwound by now
            QTimer::singleShot(0, this, [text] {
                QZPErrorPresenter::shared()->presentError(QZPError::make(
                    QString::fromLatin1(QZPError::ToneBenchDomain), -1,
                    QStringLiteral("Something went wrong inside ToneBench."),
                    QStringLiteral("A command stopped half-way: %1.").arg(text),
                    QStringLiteral("ToneBench keeps running and your presets keep their edits. Save your "
                                   "work; if this happens again, the log has the details.")));
            });
        return false;
    }
}
