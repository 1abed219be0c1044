// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "mainwindow/QZPPresetCommands.h"
#include "mainwindow/QZPPresetFileActions.h"
#include "midi/QZPMidiClaviatureDelegate.h"
#include "midi/QZPMidiClaviatureSource.h"
#include "midi/QZPMidiMessageDelegate.h"
#include "model/QZPCommandSource.h"
#include "model/QZPError.h"
#include "model/QZPParameterId.h"
#include "model/QZPPreset.h"
#include "model/QZPWindowController.h"
#include "sidebar/QZPSidebarControllerDelegate.h"

#include <QKeySequence>
#include <QMenu>
#include <QPointer>
#include <array>
#include <functional>

class QAction;
class QKeyEvent;
class QMainWindow;
class QSplitter;
class QTimer;
class QZPDocumentController;
class QZPEditorController;
class QZPKeyEvent;
class QZPMidiClaviature;
class QZPMidiEndpoint;
class QZPMidiEngine;
class QZPHardwareControlSync;
class QZPInstrumentSync;
class QZPMidiMenus;
class QZPPresetRecorder;
class QZPNotePlayerKeyFilter;
class QZPPresetsController;
class QLabel;
class QZPInstrumentCommands;
class QZPSheetExports;
class QZPPlayingStrip;
class QZPComparison;
class QZPMorphBar;
class QZPRecordOneWindowController;
class QZPSidebarController;

// The one main window: the library pane beside the editor of the current preset. Whichever preset
// becomes current attaches this controller to itself. It sends the current patch to the instrument,
// applies the instrument's knob moves to the current preset, plays notes from the computer keyboard,
// keeps the MIDI device and channel menus, and answers the preset commands of the menus and the list.
class QZPMainWindowController : public QZPWindowController,
                                public QZPSidebarControllerDelegate,
                                public QZPMidiMessageDelegate,
                                public QZPMidiClaviatureDelegate {
    Q_OBJECT
    Q_PROPERTY(int midiChannel READ midiChannel WRITE setMidiChannel NOTIFY midiChannelChanged)

public:
    // How long a message stays in the status bar.
    static constexpr int StatusSeconds = 4;
    // What the window keeps across launches, in the settings.
    static constexpr const char* GeometryKey = "MainWindow.geometry";
    static constexpr const char* SplitViewAutosaveName = "QZPTBSplitViewAutoSaveName";

    using Command = QZPPresetCommands::Command;

    QZPMainWindowController(QZPDocumentController* documents, QZPMidiEngine* engine,
                            QObject* parent = nullptr);
    ~QZPMainWindowController() override;

    QMainWindow* window() const { return m_window; }
    QZPSidebarController* sidebarController() const { return m_sidebar; }
    QZPEditorController* editorController() const { return m_editor; }
    QZPMidiClaviature* claviature() const { return m_claviature; }
    QZPMidiEngine* midiEngine() const { return m_engine; }
    QZPPresetsController* presetsController() const;
    QZPPreset* currentPreset() const;

    int midiChannel() const;
    void setMidiChannel(int channel);
    // The hardware-control setting: Control messages from the instrument change the current preset.
    bool recordControlMessages() const;
    void setRecordControlMessages(bool on);

    // The window controller's side: the current preset, and the window.
    void setDocument(QZPDocument* document) override;
    bool isWindowVisible() const override;
    void showWindow() override;
    // The window became the active one: it takes the engine's messages again.
    void windowDidBecomeMain();
    // Another window in which the computer keyboard plays notes, as far as `source` allows.
    void addClaviatureSource(QWidget* window, QZPMidiClaviatureSource* source);

    // The preset commands of the menus and the list, as actions.
    QZPPresetCommands* commands() const { return m_commands; }
    // A/B of the current preset against its saved patch or another.
    QZPComparison* comparison() const { return m_comparison; }
    void compareWithSelected(QZPCommandSource source);
    void compareWithClipboard();
    // The morph bar, from the current preset to the comparison's reference.
    QZPMorphBar* morphBar() const { return m_morphBar; }
    void showMorphBar();

    // New sounds from the current preset: each unlocked parameter moved by chance within `amount`
    // (0–1; 1 randomises), as the seed makes it. One undo step, sent whole. Mutate asks for the amount
    // and the seed first; Randomise draws a new seed.
    void mutate(double amount, quint64 seed, const QString& stepName);
    void showMutateDialog();
    void randomise();

    void sendProgram(QZPCommandSource source);
    // Preset ▸ Select on Instrument, Audition, Write to Instrument and the bank files.
    QZPInstrumentCommands* instrumentCommands() const { return m_instrumentCommands; }
    QZPSheetExports* sheetExports() const { return m_sheets; }
    QZPPlayingStrip* playingStrip() const { return m_playingStrip; }
    // The instrument's messages ignored for coming on another channel.
    int otherChannelMessages() const { return m_otherChannelMessages; }
    void moveFromSequencer(QZPParameterId id, int value);
    // The current patch again, after a refresh or an opened file: the selection does not matter, and
    // without a destination nothing is said.
    void sendCurrentProgram();
    void selectNext(QZPCommandSource source);
    void selectPrevious(QZPCommandSource source);
    void selectCurrent();
    void newDocument();
    void closeDocuments(const QList<QZPPreset*>& presets);
    // The Close commands: each edited preset is offered for saving first; Cancel closes nothing.
    bool closeDocumentsAfterReview(const QList<QZPPreset*>& presets);
    void recycleDocument(QZPCommandSource source);
    void copyAsText(QZPCommandSource source);
    void copy(QZPCommandSource source);
    void paste(QZPCommandSource source);
    // Writes the list as a property list (an array of "name"/"data" dictionaries), atomically.
    bool dumpPresetsToFile(const QString& path, QZPError* error) const;
    void dumpPresets();
    // Recording one patch from the instrument: into a new draft or the current preset (as the setting
    // says), or into the preset of the command. The Record sheet is made on first use.
    void record(QZPCommandSource source);
    void recordSelected(QZPCommandSource source);
    void recordDocument(QZPPreset* target);
    // The current preset takes the received patch (one undo step "Record <program>"; nothing is sent).
    void importDataFrom(QZPPreset* received);
    QZPRecordOneWindowController* recordSheet();

    // Saves the current preset (a draft asks where); answers whether it was saved.
    bool saveDocument();
    bool saveDocumentAs();
    // Whether the user let the preset go: it was saved, or its changes were discarded.
    bool reviewChanges(QZPPreset* preset);
    // The question about an edited preset (tests answer it): Save, Don't Save or Cancel.
    using ReviewAnswer = QZPPresetFileActions::ReviewAnswer;
    using ReviewQuestion = QZPPresetFileActions::ReviewQuestion;
    void setReviewQuestion(ReviewQuestion ask);

    // The MIDI menus the application made; rebuilt and checked each time they open.
    void setMidiMenus(QMenu* deviceMenu, QMenu* channelMenu);
    void updateChannelMenu(QMenu* menu);

    // How errors and alerts reach the user (tests replace it): the error, and the window to attach it
    // to (none: application-modal).
    using ErrorPresenter = std::function<void(const QZPError& error, QWidget* window)>;
    void setErrorPresenter(ErrorPresenter presenter) { m_presentError = std::move(presenter); }

    QZPHardwareControlSync* controlSync() const { return m_controlSync; }

    // A patch change of the current preset: undo, redo and revert send the whole patch again.
    void documentChanged(QZPPreset* preset, QZPPreset::Change change);

    void sidebarControllerDoubleClickAction(QZPSidebarController* sidebar, QObject* sender) override;
    void sidebarControllerReturnKeyAction(QZPSidebarController* sidebar, QObject* sender) override;
    void sidebarControllerSpaceKeyAction(QZPSidebarController* sidebar) override;
    void sidebarControllerBrowsed(QZPSidebarController* sidebar) override;
    void midiEngineDidReceiveSysex(QZPMidiEngine* engine, const QByteArray& sysex,
                                   quint8 messageType) override;
    void claviaPlayMidiNote(QZPMidiClaviature* clavia, quint8 note) override;
    void claviaReleaseMidiNote(QZPMidiClaviature* clavia, quint8 note) override;

    // The text the MIDI indicator of the window shows ("No MIDI output" when nothing is chosen).
    QString midiStatusText() const;

    // Says what happened in the status bar for a few seconds.
    void showStatus(const QString& text);

    // The application is quitting, its presets reviewed: closing the window asks nothing more.
    void setQuitting() { m_quitting = true; }

signals:
    void midiChannelChanged(int channel);
    // The window was asked to close (the application reviews unsaved presets before quitting).
    void windowCloseRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWindow();
    QList<QZPPreset*> targets(QZPCommandSource source) const;
    void presentError(const QZPError& error, QWidget* window);
    void scheduleRedraw();
    void updateMidiStatus();
    void sendPatch(QZPPreset* preset);
    // A whole patch, framed as the current preset's message (the window's channel, the dynamics byte).
    void sendWholePatch(const QZPPatch& patch);

    QZPDocumentController* m_documents;
    QZPMidiEngine* m_engine;
    QMainWindow* m_window = nullptr;
    QZPMidiClaviature* m_claviature;
    QSplitter* m_splitter = nullptr;
    QZPEditorController* m_editor;
    // The engine's; gone with it.
    QPointer<QZPInstrumentSync> m_instrument;
    QZPSidebarController* m_sidebar;
    QZPMidiMenus* m_midiMenus = nullptr;
    QTimer* m_redraw = nullptr;
    QMetaObject::Connection m_presetChangedConnection;
    bool m_toldNoOutput = false;
    ErrorPresenter m_presentError;
    bool m_quitting = false;
    QZPPresetFileActions* m_fileActions = nullptr;
    QZPNotePlayerKeyFilter* m_keyFilter = nullptr;
    QZPHardwareControlSync* m_controlSync = nullptr;
    QZPPresetCommands* m_commands = nullptr;
    QZPPresetRecorder* m_recorder = nullptr;
    QZPComparison* m_comparison = nullptr;
    QZPMorphBar* m_morphBar = nullptr;
    QZPInstrumentCommands* m_instrumentCommands = nullptr;
    QZPSheetExports* m_sheets = nullptr;
    QZPPlayingStrip* m_playingStrip = nullptr;
    int m_otherChannelMessages = 0;
    // The other channel the status last told of (-1 none): told again once the channel changes.
    int m_toldOtherChannel = -1;
    // While comparing: every difference, in words.
    QLabel* m_differences = nullptr;
};
