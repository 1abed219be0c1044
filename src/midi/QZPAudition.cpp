// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/QZPAudition.h"

#include "midi/QZPInstrumentSync.h"
#include "midi/QZPMidiEngine.h"
#include "model/QZPSettings.h"

namespace {
constexpr quint8 C2 = 36, G2 = 43, C3 = 48, C4 = 60, E4 = 64, G4 = 67;
} // namespace

QList<QZPAudition::Step> QZPAudition::steps(Phrase phrase) {
    switch (phrase) {
    case Phrase::Note:
        return {{0, C4, true}, {1200, C4, false}};
    case Phrase::Chord:
        return {{0, C4, true},     {0, E4, true},     {0, G4, true},
                {1400, C4, false}, {1400, E4, false}, {1400, G4, false}};
    case Phrase::Bass:
        return {{0, C2, true},    {220, C2, false}, {250, C2, true},  {470, C2, false}, {500, G2, true},
                {720, G2, false}, {750, C3, true},  {970, C3, false}, {1000, C2, true}, {1400, C2, false}};
    }
    return {};
}

QZPAudition::Phrase QZPAudition::chosenPhrase() {
    const int chosen = QZPSettings::standard()->intValue(QString::fromLatin1(QZPSettings::AuditionPhraseKey));
    return chosen == 1 ? Phrase::Chord : chosen == 2 ? Phrase::Bass : Phrase::Note;
}

QZPAudition::QZPAudition(QZPMidiEngine* engine, QObject* parent) : QObject(parent), m_engine(engine) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &QZPAudition::advance);
}

QZPAudition::~QZPAudition() {
    for (const quint8 note : std::as_const(m_sounding))
        m_engine->sendNoteOff(note);
}

void QZPAudition::play(const QZPPatch& patch, Phrase phrase) {
    if (isPlaying()) {
        // The one before ends at once; the new patch follows it, so nothing is sent back in between.
        m_timer.stop();
        for (const quint8 note : std::as_const(m_sounding))
            m_engine->sendNoteOff(note);
        m_sounding.clear();
    }
    m_patch = patch;
    QZPInstrumentSync::of(m_engine)->sendPatch(patch);
    m_steps = steps(phrase);
    m_next = 0;
    m_clock.start();
    advance();
}

void QZPAudition::stop() {
    if (isPlaying())
        end();
}

// Plays every step that is due, then waits for the next; after the last, ends.
void QZPAudition::advance() {
    const qint64 now = m_clock.elapsed();
    for (; m_next < m_steps.size() && m_steps[m_next].atMs <= now; ++m_next) {
        const Step& step = m_steps[m_next];
        if (step.on) {
            m_engine->sendNoteOn(step.note);
            m_sounding.append(step.note);
        } else {
            m_engine->sendNoteOff(step.note);
            m_sounding.removeOne(step.note);
        }
    }
    if (m_next < m_steps.size())
        m_timer.start(int(m_steps[m_next].atMs - now));
    else
        end();
}

// Notes off, then the current preset's patch back, unless the instrument was given another patch
// meanwhile (a preset chosen): that one stays.
void QZPAudition::end() {
    m_timer.stop();
    for (const quint8 note : std::as_const(m_sounding))
        m_engine->sendNoteOff(note);
    m_sounding.clear();
    QZPInstrumentSync* sync = QZPInstrumentSync::of(m_engine);
    if (m_patch && sync->instrumentPatch() == m_patch && sync->preset())
        sync->sendPreset(sync->preset());
    m_patch.reset();
    emit finished();
}
