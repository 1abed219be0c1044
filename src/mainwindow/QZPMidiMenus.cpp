// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/QZPMidiMenus.h"

#include "midi/QZPMidiEngine.h"
#include "model/QZPSettings.h"

#include <QActionGroup>
#include <QMenu>

QZPMidiMenus::QZPMidiMenus(QZPMidiEngine* engine, QObject* parent) : QObject(parent), m_engine(engine) {
    setChannel(QZPSettings::standard()->intValue(QString::fromLatin1(MidiChannelKey)));
    connect(m_engine, &QZPMidiEngine::setupChanged, this, &QZPMidiMenus::statusChanged);
    connect(m_engine, &QZPMidiEngine::backendOpened, this, &QZPMidiMenus::statusChanged);
    connect(m_engine, &QZPMidiEngine::destinationChanged, this, &QZPMidiMenus::statusChanged);
    connect(m_engine, &QZPMidiEngine::sourceChanged, this, &QZPMidiMenus::statusChanged);
}

void QZPMidiMenus::setChannel(int channel) {
    channel &= 0x0F;
    m_engine->setTargetedMidiChannel(channel);
    if (channel == m_channel)
        return;
    const bool first = m_channel < 0;
    m_channel = channel;
    if (!first)
        QZPSettings::standard()->setValue(QString::fromLatin1(MidiChannelKey), channel);
    if (m_channelMenu)
        updateChannelMenu(m_channelMenu);
    emit statusChanged();
    emit channelChanged(channel);
}

void QZPMidiMenus::setMenus(QMenu* deviceMenu, QMenu* channelMenu) {
    m_deviceMenu = deviceMenu;
    m_channelMenu = channelMenu;
    const auto updateDevices = [this] {
        if (m_deviceMenu)
            updateDeviceMenu(m_deviceMenu);
    };
    connect(deviceMenu, &QMenu::aboutToShow, this, updateDevices);
    connect(m_engine, &QZPMidiEngine::setupChanged, deviceMenu, updateDevices);
    connect(m_engine, &QZPMidiEngine::destinationChanged, deviceMenu, updateDevices);
    connect(m_engine, &QZPMidiEngine::sourceChanged, deviceMenu, updateDevices);
    connect(channelMenu, &QMenu::aboutToShow, this, [this] { updateChannelMenu(m_channelMenu); });
    connect(channelMenu, &QMenu::triggered, this,
            [this](QAction* item) { setChannel(item->data().toInt() & 0xFF); });
    updateDevices();
    updateChannelMenu(channelMenu);
}

void QZPMidiMenus::updateChannelMenu(QMenu* menu) {
    auto* group = menu->findChild<QActionGroup*>(QStringLiteral("channels"), Qt::FindDirectChildrenOnly);
    if (!group) {
        group = new QActionGroup(menu);
        group->setObjectName(QStringLiteral("channels"));
    }
    for (QAction* item : menu->actions()) {
        item->setCheckable(true);
        group->addAction(item);
        item->setChecked(item->data().toInt() == m_channel);
    }
}

void QZPMidiMenus::updateDeviceMenu(QMenu* menu) {
    menu->clear();
    menu->addActions(itemsForEndpoints(menu, m_engine->midiSources(), m_engine->source(), tr("Input Device:"),
                                       tr("Any Source"), true));
    menu->addSeparator();
    menu->addActions(itemsForEndpoints(menu, m_engine->midiDestinations(), m_engine->destination(),
                                       tr("Output Device:"), tr("No Destination"), false));
}

QList<QAction*> QZPMidiMenus::itemsForEndpoints(QMenu* menu, const QList<QZPMidiEndpoint>& endpoints,
                                                const QZPMidiEndpoint& selected, const QString& title,
                                                const QString& placeholder, bool sources) {
    QList<QAction*> items;
    auto* header = new QAction(title, menu);
    header->setEnabled(false);
    items << header;
    const auto choose = [this, sources](const QZPMidiEndpoint& endpoint) {
        if (sources)
            m_engine->setSource(endpoint);
        else
            m_engine->setDestination(endpoint);
    };
    auto* none = new QAction(placeholder, menu);
    // One choice per half: radio items (the group goes with the items when the menu is rebuilt).
    auto* choices = new QActionGroup(none);
    none->setCheckable(true);
    none->setChecked(selected.isNull());
    choices->addAction(none);
    connect(none, &QAction::triggered, this, [choose] { choose(QZPMidiEndpoint()); });
    items << none;
    for (const QZPMidiEndpoint& endpoint : endpoints) {
        auto* item = new QAction(endpoint.displayName(), menu);
        choices->addAction(item);
        item->setCheckable(true);
        item->setChecked(!selected.isNull() && endpoint.uniqueID() == selected.uniqueID());
        connect(item, &QAction::triggered, this, [choose, endpoint] { choose(endpoint); });
        items << item;
    }
    return items;
}

QString QZPMidiMenus::statusText() const {
    const QZPMidiEndpoint out = m_engine->destination();
    const QZPMidiEndpoint in = m_engine->source();
    const QString output = !m_engine->isBackendOpen() ? tr("MIDI opening…")
                           : out.isNull()             ? tr("No MIDI output")
                                                      : tr("Out: %1").arg(out.displayName());
    const QString input = in.isNull() ? tr("In: any source") : tr("In: %1").arg(in.displayName());
    return tr("%1 · %2 · Channel %3").arg(output, input).arg(m_channel + 1);
}
