// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/QZPMidiEndpoint.h"

#include <QStringList>
#include <optional>
#include <utility>

// Turns the port names a MIDI system lists into endpoints with stable identities.
//
// ALSA names ports "client:port client-number:port-number"; the numbers change when a device is plugged
// in again, so they are left out of the identity. JACK port names are "client:port"; the ALSA bridge
// a2j puts the ALSA client number in brackets into them, which is left out too. Ports of the same stable
// name are told apart by their position among themselves, so two identical interfaces give two entries.
class QZPMidiPortIdentity {
public:
    enum class System { Alsa, Jack, Virtual };

    // The name without the parts that change when a device is plugged in again.
    static QString stableName(const QString& portName, System system);
    // The ALSA sequencer address ("client-number:port-number") at the end of an ALSA port name, or
    // nothing when the name has none.
    static std::optional<std::pair<int, int>> alsaAddress(const QString& portName);
    // The name shown in the menus.
    static QString displayName(const QString& stableName, System system);
    // A non-zero 32-bit ID from the stable name, the direction and the position among ports of that name.
    static qint32 uniqueID(const QString& stableName, QZPMidiEndpoint::Direction direction, int occurrence);
    // Endpoints for the listed port names, in the order given.
    static QList<QZPMidiEndpoint> endpoints(const QStringList& portNames, System system,
                                            QZPMidiEndpoint::Direction direction);
};
