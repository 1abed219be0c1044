// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/QZPComparison.h"

#include "editor/QZPEditorController.h"
#include "model/QZPPatchDifference.h"

#include <utility>

QZPComparison::QZPComparison(QZPEditorController* editor, Sender send, QObject* parent)
    : QObject(parent), m_editor(editor), m_send(std::move(send)) {}

void QZPComparison::setPreset(QZPPreset* preset) {
    disconnect(m_connection);
    // Another preset is shown as itself, against its own saved patch.
    const bool wasComparing = std::exchange(m_comparing, false);
    m_preset = preset;
    m_other.reset();
    if (preset)
        m_connection = connect(preset, &QZPPreset::presetChanged, this, &QZPComparison::presetChanged);
    m_editor->setShowsReference(false);
    showMarks();
    if (wasComparing)
        emit comparingChanged(false);
}

QZPPatch QZPComparison::reference() const {
    if (m_other)
        return *m_other;
    return m_preset ? QZPPatch(m_preset->initialSysexData()) : QZPPatch();
}

QString QZPComparison::differences() const {
    if (!m_comparing || !m_preset)
        return {};
    const QString words = QZPPatchDifference::describe(
        QZPPatchDifference::between(m_preset->patch(), reference()), QZPValueScale::chosen());
    return words.isEmpty() ? tr("No differences") : words;
}

QString QZPComparison::referenceName() const {
    return m_other ? m_otherName : tr("saved");
}

void QZPComparison::setComparing(bool on) {
    if (show(on))
        m_send(m_comparing ? reference() : m_preset->patch());
}

bool QZPComparison::show(bool on) {
    on = on && m_preset;
    if (on == m_comparing)
        return false;
    m_comparing = on;
    showMarks();
    m_editor->setShowsReference(on, tr("Comparing: %1").arg(referenceName()));
    emit comparingChanged(on);
    return true;
}

void QZPComparison::compareWith(const QZPPatch& reference, const QString& name) {
    if (!m_preset)
        return;
    m_other = reference;
    m_otherName = name;
    if (m_comparing) {
        // Already comparing: show and send the new reference.
        m_comparing = false;
        m_editor->setShowsReference(false);
    }
    setComparing(true);
}

// Any change of the preset (an edit on the panel or the instrument, undo, a paste, a recording) ends
// the comparison, and the instrument follows the change as from any other patch it held; a save moves
// the saved reference along.
void QZPComparison::presetChanged(QZPPreset::Change change) {
    if (m_comparing && change != QZPPreset::Change::Saved && change != QZPPreset::Change::Autosaved)
        show(false);
    else
        showMarks();
}

// The panel is told only when the reference moved (a save, another preset): it follows the preset's own
// changes by itself.
void QZPComparison::showMarks() {
    const std::optional<QZPPatch> shown = m_preset ? std::optional<QZPPatch>(reference()) : std::nullopt;
    if (shown != m_editor->reference())
        m_editor->setReference(shown);
}
