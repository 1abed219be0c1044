// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/QZPMidiEndpoint.h"

#include <algorithm>

QZPMidiEndpoint::QZPMidiEndpoint(qint32 uniqueID, const QString& displayName, const QString& portName,
                                 Direction direction)
    : m_uniqueID(uniqueID), m_displayName(displayName), m_portName(portName), m_direction(direction) {}

QString QZPMidiEndpoint::description() const {
    if (isNull())
        return QStringLiteral("(none)");
    return QStringLiteral("%1 (%2)").arg(m_displayName).arg(m_uniqueID);
}

QList<QZPMidiEndpoint> QZPMidiEndpoint::matching(const QString& text,
                                                 const QList<QZPMidiEndpoint>& endpoints) {
    bool isNumber = false;
    const qint32 id = text.toInt(&isNumber);
    QList<QZPMidiEndpoint> matches;
    for (const QZPMidiEndpoint& endpoint : endpoints)
        if ((isNumber && endpoint.uniqueID() == id) || endpoint.displayName() == text)
            matches << endpoint;
    if (matches.isEmpty())
        for (const QZPMidiEndpoint& endpoint : endpoints)
            if (endpoint.displayName().contains(text, Qt::CaseInsensitive))
                matches << endpoint;
    return matches;
}

QList<QZPMidiEndpoint> QZPMidiEndpoint::sortedUnique(const QList<QZPMidiEndpoint>& endpoints) {
    QList<QZPMidiEndpoint> result;
    for (const QZPMidiEndpoint& endpoint : endpoints)
        if (!result.contains(endpoint))
            result.append(endpoint);
    std::stable_sort(result.begin(), result.end(), [](const QZPMidiEndpoint& a, const QZPMidiEndpoint& b) {
        return a.displayName() < b.displayName();
    });
    return result;
}
