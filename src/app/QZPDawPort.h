// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <memory>

class QZPDawBridge;
class QZPDawPorts;
class QZPMainWindowController;
class QZPMidiEngine;

// The "ToneBench DAW" ports while ToneBench runs on JACK or ALSA and the setting is on: what a sequencer
// sends on "in" reaches the window (controls) and the destination (notes), and the instrument's own moves
// come out of "out". Turning the setting off closes the ports at once; on again opens them.
class QZPDawPort : public QObject {
    Q_OBJECT

public:
    QZPDawPort(QZPMidiEngine* engine, QZPMainWindowController* window, QObject* parent = nullptr);
    ~QZPDawPort() override;

    bool isOpen() const;

private:
    void follow();

    QZPMidiEngine* m_engine;
    QPointer<QZPMainWindowController> m_window;
    QPointer<QZPDawBridge> m_bridge;
    std::unique_ptr<QZPDawPorts> m_ports;
};
