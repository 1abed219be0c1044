// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/QZPPresetCommands.h"
#include "mainwindow/QZPInstrumentCommands.h"
#include "model/QZPSettings.h"

#include "library/QZPPresetsController.h"
#include "mainwindow/QZPComparison.h"
#include "mainwindow/QZPMainWindowController.h"
#include "mainwindow/QZPNotePlayerKeyFilter.h"
#include "mainwindow/QZPSheetExports.h"
#include "model/QZPInvalidParameter.h"
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
    // What the commands look at is gathered once for all of them.
    const State state = stateFor(QZPCommandSource::Menu);
    for (const auto& [command, action] : std::as_const(m_actions)) {
        action->setEnabled(validate(command, state));
        // Undo and Redo name the step they take back or do again ("Undo VCF FREQ").
        if (command == Command::Undo || command == Command::Redo) {
            const bool undo = command == Command::Undo;
            const QString step = !state.current ? QString()
                                 : undo         ? state.current->undoStack()->undoText()
                                                : state.current->undoStack()->redoText();
            const QString title = undo ? tr("&Undo") : tr("&Redo");
            action->setText(step.isEmpty() ? title : tr("%1 %2").arg(title, step));
        }
        if (command == Command::CompareWithSaved)
            action->setChecked(m_window->comparison()->isComparing());
        if (command == Command::AuditionWhileBrowsing)
            action->setChecked(QZPSettings::standard()->boolValue(
                QString::fromLatin1(QZPSettings::AuditionWhileBrowsingKey)));
    }
}

QZPPresetCommands::State QZPPresetCommands::stateFor(QZPCommandSource source) const {
    const QZPPresetsController* list = m_window->presetsController();
    QZPPreset* current = m_window->currentPreset();
    const QZPSidebarController* sidebar = m_window->sidebarController();
    return {sidebar->documentsForSender(source), sidebar->selectedRows(source), current,
            list->arrangedIndexOf(current), list->arrangedCount()};
}

namespace {

using C = QZPPresetCommands::Command;
using K = QKeySequence;
constexpr auto Ctrl = Qt::CTRL;
constexpr auto Shift = Qt::SHIFT;
constexpr auto Alt = Qt::ALT;

#define ITEM(command, title, ...)                                                                            \
    {                                                                                                        \
        C::command, QT_TRANSLATE_NOOP("QZPPresetCommands", title), {                                         \
            __VA_ARGS__                                                                                      \
        }                                                                                                    \
    }

const QList<QZPPresetCommands::Item>& items() {
    static const QList<QZPPresetCommands::Item> table{
        ITEM(NewDocument, "&New Preset", K(Ctrl | Qt::Key_N)),
        ITEM(Open, "&Open…", K(Ctrl | Qt::Key_O)),
        ITEM(Save, "&Save", K(Ctrl | Qt::Key_S)),
        ITEM(SaveAs, "Save &As…", K(Ctrl | Shift | Qt::Key_S)),
        ITEM(RevertDocument, "Re&vert to Saved", K(Ctrl | Alt | Qt::Key_R)),
        ITEM(CloseDocument, "&Close", K(Ctrl | Qt::Key_W)),
        ITEM(CloseDraft, "Close &Draft"),
        ITEM(RecycleDocument, "&Move to Trash", K(Ctrl | Qt::Key_Delete)),
        ITEM(RevealDocument, "Show in File &Manager", K(Ctrl | Shift | Qt::Key_R)),
        ITEM(DumpPresets, "&Export List…", K(Ctrl | Shift | Qt::Key_X)),
        ITEM(ExportPatchSheet, "Export Patch S&heet…", K(Ctrl | Alt | Qt::Key_E)),
        ITEM(ExportSlotList, "Export Slot L&ist…", K(Ctrl | Alt | Shift | Qt::Key_E)),
        ITEM(FindDuplicates, "Find D&uplicates…", K(Ctrl | Alt | Qt::Key_D)),
        ITEM(Quit, "&Quit", K(Ctrl | Qt::Key_Q)),
        ITEM(Undo, "&Undo", K(Ctrl | Qt::Key_Z)),
        ITEM(Redo, "&Redo", K(Ctrl | Shift | Qt::Key_Z), K(Ctrl | Qt::Key_Y)),
        ITEM(Copy, "&Copy", K(Ctrl | Qt::Key_C)),
        ITEM(CopyAsText, "Copy as &Text", K(Ctrl | Alt | Qt::Key_C)),
        ITEM(Paste, "&Paste", K(Ctrl | Qt::Key_V)),
        ITEM(RenameDocument, "Re&name…", K(Qt::Key_F2)),
        ITEM(DuplicateDocument, "D&uplicate", K(Ctrl | Qt::Key_D)),
        ITEM(PerformFindPanelAction, "&Find", K(Ctrl | Qt::Key_F)),
        ITEM(ShowPreferences, "Pr&eferences…", K(Ctrl | Qt::Key_Comma)),
        ITEM(SendProgram, "&Send to Instrument", K(Ctrl | Qt::Key_Return)),
        ITEM(SelectOnInstrument, "Select on &Instrument", K(Ctrl | Alt | Qt::Key_Return)),
        // Space in the list auditions too; a text field keeps the plain key for itself.
        ITEM(Audition, "&Audition", K(Ctrl | Shift | Qt::Key_Space)),
        ITEM(AuditionWhileBrowsing, "Audition While &Browsing", K(Ctrl | Alt | Shift | Qt::Key_Space)),
        ITEM(WriteToInstrument, "&Write to Instrument…", K(Ctrl | Shift | Qt::Key_W)),
        ITEM(WriteBankFileToInstrument, "Write &Bank File to Instrument…", K(Ctrl | Alt | Shift | Qt::Key_W)),
        ITEM(LoadBankFileIntoSound, "&Load Bank File into ToneBench Sound…",
             K(Ctrl | Alt | Shift | Qt::Key_L)),
        ITEM(SelectPrevious, "&Previous Preset", K(Ctrl | Qt::Key_Up)),
        ITEM(SelectNext, "&Next Preset", K(Ctrl | Qt::Key_Down)),
        ITEM(SelectCurrent, "Select &Current Preset", K(Ctrl | Qt::Key_L)),
        ITEM(FocusSelection, "Show S&election", K(Ctrl | Shift | Qt::Key_L)),
        ITEM(FindSimilar, "Find Si&milar", K(Ctrl | Alt | Qt::Key_F)),
        ITEM(ToggleFavourite, "Fa&vourite", K(Ctrl | Alt | Qt::Key_S)),
        ITEM(EditTags, "&Tags…", K(Ctrl | Alt | Qt::Key_G)),
        // Titled by the draft setting: "Record New" or "Record".
        ITEM(Record, "Record New", K(Ctrl | Qt::Key_R)),
        ITEM(RecordSelected, "Record into Selected Preset", K(Ctrl | Alt | Shift | Qt::Key_R)),
        ITEM(RecordMultiple, "Record Multiple Presets…", K(Ctrl | Shift | Qt::Key_M)),
        // A plain key, as A/B is toggled often: a text field takes the key for itself.
        ITEM(CompareWithSaved, "C&ompare with Saved", K(Qt::Key_Backslash)),
        ITEM(CompareWithSelected, "Compare with Selected Preset", K(Ctrl | Qt::Key_Backslash)),
        ITEM(CompareWithClipboard, "Compare with Clipboard", K(Ctrl | Shift | Qt::Key_Backslash)),
        ITEM(Mutate, "&Mutate…", K(Ctrl | Qt::Key_U)),
        ITEM(Randomise, "Randomi&se", K(Ctrl | Shift | Qt::Key_U)),
        ITEM(Morph, "Mor&ph…", K(Ctrl | Alt | Qt::Key_M)),
        ITEM(ShowMainWindow, "&Main Window", K(Ctrl | Qt::Key_1)),
        ITEM(Minimize, "Mi&nimize", K(Ctrl | Qt::Key_M)),
        ITEM(ShowHelp, "ToneBench &Help", K(Qt::Key_F1)),
        ITEM(ShowWelcome, "&Welcome Assistant…", K(Ctrl | Shift | Qt::Key_A)),
        ITEM(ShowAcknowledgements, "&Acknowledgements"),
        ITEM(ShowAbout, "A&bout ToneBench"),
    };
    return table;
}

#undef ITEM

} // namespace

const QZPPresetCommands::Item& QZPPresetCommands::item(Command command) {
    for (const Item& row : items())
        if (row.command == command)
            return row;
    throw QZPInvalidParameter("a command with a menu item", __FILE__, __LINE__);
}

const QList<QZPPresetCommands::Menu>& QZPPresetCommands::menus() {
    const std::nullopt_t separator = std::nullopt;
    static const QList<Menu> table{
        {QT_TRANSLATE_NOOP("QZPPresetCommands", "&File"),
         {C::NewDocument, C::Open, separator, C::Save, C::SaveAs, C::RevertDocument, C::CloseDocument,
          C::CloseDraft, separator, C::RecycleDocument, C::RevealDocument, C::DumpPresets,
          C::ExportPatchSheet, C::ExportSlotList, C::FindDuplicates, separator, C::Quit}},
        {QT_TRANSLATE_NOOP("QZPPresetCommands", "&Edit"),
         {C::Undo, C::Redo, separator, C::Copy, C::CopyAsText, C::Paste, separator, C::RenameDocument,
          C::DuplicateDocument, separator, C::PerformFindPanelAction, separator, C::ShowPreferences}},
        {QT_TRANSLATE_NOOP("QZPPresetCommands", "&Preset"),
         {C::SendProgram,
          C::SelectOnInstrument,
          C::Audition,
          C::AuditionWhileBrowsing,
          C::SelectPrevious,
          C::SelectNext,
          separator,
          C::SelectCurrent,
          C::FocusSelection,
          C::FindSimilar,
          C::ToggleFavourite,
          C::EditTags,
          separator,
          C::Record,
          C::RecordSelected,
          C::RecordMultiple,
          C::WriteToInstrument,
          C::WriteBankFileToInstrument,
          C::LoadBankFileIntoSound,
          separator,
          C::CompareWithSaved,
          C::CompareWithSelected,
          C::CompareWithClipboard,
          C::Mutate,
          C::Randomise,
          C::Morph}},
        // The MIDI and View menus hold settings and the devices; the application fills them.
        {QT_TRANSLATE_NOOP("QZPPresetCommands", "&MIDI"), {}},
        {QT_TRANSLATE_NOOP("QZPPresetCommands", "&View"), {}},
        {QT_TRANSLATE_NOOP("QZPPresetCommands", "&Window"), {C::ShowMainWindow, C::Minimize}},
        {QT_TRANSLATE_NOOP("QZPPresetCommands", "&Help"),
         {C::ShowHelp, C::ShowWelcome, C::ShowAcknowledgements, separator, C::ShowAbout}},
    };
    return table;
}

void QZPPresetCommands::setHandler(Command command, std::function<void()> handler) {
    m_handlers.insert(command, std::move(handler));
}

QAction* QZPPresetCommands::makeAction(Command command) {
    const Item& row = item(command);
    auto* action = new QAction(tr(row.title), m_window->window());
    action->setShortcuts(row.shortcuts);
    // Comparing is a state the item shows with its check mark.
    action->setCheckable(command == Command::CompareWithSaved || command == Command::AuditionWhileBrowsing);
    connect(action, &QAction::triggered, this, [this, command] { perform(command, QZPCommandSource::Menu); });
    m_actions.append({command, action});
    m_window->window()->addAction(action);
    scheduleUpdate();
    return action;
}

bool QZPPresetCommands::validate(Command command, QZPCommandSource source) const {
    return validate(command, stateFor(source));
}

bool QZPPresetCommands::validate(Command command, const State& state) const {
    const QList<QZPPreset*>& presets = state.presets;
    QZPPreset* current = state.current;
    const qsizetype index = state.index;
    switch (command) {
    case Command::SendProgram:
        return presets.size() == 1;
    case Command::SelectOnInstrument:
        return presets.size() == 1 && presets.first()->originSlot().has_value();
    case Command::Audition:
        return state.rows.size() == 1;
    case Command::WriteToInstrument:
        return !presets.isEmpty();
    case Command::SelectPrevious:
        return index > 0;
    case Command::SelectNext:
        return index >= 0 && index + 1 < state.count;
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
    case Command::CopyAsText:
        return !presets.isEmpty();
    case Command::Paste:
        return !presets.isEmpty() &&
               QZPPresetPasteboard::canReadPresets(QGuiApplication::clipboard()->mimeData());
    case Command::Undo:
        return current && current->undoStack()->canUndo();
    case Command::Redo:
        return current && current->undoStack()->canRedo();
    case Command::CompareWithSaved:
    case Command::ExportPatchSheet:
    case Command::Mutate:
    case Command::Randomise:
    case Command::Morph:
        return current != nullptr;
    case Command::CompareWithSelected:
        return presets.size() == 1 && current && presets.first() != current;
    case Command::CompareWithClipboard:
        return current && QZPPresetPasteboard::canReadPresets(QGuiApplication::clipboard()->mimeData());
    case Command::FindSimilar:
    case Command::ExportSlotList:
        return !presets.isEmpty();
    case Command::ToggleFavourite:
    case Command::EditTags:
        return !state.rows.isEmpty();
    case Command::FindDuplicates:
        return !m_window->presetsController()->presetsFolderURL().isEmpty();
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
    QZPInstrumentCommands* instrument = window->instrumentCommands();
    switch (command) {
    case Command::SendProgram:
        return window->sendProgram(source);
    case Command::SelectOnInstrument:
        return instrument->selectOnInstrument(source);
    case Command::Audition:
        return instrument->audition(source);
    case Command::AuditionWhileBrowsing: {
        const QString key = QString::fromLatin1(QZPSettings::AuditionWhileBrowsingKey);
        QZPSettings::standard()->setValue(key, !QZPSettings::standard()->boolValue(key));
        return scheduleUpdate();
    }
    case Command::WriteToInstrument:
        return void(instrument->writeToInstrument(source));
    case Command::WriteBankFileToInstrument:
        return instrument->chooseBankFile(
            tr("Write Bank File to Instrument"),
            [instrument](const QString& path) { instrument->writeBankFileToInstrument(path); });
    case Command::LoadBankFileIntoSound:
        return instrument->chooseBankFile(
            tr("Load Bank File into ToneBench Sound"),
            [instrument](const QString& path) { instrument->loadBankFileIntoSound(path); });
    case Command::SelectPrevious:
        return window->selectPrevious(source);
    case Command::SelectNext:
        return window->selectNext(source);
    case Command::SelectCurrent:
        return window->selectCurrent();
    case Command::NewDocument:
        return window->newDocument();
    case Command::CloseDocument:
        return void(window->closeDocumentsAfterReview(sidebar->documentsForSender(source)));
    case Command::CloseDraft: {
        QList<QZPPreset*> drafts = sidebar->documentsForSender(source);
        drafts.removeIf([](const QZPPreset* p) { return !p->isNew(); });
        return void(window->closeDocumentsAfterReview(drafts));
    }
    case Command::RecycleDocument:
        return window->recycleDocument(source);
    case Command::RenameDocument:
        return sidebar->renameDocument(source);
    case Command::DuplicateDocument:
        return sidebar->duplicateDocument(source);
    case Command::RevertDocument:
        return sidebar->revertDocumentToSaved(source);
    case Command::RevealDocument:
        return sidebar->revealDocuments(source);
    case Command::Copy:
        return window->copy(source);
    case Command::CopyAsText:
        return window->copyAsText(source);
    case Command::Paste:
        return window->paste(source);
    case Command::DumpPresets:
        return window->dumpPresets();
    case Command::ExportPatchSheet:
        return window->sheetExports()->exportPatchSheet();
    case Command::ExportSlotList: {
        QStringList names;
        for (const QZPPreset* preset : sidebar->documentsForSender(source))
            names << preset->displayName();
        return window->sheetExports()->exportSlotList(names);
    }
    case Command::PerformFindPanelAction:
        return sidebar->performFindPanelAction();
    case Command::FocusSelection:
        return sidebar->focusSelection();
    case Command::Save:
        return void(window->saveDocument());
    case Command::SaveAs:
        return void(window->saveDocumentAs());
    case Command::Undo:
        return window->currentPreset()->undoStack()->undo();
    case Command::Redo:
        return window->currentPreset()->undoStack()->redo();
    case Command::Record:
        return window->record(source);
    case Command::RecordSelected:
        return window->recordSelected(source);
    case Command::CompareWithSaved: {
        // The item toggles comparing with the saved patch; while comparing with another, it ends that.
        QZPComparison* comparison = window->comparison();
        if (!comparison->isComparing())
            comparison->setPreset(window->currentPreset());
        return comparison->setComparing(!comparison->isComparing());
    }
    case Command::CompareWithSelected:
        return window->compareWithSelected(source);
    case Command::CompareWithClipboard:
        return window->compareWithClipboard();
    case Command::Mutate:
        return window->showMutateDialog();
    case Command::Randomise:
        return window->randomise();
    case Command::Morph:
        return window->showMorphBar();
    case Command::FindSimilar:
        return sidebar->findSimilar(source);
    case Command::ToggleFavourite:
        return sidebar->toggleFavourite(source);
    case Command::EditTags:
        return sidebar->editTags(source);
    default:
        if (const std::function<void()> handler = m_handlers.value(command))
            handler();
    }
}
