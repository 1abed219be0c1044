// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTimer>

// Tells which of the Patch messages an instrument sends are the sounds it holds afterwards. On a program
// change the Juno-106 sends two Patch messages back to back: the patch it leaves (the program it was on,
// with any unwritten edits of the panel), then the patch it switches to (the stored sound); over DIN the
// second follows the first by about 8 ms. Another device dumping a bank sends one message per program,
// back to back too.
//
// Messages that follow each other within the settle time form a run, decided once the settle time has
// passed without another. The last message of a run is always kept. A run of two is one program change:
// its first is the patch left behind when it carries the program the instrument was last heard on, or
// when nothing was heard before. In a longer run (a bank dump, or program changes that arrive bunched
// up) a message is left behind when it is the patch the instrument held just before it: the program and
// sound of the Patch message before it with the knob moves (Control messages) heard since. With nothing
// heard before, the first message of a longer run is left behind when the third is: the run is program
// changes. A dump never sends the same program twice in a row, so every patch of it is kept.
class QZPPatchSettler : public QObject {
    Q_OBJECT

public:
    static constexpr int SettleMs = 40;

    explicit QZPPatchSettler(QObject* parent = nullptr);

    // A SysEx the instrument sent: Patch messages (type 0x30, 24 bytes) are held until their run settles;
    // anything else is passed over.
    void take(const QByteArray& sysex, quint8 messageType);
    // Decides the run held now without waiting.
    void settle();
    // Forgets the run held and what was heard before.
    void reset();
    bool isSettling() const { return !m_run.isEmpty(); }

signals:
    // A run settled: the patches it leaves the instrument holding, in arrival order (never empty); the last
    // is the one the instrument holds now.
    void settled(const QList<QByteArray>& kept);

private:
    // A Patch message of the run, and what the instrument held after it: the message with the knob moves
    // heard since.
    struct Heard {
        QByteArray message;
        QByteArray held;
    };
    bool isLeftBehind(qsizetype index) const;

    QTimer m_timer;
    QList<Heard> m_run;
    // What the instrument held before the run (empty when nothing was heard).
    QByteArray m_held;
};
