// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/QZPRecoveryKeeper.h"

#include <QAction>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <memory>

class QZPBankImportOffer;
class QZPDawPort;
class QZPDocumentController;
class QZPMainWindowController;
class QZPMidiEngine;
class QZPSettings;
class QZPOnboardingWindowController;
class QZPPreferencesWindowController;
class QZPRecordWindowController;
class QZPDuplicatesWindow;
class QZPTextWindow;

// The application's delegate: registers the settings' fallbacks before anything reads them, runs launch
// and termination in their order, owns the main window and the other long-lived windows (each made on
// first use), builds the main menu and fills the MIDI channel menu.
class QZPAppDelegate : public QObject {
    Q_OBJECT

public:
    // Registers the fallbacks of the registered settings; the first thing the program does.
    static void initialize();

    explicit QZPAppDelegate(QZPMidiEngine* engine, QObject* parent = nullptr);
    ~QZPAppDelegate() override;

    // Launch, in order: the document controller and with it the library; the main window; the files
    // asked for (or, while the library lists no preset, one untitled preset); the channel menu.
    void launch(const QStringList& files);
    void applicationWillFinishLaunching();
    // ToneBench Sound as the destination when nothing else is there and none was ever chosen.
    static void chooseFirstDestination(QZPMidiEngine* engine, QZPSettings* settings);
    void applicationDidFinishLaunching();
    bool applicationShouldOpenUntitledFile() const;
    // Opens preset files (from the command line, the desktop or a second start); the last becomes current.
    void openFiles(const QStringList& paths);

    QZPDocumentController* documentController() const { return m_documents.get(); }
    QZPMainWindowController* windowController();
    // The Record Multiple Presets window, made on first use and kept (with its collection) to the end.
    QZPRecordWindowController* recWindowController();
    void showRecWindow();
    QMenu* MIDIDeviceMenu() const { return m_deviceMenu; }
    QMenu* MIDIChannelMenu() const { return m_channelMenu; }
    QAction* filterModifiedItem() const { return m_filterModifiedItem; }
    // Preset ▸ Record (titled "Record New" while recording makes a draft) and Record Multiple Presets.
    QAction* recordItem() const { return m_recordItem; }
    QAction* recordMultipleItem() const { return m_recordMultipleItem; }

    void buildChannelMenu();
    void showMainWindow();
    void showAbout();
    void showDuplicates();
    void showAcknowledgements();
    // The welcome assistant and the preferences, each made on first use and kept to the end.
    QZPOnboardingWindowController* onboardingController();
    void showOnboarding();
    QZPPreferencesWindowController* preferencesController();
    void showPrefPane();
    void showHelp();
    // Asks about every edited preset (also those kept outside the folder); answers whether to quit.
    bool applicationShouldTerminate();
    void applicationWillTerminate();
    // The Quit command: review, then quit.
    void terminate();
    // The session ends (a signal, the session manager): quits as Quit does, without questions, keeping
    // every unsaved edit for the next start; MIDI and sound close after all notes off.
    void endSession();
    // At launch, when an ended instance left unsaved edits: asks to restore them or discard them.
    void offerRecovery();
    // Brings the entries back as edited presets over their files' current contents (the files are not
    // touched; an entry whose file is gone comes back as a draft), and answers what to tell of them.
    QStringList restore(const QList<QZPRecoveryKeeper::Entry>& entries);
    QZPRecoveryKeeper* recoveryKeeper() const { return m_recovery.get(); }
    // The longest the MIDI system waits for the window to be on screen (a desktop may keep it hidden).
    static constexpr int MidiOpenLatestMs = 2000;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Opens the engine's MIDI system (and with it JACK and the sound output) once the window is on
    // screen, so that ToneBench shows as quickly as a bare window.
    void openMidiOnceShown(QWidget* window);
    void buildMainMenu();
    void showTextWindow(QPointer<QZPTextWindow>* window, const QString& title, QString (*text)());
    void openPanel();

    QZPMidiEngine* m_engine;
    std::unique_ptr<QZPDocumentController> m_documents;
    std::unique_ptr<QZPMainWindowController> m_windowController;
    std::unique_ptr<QZPRecordWindowController> m_recWindowController;
    std::unique_ptr<QZPOnboardingWindowController> m_onboarding;
    std::unique_ptr<QZPPreferencesWindowController> m_preferences;
    std::unique_ptr<QZPDawPort> m_dawPort;
    QPointer<QMenu> m_deviceMenu;
    QPointer<QMenu> m_channelMenu;
    QPointer<QAction> m_filterModifiedItem;
    QPointer<QAction> m_recordItem;
    QPointer<QAction> m_recordMultipleItem;
    QPointer<QZPTextWindow> m_aboutWindow;
    QPointer<QZPDuplicatesWindow> m_duplicatesWindow;
    QPointer<QZPTextWindow> m_ackWindow;
    QPointer<QZPTextWindow> m_helpWindow;
    bool m_channelMenuBuilt = false;
    std::unique_ptr<QZPRecoveryKeeper> m_recovery;
    // The banks (by their real path) being asked about or imported now.
    std::unique_ptr<QZPBankImportOffer> m_bankOffer;
};
