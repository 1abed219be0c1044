// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPCommandSource.h"

#include <QHash>
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>
#include <optional>
#include <utility>

class QAction;
class QTimer;
class QZPMainWindowController;
class QZPPreset;

// The preset commands of the menus, the list and its context menu. Each command the menus give has one
// action in the main window; its enabled state follows what the command depends on (the current preset
// and its undo stack, the list and its selection, the clipboard, the focus) and is brought up to date
// once per turn of the event loop after any of them changed. A command given another way (the list's
// context menu, a key in the list) is checked when it is performed, and a refused one beeps.
class QZPPresetCommands : public QObject {
    Q_OBJECT

public:
    enum class Command {
        SendProgram,
        SelectOnInstrument,
        Audition,
        AuditionWhileBrowsing,
        WriteToInstrument,
        WriteBankFileToInstrument,
        LoadBankFileIntoSound,
        SelectPrevious,
        SelectNext,
        SelectCurrent,
        NewDocument,
        CloseDocument,
        CloseDraft,
        RecycleDocument,
        RenameDocument,
        DuplicateDocument,
        RevertDocument,
        RevealDocument,
        Copy,
        CopyAsText,
        Paste,
        DumpPresets,
        ExportPatchSheet,
        ExportSlotList,
        PerformFindPanelAction,
        FocusSelection,
        Save,
        SaveAs,
        Undo,
        Redo,
        Record,
        RecordSelected,
        CompareWithSaved,
        CompareWithSelected,
        CompareWithClipboard,
        Mutate,
        Randomise,
        Morph,
        FindSimilar,
        ToggleFavourite,
        EditTags,
        // Performed by the application (setHandler): its windows and its own commands.
        FindDuplicates,
        RecordMultiple,
        Open,
        Quit,
        ShowPreferences,
        ShowMainWindow,
        Minimize,
        ShowHelp,
        ShowWelcome,
        ShowAcknowledgements,
        ShowAbout,
    };
    // A command's menu item: its title (with its mnemonic) and its shortcuts, the first the main one.
    struct Item {
        Command command;
        const char* title;
        QList<QKeySequence> shortcuts;
    };
    // The menus of the main window in order: each its title and its items (none: a separator).
    struct Menu {
        const char* title;
        QList<std::optional<Command>> items;
    };

    // Every command's item, and the menus that hold them.
    static const Item& item(Command command);
    static const QList<Menu>& menus();

    explicit QZPPresetCommands(QZPMainWindowController* window);

    bool validate(Command command, QZPCommandSource source = QZPCommandSource::Menu) const;
    void perform(Command command, QZPCommandSource source = QZPCommandSource::Menu);
    // The command's action in the main window, made now with the title and shortcuts of its item.
    QAction* makeAction(Command command);
    // Who performs a command of the application's.
    void setHandler(Command command, std::function<void()> handler);

    // The current preset changed: its undo stack and edited state are followed from now on.
    void setCurrentPreset(QZPPreset* preset);
    // Brings the actions' enabled state up to date at the next turn of the event loop.
    void scheduleUpdate();
    // The same, at once.
    void updateActions();

private:
    // What the commands look at: their targets, the current preset and its place in the list.
    struct State {
        QList<QZPPreset*> presets;
        // The rows seen selected: what marks act on.
        QList<QZPPreset*> rows;
        QZPPreset* current;
        qsizetype index;
        qsizetype count;
    };
    State stateFor(QZPCommandSource source) const;
    bool validate(Command command, const State& state) const;

    QZPMainWindowController* m_window;
    QList<std::pair<Command, QAction*>> m_actions;
    QHash<Command, std::function<void()>> m_handlers;
    QTimer* m_update;
    QPointer<QZPPreset> m_preset;
    QList<QMetaObject::Connection> m_presetConnections;
};
