// SPDX-License-Identifier: GPL-3.0-or-later
#include "sidebar/QZPMarksEditor.h"
#include "sidebar/QZPTagCompleter.h"

#include "library/QZPPresetMarks.h"
#include "library/QZPPresetsController.h"
#include "model/QZPError.h"
#include "model/QZPErrorPresenter.h"
#include "model/QZPPatchQuery.h"
#include "model/QZPPreset.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QRegularExpression>
#include <algorithm>

QZPMarksEditor::QZPMarksEditor(QZPPresetsController* presets, QWidget* dialogParent, QObject* parent)
    : QObject(parent), m_presets(presets), m_dialogParent(dialogParent) {}

QList<QZPPreset*> QZPMarksEditor::markable(QList<QZPPreset*> presets) {
    presets.removeIf([this](const QZPPreset* preset) { return !m_presets->canMark(preset); });
    if (presets.isEmpty())
        emit statusMessage(tr("Only presets saved in the library’s folder take a star or tags."));
    return presets;
}

void QZPMarksEditor::toggleFavourite(QList<QZPPreset*> presets) {
    presets = markable(std::move(presets));
    if (presets.isEmpty())
        return;
    const bool on = !std::all_of(presets.begin(), presets.end(), [this](const QZPPreset* preset) {
        return m_presets->marksOf(preset).favourite;
    });
    QZPError error;
    if (!m_presets->changeMarks(
            presets, [on](QZPPresetMarks::Marks& marks) { marks.favourite = on; }, &error)) {
        QZPErrorPresenter::shared()->presentError(error);
        return;
    }
    emit statusMessage(presets.size() == 1 ? (on ? tr("Starred “%1”").arg(presets.first()->displayName())
                                                 : tr("Unstarred “%1”").arg(presets.first()->displayName()))
                                           : (on ? tr("Starred %1 presets").arg(presets.size())
                                                 : tr("Unstarred %1 presets").arg(presets.size())));
}

// The tags are typed as words, "#" before each optional; a word that cannot be a tag is said, and nothing
// changes.
void QZPMarksEditor::editTags(QList<QZPPreset*> presets) {
    presets = markable(std::move(presets));
    if (presets.isEmpty())
        return;
    const QStringList current = m_presets->marksOf(presets.first()).tags;
    const QString title = presets.size() == 1 ? tr("Tags of “%1”").arg(presets.first()->displayName())
                                              : tr("Tags of %1 Presets").arg(presets.size());
    // The word being typed completes from the folder's tags.
    QInputDialog dialog(m_dialogParent);
    dialog.setWindowTitle(title);
    dialog.setLabelText(tr("Tags, with spaces between (such as #pad #warm):"));
    dialog.setTextValue(current.isEmpty() ? QString()
                                          : QLatin1Char('#') + current.join(QStringLiteral(" #")));
    if (auto* field = dialog.findChild<QLineEdit*>())
        new QZPTagCompleter(m_presets->folderTags(), field);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString typed = dialog.textValue();
    QStringList tags;
    for (const QString& word : typed.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
        const QString tag = QZPPatchQuery::tag(word);
        if (tag.isEmpty() || tags.size() >= QZPPresetMarks::MaximumTags) {
            QZPErrorPresenter::shared()->presentError(QZPError::make(
                QString::fromLatin1(QZPError::ToneBenchDomain), QZPError::FileWriteUnknown,
                tr("The tags were not changed."),
                tag.isEmpty() ? tr("“%1” can’t be a tag: a tag is one word of up to %2 characters.")
                                    .arg(word)
                                    .arg(QZPPatchQuery::MaximumTagLength)
                              : tr("A preset takes up to %1 tags.").arg(QZPPresetMarks::MaximumTags)));
            return;
        }
        if (!tags.contains(tag))
            tags << tag;
    }
    QZPError error;
    if (!m_presets->changeMarks(
            presets, [&tags](QZPPresetMarks::Marks& marks) { marks.tags = tags; }, &error))
        QZPErrorPresenter::shared()->presentError(error);
}
