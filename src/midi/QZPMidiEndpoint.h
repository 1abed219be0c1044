// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

// A MIDI source or destination: identified across launches and re-plugging by its uniqueID (never 0),
// listed and sorted by its display name. `portName` is the name under which the back-end opens it now.
class QZPMidiEndpoint {
public:
    enum class Direction { Source, Destination };

    QZPMidiEndpoint() = default;
    QZPMidiEndpoint(qint32 uniqueID, const QString& displayName, const QString& portName,
                    Direction direction);

    bool isNull() const { return m_uniqueID == 0; }
    qint32 uniqueID() const { return m_uniqueID; }
    const QString& displayName() const { return m_displayName; }
    const QString& portName() const { return m_portName; }
    Direction direction() const { return m_direction; }

    // The same endpoint: same direction and unique ID.
    bool operator==(const QZPMidiEndpoint& other) const {
        return m_uniqueID == other.m_uniqueID && m_direction == other.m_direction;
    }
    bool operator!=(const QZPMidiEndpoint& other) const { return !(*this == other); }

    // "Name (ID)": for log lines.
    QString description() const;

    // Sorted by display name (case-sensitive), an endpoint met twice kept once.
    static QList<QZPMidiEndpoint> sortedUnique(const QList<QZPMidiEndpoint>& endpoints);
    // The endpoints a user's text names: those with that unique ID or exactly that display name, else
    // those whose display name contains the text (ignoring case). One match is a choice; several are not.
    static QList<QZPMidiEndpoint> matching(const QString& text, const QList<QZPMidiEndpoint>& endpoints);

private:
    qint32 m_uniqueID = 0;
    QString m_displayName;
    QString m_portName;
    Direction m_direction = Direction::Source;
};

Q_DECLARE_METATYPE(QZPMidiEndpoint)
