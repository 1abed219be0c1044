// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/QZPPlayingStrip.h"

#include "editor/QZPEditorController.h"
#include "editor/QZPEnvelopeView.h"
#include "editor/QZPKeyboardView.h"
#include "midi/QZPMidiClaviature.h"
#include "midi/QZPMidiEngine.h"

#include <QHBoxLayout>

namespace {

// The computer keyboard's letters span an octave and three notes (A to L).
constexpr int ComputerKeyCount = 15;
constexpr int SemitonesPerOctave = 12;

} // namespace

QZPPlayingStrip::QZPPlayingStrip(QZPEditorController* editor, QZPMidiEngine* engine,
                                 QZPMidiClaviature* claviature, QWidget* parent)
    : QWidget(parent), m_keyboard(new QZPKeyboardView(this)) {
    setObjectName(QStringLiteral("PlayingStrip"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    row->addWidget(editor->envelopeView(), 2);
    row->addWidget(m_keyboard, 5);
    connect(m_keyboard, &QZPKeyboardView::notePressed, engine,
            [engine](int note) { engine->sendNoteOn(quint8(note)); });
    connect(m_keyboard, &QZPKeyboardView::noteReleased, engine,
            [engine](int note) { engine->sendNoteOff(quint8(note)); });
    const auto showOctave = [this](uint octave) {
        m_keyboard->setComputerKeys(int(octave) * SemitonesPerOctave, ComputerKeyCount);
    };
    showOctave(claviature->octave());
    connect(claviature, &QZPMidiClaviature::octaveChanged, this, showOctave);
    connect(engine, &QZPMidiEngine::channelMessageReceived, this, &QZPPlayingStrip::inputMessage);
}

void QZPPlayingStrip::computerKeyboardNote(quint8 note, bool on) {
    m_keyboard->setLit(note, on);
}

void QZPPlayingStrip::inputMessage(const QByteArray& message) {
    if (message.size() < 3)
        return;
    const quint8 status = quint8(message.at(0)) & 0xF0;
    const int note = quint8(message.at(1)) & 0x7F;
    const int velocity = quint8(message.at(2)) & 0x7F;
    if (status == 0x90)
        m_keyboard->setLit(note, velocity > 0);
    else if (status == 0x80)
        m_keyboard->setLit(note, false);
    else if (status == 0xB0 && (note == 123 || note == 120)) // All Notes Off, All Sound Off
        m_keyboard->clearLit();
}
