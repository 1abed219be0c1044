// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>

// One ToneBench per user session: the first instance owns the D-Bus name "com.quorlane.tonebench";
// a later start hands its files to that instance and ends.
class QZPSingleInstance : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.quorlane.tonebench.Application")

public:
    static constexpr const char* ServiceName = "com.quorlane.tonebench";
    static constexpr const char* ObjectPath = "/com/quorlane/tonebench";
    // The most paths one hand-over takes.
    static constexpr qsizetype MaximumPaths = 1000;

    // On the session bus, or on the given connection.
    explicit QZPSingleInstance(QObject* parent = nullptr,
                               const QDBusConnection& bus = QDBusConnection::sessionBus(),
                               const QString& serviceName = QString::fromLatin1(ServiceName));
    ~QZPSingleInstance() override;

    // Takes the name. Answers false when another instance has it (or there is no session bus: then this
    // instance runs on its own and answers true).
    bool registerInstance();
    // Hands the files to the instance that has the name; answers whether it took them.
    bool handOver(const QStringList& paths) const;

public slots:
    // Called over D-Bus by a later start.
    Q_SCRIPTABLE void Open(const QStringList& paths);

signals:
    // The files of one hand-over, from the event loop (never inside the D-Bus call), one hand-over at a
    // time.
    void filesReceived(const QStringList& paths);

private:
    void deliverNext();
    QDBusConnection m_bus;
    QString m_serviceName;
    bool m_registered = false;
    QList<QStringList> m_queue;
    bool m_delivering = false;
};
