// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/QZPPatchSettler.h"
#include "model/QZPPatch.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <optional>

class QZPMidiEngine;

// Finds out, from one press of a program button on the instrument, how it is set up and wired. First a
// test patch goes into the instrument's edit buffer; then whatever the instrument sends tells:
// - nothing within the time allowed: its MIDI OUT does not reach the chosen input;
// - notes only: the MIDI function switch is at I (no program changes, no SysEx);
// - a Program Change but no Patch message: the switch is at II;
// - Patch messages: the switch is at III, as ToneBench needs.
// The channel of what it sends is the instrument's; the patch it leaves behind on the program change is
// the test patch only when ToneBench's messages reach it (on the channel it listens to).
class QZPConnectionCheck : public QObject {
    Q_OBJECT

public:
    static constexpr int TimeLimitMs = 10000;
    // How long a Program Change waits for the Patch messages that follow it at III.
    static constexpr int PatchesAfterProgramChangeMs = 500;

    enum class Switch { Unknown, I, II, III };
    struct Result {
        bool heard = false;
        Switch position = Switch::Unknown;
        // The instrument's channel (0–15), when it sent anything on one.
        std::optional<int> channel;
        // Whether the test patch arrived in the instrument's edit buffer; none when it could not tell.
        std::optional<bool> outputReaches;
    };

    explicit QZPConnectionCheck(QZPMidiEngine* engine, QObject* parent = nullptr);

    // The patch sent into the edit buffer: a sound no panel leaves by chance.
    static QZPPatch testPatch();
    void setTimeLimit(int milliseconds) { m_timeLimit.setInterval(milliseconds); }
    // Sends the test patch and waits for the instrument.
    void start();
    bool isRunning() const { return m_running; }
    const Result& result() const { return m_result; }

    // The findings in words, one line each: the input, the switch, the channel, the output.
    QStringList findings() const;
    // The channel to switch to, when the instrument uses another than ToneBench.
    std::optional<int> channelToUse() const;
    static QString switchName(Switch position);

signals:
    void finished();

private:
    void heardChannelMessage(const QByteArray& message);
    void heardPatches(const QList<QByteArray>& kept);
    void heardSysex(const QByteArray& sysex, quint8 type);
    void finish();

    QPointer<QZPMidiEngine> m_engine;
    QZPPatchSettler m_settler;
    QTimer m_timeLimit;
    QTimer m_patchWait;
    Result m_result;
    bool m_running = false;
    bool m_sawNotes = false;
    bool m_sawProgramChange = false;
    // The first Patch message of the press: the patch the instrument left behind.
    QByteArray m_leftBehind;
};
