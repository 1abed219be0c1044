// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/QZPFileManager.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QUrl>

Q_LOGGING_CATEGORY(lcFileManager, "tonebench.library")

bool QZPFileManager::reveal(const QStringList& paths) {
    if (paths.isEmpty())
        return false;
    QStringList uris;
    for (const QString& path : paths)
        uris << QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
            QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
        call << uris << QString();
        const QDBusMessage reply = bus.call(call, QDBus::Block, 3000);
        if (reply.type() == QDBusMessage::ReplyMessage)
            return true;
        qCInfo(lcFileManager) << "No file manager answered on D-Bus:" << reply.errorMessage();
    }
    const QString folder = QFileInfo(paths.first()).absolutePath();
    return QProcess::startDetached(QStringLiteral("xdg-open"), {folder});
}
