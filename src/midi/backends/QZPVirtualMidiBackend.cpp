// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/backends/QZPVirtualMidiBackend.h"

#include "midi/QZPMidiPortIdentity.h"

QZPVirtualMidiBackend::QZPVirtualMidiBackend(const QString& name) : m_name(name) {}

QList<QZPMidiEndpoint> QZPVirtualMidiBackend::sources() {
    QMutexLocker lock(&m_lock);
    return QZPMidiPortIdentity::endpoints(m_sourceNames, QZPMidiPortIdentity::System::Virtual,
                                          QZPMidiEndpoint::Direction::Source);
}

QList<QZPMidiEndpoint> QZPVirtualMidiBackend::destinations() {
    QMutexLocker lock(&m_lock);
    return QZPMidiPortIdentity::endpoints(m_destinationNames, QZPMidiPortIdentity::System::Virtual,
                                          QZPMidiEndpoint::Direction::Destination);
}

bool QZPVirtualMidiBackend::send(const QZPMidiEndpoint& destination, QByteArrayView bytes, QString* error) {
    if (!destinations().contains(destination)) {
        if (error)
            *error = QStringLiteral("The destination %1 is not there.").arg(destination.description());
        return false;
    }
    QMutexLocker lock(&m_lock);
    m_sent.append({destination, bytes.toByteArray()});
    return true;
}

void QZPVirtualMidiBackend::connectEndpoints(const QList<QZPMidiEndpoint>& sources,
                                             const QList<QZPMidiEndpoint>&) {
    QMutexLocker lock(&m_lock);
    m_connectedSources = sources;
}

void QZPVirtualMidiBackend::addSource(const QString& portName) {
    QMutexLocker lock(&m_lock);
    m_sourceNames.append(portName);
}

void QZPVirtualMidiBackend::removeSource(const QString& portName) {
    QMutexLocker lock(&m_lock);
    m_sourceNames.removeOne(portName);
}

void QZPVirtualMidiBackend::addDestination(const QString& portName) {
    QMutexLocker lock(&m_lock);
    m_destinationNames.append(portName);
}

void QZPVirtualMidiBackend::removeDestination(const QString& portName) {
    QMutexLocker lock(&m_lock);
    m_destinationNames.removeOne(portName);
}

void QZPVirtualMidiBackend::inject(const QString& sourcePortName, const QByteArray& bytes) {
    qint32 id = 0;
    {
        QMutexLocker lock(&m_lock);
        for (const QZPMidiEndpoint& source : m_connectedSources)
            if (source.portName() == sourcePortName)
                id = source.uniqueID();
    }
    if (id != 0)
        deliver(id, bytes);
}

QList<QZPVirtualMidiBackend::Sent> QZPVirtualMidiBackend::takeSent() {
    QMutexLocker lock(&m_lock);
    return std::exchange(m_sent, {});
}

QList<QZPMidiEndpoint> QZPVirtualMidiBackend::connectedSources() const {
    QMutexLocker lock(&m_lock);
    return m_connectedSources;
}
