// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

class QZPMidiEngine;

// Receives the SysEx messages the MIDI engine accepts: the complete message from F0 to F7 and its type
// byte (0x30 or 0x31 for a Patch message, 0x32 for a Control message). Called on the main thread.
class QZPMidiMessageDelegate {
public:
    virtual ~QZPMidiMessageDelegate() = default;
    virtual void midiEngineDidReceiveSysex(QZPMidiEngine* engine, const QByteArray& sysex,
                                           quint8 messageType) = 0;
};
