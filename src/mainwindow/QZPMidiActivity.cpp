// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/QZPMidiActivity.h"

#include "editor/QZPLightView.h"
#include "midi/QZPMidiEngine.h"

#include <QHBoxLayout>
#include <QLabel>

QZPMidiActivity::QZPMidiActivity(QZPMidiEngine* engine, QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 0, 8, 0);
    row->setSpacing(4);
    for (const auto& [light, title] : {std::pair{&m_in, tr("MIDI In")}, std::pair{&m_out, tr("MIDI Out")}}) {
        auto* label = new QLabel(light == &m_in ? tr("IN") : tr("OUT"), this);
        QFont small = label->font();
        small.setPointSizeF(small.pointSizeF() * 0.8);
        label->setFont(small);
        light->view = new QZPLightView(0, this);
        light->view->setFixedSize(10, 10);
        light->view->setAccessibleName(title);
        light->view->setAccessibleDescription(tr("idle"));
        label->setBuddy(light->view);
        row->addWidget(label);
        row->addWidget(light->view);
        light->off.setSingleShot(true);
        light->off.setInterval(FlashMilliseconds);
        QZPLightView* view = light->view;
        connect(&light->off, &QTimer::timeout, view, [view] {
            view->setOpacity(0);
            view->setAccessibleDescription(tr("idle"));
        });
    }
    connect(engine, &QZPMidiEngine::sysexReceived, this, [this] { flash(m_in); });
    connect(engine, &QZPMidiEngine::channelMessageReceived, this, [this] { flash(m_in); });
    connect(engine, &QZPMidiEngine::messageSent, this, [this] { flash(m_out); });
}

void QZPMidiActivity::flash(Light& light) {
    // A stream of messages keeps the light on; a timer restarted costs nothing per message.
    if (light.view->opacity() != 1.0) {
        light.view->setOpacity(1.0);
        light.view->setAccessibleDescription(tr("active"));
    }
    light.off.start();
}

bool QZPMidiActivity::isInLit() const {
    return m_in.view->opacity() == 1.0;
}

bool QZPMidiActivity::isOutLit() const {
    return m_out.view->opacity() == 1.0;
}
