// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPError.h"

#include "midi/QZPMidiBackend.h"
#include "midi/QZPMidiEndpoint.h"
#include "midi/QZPMidiOutputQueue.h"
#include "midi/QZPRateLimitedLog.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class QZPMidiMessageDelegate;
class QZPSettings;

// The program's one connection to MIDI: the lists of sources and destinations, the chosen source and
// destination (remembered across launches by unique ID, dropped when their device goes away and taken
// back when it returns), receiving (input from every source, or only from the chosen one, reaches the
// delegate on the main thread after the acceptance rules) and sending through the paced output queue.
class QZPMidiEngine : public QObject {
    Q_OBJECT
    Q_PROPERTY(int targetedMidiChannel READ targetedMidiChannel WRITE setTargetedMidiChannel NOTIFY
                   targetedMidiChannelChanged)

public:
    static constexpr int DefaultPollIntervalMs = 500;

    // The shared engine, created on first use with the user's settings; it stores the chosen devices when
    // the application quits. It has no ports until openBackend() opens the MIDI system of
    // setSharedBackendChoice (else "auto"), so that the window can show before MIDI, JACK and the
    // sound output open.
    static QZPMidiEngine* sharedInstance();
    // Opens a later-opening engine's MIDI system, once, on a thread of its own; back on the engine's
    // thread its ports are listed, the remembered devices taken back, and backendOpened() said. An
    // engine made with its back-end is open from the start.
    void openBackend();
    bool isBackendOpen() const { return m_backendOpen; }
    // The error shown when a preset is to be sent and no output is chosen.
    static QZPError noDestinationError();
    // "auto", "alsa", "jack" or "none"; effective only before the shared engine exists.
    static void setSharedBackendChoice(const QString& choice);

    // An engine on the given back-end. With settings it starts from the devices chosen at the last quit;
    // without, it starts with none and remembers nothing.
    QZPMidiEngine(std::unique_ptr<QZPMidiBackend> backend, QZPSettings* settings, QObject* parent = nullptr);
    // An engine whose MIDI system opens later, at openBackend(), from `opener`: until then it has no ports
    // and keeps the remembered devices for when it opens.
    using BackendOpener = std::function<std::unique_ptr<QZPMidiBackend>()>;
    QZPMidiEngine(BackendOpener opener, QZPSettings* settings, QObject* parent = nullptr);
    ~QZPMidiEngine() override;

    QZPMidiBackend* backend() const { return m_backend.get(); }
    QZPMidiOutputQueue* outputQueue() { return &m_output; }

    // Endpoint lists, sorted by display name.
    QList<QZPMidiEndpoint> midiSources() const { return m_sources; }
    QList<QZPMidiEndpoint> midiDestinations() const { return m_destinations; }

    // The chosen source (null: any source) and destination (null: no destination). Choosing an
    // endpoint forgets the one waiting to come back.
    QZPMidiEndpoint source() const { return m_source; }
    void setSource(const QZPMidiEndpoint& source);
    QZPMidiEndpoint destination() const { return m_destination; }
    void setDestination(const QZPMidiEndpoint& destination);
    qint32 disconnectedSourceID() const { return m_disconnectedSrcID; }
    qint32 disconnectedDestinationID() const { return m_disconnectedDstID; }

    int targetedMidiChannel() const { return m_targetedMidiChannel; }
    void setTargetedMidiChannel(int channel);

    QZPMidiMessageDelegate* delegate() const;
    void setDelegate(QZPMidiMessageDelegate* delegate);

    // Rebuilds the lists, re-checks the chosen endpoints, emits setupChanged.
    void refreshAvailableEndpoints();
    void disconnectOrReconnectCurrentEndpoints();
    // `endpoint` when `collection` holds it; none (remembering its ID) when it went away; with no
    // endpoint, the first one of `collection` with the remembered ID.
    static QZPMidiEndpoint updatedEndpoint(const QZPMidiEndpoint& endpoint,
                                           const QList<QZPMidiEndpoint>& collection, qint32* disconnectionID);
    // Stores the unique IDs of the chosen source and destination (0 for none).
    void applicationWillTerminate();

    // Device watching: the port lists are compared at this interval and a change refreshes the lists.
    // 0 stops watching (tests call pollEndpoints themselves).
    void setPollInterval(int milliseconds);
    // Refreshes when the back-end's port lists differ from the engine's; answers whether they did.
    bool pollEndpoints();

    // Receiving, on the main thread: the bytes one source delivered in one piece.
    void receive(qint32 sourceID, const QByteArray& bytes);
    // One received MIDI message: accepted SysEx goes to the delegate, refused SysEx to the log.
    void handleMIDICommand(const QByteArray& message);
    // The setting that decides MIDI Thru for the current destination (the built-in sound's or an
    // instrument's), and whether it is on: notes, pitch bend, modulation and the hold pedal from the
    // chosen input go on to the destination, on the targeted channel.
    const char* midiThruKey() const;
    bool passesThru() const;
    // While the delegate is called: the unique ID of the source the message came from (0 otherwise).
    qint32 currentSourceID() const { return m_currentSourceID; }

    // Sending. Every send goes through the output queue and returns at once.
    void sendSysex(QByteArrayView bytes);
    void sendSysexControl(quint8 control, quint8 value);
    void sendControl(quint8 controller, quint8 value);
    // Chooses a program slot on the instrument (0 for A11 to 127 for B88).
    void sendProgramChange(quint8 program);
    void sendNoteOn(quint8 note, quint8 velocity = 110);
    void sendNoteOff(quint8 note, quint8 velocity = 0);
    void sendAllNotesOff();
    void sendMIDICommand(QByteArrayView command);

signals:
    // The MIDI system opened (the shared engine's, after the window shows).
    void backendOpened();
    // Every accepted Juno-106 message from outside, whoever the delegate is (before it is called).
    void sysexReceived(const QByteArray& sysex, quint8 type);
    // Every note, controller, program change and other channel message from the chosen input.
    void channelMessageReceived(const QByteArray& message);
    void setupChanged();
    // A message went out to a destination (for the window's MIDI out light).
    void messageSent();
    void sourceChanged();
    void destinationChanged();
    void targetedMidiChannelChanged();

public:
    // Input limits: the longest delivery taken (a Patch message is 24 bytes; a few KiB is plenty), and
    // how many deliveries may wait for the main thread.
    static constexpr qsizetype MaximumDeliveryLength = 4096;
    static constexpr int MaximumPendingDeliveries = 4096;
    static constexpr int DropReportIntervalMs = 1000;

private:
    void adoptBackend(std::unique_ptr<QZPMidiBackend> backend);
    bool deliverToBackend(const QZPMidiEndpoint& destination, QByteArrayView bytes, QString* error);
    void scheduleDropReport();
    void reportDrops();
    void logRefused(const QString& reason, const QByteArray& message);

    std::unique_ptr<QZPMidiBackend> m_backend;
    QZPSettings* m_settings;
    QZPMidiOutputQueue m_output;
    QTimer m_pollTimer;
    QList<QZPMidiEndpoint> m_sources;
    QList<QZPMidiEndpoint> m_destinations;
    QZPMidiEndpoint m_source;
    QZPMidiEndpoint m_destination;
    qint32 m_disconnectedSrcID = 0;
    qint32 m_disconnectedDstID = 0;
    std::atomic<int> m_targetedMidiChannel{0};
    QZPMidiMessageDelegate* m_delegate = nullptr;
    // Set when the delegate is a QObject: a destroyed delegate is never called.
    QPointer<QObject> m_delegateObject;
    bool m_delegateIsObject = false;
    bool m_backendOpen = true;
    BackendOpener m_opener;
    std::thread m_opening;
    qint32 m_currentSourceID = 0;
    // Between the MIDI thread and the main thread.
    std::atomic<int> m_pendingDeliveries{0};
    std::atomic<qint64> m_droppedLong{0};
    std::atomic<qint64> m_longestDropped{0};
    std::atomic<qint64> m_droppedFlood{0};
    std::atomic<bool> m_dropReportScheduled{false};
    QElapsedTimer m_clock;
    QZPRateLimitedLog m_refusedLog;
};
