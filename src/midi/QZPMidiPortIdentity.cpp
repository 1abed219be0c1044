// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/QZPMidiPortIdentity.h"

#include <QHash>
#include <QRegularExpression>

QString QZPMidiPortIdentity::stableName(const QString& portName, System system) {
    QString name = portName.trimmed();
    if (system == System::Alsa) {
        static const QRegularExpression addressSuffix(QStringLiteral("\\s+\\d+:\\d+$"));
        name.remove(addressSuffix);
    } else if (system == System::Jack) {
        static const QRegularExpression bridgeClientNumber(QStringLiteral("\\s*\\[\\d+\\]"));
        name.remove(bridgeClientNumber);
    }
    return name;
}

std::optional<std::pair<int, int>> QZPMidiPortIdentity::alsaAddress(const QString& portName) {
    static const QRegularExpression address(QStringLiteral("\\s(\\d{1,3}):(\\d{1,3})$"));
    const QRegularExpressionMatch match = address.match(portName);
    if (!match.hasMatch())
        return std::nullopt;
    const int client = match.captured(1).toInt(), port = match.captured(2).toInt();
    if (client > 255 || port > 255) // the sequencer's addresses are bytes
        return std::nullopt;
    return std::pair{client, port};
}

QString QZPMidiPortIdentity::displayName(const QString& stableName, System system) {
    if (system != System::Alsa)
        return stableName;
    // "client:port": most devices repeat the client name in the port name ("UM-ONE:UM-ONE MIDI 1"),
    // so the port part alone says it all; the split is the colon after which the client name repeats.
    for (qsizetype colon = stableName.indexOf(QLatin1Char(':')); colon > 0;
         colon = stableName.indexOf(QLatin1Char(':'), colon + 1)) {
        const QString client = stableName.left(colon);
        const QString port = stableName.mid(colon + 1);
        if (port.startsWith(client))
            return port;
    }
    const qsizetype colon = stableName.indexOf(QLatin1Char(':'));
    if (colon <= 0)
        return stableName;
    return stableName.left(colon) + QLatin1Char(' ') + stableName.mid(colon + 1);
}

qint32 QZPMidiPortIdentity::uniqueID(const QString& stableName, QZPMidiEndpoint::Direction direction,
                                     int occurrence) {
    QString key =
        (direction == QZPMidiEndpoint::Direction::Source ? QStringLiteral("in:") : QStringLiteral("out:")) +
        stableName;
    if (occurrence > 0)
        key += QStringLiteral("#%1").arg(occurrence);
    // FNV-1a over the UTF-8 bytes.
    quint32 hash = 2166136261u;
    for (const char byte : key.toUtf8()) {
        hash ^= quint8(byte);
        hash *= 16777619u;
    }
    return hash == 0 ? 1 : qint32(hash);
}

QList<QZPMidiEndpoint> QZPMidiPortIdentity::endpoints(const QStringList& portNames, System system,
                                                      QZPMidiEndpoint::Direction direction) {
    QList<QZPMidiEndpoint> result;
    QHash<QString, int> seen;
    for (const QString& portName : portNames) {
        const QString stable = stableName(portName, system);
        const int occurrence = seen.value(stable, 0);
        seen.insert(stable, occurrence + 1);
        QString shown = displayName(stable, system);
        result.append(QZPMidiEndpoint(uniqueID(stable, direction, occurrence), shown, portName, direction));
    }
    return result;
}
