// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/QZPPresetFileActions.h"

#include "library/QZPPresetList.h"
#include "library/QZPPresetsController.h"
#include "mainwindow/QZPDocumentController.h"
#include "model/QZPError.h"
#include "model/QZPFileSystem.h"
#include "model/QZPPlural.h"
#include "model/QZPPreset.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

QZPPresetFileActions::QZPPresetFileActions(QZPDocumentController* documents, QWidget* window,
                                           CurrentPreset currentPreset, ErrorPresenter presentError,
                                           QObject* parent)
    : QObject(parent), m_documents(documents), m_window(window), m_currentPreset(std::move(currentPreset)),
      m_presentError(std::move(presentError)), m_askReview([](QZPPreset* preset, QWidget* window) {
          const auto answer = QMessageBox::question(
              window, QApplication::applicationName(),
              tr("Do you want to save the changes made to “%1”?").arg(preset->displayName()),
              QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
          return answer == QMessageBox::Save      ? ReviewAnswer::Save
                 : answer == QMessageBox::Discard ? ReviewAnswer::DontSave
                                                  : ReviewAnswer::Cancel;
      }) {}

// The preset that takes the current one's place: the one before it in the list, or after it when it is
// first. A current preset that is not listed (filtered out) gives way to the first listed one.
QZPPreset* QZPPresetFileActions::nextPreset() const {
    QZPPresetsController* list = m_documents->presetsController();
    const qsizetype index = list->arrangedIndexOf(m_currentPreset());
    if (index < 0)
        return list->arrangedPresetAt(0);
    if (list->arrangedCount() == 1)
        return nullptr;
    return list->arrangedPresetAt(index > 0 ? index - 1 : 1);
}

// The window is never left without a current preset: the next one (or a new draft) becomes current
// before the old current one closes.
void QZPPresetFileActions::close(const QList<QZPPreset*>& presets) {
    QZPPreset* current = m_currentPreset();
    for (QZPPreset* preset : presets)
        if (preset != current)
            preset->close();
    if (!current || !presets.contains(current))
        return;
    QZPPreset* next = nextPreset();
    if (!next)
        next = static_cast<QZPPreset*>(m_documents->openUntitledDocumentAndDisplay(false));
    if (!next)
        return;
    next->makeWindowControllers();
    current->close();
}

// Nothing the user changed is dropped without asking: each edited preset among them is offered for saving
// (a draft asks where), and Cancel, or a save that does not happen, closes none of them.
bool QZPPresetFileActions::closeAfterReview(const QList<QZPPreset*>& presets) {
    QList<QPointer<QZPPreset>> kept(presets.begin(), presets.end());
    for (const QPointer<QZPPreset>& preset : kept)
        if (preset && !reviewChanges(preset))
            return false;
    QList<QZPPreset*> closing;
    for (const QPointer<QZPPreset>& preset : kept)
        if (preset && !preset->isClosed())
            closing << preset.data();
    close(closing);
    return true;
}

void QZPPresetFileActions::moveToTrash(const QList<QZPPreset*>& presets) {
    if (presets.isEmpty())
        return;
    auto* alert = new QMessageBox(m_window);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setIcon(QMessageBox::Critical);
    if (presets.first()->hasFile())
        alert->setIconPixmap(QFileIconProvider().icon(QFileInfo(presets.first()->filePath())).pixmap(64));
    // The files are moved, not deleted: the question says so, and where to get them back.
    alert->setText(presets.size() == 1
                       ? tr("Move “%1” to the Trash?").arg(presets.first()->displayName())
                       : tr("Move the selected %1 presets to the Trash?").arg(presets.size()));
    alert->setInformativeText(presets.size() == 1 ? tr("You can restore it from the Trash.")
                                                  : tr("You can restore them from the Trash."));
    QPushButton* trash = alert->addButton(tr("Move to Trash"), QMessageBox::DestructiveRole);
    QPushButton* cancel = alert->addButton(tr("Cancel"), QMessageBox::RejectRole);
    alert->setDefaultButton(trash);
    alert->setEscapeButton(cancel);
    QList<QPointer<QZPPreset>> kept(presets.begin(), presets.end());
    connect(alert, &QMessageBox::finished, this, [this, alert, cancel, kept] {
        if (alert->clickedButton() == cancel)
            return;
        QList<QZPPreset*> moved;
        QStringList failures;
        for (const QPointer<QZPPreset>& preset : kept) {
            if (!preset || !preset->hasFile())
                continue;
            QZPError error;
            if (QZPFileSystem::moveToTrash(preset->filePath(), &error))
                moved << preset.data();
            else
                failures << QFileInfo(preset->filePath()).fileName();
        }
        if (!failures.isEmpty())
            m_presentError(
                QZPError::make(QString::fromLatin1(QZPError::FileDomain), QZPError::FileWriteUnknown,
                               qzpPlural(failures.size(), tr("1 item could not be moved to the Trash."),
                                         tr("%1 items could not be moved to the Trash.")),
                               failures.join(QStringLiteral(", "))),
                nullptr);
        if (!moved.isEmpty())
            emit statusMessage(moved.size() == 1
                                   ? tr("Moved “%1” to the Trash").arg(moved.first()->displayName())
                                   : tr("Moved %1 presets to the Trash").arg(moved.size()));
        close(moved);
    });
    alert->open();
}

bool QZPPresetFileActions::exportListToFile(const QString& path, QZPError* error) const {
    return QZPFileSystem::writeFile(
        path, QZPPresetList::listData(m_documents->presetsController()->arrangedObjects()),
        QZPFileSystem::WriteMode::ReplaceExisting, error);
}

// The list is a property list whatever name the user types: a name without an extension takes ".plist"
// (before the panel asks about replacing a file of that name).
void QZPPresetFileActions::exportList() {
    QFileDialog panel(m_window, tr("Export Presets"));
    panel.setAcceptMode(QFileDialog::AcceptSave);
    panel.setNameFilter(tr("Property list (*.plist)"));
    panel.setDefaultSuffix(QStringLiteral("plist"));
    panel.selectFile(tr("Presets.plist"));
    if (panel.exec() != QDialog::Accepted || panel.selectedFiles().isEmpty())
        return;
    QZPError error;
    if (!exportListToFile(panel.selectedFiles().constFirst(), &error))
        m_presentError(error, nullptr);
}

bool QZPPresetFileActions::save() {
    QZPPreset* preset = m_currentPreset();
    if (!preset)
        return false;
    if (preset->isNew())
        return saveAs();
    QZPError error;
    if (!preset->save(&error)) {
        m_presentError(error, m_window);
        return false;
    }
    return true;
}

bool QZPPresetFileActions::saveAs() {
    QZPPreset* preset = m_currentPreset();
    if (!preset)
        return false;
    const QString folder = m_documents->presetsController()->presetsFolderURL().toLocalFile();
    QString selected;
    const QString path = QFileDialog::getSaveFileName(
        m_window, tr("Save Preset"), QDir(folder).filePath(preset->displayName() + QStringLiteral(".syx")),
        tr("SysEx preset (*.syx);;ToneBench preset (*.tbpreset)"), &selected);
    if (path.isEmpty())
        return false;
    QString type = QZPPreset::typeForFileName(path);
    if (type.isEmpty())
        type = QString::fromLatin1(selected.contains(QLatin1String("tbpreset")) ? QZPPreset::PresetType
                                                                                : QZPPreset::SysexType);
    QZPError error;
    if (!preset->saveToURL(QUrl::fromLocalFile(QZPPreset::pathForSaving(path, type)), type,
                           QZPDocument::SaveAsOperation, &error)) {
        m_presentError(error, m_window);
        return false;
    }
    return true;
}

bool QZPPresetFileActions::reviewChanges(QZPPreset* preset) {
    if (!preset || !preset->isDocumentEdited())
        return true;
    if (preset != m_currentPreset())
        preset->makeWindowControllers();
    switch (m_askReview(preset, m_window)) {
    case ReviewAnswer::Save:
        return save();
    case ReviewAnswer::DontSave:
        return true;
    case ReviewAnswer::Cancel:
        return false;
    }
    return false;
}
