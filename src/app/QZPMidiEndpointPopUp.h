// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/QZPMidiEndpoint.h"

#include <QComboBox>
#include <QPointer>

class QZPMidiEngine;

// A pop-up of the engine's MIDI sources or destinations that shows and sets the engine's choice: the
// first item is "Any Source" (sources) or "No Destination", then the endpoints by name. It follows the
// engine, so a device plugged in or out shows at once.
class QZPMidiEndpointPopUp : public QComboBox {
    Q_OBJECT

public:
    QZPMidiEndpointPopUp(QZPMidiEngine* engine, QZPMidiEndpoint::Direction direction,
                         QWidget* parent = nullptr);

    // Makes the list again from the engine.
    void reload();

private:
    void choose(int index);

    QPointer<QZPMidiEngine> m_engine;
    QZPMidiEndpoint::Direction m_direction;
};
