// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QZPAppDelegate.h"
#include "app/QZPBankImportOffer.h"
#include "app/QZPDawPort.h"
#include "sound/QZPSoundMidiBackend.h"

#include "app/QZPHelpText.h"
#include "app/QZPOnboardingWindowController.h"
#include "app/QZPPreferencesWindowController.h"
#include "app/QZPTextWindow.h"
#include "editor/QZPEditorController.h"
#include "editor/QZPSkin.h"
#include "library/QZPBankFile.h"
#include "library/QZPPresetsController.h"
#include "mainwindow/QZPConnectionWindow.h"
#include "mainwindow/QZPDocumentController.h"
#include "mainwindow/QZPDuplicatesWindow.h"
#include "mainwindow/QZPErrorHandler.h"
#include "mainwindow/QZPMainWindowController.h"
#include "mainwindow/QZPRecordWindowController.h"
#include "midi/QZPMidiEngine.h"
#include "model/QZPErrorPresenter.h"
#include "model/QZPFileSystem.h"
#include "model/QZPPlural.h"
#include "model/QZPPreset.h"
#include "model/QZPSettings.h"
#include "sidebar/QZPBankImportRunner.h"
#include "sidebar/QZPSidebarController.h"

#include <QActionGroup>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>
#include <QWindow>

using Command = QZPPresetCommands::Command;

static void registerApplicationResources() {
    Q_INIT_RESOURCE(app);
}

void QZPAppDelegate::initialize() {
    QZPSettings::standard()->registerDefaults(QZPSettings::registeredDefaults());
}

QZPAppDelegate::QZPAppDelegate(QZPMidiEngine* engine, QObject* parent) : QObject(parent), m_engine(engine) {
    registerApplicationResources();
}

QZPAppDelegate::~QZPAppDelegate() {
    // The windows go before the document controller, whose presets the main window shows.
    m_bankOffer.reset();
    m_dawPort.reset();
    m_recWindowController.reset();
    m_onboarding.reset();
    m_preferences.reset();
    m_windowController.reset();
    m_documents.reset();
}

void QZPAppDelegate::applicationWillFinishLaunching() {
    if (m_documents)
        return;
    m_documents = std::make_unique<QZPDocumentController>();
    m_bankOffer = std::make_unique<QZPBankImportOffer>(m_documents->presetsController(),
                                                       [this] { return windowController(); });
    m_recovery = std::make_unique<QZPRecoveryKeeper>(m_documents->presetsController(),
                                                     QZPRecoveryKeeper::defaultFolder());
    // The skin is the whole application's: its menus, status bar and dialogs take the skin's colours,
    // over the desktop's own palette, kept for the classic skin.
    static const QPalette desktop = QApplication::palette();
    const auto applySkin = [] {
        QApplication::setPalette(QZPSkin::current().windowPalette(desktop));
    };
    applySkin();
    connect(QZPSettings::standard(), &QZPSettings::valueChanged, this, [applySkin](const QString& key) {
        if (key == QLatin1String(QZPSettings::AppearanceIndexKey))
            applySkin();
    });
}

QZPMainWindowController* QZPAppDelegate::windowController() {
    if (!m_windowController) {
        applicationWillFinishLaunching();
        m_windowController = std::make_unique<QZPMainWindowController>(m_documents.get(), m_engine);
        connect(m_windowController.get(), &QZPMainWindowController::windowCloseRequested, this,
                &QZPAppDelegate::terminate);
        buildMainMenu();
        m_dawPort = std::make_unique<QZPDawPort>(m_engine, m_windowController.get());
    }
    return m_windowController.get();
}

void QZPAppDelegate::launch(const QStringList& files) {
    applicationWillFinishLaunching();
    QZPMainWindowController* window = windowController();
    openFiles(files);
    if (!window->currentPreset()) {
        QZPPresetsController* library = m_documents->presetsController();
        if (library->presetsFolderURL().isEmpty()) {
            if (applicationShouldOpenUntitledFile())
                m_documents->newDocument();
        } else {
            // The list fills in the background: an untitled preset only if the folder holds none,
            // otherwise the first listed preset becomes current.
            auto once = std::make_shared<QMetaObject::Connection>();
            *once = connect(library, &QZPPresetsController::refreshFinished, this, [this, once, library] {
                disconnect(*once);
                if (m_windowController->currentPreset())
                    return;
                if (applicationShouldOpenUntitledFile())
                    m_documents->newDocument();
                else
                    library->arrangedPresetAt(0)->makeWindowControllers();
            });
        }
    }
    window->showWindow();
    openMidiOnceShown(window->window());
    applicationDidFinishLaunching();
    offerRecovery();
}

void QZPAppDelegate::openMidiOnceShown(QWidget* window) {
    if (m_engine->isBackendOpen())
        return;
    // Then as at any start: ToneBench Sound where nothing else is there, and the current preset sent.
    connect(m_engine, &QZPMidiEngine::backendOpened, this, [this] {
        chooseFirstDestination(m_engine, QZPSettings::standard());
        if (m_windowController)
            m_windowController->sendCurrentProgram();
    });
    QTimer::singleShot(MidiOpenLatestMs, m_engine, &QZPMidiEngine::openBackend);
    if (QWindow* handle = window->windowHandle())
        handle->installEventFilter(this);
}

// The window's first exposure: it is drawn in this event's handling, and MIDI opens right after.
bool QZPAppDelegate::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Expose) {
        auto* handle = qobject_cast<QWindow*>(watched);
        if (handle && handle->isExposed()) {
            handle->removeEventFilter(this);
            QTimer::singleShot(0, m_engine, &QZPMidiEngine::openBackend);
        }
    }
    return QObject::eventFilter(watched, event);
}

// With no instrument's port to send to and none ever chosen, ToneBench Sound plays from the first start;
// a destination the user chose (even one not there now) is kept.
void QZPAppDelegate::chooseFirstDestination(QZPMidiEngine* engine, QZPSettings* settings) {
    if (!engine || !engine->destination().isNull() ||
        settings->intValue(QString::fromLatin1(QZPSettings::MidiDeviceOutKey)) != 0)
        return;
    const QList<QZPMidiEndpoint> destinations = engine->midiDestinations();
    const auto sound = std::find_if(destinations.begin(), destinations.end(), [](const QZPMidiEndpoint& e) {
        return e.uniqueID() == QZPSoundMidiBackend::EndpointID;
    });
    if (sound != destinations.end() && destinations.size() == 1)
        engine->setDestination(*sound);
}

void QZPAppDelegate::applicationDidFinishLaunching() {
    chooseFirstDestination(m_engine, QZPSettings::standard());
    buildChannelMenu();
    // An unreadable settings file was set aside at start: said once, when the window is up.
    const QString settingsProblem = QZPSettings::standard()->loadProblem();
    if (!settingsProblem.isEmpty())
        QTimer::singleShot(0, this, [settingsProblem] {
            QZPErrorPresenter::shared()->presentError(
                QZPError::make(QString::fromLatin1(QZPError::ToneBenchDomain), -1, settingsProblem));
        });
    QZPOnboardingWindowController::showOnboardingIfNecessary(QZPSettings::standard(), this,
                                                             [this] { showOnboarding(); });
}

QZPOnboardingWindowController* QZPAppDelegate::onboardingController() {
    if (!m_onboarding)
        m_onboarding = std::make_unique<QZPOnboardingWindowController>(
            m_documents->presetsController(), m_engine, windowController()->window());
    return m_onboarding.get();
}

void QZPAppDelegate::showOnboarding() {
    onboardingController()->showWindow();
}

QZPPreferencesWindowController* QZPAppDelegate::preferencesController() {
    if (!m_preferences)
        m_preferences = std::make_unique<QZPPreferencesWindowController>(m_documents->presetsController(),
                                                                         m_engine, QZPSettings::standard());
    return m_preferences.get();
}

void QZPAppDelegate::showPrefPane() {
    preferencesController()->showWindow(m_windowController ? m_windowController->window() : nullptr);
}

bool QZPAppDelegate::applicationShouldOpenUntitledFile() const {
    return m_documents->presetsController()->count() == 0;
}

// The window plays notes from the computer keyboard (while it has a selection), and the recording
// commands work from it as from the main window.
QZPRecordWindowController* QZPAppDelegate::recWindowController() {
    if (!m_recWindowController) {
        QZPMainWindowController* main = windowController();
        m_recWindowController = std::make_unique<QZPRecordWindowController>(
            m_engine, main->presetsController()->presetsFolderURL());
        QWidget* window = m_recWindowController->window();
        main->addClaviatureSource(window, m_recWindowController.get());
        window->addActions({m_recordItem, m_recordMultipleItem});
    }
    return m_recWindowController.get();
}

void QZPAppDelegate::showRecWindow() {
    recWindowController()->showWindow();
}

// Files that cannot be opened are reported together: one message for all of them, not a window each.
void QZPAppDelegate::openFiles(const QStringList& paths) {
    QList<QZPError> failures;
    for (const QString& path : paths) {
        if (applicationWillFinishLaunching(), m_bankOffer->offer(path))
            continue;
        const QZPDocumentController::OpenResult opened = m_documents->openDocumentWithContentsOfURL(
            QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()), true);
        if (!opened.preset)
            failures << opened.error;
    }
    if (failures.isEmpty())
        return;
    QWidget* window = m_windowController ? m_windowController->window() : nullptr;
    if (failures.size() == 1)
        return QZPErrorHandler::presentError(failures.first(), window);
    constexpr qsizetype Listed = 10;
    QStringList lines;
    for (const QZPError& failure : failures.mid(0, Listed))
        lines << failure.fullText();
    if (failures.size() > Listed)
        lines << tr("…and %1 more.").arg(failures.size() - Listed);
    QZPErrorHandler::presentError(QZPError::make(QString::fromLatin1(QZPError::ToneBenchDomain),
                                                 QZPPreset::ReadErrorCode,
                                                 tr("%1 files couldn’t be opened.").arg(failures.size()),
                                                 lines.join(QLatin1Char('\n'))),
                                  window);
}

void QZPAppDelegate::openPanel() {
    const QStringList paths = QFileDialog::getOpenFileNames(
        windowController()->window(), tr("Open Preset"),
        m_documents->presetsController()->presetsFolderURL().toLocalFile(), tr("Presets (*.syx *.tbpreset)"));
    openFiles(paths);
}

// Sixteen channels, "1" to "16", each carrying its channel byte; filled once per launch. The main window
// checks the current one from then on.
void QZPAppDelegate::buildChannelMenu() {
    if (m_channelMenuBuilt || !m_channelMenu)
        return;
    m_channelMenuBuilt = true;
    for (int channel = 0; channel < 16; ++channel)
        m_channelMenu->addAction(QString::number(channel + 1))->setData(channel);
    if (m_windowController)
        m_windowController->updateChannelMenu(m_channelMenu);
}

void QZPAppDelegate::showMainWindow() {
    windowController()->showWindow();
}

// Made on first use; every opening reads the presets folder afresh.
void QZPAppDelegate::showDuplicates() {
    QWidget* window = windowController()->window();
    if (!m_duplicatesWindow) {
        m_duplicatesWindow = new QZPDuplicatesWindow(
            m_documents->presetsController(),
            [window](const QZPError& error) { QZPErrorHandler::presentError(error, window); }, window);
        connect(m_duplicatesWindow, &QZPDuplicatesWindow::statusMessage, windowController(),
                &QZPMainWindowController::showStatus);
        connect(m_duplicatesWindow, &QZPDuplicatesWindow::selectInList,
                windowController()->sidebarController(), &QZPSidebarController::selectFiles);
        const QRect frame = window->frameGeometry();
        m_duplicatesWindow->move(frame.center() - m_duplicatesWindow->rect().center());
    }
    m_duplicatesWindow->show();
    m_duplicatesWindow->raise();
    m_duplicatesWindow->scan();
}

void QZPAppDelegate::showAbout() {
    showTextWindow(&m_aboutWindow, tr("About ToneBench"), QZPHelpText::about);
}

void QZPAppDelegate::showAcknowledgements() {
    showTextWindow(&m_ackWindow, tr("Acknowledgements"), QZPHelpText::acknowledgements);
}

void QZPAppDelegate::showHelp() {
    showTextWindow(&m_helpWindow, tr("ToneBench Help"), QZPHelpText::help);
}

// Made on first use, then shown again as it was left; it opens centred over the main window.
void QZPAppDelegate::showTextWindow(QPointer<QZPTextWindow>* window, const QString& title,
                                    QString (*text)()) {
    if (!*window) {
        *window = new QZPTextWindow(title, text(), windowController()->window());
        const QRect frame = windowController()->window()->frameGeometry();
        (*window)->move(frame.center() - (*window)->rect().center());
    }
    (*window)->show();
    (*window)->raise();
}

bool QZPAppDelegate::applicationShouldTerminate() {
    if (!m_documents || !m_windowController)
        return true;
    for (QZPPreset* preset : m_documents->reviewUnsavedDocuments())
        if (!m_windowController->reviewChanges(preset))
            return false;
    return true;
}

void QZPAppDelegate::applicationWillTerminate() {
    QZPSettings::standard()->setValue(QString::fromLatin1(QZPSettings::QuitAlwaysKeepsWindowsKey), true);
}

// Quitting closes the windows, and the main window's close would ask again: it is told the presets were
// reviewed.
void QZPAppDelegate::terminate() {
    if (!applicationShouldTerminate())
        return;
    // Each edit was saved or given up by the user's answer: nothing is left to recover.
    if (m_recovery) {
        m_recovery->forgetAll();
        m_recovery->stop();
    }
    if (m_windowController)
        m_windowController->setQuitting();
    QApplication::quit();
}

void QZPAppDelegate::endSession() {
    if (m_recovery) {
        m_recovery->keepNow();
        m_recovery->stop();
    }
    // Nothing left sounding on the instrument or in ToneBench Sound.
    if (!m_engine->destination().isNull())
        m_engine->sendAllNotesOff();
    applicationWillTerminate();
    if (QZPMainWindowController* window = m_windowController.get())
        window->setQuitting();
    QApplication::quit();
}

void QZPAppDelegate::offerRecovery() {
    const QString folder = m_recovery ? m_recovery->folder() : QZPRecoveryKeeper::defaultFolder();
    const QList<QZPRecoveryKeeper::Entry> entries = QZPRecoveryKeeper::leftBehind(folder);
    if (entries.isEmpty())
        return;
    QWidget* window = windowController()->window();
    auto* question = new QMessageBox(window);
    question->setObjectName(QStringLiteral("recoveryQuestion"));
    question->setAttribute(Qt::WA_DeleteOnClose);
    question->setIcon(QMessageBox::Question);
    question->setText(qzpPlural(entries.size(), tr("ToneBench ended with unsaved changes to 1 preset"),
                                tr("ToneBench ended with unsaved changes to %1 presets")));
    QStringList names;
    for (const QZPRecoveryKeeper::Entry& entry : entries)
        names << (entry.fileChanged() ? tr("%1 (its file changed since)").arg(entry.name) : entry.name);
    question->setInformativeText(
        tr("Restore brings each back edited, as it was, over its file (which is not changed until you "
           "save). Discard forgets the changes.\n\n%1")
            .arg(names.join(QLatin1Char('\n'))));
    QPushButton* restoreButton = question->addButton(tr("Restore"), QMessageBox::AcceptRole);
    question->addButton(tr("Discard"), QMessageBox::DestructiveRole);
    question->setDefaultButton(restoreButton);
    connect(question, &QMessageBox::finished, this, [this, question, restoreButton, entries] {
        const bool restoring = question->clickedButton() == restoreButton;
        // Only the entries still there are this answer's: another instance that asked at the same time
        // and answered first has taken the others.
        QList<QZPRecoveryKeeper::Entry> taken;
        for (const QZPRecoveryKeeper::Entry& entry : entries)
            if (QFile::remove(entry.entryPath))
                taken << entry;
        if (!restoring || taken.isEmpty())
            return;
        const QStringList notes = restore(taken);
        if (!notes.isEmpty())
            windowController()->showStatus(notes.join(QLatin1Char(' ')));
    });
    question->open();
}

QStringList QZPAppDelegate::restore(const QList<QZPRecoveryKeeper::Entry>& entries) {
    QStringList notes;
    QZPPreset* last = nullptr;
    for (const QZPRecoveryKeeper::Entry& entry : entries) {
        QZPPreset* preset = nullptr;
        if (!entry.file.isEmpty() && QFileInfo::exists(entry.file))
            preset =
                m_documents->openDocumentWithContentsOfURL(QUrl::fromLocalFile(entry.file), false).preset;
        if (!preset) {
            if (!entry.file.isEmpty())
                notes << tr("“%1” is gone: its changes came back as a draft.").arg(entry.name);
            preset = m_documents->newDocument();
            preset->setDisplayName(entry.name);
        } else if (entry.fileChanged()) {
            notes << tr("“%1” changed on disk since: the restored changes are shown over it, unsaved.")
                         .arg(entry.name);
        }
        preset->setJunoSysexData(entry.message, true);
        last = preset;
    }
    if (last)
        last->makeWindowControllers();
    return notes;
}

// The main menu. Letter keys without a modifier belong to the note player, so every shortcut has one.
// The shortcuts are spelt out rather than taken from the platform theme's standard keys, which differ
// from one desktop to the next: the help page lists them, and it holds everywhere.
void QZPAppDelegate::buildMainMenu() {
    QZPMainWindowController* window = m_windowController.get();
    QZPPresetCommands* commands = window->commands();
    QMenuBar* bar = window->window()->menuBar();
    // The application's own commands; the preset commands are the main window's.
    const QList<std::pair<Command, std::function<void()>>> handlers{
        {Command::FindDuplicates,
         [this] {
             showDuplicates();
         }},
        {Command::RecordMultiple,
         [this] {
             showRecWindow();
         }},
        {Command::Open,
         [this] {
             openPanel();
         }},
        {Command::Quit,
         [this] {
             terminate();
         }},
        {Command::ShowPreferences,
         [this] {
             showPrefPane();
         }},
        {Command::ShowMainWindow,
         [this] {
             showMainWindow();
         }},
        {Command::Minimize,
         [window] {
             window->window()->showMinimized();
         }},
        {Command::ShowHelp,
         [this] {
             showHelp();
         }},
        {Command::ShowWelcome,
         [this] {
             showOnboarding();
         }},
        {Command::ShowAcknowledgements,
         [this] {
             showAcknowledgements();
         }},
        {Command::ShowAbout,
         [this] {
             showAbout();
         }},
    };
    for (const auto& [command, handler] : handlers)
        commands->setHandler(command, handler);
    // The menus from the command table, each item enabled as its command's state allows.
    QHash<Command, QAction*> items;
    QList<QMenu*> menus;
    for (const QZPPresetCommands::Menu& menu : QZPPresetCommands::menus()) {
        QMenu* added = bar->addMenu(QCoreApplication::translate("QZPPresetCommands", menu.title));
        menus << added;
        for (const std::optional<Command>& command : menu.items) {
            if (command)
                added->addAction(items[*command] = commands->makeAction(*command));
            else
                added->addSeparator();
        }
    }
    items.value(Command::ShowPreferences)->setMenuRole(QAction::PreferencesRole);
    items.value(Command::ShowAbout)->setMenuRole(QAction::AboutRole);
    // "Record New" while recording goes into a new draft, "Record" while it goes into the current preset.
    m_recordItem = items.value(Command::Record);
    const auto titleRecordItem = [this] {
        m_recordItem->setText(QZPRecordWindowController::recordMenuItemTitle(
            QZPSettings::standard()->boolValue(QString::fromLatin1(QZPSettings::DraftOnRecordKey))));
    };
    titleRecordItem();
    connect(QZPSettings::standard(), &QZPSettings::valueChanged, m_recordItem,
            [titleRecordItem](const QString& key) {
                if (key == QLatin1String(QZPSettings::DraftOnRecordKey))
                    titleRecordItem();
            });
    m_recordMultipleItem = items.value(Command::RecordMultiple);
    QAction* compare = items.value(Command::CompareWithSaved);
    compare->setIconText(tr("A/B"));
    compare->setToolTip(tr("Compare with the saved patch (\\)"));
    window->editorController()->addHeaderAction(compare);

    QMenu* midi = menus.at(3);
    m_deviceMenu = midi->addMenu(tr("&Device"));
    m_channelMenu = midi->addMenu(tr("&Channel"));
    window->setMidiMenus(m_deviceMenu, m_channelMenu);
    midi->addSeparator();
    QZPSettings* settings = QZPSettings::standard();
    QAction* hardware = midi->addAction(tr("&Hardware Control"));
    hardware->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H));
    hardware->setCheckable(true);
    settings->bind(hardware, "checked", QString::fromLatin1(QZPSettings::HardwareControlKey));
    QAction* notes = midi->addAction(tr("Play Notes from &Keyboard"));
    notes->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K));
    notes->setCheckable(true);
    settings->bind(notes, "checked", QString::fromLatin1(QZPSettings::ClaviatureEnabledKey));
    // MIDI Thru is kept apart for the built-in sound and for an instrument: the item shows and sets the
    // one of the destination chosen now.
    QAction* thru = midi->addAction(tr("MIDI &Thru"));
    thru->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T));
    thru->setCheckable(true);
    thru->setToolTip(tr("Pass what the chosen MIDI input plays on to the output"));
    const auto showThru = [this, thru] {
        thru->setChecked(m_engine->passesThru());
    };
    connect(thru, &QAction::triggered, this, [this, settings](bool on) {
        settings->setValue(QString::fromLatin1(m_engine->midiThruKey()), on);
    });
    connect(m_engine, &QZPMidiEngine::destinationChanged, thru, showThru);
    connect(settings, &QZPSettings::valueChanged, thru, showThru);
    showThru();
    midi->addSeparator();
    QAction* check = midi->addAction(tr("Check &Connection…"));
    check->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    connect(check, &QAction::triggered, this, [this, window] {
        (new QZPConnectionWindow(
             m_engine, [window](int channel) { window->setMidiChannel(channel); }, window->window()))
            ->show();
    });

    QMenu* view = menus.at(4);
    m_filterModifiedItem = view->addAction(tr("Show &Edited Only"));
    m_filterModifiedItem->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    m_filterModifiedItem->setCheckable(true);
    QZPSidebarController* sidebar = window->sidebarController();
    connect(m_filterModifiedItem, &QAction::toggled, sidebar, &QZPSidebarController::setFilterForModified);
    connect(sidebar, &QZPSidebarController::filterForModifiedChanged, m_filterModifiedItem,
            &QAction::setChecked);
    QMenu* skin = view->addMenu(tr("&Skin"));
    auto* skins = new QActionGroup(skin);
    for (const auto& [index, title] : {std::pair{1, tr("&Neutral")}, std::pair{2, tr("&Classic")}}) {
        QAction* item = skin->addAction(title);
        item->setCheckable(true);
        item->setData(index);
        skins->addAction(item);
    }
    const auto checkSkin = [skins] {
        const int index =
            QZPSettings::standard()->intValue(QString::fromLatin1(QZPSettings::AppearanceIndexKey));
        for (QAction* item : skins->actions())
            item->setChecked((item->data().toInt() == 1) == (index == 1));
    };
    checkSkin();
    connect(skins, &QActionGroup::triggered, this, [](QAction* item) {
        QZPSettings::standard()->setValue(QString::fromLatin1(QZPSettings::AppearanceIndexKey), item->data());
    });
    connect(settings, &QZPSettings::valueChanged, skin, [checkSkin](const QString& key) {
        if (key == QLatin1String(QZPSettings::AppearanceIndexKey))
            checkSkin();
    });
}
