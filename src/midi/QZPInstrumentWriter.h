// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/QZPPatchSettler.h"
#include "model/QZPPatch.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <optional>

class QZPMidiEngine;

// Writes presets into the instrument's program slots with the owner's hands. The instrument ignores the
// program number of a Patch message: a sound is stored only by pressing WRITE and a slot's buttons after
// it is in the edit buffer. For each slot in turn the writer sends the patch into the edit buffer and
// waits; the instrument then switches to the slot written and sends what it stored (the last of its two
// Patch messages). The same 18 bytes from that slot verify it, and the next slot's patch goes out at once;
// other bytes or another slot are a mismatch: the patch is sent again to be written again. An instrument
// set not to send patches cannot verify: the owner says "Written" and the slot counts as unverified.
class QZPInstrumentWriter : public QObject {
    Q_OBJECT

public:
    enum class State { Waiting, Sent, Verified, Mismatch, Skipped, Unverified };
    struct Entry {
        QString name;
        QZPPatch patch;
        quint8 slot = 0;
        State state = State::Waiting;
        // What differs after a mismatch, in words.
        QString problem;
    };

    explicit QZPInstrumentWriter(QZPMidiEngine* engine, QObject* parent = nullptr);

    // `count` slots one after another from `first`, as many as there are up to B88.
    static QList<quint8> consecutiveSlots(quint8 first, qsizetype count);
    // The slots the names begin with ("A16 Brass"), when every name begins with one and no two with the
    // same; none otherwise.
    static std::optional<QList<quint8>> slotsFromNames(const QStringList& names);
    // "Press WRITE, then A-1-6": the slot as the panel's bank, group and number buttons read.
    static QString pressText(quint8 slot);
    static QString stateText(State state);

    // The presets to write and their slots (the same length; extra presets are left out).
    void setPlan(const QList<std::pair<QString, QZPPatch>>& presets, const QList<quint8>& chosen);
    const QList<Entry>& entries() const { return m_entries; }
    // The entry being written: -1 when stopped before the first or after the last.
    qsizetype current() const { return m_current; }
    bool isRunning() const { return m_running; }
    qsizetype verifiedCount() const;
    // "Verified N of M".
    QString statusText() const;

    // Starts, or resumes where it stopped: the current slot's patch is sent.
    void start();
    void stop();
    void skip();
    void back();
    // The owner wrote the slot, and the instrument does not send patches: it counts as unverified.
    void written();

signals:
    // An entry's state, the current entry or running changed.
    void changed();
    // Every slot is done with.
    void finished();

private:
    void moveTo(qsizetype index);
    void sendCurrent();
    void heard(const QList<QByteArray>& kept);
    void setState(qsizetype index, State state, const QString& problem = {});

    QPointer<QZPMidiEngine> m_engine;
    QZPPatchSettler m_settler;
    QList<Entry> m_entries;
    qsizetype m_current = 0;
    bool m_running = false;
};
