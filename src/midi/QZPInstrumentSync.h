// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPPatch.h"
#include "model/QZPPreset.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <optional>

class QZPMidiEngine;

// The one route from the current preset to the instrument. It knows the patch the instrument's edit
// buffer holds, as far as the program can tell (what it last sent there, and every Patch and Control
// message the instrument sent), and on any change of the current preset it sends what the instrument
// lacks: a Control message for each byte that differs, or one Patch message when more do. Undo, redo and
// revert send the whole patch again. Every other part of the program only changes the preset.
//
// One per MIDI engine: of() finds or makes it.
class QZPInstrumentSync : public QObject {
    Q_OBJECT

public:
    // Up to this many differing bytes go out as Control messages (7 bytes each); past it one Patch
    // message (24 bytes) carries them all at once.
    static constexpr int MostControlMessages = 2;

    static QZPInstrumentSync* of(QZPMidiEngine* engine);
    explicit QZPInstrumentSync(QZPMidiEngine* engine);

    // The preset the instrument plays: from now on its every change goes out.
    QZPPreset* preset() const { return m_preset; }
    void setPreset(QZPPreset* preset);

    // A preset's whole patch (a preset chosen, an entry of a recording auditioned), loading its file first;
    // the instrument holds it from then on.
    void sendPreset(QZPPreset* preset);
    // Another patch in place of the current preset's (the reference of a comparison), whole.
    void sendPatch(const QZPPatch& patch);

    // What the instrument holds, as far as the program knows; none before anything was sent or received
    // (and after the destination or the channel changed): then it is taken to hold the current preset.
    std::optional<QZPPatch> instrumentPatch() const { return m_instrument; }

private:
    void presetChanged(QZPPreset::Change change);
    void sendChanges(const QZPPatch& before);
    void received(const QByteArray& sysex, quint8 type);
    void sendDynamics();
    quint8 dynamics() const;
    quint8 channel() const;

    QZPMidiEngine* m_engine;
    QPointer<QZPPreset> m_preset;
    QMetaObject::Connection m_connection;
    std::optional<QZPPatch> m_instrument;
    // The preset's patch as it was after its last change: what the instrument is taken to hold when
    // nothing is known of it, and what tells a change of the patch from other notifications.
    QZPPatch m_lastSeen;
};
