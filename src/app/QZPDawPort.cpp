// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QZPDawPort.h"

#include "mainwindow/QZPMainWindowController.h"
#include "midi/QZPDawBridge.h"
#include "midi/QZPMidiBackend.h"
#include "midi/QZPMidiEngine.h"
#include "midi/backends/QZPAlsaDawPorts.h"
#include "midi/backends/QZPJackDawPorts.h"
#include "model/QZPSettings.h"

#include <QLoggingCategory>

QZPDawPort::QZPDawPort(QZPMidiEngine* engine, QZPMainWindowController* window, QObject* parent)
    : QObject(parent), m_engine(engine), m_window(window) {
    connect(QZPSettings::standard(), &QZPSettings::valueChanged, this, [this](const QString& key) {
        if (key == QLatin1String(QZPSettings::DawPortsKey))
            follow();
    });
    // The MIDI system opens after the window shows: the ports follow it.
    connect(m_engine, &QZPMidiEngine::backendOpened, this, &QZPDawPort::follow);
    follow();
}

// The reader thread goes before the bridge it hands messages to.
QZPDawPort::~QZPDawPort() {
    m_ports.reset();
    delete m_bridge;
}

bool QZPDawPort::isOpen() const {
    return m_ports && m_ports->isOpen();
}

void QZPDawPort::follow() {
    const QString system = m_engine->backend() ? m_engine->backend()->name() : QString();
    const bool wanted = QZPSettings::standard()->boolValue(QString::fromLatin1(QZPSettings::DawPortsKey)) &&
                        (system == QLatin1String("jack") || system == QLatin1String("alsa"));
    if (!wanted) {
        m_ports.reset();
        delete m_bridge;
        return;
    }
    if (m_ports)
        return;
    m_bridge = new QZPDawBridge(
        m_engine,
        [this](const QByteArray& message) {
            if (m_ports)
                m_ports->send(message);
        },
        this);
    if (m_window)
        connect(m_bridge, &QZPDawBridge::parameterMoved, m_window,
                &QZPMainWindowController::moveFromSequencer);
    QPointer<QZPDawBridge> bridge = m_bridge;
    auto deliver = [bridge](const QByteArray& message) {
        QMetaObject::invokeMethod(
            bridge,
            [bridge, message] {
                if (bridge)
                    bridge->fromSequencer(message);
            },
            Qt::QueuedConnection);
    };
    if (system == QLatin1String("jack"))
        m_ports = std::make_unique<QZPJackDawPorts>(deliver);
    else
        m_ports = std::make_unique<QZPAlsaDawPorts>(deliver);
    QString error;
    if (!m_ports->open(&error)) {
        qWarning("The “%s” ports cannot open: %s", QZPDawPorts::Name, qPrintable(error));
        m_ports.reset();
        delete m_bridge;
    }
}
