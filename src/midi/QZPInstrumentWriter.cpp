// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/QZPInstrumentWriter.h"

#include "midi/QZPInstrumentSync.h"
#include "midi/QZPMidiEngine.h"
#include "model/QZPPatchDifference.h"
#include "model/QZPPreset.h"

#include <QSet>
#include <algorithm>

QZPInstrumentWriter::QZPInstrumentWriter(QZPMidiEngine* engine, QObject* parent)
    : QObject(parent), m_engine(engine) {
    connect(engine, &QZPMidiEngine::sysexReceived, &m_settler, &QZPPatchSettler::take);
    connect(&m_settler, &QZPPatchSettler::settled, this, &QZPInstrumentWriter::heard);
}

QList<quint8> QZPInstrumentWriter::consecutiveSlots(quint8 first, qsizetype count) {
    QList<quint8> chosen;
    for (int slot = first; slot < 128 && chosen.size() < count; ++slot)
        chosen << quint8(slot);
    return chosen;
}

std::optional<QList<quint8>> QZPInstrumentWriter::slotsFromNames(const QStringList& names) {
    QList<quint8> chosen;
    QSet<quint8> taken;
    for (const QString& name : names) {
        const std::optional<quint8> slot = QZPPreset::slotOfName(name);
        if (!slot || taken.contains(*slot))
            return std::nullopt;
        taken.insert(*slot);
        chosen << *slot;
    }
    return chosen;
}

QString QZPInstrumentWriter::pressText(quint8 slot) {
    const QString name = QZPPreset::programNameForByte(slot);
    return tr("Press WRITE, then %1-%2-%3").arg(name.at(0)).arg(name.at(1)).arg(name.at(2));
}

QString QZPInstrumentWriter::stateText(State state) {
    switch (state) {
    case State::Waiting:
        return tr("waiting");
    case State::Sent:
        return tr("sent");
    case State::Verified:
        return tr("verified");
    case State::Mismatch:
        return tr("mismatch");
    case State::Skipped:
        return tr("skipped");
    case State::Unverified:
        return tr("unverified");
    }
    return {};
}

void QZPInstrumentWriter::setPlan(const QList<std::pair<QString, QZPPatch>>& presets,
                                  const QList<quint8>& chosen) {
    m_entries.clear();
    for (qsizetype index = 0; index < std::min(presets.size(), chosen.size()); ++index)
        m_entries.append(
            {presets.at(index).first, presets.at(index).second, chosen.at(index), State::Waiting, {}});
    m_current = 0;
    m_running = false;
    emit changed();
}

qsizetype QZPInstrumentWriter::verifiedCount() const {
    return std::count_if(m_entries.begin(), m_entries.end(),
                         [](const Entry& entry) { return entry.state == State::Verified; });
}

QString QZPInstrumentWriter::statusText() const {
    return tr("Verified %1 of %2").arg(verifiedCount()).arg(m_entries.size());
}

void QZPInstrumentWriter::start() {
    if (m_current < 0 || m_current >= m_entries.size())
        m_current = 0;
    if (m_entries.isEmpty())
        return;
    m_running = true;
    m_settler.reset();
    sendCurrent();
}

void QZPInstrumentWriter::stop() {
    if (!m_running)
        return;
    m_running = false;
    if (m_current >= 0 && m_current < m_entries.size() && m_entries.at(m_current).state == State::Sent)
        m_entries[m_current].state = State::Waiting;
    emit changed();
}

void QZPInstrumentWriter::skip() {
    if (!m_running)
        return;
    setState(m_current, State::Skipped);
    moveTo(m_current + 1);
}

void QZPInstrumentWriter::back() {
    if (!m_running || m_current <= 0)
        return;
    if (m_entries.at(m_current).state == State::Sent)
        m_entries[m_current].state = State::Waiting;
    moveTo(m_current - 1);
}

void QZPInstrumentWriter::written() {
    if (!m_running)
        return;
    setState(m_current, State::Unverified);
    moveTo(m_current + 1);
}

void QZPInstrumentWriter::moveTo(qsizetype index) {
    m_current = index;
    if (index >= m_entries.size()) {
        m_running = false;
        emit changed();
        emit finished();
        return;
    }
    sendCurrent();
}

void QZPInstrumentWriter::sendCurrent() {
    Entry& entry = m_entries[m_current];
    if (m_engine)
        QZPInstrumentSync::of(m_engine)->sendPatch(entry.patch);
    if (entry.state != State::Mismatch)
        entry.state = State::Sent;
    emit changed();
}

// The patch the instrument holds after a press of its buttons: the slot written, if it is the one asked
// for, with the bytes sent.
void QZPInstrumentWriter::heard(const QList<QByteArray>& kept) {
    if (!m_running || m_current < 0 || m_current >= m_entries.size())
        return;
    const QByteArray& message = kept.last();
    const Entry& entry = m_entries.at(m_current);
    const quint8 slot = QZPPatch::programOf(message);
    const QZPPatch got(message);
    if (slot == entry.slot && got.data() == entry.patch.data()) {
        setState(m_current, State::Verified);
        moveTo(m_current + 1);
        return;
    }
    const QString problem =
        slot != entry.slot
            ? tr("%1 was chosen, not %2")
                  .arg(QZPPreset::programNameForByte(slot), QZPPreset::programNameForByte(entry.slot))
            : QZPPatchDifference::describeWanted(got, entry.patch, QZPValueScale::chosen());
    setState(m_current, State::Mismatch, problem);
    sendCurrent();
}

void QZPInstrumentWriter::setState(qsizetype index, State state, const QString& problem) {
    if (index < 0 || index >= m_entries.size())
        return;
    m_entries[index].state = state;
    m_entries[index].problem = problem;
    emit changed();
}
