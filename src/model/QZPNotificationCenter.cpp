#include "QZPNotificationCenter.h"

QZPNotificationCenter* QZPNotificationCenter::defaultCenter() {
    static QZPNotificationCenter center;
    return &center;
}

void QZPNotificationCenter::postNotification(const QString& name, QObject* object,
                                             const QVariantMap& userInfo) {
    emit notificationPosted(name, object, userInfo);
}
