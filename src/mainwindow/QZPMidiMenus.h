// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/QZPMidiEndpoint.h"

#include <QObject>
#include <QPointer>

class QAction;
class QMenu;
class QZPMidiEngine;

// The MIDI menus and the status line's text: the device menu (the input and output device, rebuilt
// whenever the ports or the choice change), the channel menu (the current channel checked whenever it
// changes), and the channel itself, kept in the settings and given to the engine. Both menus show their
// state also to assistive technology that reads a menu without opening it.
class QZPMidiMenus : public QObject {
    Q_OBJECT

public:
    static constexpr const char* MidiChannelKey = "MainWindow.midiChannel";

    // Takes the channel from the settings.
    explicit QZPMidiMenus(QZPMidiEngine* engine, QObject* parent = nullptr);

    void setMenus(QMenu* deviceMenu, QMenu* channelMenu);
    QMenu* deviceMenu() const { return m_deviceMenu; }
    QMenu* channelMenu() const { return m_channelMenu; }
    void updateDeviceMenu(QMenu* menu);
    // Checks the current channel among the menu's items (each carries its channel as data).
    void updateChannelMenu(QMenu* menu);

    int channel() const { return m_channel; }
    void setChannel(int channel);
    // "Out: … · In: … · Channel n": the chosen ports are always in view.
    QString statusText() const;

signals:
    void channelChanged(int channel);
    // The ports, the choice or the channel changed: the status text is new.
    void statusChanged();

private:
    QList<QAction*> itemsForEndpoints(QMenu* menu, const QList<QZPMidiEndpoint>& endpoints,
                                      const QZPMidiEndpoint& selected, const QString& title,
                                      const QString& placeholder, bool sources);

    QZPMidiEngine* m_engine;
    QPointer<QMenu> m_deviceMenu;
    QPointer<QMenu> m_channelMenu;
    int m_channel = -1;
};
