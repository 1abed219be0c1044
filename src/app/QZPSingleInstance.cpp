// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QZPSingleInstance.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFile>
#include <QFileInfo>
#include <climits>

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

// Called inside the D-Bus call: it only checks and queues, so the caller has its answer at once, and no
// question the files raise is asked from inside the call (where another call could open the same files
// again). What is not a file path of this system is left out and logged.
void QZPSingleInstance::Open(const QStringList& paths) {
    QStringList accepted;
    const qsizetype beyond = std::max<qsizetype>(0, paths.size() - MaximumPaths);
    qsizetype refused = 0;
    for (const QString& path : paths.mid(0, MaximumPaths)) {
        const QByteArray encoded = QFile::encodeName(path);
        if (!path.startsWith(QLatin1Char('/')) || encoded.size() >= PATH_MAX || path.contains(QChar(0))) {
            ++refused;
            continue;
        }
        accepted << path;
    }
    if (refused > 0 || beyond > 0)
        qWarning(
            "tonebench: of %lld paths handed over, %lld were not file paths and %lld came beyond the %lld "
            "one hand-over takes; they were left out",
            qlonglong(paths.size()), qlonglong(refused), qlonglong(beyond), qlonglong(MaximumPaths));
    if (accepted.isEmpty())
        return;
    m_queue.append(accepted);
    QMetaObject::invokeMethod(this, &QZPSingleInstance::deliverNext, Qt::QueuedConnection);
}

// One hand-over at a time: the next waits until whatever the last one asked has been answered.
void QZPSingleInstance::deliverNext() {
    if (m_delivering || m_queue.isEmpty())
        return;
    m_delivering = true;
    const QStringList paths = m_queue.takeFirst();
    emit filesReceived(paths);
    m_delivering = false;
    if (!m_queue.isEmpty())
        QMetaObject::invokeMethod(this, &QZPSingleInstance::deliverNext, Qt::QueuedConnection);
}
