#include "mainwindow/QZPPresetCommands.h"

#include "library/QZPPresetsController.h"
#include "mainwindow/QZPMainWindowController.h"
#include "mainwindow/QZPNotePlayerKeyFilter.h"
#include "model/QZPPreset.h"
#include "model/QZPPresetPasteboard.h"
#include "sidebar/QZPSidebarController.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMainWindow>
#include <QTimer>
#include <QUndoStack>
#include <algorithm>

QZPPresetCommands::QZPPresetCommands(QZPMainWindowController* window)
    : QObject(window), m_window(window), m_update(new QTimer(this)) {
    m_update->setSingleShot(true);
    m_update->setInterval(0);
    connect(m_update, &QTimer::timeout, this, &QZPPresetCommands::updateActions);
    // What the commands depend on besides the current preset: the list, its selection, the clipboard
    // and the focus (Move to Trash leaves Ctrl+Delete to a text field).
    QZPPresetsController* list = window->presetsController();
    connect(list, &QZPPresetsController::selectionChanged, this, &QZPPresetCommands::scheduleUpdate);
    connect(list, &QAbstractItemModel::modelReset, this, &QZPPresetCommands::scheduleUpdate);
    connect(list, &QAbstractItemModel::rowsInserted, this, &QZPPresetCommands::scheduleUpdate);
    connect(list, &QAbstractItemModel::rowsRemoved, this, &QZPPresetCommands::scheduleUpdate);
    connect(list, &QAbstractItemModel::rowsMoved, this, &QZPPresetCommands::scheduleUpdate);
    connect(list, &QAbstractItemModel::layoutChanged, this, &QZPPresetCommands::scheduleUpdate);
    connect(list, &QAbstractItemModel::dataChanged, this, &QZPPresetCommands::scheduleUpdate);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &QZPPresetCommands::scheduleUpdate);
    connect(qApp, &QApplication::focusChanged, this, &QZPPresetCommands::scheduleUpdate);
}

void QZPPresetCommands::setCurrentPreset(QZPPreset* preset) {
    for (const QMetaObject::Connection& connection : std::as_const(m_presetConnections))
        disconnect(connection);
    m_presetConnections.clear();
    m_preset = preset;
    if (preset) {
        m_presetConnections = {
            connect(preset, &QZPPreset::presetChanged, this, &QZPPresetCommands::scheduleUpdate),
            connect(preset, &QZPDocument::arrangementKeysChanged, this, &QZPPresetCommands::scheduleUpdate),
            connect(preset->undoStack(), &QUndoStack::indexChanged, this, &QZPPresetCommands::scheduleUpdate),
        };
    }
    scheduleUpdate();
}

void QZPPresetCommands::scheduleUpdate() {
    if (!m_actions.isEmpty() && !m_update->isActive())
        m_update->start();
}

void QZPPresetCommands::updateActions() {
    m_update->stop();
    for (const auto& [command, action] : std::as_const(m_actions))
        action->setEnabled(validate(command, QZPCommandSource::Menu));
}

QAction* QZPPresetCommands::makeAction(Command command, const QString& title, const QKeySequence& shortcut) {
    auto* action = new QAction(title, m_window->window());
    action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, [this, command] { perform(command, QZPCommandSource::Menu); });
    m_actions.append({command, action});
    m_window->window()->addAction(action);
    scheduleUpdate();
    return action;
}

bool QZPPresetCommands::validate(Command command, QZPCommandSource source) const {
    const QList<QZPPreset*> presets = m_window->sidebarController()->documentsForSender(source);
    const QZPPresetsController* list = m_window->presetsController();
    QZPPreset* current = m_window->currentPreset();
    const qsizetype index = list->arrangedIndexOf(current);
    switch (command) {
    case Command::SendProgram:
        return presets.size() == 1;
    case Command::SelectPrevious:
        return index > 0;
    case Command::SelectNext:
        return index >= 0 && index + 1 < list->arrangedCount();
    case Command::RecycleDocument:
        return !presets.isEmpty() && !presets.first()->isNew() &&
               !QZPNotePlayerKeyFilter::isTextEditor(QApplication::focusWidget());
    case Command::RenameDocument:
        return presets.size() == 1 && !presets.first()->isNew();
    case Command::DuplicateDocument:
        return presets.size() == 1;
    case Command::RevertDocument:
        return presets.size() == 1 && presets.first()->isDocumentEdited() && !presets.first()->isNew();
    case Command::RevealDocument:
        return std::any_of(presets.begin(), presets.end(), [](const QZPPreset* p) { return !p->isNew(); });
    case Command::Copy:
        return !presets.isEmpty();
    case Command::Paste:
        return !presets.isEmpty() &&
               QZPPresetPasteboard::canReadPresets(QGuiApplication::clipboard()->mimeData());
    case Command::Undo:
        return current && current->undoStack()->canUndo();
    case Command::Redo:
        return current && current->undoStack()->canRedo();
    default:
        return true;
    }
}

void QZPPresetCommands::perform(Command command, QZPCommandSource source) {
    if (!validate(command, source)) {
        QApplication::beep();
        return;
    }
    QZPMainWindowController* window = m_window;
    QZPSidebarController* sidebar = window->sidebarController();
    switch (command) {
    case Command::SendProgram:
        window->sendProgram(source);
        break;
    case Command::SelectPrevious:
        window->selectPrevious(source);
        break;
    case Command::SelectNext:
        window->selectNext(source);
        break;
    case Command::SelectCurrent:
        window->selectCurrent();
        break;
    case Command::NewDocument:
        window->newDocument();
        break;
    case Command::CloseDocument:
        window->closeDocumentsAfterReview(sidebar->documentsForSender(source));
        break;
    case Command::CloseDraft: {
        QList<QZPPreset*> drafts = sidebar->documentsForSender(source);
        drafts.removeIf([](const QZPPreset* p) { return !p->isNew(); });
        window->closeDocumentsAfterReview(drafts);
        break;
    }
    case Command::RecycleDocument:
        window->recycleDocument(source);
        break;
    case Command::RenameDocument:
        sidebar->renameDocument(source);
        break;
    case Command::DuplicateDocument:
        sidebar->duplicateDocument(source);
        break;
    case Command::RevertDocument:
        sidebar->revertDocumentToSaved(source);
        break;
    case Command::RevealDocument:
        sidebar->revealDocuments(source);
        break;
    case Command::Copy:
        window->copy(source);
        break;
    case Command::Paste:
        window->paste(source);
        break;
    case Command::DumpPresets:
        window->dumpPresets();
        break;
    case Command::PerformFindPanelAction:
        sidebar->performFindPanelAction();
        break;
    case Command::FocusSelection:
        sidebar->focusSelection();
        break;
    case Command::Save:
        window->saveDocument();
        break;
    case Command::SaveAs:
        window->saveDocumentAs();
        break;
    case Command::Undo:
        window->currentPreset()->undoStack()->undo();
        break;
    case Command::Redo:
        window->currentPreset()->undoStack()->redo();
        break;
    case Command::Record:
        window->record(source);
        break;
    case Command::RecordSelected:
        window->recordSelected(source);
        break;
    }
}
