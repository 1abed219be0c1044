// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/QZPUserNotifications.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QLoggingCategory>
#include <QMutex>
#include <atomic>

Q_LOGGING_CATEGORY(lcNotifications, "tonebench.notifications")

namespace {
std::atomic<int> counter{0};
QMutex lastLock;
QString last;
QString lastTitleText;
QString lastBodyText;
} // namespace

bool QZPUserNotifications::postNotification(const QString& title, const QString& body,
                                            const QString& identifier) {
    const QString id =
        QStringLiteral("%1 %2")
            .arg(identifier.isEmpty() ? QStringLiteral("com.quorlane.tonebench.notification_id.wildcard")
                                      : identifier)
            .arg(++counter);
    {
        QMutexLocker lock(&lastLock);
        last = id;
        lastTitleText = title;
        lastBodyText = body;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
        const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("tonebench")},
                                {QStringLiteral("x-tonebench-id"), id}};
        call << QCoreApplication::applicationName() << quint32(0) << QStringLiteral("tonebench") << title
             << body << QStringList() << hints << qint32(-1);
        const QDBusMessage reply = bus.call(call, QDBus::Block, 2000);
        if (reply.type() == QDBusMessage::ReplyMessage)
            return true;
    }
    qCInfo(lcNotifications, "%s: %s", qPrintable(title), qPrintable(body));
    return false;
}

QString QZPUserNotifications::lastIdentifier() {
    QMutexLocker lock(&lastLock);
    return last;
}

QString QZPUserNotifications::lastTitle() {
    QMutexLocker lock(&lastLock);
    return lastTitleText;
}

QString QZPUserNotifications::lastBody() {
    QMutexLocker lock(&lastLock);
    return lastBodyText;
}
