#include "app/QZPSingleInstance.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFileInfo>

QZPSingleInstance::QZPSingleInstance(QObject* parent, const QDBusConnection& bus, const QString& serviceName)
    : QObject(parent), m_bus(bus), m_serviceName(serviceName) {}

QZPSingleInstance::~QZPSingleInstance() {
    if (!m_registered)
        return;
    QDBusConnection bus = m_bus;
    bus.unregisterObject(QString::fromLatin1(ObjectPath));
    bus.unregisterService(m_serviceName);
}

bool QZPSingleInstance::registerInstance() {
    QDBusConnection bus = m_bus;
    if (!bus.isConnected())
        return true;
    if (!bus.registerService(m_serviceName))
        return false;
    m_registered =
        bus.registerObject(QString::fromLatin1(ObjectPath), this, QDBusConnection::ExportScriptableSlots);
    return true;
}

bool QZPSingleInstance::handOver(const QStringList& paths) const {
    QDBusConnection bus = m_bus;
    if (!bus.isConnected())
        return false;
    QStringList absolute;
    for (const QString& path : paths)
        absolute << QFileInfo(path).absoluteFilePath();
    QDBusMessage call = QDBusMessage::createMethodCall(m_serviceName, QString::fromLatin1(ObjectPath),
                                                       QStringLiteral("com.quorlane.tonebench.Application"),
                                                       QStringLiteral("Open"));
    call << absolute;
    return bus.call(call, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
}

void QZPSingleInstance::Open(const QStringList& paths) {
    emit filesReceived(paths);
}
