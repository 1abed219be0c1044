// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/QZPSoundRenderer.h"

#include "midi/QZPMidiEndpoint.h"
#include "midi/QZPMidiMessageDelegate.h"

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QZPCommandArguments;
class QZPCommandLine;
class QZPMidiEngine;

// The instrument commands of tonebench-cli: ports, send, listen and record.
class QZPMidiCommandLine : public QObject, public QZPMidiMessageDelegate {
    Q_OBJECT

public:
    explicit QZPMidiCommandLine(QZPCommandLine& commandLine);
    ~QZPMidiCommandLine() override;

    int ports(const QStringList& arguments);
    int send(const QStringList& arguments);
    int listen(const QStringList& arguments);
    int record(const QStringList& arguments);

    void midiEngineDidReceiveSysex(QZPMidiEngine* engine, const QByteArray& sysex,
                                   quint8 messageType) override;

private:
    // Parses the command's arguments with the options every instrument command takes (--midi-api, --rate)
    // and opens the engine. Nothing, with the exit status in `status`, when that fails.
    std::optional<QZPCommandArguments> prepare(const QStringList& arguments, QStringList flags,
                                               QStringList options, int* status);
    // The endpoint an ENDPOINT argument names: a unique ID, an exact display name, or a case-insensitive
    // part of exactly one display name.
    std::optional<QZPMidiEndpoint> resolve(const QString& text, const QList<QZPMidiEndpoint>& endpoints,
                                           const QString& what, int* status);
    // The options listen and record share: --count N, --timeout S (0: none) and --from ENDPOINT, which
    // becomes the engine's source.
    struct Listening {
        qint64 count;
        qint64 timeout;
    };
    std::optional<Listening> startListening(const QZPCommandArguments& parsed, int* status);
    // Runs the event loop until `done` answers true or `seconds` (if positive) have passed.
    void runUntil(const std::function<bool()>& done, double seconds);
    void play(const QList<QZPSoundRenderer::Note>& notes);
    // After the last note of --notes, for its release to be heard.
    static constexpr double ReleaseSeconds = 1.0;

    QZPCommandLine& m_commandLine;
    std::unique_ptr<QZPMidiEngine> m_engine;
    std::function<void(const QByteArray&, quint8)> m_onSysex;
};
