// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/QZPMidiBackend.h"

#include <QMutex>
#include <QStringList>

// MIDI inside the process: ports are added and removed by hand, sent messages are kept, and input is
// injected as if a device had sent it. With no ports it is the "none" back-end.
class QZPVirtualMidiBackend : public QZPMidiBackend {
public:
    explicit QZPVirtualMidiBackend(const QString& name = QStringLiteral("virtual"));

    QString name() const override { return m_name; }
    QList<QZPMidiEndpoint> sources() override;
    QList<QZPMidiEndpoint> destinations() override;
    bool send(const QZPMidiEndpoint& destination, QByteArrayView bytes, QString* error) override;
    void connectEndpoints(const QList<QZPMidiEndpoint>& sources,
                          const QList<QZPMidiEndpoint>& destinations) override;

    void addSource(const QString& portName);
    void removeSource(const QString& portName);
    void addDestination(const QString& portName);
    void removeDestination(const QString& portName);
    // Delivers bytes from the source port, if it is connected. Callable from any thread.
    void inject(const QString& sourcePortName, const QByteArray& bytes);

    struct Sent {
        QZPMidiEndpoint destination;
        QByteArray bytes;
    };
    QList<Sent> takeSent();
    QList<QZPMidiEndpoint> connectedSources() const;

private:
    QString m_name;
    mutable QMutex m_lock;
    QStringList m_sourceNames;
    QStringList m_destinationNames;
    QList<QZPMidiEndpoint> m_connectedSources;
    QList<Sent> m_sent;
};
