// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPPatch.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>
#include <optional>

class QZPMidiEngine;

// Hearing a preset without making it current: its patch goes to the destination, a short phrase plays
// (at most MaximumMs), and the current preset's patch goes back afterwards, so the instrument is never
// left holding a sound the window does not show. Another audition, or stop(), ends the phrase at once:
// its notes off first.
class QZPAudition : public QObject {
    Q_OBJECT

public:
    enum class Phrase { Note, Chord, Bass };
    static constexpr int MaximumMs = 2000;
    // One key of a phrase: when (ms from its start), which, down or up.
    struct Step {
        int atMs;
        quint8 note;
        bool on;
    };
    static QList<Step> steps(Phrase phrase);
    // The phrase the settings choose.
    static Phrase chosenPhrase();

    explicit QZPAudition(QZPMidiEngine* engine, QObject* parent = nullptr);
    ~QZPAudition() override;

    void play(const QZPPatch& patch, Phrase phrase);
    // Ends the phrase now (notes off) and gives the instrument back the current preset's patch.
    void stop();
    bool isPlaying() const { return m_timer.isActive() || !m_sounding.isEmpty(); }

signals:
    // The phrase has ended and the current preset's patch is back.
    void finished();

private:
    void advance();
    void end();

    QZPMidiEngine* m_engine;
    QTimer m_timer;
    QElapsedTimer m_clock;
    QList<Step> m_steps;
    qsizetype m_next = 0;
    QList<quint8> m_sounding;
    std::optional<QZPPatch> m_patch;
};
