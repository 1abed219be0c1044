// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QZPMidiEndpointPopUp.h"

#include "midi/QZPMidiEngine.h"

#include <QSignalBlocker>

QZPMidiEndpointPopUp::QZPMidiEndpointPopUp(QZPMidiEngine* engine, QZPMidiEndpoint::Direction direction,
                                           QWidget* parent)
    : QComboBox(parent), m_engine(engine), m_direction(direction) {
    const bool sources = direction == QZPMidiEndpoint::Direction::Source;
    setAccessibleName(sources ? tr("MIDI Input") : tr("MIDI Output"));
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(18);
    connect(this, &QComboBox::activated, this, &QZPMidiEndpointPopUp::choose);
    connect(engine, &QZPMidiEngine::setupChanged, this, &QZPMidiEndpointPopUp::reload);
    connect(engine, sources ? &QZPMidiEngine::sourceChanged : &QZPMidiEngine::destinationChanged, this,
            &QZPMidiEndpointPopUp::reload);
    reload();
}

void QZPMidiEndpointPopUp::reload() {
    if (!m_engine)
        return;
    const bool sources = m_direction == QZPMidiEndpoint::Direction::Source;
    const QList<QZPMidiEndpoint> endpoints = sources ? m_engine->midiSources() : m_engine->midiDestinations();
    const QZPMidiEndpoint chosen = sources ? m_engine->source() : m_engine->destination();
    const QSignalBlocker blocker(this);
    clear();
    addItem(sources ? tr("Any Source") : tr("No Destination"), 0);
    for (const QZPMidiEndpoint& endpoint : endpoints)
        addItem(endpoint.displayName(), endpoint.uniqueID());
    const int index = findData(chosen.isNull() ? 0 : chosen.uniqueID());
    setCurrentIndex(index < 0 ? 0 : index);
}

void QZPMidiEndpointPopUp::choose(int index) {
    if (!m_engine)
        return;
    const qint32 id = itemData(index).toInt();
    const bool sources = m_direction == QZPMidiEndpoint::Direction::Source;
    const QList<QZPMidiEndpoint> endpoints = sources ? m_engine->midiSources() : m_engine->midiDestinations();
    QZPMidiEndpoint endpoint;
    for (const QZPMidiEndpoint& candidate : endpoints)
        if (candidate.uniqueID() == id)
            endpoint = candidate;
    if (id != 0 && endpoint.isNull())
        return; // gone since the list was made: the engine's change reloads it
    if (sources)
        m_engine->setSource(endpoint);
    else
        m_engine->setDestination(endpoint);
}
