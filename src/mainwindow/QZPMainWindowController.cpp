// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/QZPMainWindowController.h"
#include "model/QZPParameter.h"

#include "editor/QZPEditorController.h"
#include "editor/QZPPanelFrame.h"
#include "library/QZPPresetsController.h"
#include "mainwindow/QZPComparison.h"
#include "mainwindow/QZPDocumentController.h"
#include "mainwindow/QZPErrorHandler.h"
#include "mainwindow/QZPHardwareControlSync.h"
#include "mainwindow/QZPInstrumentCommands.h"
#include "mainwindow/QZPMidiActivity.h"
#include "mainwindow/QZPMidiMenus.h"
#include "mainwindow/QZPMorphBar.h"
#include "mainwindow/QZPMutateDialog.h"
#include "mainwindow/QZPNotePlayerKeyFilter.h"
#include "mainwindow/QZPPlayingStrip.h"
#include "mainwindow/QZPPresetCommands.h"
#include "mainwindow/QZPPresetFileActions.h"
#include "mainwindow/QZPPresetRecorder.h"
#include "mainwindow/QZPRecordOneWindowController.h"
#include "mainwindow/QZPScreenFit.h"
#include "mainwindow/QZPSheetExports.h"
#include "midi/QZPInstrumentSync.h"
#include "midi/QZPMidiClaviature.h"
#include "midi/QZPMidiEndpoint.h"
#include "midi/QZPMidiEngine.h"
#include "midi/QZPSysexMessage.h"
#include "model/QZPPatchMutation.h"
#include "model/QZPPresetPasteboard.h"
#include "model/QZPPropertyList.h"
#include "model/QZPSettings.h"
#include "sidebar/QZPSidebarController.h"
#include "sidebar/QZPSidebarView.h"

#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QUndoStack>
#include <QVBoxLayout>
#include <utility>

namespace {

// Redraws after messages from the instrument are gathered to one per frame.
constexpr int RedrawIntervalMs = 16;

} // namespace

QZPMainWindowController::QZPMainWindowController(QZPDocumentController* documents, QZPMidiEngine* engine,
                                                 QObject* parent)
    : QZPWindowController(parent), m_documents(documents), m_engine(engine),
      m_claviature(new QZPMidiClaviature(this)), m_editor(new QZPEditorController(this)),
      m_instrument(engine ? QZPInstrumentSync::of(engine) : nullptr),
      m_sidebar(new QZPSidebarController(documents->presetsController(), nullptr, this)),
      m_presentError(
          [](const QZPError& error, QWidget* window) { QZPErrorHandler::presentError(error, window); }) {
    m_controlSync = new QZPHardwareControlSync([this] { return currentPreset(); }, this);
    connect(m_controlSync, &QZPHardwareControlSync::presetChanged, this,
            &QZPMainWindowController::scheduleRedraw);
    m_sidebar->setDelegate(this);
    connect(m_sidebar->recordMenuItem(), &QAction::triggered, this,
            [this] { recordSelected(QZPCommandSource::ContextMenu); });
    connect(m_sidebar->closeDraftMenuItem(), &QAction::triggered, this,
            [this] { m_commands->perform(Command::CloseDraft, QZPCommandSource::ContextMenu); });
    buildWindow();
    m_comparison = new QZPComparison(
        m_editor, [this](const QZPPatch& patch) { sendWholePatch(patch); }, this);
    m_commands = new QZPPresetCommands(this);
    m_instrumentCommands = new QZPInstrumentCommands(
        m_engine, m_sidebar, m_window,
        [this](const QZPError& error, QWidget* window) { presentError(error, window); },
        [this](const QString& text) { showStatus(text); }, this);
    m_instrumentCommands->setBackUp(
        [this] { m_commands->perform(QZPPresetCommands::Command::RecordMultiple); });
    connect(m_comparison, &QZPComparison::comparingChanged, m_commands, &QZPPresetCommands::scheduleUpdate);
    // What differs shows whole under the panel for as long as the comparison lasts.
    connect(m_comparison, &QZPComparison::comparingChanged, this, [this](bool on) {
        m_differences->setText(m_comparison->differences());
        m_differences->setVisible(on);
    });
    m_fileActions = new QZPPresetFileActions(
        m_documents, m_window, [this] { return currentPreset(); },
        [this](const QZPError& error, QWidget* window) { presentError(error, window); }, this);
    m_sheets = new QZPSheetExports(
        m_editor, m_window, [this](const QZPError& error, QWidget* window) { presentError(error, window); },
        this);
    m_recorder = new QZPPresetRecorder(
        m_engine, m_documents, m_window, [this] { return currentPreset(); }, [this] { showWindow(); }, this);
    connect(m_fileActions, &QZPPresetFileActions::statusMessage, this, &QZPMainWindowController::showStatus);
    connect(m_sidebar, &QZPSidebarController::statusMessage, this, &QZPMainWindowController::showStatus);
    connect(m_recorder, &QZPPresetRecorder::recorded, this, [this](const QString& program) {
        m_editor->showTemporaryMessage(tr("Received Preset %1").arg(program), 4);
    });
    m_documents->setMainWindowController(this);

    QZPSettings* settings = QZPSettings::standard();
    m_midiMenus = new QZPMidiMenus(m_engine, this);
    connect(m_midiMenus, &QZPMidiMenus::channelChanged, this, &QZPMainWindowController::midiChannelChanged);
    connect(m_midiMenus, &QZPMidiMenus::statusChanged, this, &QZPMainWindowController::updateMidiStatus);
    m_claviature->setDelegate(this);
    settings->bind(m_claviature, "enabled", QString::fromLatin1(QZPSettings::ClaviatureEnabledKey));
    m_keyFilter = new QZPNotePlayerKeyFilter(m_claviature, m_window, this);
    connect(m_engine, &QZPMidiEngine::targetedMidiChannelChanged, this, [this] { m_toldOtherChannel = -1; });
    // Under the panel where there is room: the envelope's picture and the keyboard.
    m_playingStrip = new QZPPlayingStrip(m_editor, m_engine, m_claviature);
    m_window->findChild<QZPPanelFrame*>()->setBelowPanel(m_playingStrip);

    m_redraw = new QTimer(this);
    m_redraw->setSingleShot(true);
    m_redraw->setInterval(RedrawIntervalMs);
    connect(m_redraw, &QTimer::timeout, this, [this] {
        m_editor->updateDisplay(false);
        m_sidebar->updateDisplay();
    });
    // After a refresh or an opened file, the library and the document controller ask for the current
    // program to be sent.
    connect(documents, &QZPDocumentController::sendProgramRequested, this,
            &QZPMainWindowController::sendCurrentProgram);
    updateMidiStatus();
}

QZPMainWindowController::~QZPMainWindowController() {
    delete m_keyFilter;
    if (m_engine)
        m_engine->setDelegate(nullptr);
    if (m_documents && m_documents->mainWindowController() == this)
        m_documents->setMainWindowController(nullptr);
    QZPSettings::standard()->setValue(QString::fromLatin1(GeometryKey), m_window->saveGeometry());
    // The controllers take their views out of the window first; then the window goes.
    delete m_recorder; // its sheet goes before the window it waits on
    m_recorder = nullptr;
    delete m_sidebar;
    delete m_editor;
    delete m_window;
}

void QZPMainWindowController::buildWindow() {
    m_window = new QMainWindow;
    m_window->setObjectName(QStringLiteral("MainWindow"));
    m_window->installEventFilter(this);
    // The panel fills the space beside the list, scaled to it: never cut off, never scrolled.
    auto* frame = new QZPPanelFrame(m_editor);
    // Above the panel, the morph bar while it is open.
    auto* editorSide = new QWidget;
    auto* column = new QVBoxLayout(editorSide);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_morphBar = new QZPMorphBar(editorSide);
    column->addWidget(m_morphBar);
    column->addWidget(frame, 1);
    m_differences = new QLabel(editorSide);
    m_differences->setObjectName(QStringLiteral("Differences"));
    m_differences->setAccessibleName(tr("Differences"));
    m_differences->setWordWrap(true);
    m_differences->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_differences->setContentsMargins(8, 4, 8, 6);
    m_differences->hide();
    column->addWidget(m_differences);
    m_splitter = new QSplitter(Qt::Horizontal);
    m_splitter->addWidget(m_sidebar->view());
    m_splitter->addWidget(editorSide);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setHandleWidth(1);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({240, 1040});
    QZPSettings* settings = QZPSettings::standard();
    m_splitter->restoreState(settings->value(QString::fromLatin1(SplitViewAutosaveName)).toByteArray());
    connect(m_splitter, &QSplitter::splitterMoved, this, [this] {
        QZPSettings::standard()->setValue(QString::fromLatin1(SplitViewAutosaveName),
                                          m_splitter->saveState());
    });
    m_window->setCentralWidget(m_splitter);
    // As small as the list and the panel at its smallest scale allow.
    m_window->setMinimumSize(m_window->minimumSizeHint().expandedTo(QSize(640, 400)));
    // Wide enough for the panel in one row, as on the instrument, at a legible scale.
    m_window->resize(1440, 800);
    m_window->restoreGeometry(settings->value(QString::fromLatin1(GeometryKey)).toByteArray());
    QZPScreenFit::fit(m_window);
    auto* status = new QLabel;
    status->setObjectName(QStringLiteral("MidiStatus"));
    status->setAccessibleName(tr("MIDI Status"));
    m_window->statusBar()->addPermanentWidget(status);
    m_window->statusBar()->addPermanentWidget(new QZPMidiActivity(m_engine));
    m_window->statusBar()->setSizeGripEnabled(true);
}

// The first window, and one whose kept geometry is larger than the screen it opens on now (another
// monitor, a scale factor), is made to fit the screen's available area, and moved inside it.
QZPPresetsController* QZPMainWindowController::presetsController() const {
    return m_documents->presetsController();
}

QZPPreset* QZPMainWindowController::currentPreset() const {
    return qobject_cast<QZPPreset*>(document());
}

// MARK: Current preset

void QZPMainWindowController::setDocument(QZPDocument* document) {
    // A morph of the preset that stops being current is cancelled: it keeps its patch.
    if (m_morphBar && m_morphBar->isMorphing())
        m_morphBar->cancel();
    QZPWindowController::setDocument(document);
    disconnect(m_presetChangedConnection);
    auto* preset = qobject_cast<QZPPreset*>(document);
    // The instrument hears of a change first: its message leaves before the window redraws.
    if (m_instrument)
        m_instrument->setPreset(preset);
    if (preset) {
        m_presetChangedConnection =
            connect(preset, &QZPPreset::presetChanged, this,
                    [this, preset](QZPPreset::Change change) { documentChanged(preset, change); });
        const auto updateTitle = [this, preset] {
            m_window->setWindowTitle(QStringLiteral("%1[*] — ToneBench").arg(preset->displayName()));
            m_window->setWindowModified(preset->isDocumentEdited());
        };
        connect(preset, &QZPDocument::displayNameChanged, m_window, updateTitle);
        connect(preset, &QZPDocument::documentEditedChanged, m_window, updateTitle);
        updateTitle();
    }
    m_sidebar->setDocument(preset);
    m_editor->setDocument(preset);
    m_comparison->setPreset(preset);
    m_commands->setCurrentPreset(preset);
}

bool QZPMainWindowController::isWindowVisible() const {
    return m_window->isVisible();
}

void QZPMainWindowController::showWindow() {
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

// While the Record sheet waits on this window, the instrument's messages stay with the sheet.
void QZPMainWindowController::windowDidBecomeMain() {
    if (m_recorder && m_recorder->isWaiting())
        return;
    m_engine->setDelegate(this);
}

int QZPMainWindowController::midiChannel() const {
    return m_midiMenus->channel();
}

void QZPMainWindowController::setMidiChannel(int channel) {
    m_midiMenus->setChannel(channel);
}

bool QZPMainWindowController::recordControlMessages() const {
    return QZPSettings::standard()->boolValue(QString::fromLatin1(QZPSettings::HardwareControlKey));
}

void QZPMainWindowController::setRecordControlMessages(bool on) {
    QZPSettings::standard()->setValue(QString::fromLatin1(QZPSettings::HardwareControlKey), on);
}

// The instrument follows the preset by itself (QZPInstrumentSync); the window shows the change.
void QZPMainWindowController::documentChanged(QZPPreset*, QZPPreset::Change) {
    m_editor->updateDisplay(true);
    m_sidebar->updateDisplay();
}

// MARK: Sending and receiving

QList<QZPPreset*> QZPMainWindowController::targets(QZPCommandSource source) const {
    return m_sidebar->documentsForSender(source);
}

void QZPMainWindowController::presentError(const QZPError& error, QWidget* window) {
    if (m_presentError)
        m_presentError(error, window);
}

// The preset of the command becomes current and goes to the instrument. Without a destination the
// user hears of it, except when the list moved to another preset (double-click or Return on a row
// that was not current) or nobody asked (a refresh).
void QZPMainWindowController::sendProgram(QZPCommandSource source) {
    QZPPreset* preset = m_sidebar->documentForSender(source);
    Q_ASSERT(preset);
    if (!preset)
        return;
    const bool wasCurrent = preset == currentPreset();
    if (!wasCurrent)
        preset->makeWindowControllers();
    if (!m_engine->destination().isNull()) {
        sendPatch(preset);
        return;
    }
    if (source == QZPCommandSource::None || (source == QZPCommandSource::List && !wasCurrent))
        return;
    presentError(QZPMidiEngine::noDestinationError(), source == QZPCommandSource::List ? m_window : nullptr);
}

void QZPMainWindowController::sendCurrentProgram() {
    if (QZPPreset* preset = currentPreset(); preset && !m_engine->destination().isNull())
        sendPatch(preset);
}

void QZPMainWindowController::sendPatch(QZPPreset* preset) {
    if (m_instrument)
        m_instrument->sendPreset(preset);
    showStatus(tr("Sent “%1” to %2, channel %3")
                   .arg(preset->displayName(), m_engine->destination().displayName())
                   .arg(midiChannel() + 1));
}

void QZPMainWindowController::showStatus(const QString& text) {
    m_window->statusBar()->showMessage(text, StatusSeconds * 1000);
}

void QZPMainWindowController::sidebarControllerDoubleClickAction(QZPSidebarController*, QObject*) {
    sendProgram(QZPCommandSource::List);
}

void QZPMainWindowController::sidebarControllerReturnKeyAction(QZPSidebarController*, QObject*) {
    sendProgram(QZPCommandSource::List);
}

void QZPMainWindowController::sidebarControllerSpaceKeyAction(QZPSidebarController*) {
    m_commands->perform(QZPPresetCommands::Command::Audition, QZPCommandSource::List);
}

void QZPMainWindowController::sidebarControllerBrowsed(QZPSidebarController*) {
    if (QZPSettings::standard()->boolValue(QString::fromLatin1(QZPSettings::AuditionWhileBrowsingKey)) &&
        m_sidebar->selectedRows(QZPCommandSource::List).size() == 1)
        m_instrumentCommands->audition(QZPCommandSource::List);
}

// The instrument's knob moves change the current preset while hardware control is on. They are not sent
// back.
void QZPMainWindowController::midiEngineDidReceiveSysex(QZPMidiEngine*, const QByteArray& sysex, quint8) {
    // The instrument ignores messages for other channels, and so does the window; the status says once
    // which channel they come on.
    if (const int channel = QZPPatch::channelOf(sysex); channel != m_engine->targetedMidiChannel()) {
        ++m_otherChannelMessages;
        if (std::exchange(m_toldOtherChannel, channel) != channel)
            showStatus(
                tr("The instrument sends on channel %1; ToneBench uses channel %2 (MIDI ▸ Channel), so "
                   "its messages are ignored.")
                    .arg(channel + 1)
                    .arg(m_engine->targetedMidiChannel() + 1));
        return;
    }
    if (recordControlMessages())
        m_controlSync->take(sysex);
}

// A control moved from a sequencer: applied to the current preset as a knob move on the instrument is
// (one undo step a gesture), and so sent on to the destination like any change of the preset.
void QZPMainWindowController::moveFromSequencer(QZPParameterId id, int value) {
    const QZPPreset* preset = currentPreset();
    if (!preset)
        return;
    const QZPParameter& parameter = QZPParameter::of(id);
    const quint8 byte =
        parameter.kind == QZPParameter::Kind::Slider
            ? quint8(value)
            : parameter.switchByte(preset->byteAtLocation(quint8(parameter.byteIndex)), value);
    m_controlSync->take(QZPSysexMessage::controlMessage(quint8(m_engine->targetedMidiChannel()),
                                                        quint8(parameter.byteIndex), byte));
}

void QZPMainWindowController::scheduleRedraw() {
    if (!m_redraw->isActive())
        m_redraw->start();
}

void QZPMainWindowController::claviaPlayMidiNote(QZPMidiClaviature*, quint8 note) {
    m_engine->sendNoteOn(note);
    m_playingStrip->computerKeyboardNote(note, true);
}

void QZPMainWindowController::claviaReleaseMidiNote(QZPMidiClaviature*, quint8 note) {
    m_engine->sendNoteOff(note);
    m_playingStrip->computerKeyboardNote(note, false);
}

// MARK: Moving through the list

void QZPMainWindowController::selectNext(QZPCommandSource source) {
    QZPPresetsController* list = presetsController();
    const qsizetype index = list->arrangedIndexOf(currentPreset());
    if (index < 0 || index + 1 >= list->arrangedCount()) {
        QApplication::beep();
        return;
    }
    list->arrangedPresetAt(index + 1)->makeWindowControllers();
    sendProgram(source);
}

void QZPMainWindowController::selectPrevious(QZPCommandSource source) {
    QZPPresetsController* list = presetsController();
    const qsizetype index = list->arrangedIndexOf(currentPreset());
    if (index <= 0) {
        QApplication::beep();
        return;
    }
    list->arrangedPresetAt(index - 1)->makeWindowControllers();
    sendProgram(source);
}

void QZPMainWindowController::selectCurrent() {
    if (QZPPreset* preset = currentPreset(); preset && presetsController()->arrangedIndexOf(preset) >= 0)
        presetsController()->setSelectedObjects({preset});
}

void QZPMainWindowController::newDocument() {
    m_documents->newDocument();
}

// MARK: Files

void QZPMainWindowController::closeDocuments(const QList<QZPPreset*>& presets) {
    m_fileActions->close(presets);
}

bool QZPMainWindowController::closeDocumentsAfterReview(const QList<QZPPreset*>& presets) {
    return m_fileActions->closeAfterReview(presets);
}

void QZPMainWindowController::recycleDocument(QZPCommandSource source) {
    m_fileActions->moveToTrash(targets(source));
}

bool QZPMainWindowController::dumpPresetsToFile(const QString& path, QZPError* error) const {
    return m_fileActions->exportListToFile(path, error);
}

void QZPMainWindowController::dumpPresets() {
    m_fileActions->exportList();
}

bool QZPMainWindowController::saveDocument() {
    return m_fileActions->save();
}

bool QZPMainWindowController::saveDocumentAs() {
    return m_fileActions->saveAs();
}

bool QZPMainWindowController::reviewChanges(QZPPreset* preset) {
    return m_fileActions->reviewChanges(preset);
}

void QZPMainWindowController::setReviewQuestion(ReviewQuestion ask) {
    m_fileActions->setReviewQuestion(std::move(ask));
}

// MARK: Clipboard

void QZPMainWindowController::copy(QZPCommandSource source) {
    const QList<QZPPreset*> presets = targets(source);
    if (!presets.isEmpty())
        QGuiApplication::clipboard()->setMimeData(QZPPresetPasteboard::mimeDataForPresets(presets));
}

// One line of plain text a preset, safe in a chat message; pasted back it gives the same patch.
void QZPMainWindowController::copyAsText(QZPCommandSource source) {
    const QList<QZPPreset*> presets = targets(source);
    if (!presets.isEmpty())
        QGuiApplication::clipboard()->setMimeData(QZPPresetPasteboard::textForPresets(presets));
}

// Copied presets are dealt out to the targets in turn: one goes to every target, several alternate.
void QZPMainWindowController::paste(QZPCommandSource source) {
    const QList<QZPPreset*> pasted =
        QZPPresetPasteboard::presetsFromMimeData(QGuiApplication::clipboard()->mimeData());
    const QList<QZPPreset*> presets = targets(source);
    for (qsizetype i = 0; !pasted.isEmpty() && i < presets.size(); ++i) {
        presets.at(i)->replacePatch(pasted.at(i % pasted.size())->junoSysexData(), tr("Paste"));
    }
    qDeleteAll(pasted);
}

// MARK: Comparing and new sounds

void QZPMainWindowController::sendWholePatch(const QZPPatch& patch) {
    if (currentPreset() && m_instrument)
        m_instrument->sendPatch(patch);
}

void QZPMainWindowController::showMorphBar() {
    if (QZPPreset* preset = currentPreset()) {
        m_comparison->setComparing(false);
        m_morphBar->start(preset, m_comparison->reference(), m_comparison->referenceName());
    }
}

void QZPMainWindowController::compareWithSelected(QZPCommandSource source) {
    QZPPreset* other = m_sidebar->documentForSender(source);
    if (other && other != currentPreset())
        m_comparison->compareWith(other->patch(), QStringLiteral("“%1”").arg(other->displayName()));
}

void QZPMainWindowController::compareWithClipboard() {
    const QList<QZPPreset*> copied =
        QZPPresetPasteboard::presetsFromMimeData(QGuiApplication::clipboard()->mimeData());
    if (!copied.isEmpty())
        m_comparison->compareWith(copied.first()->patch(), tr("clipboard"));
    qDeleteAll(copied);
}

void QZPMainWindowController::mutate(double amount, quint64 seed, const QString& stepName) {
    QZPPreset* preset = currentPreset();
    if (!preset)
        return;
    QSet<QString> locked;
    for (const QString& name :
         QZPSettings::standard()->value(QString::fromLatin1(QZPSettings::LockedParametersKey)).toStringList())
        locked << name;
    preset->replacePatch(QZPPatchMutation(seed).apply(preset->patch(), amount, locked), stepName);
    // The seed, so that the same sound can be made again.
    showStatus(tr("%1 %2 %: seed %3").arg(stepName).arg(qRound(amount * 100)).arg(seed));
}

void QZPMainWindowController::showMutateDialog() {
    QZPMutateDialog dialog(m_window);
    if (dialog.exec() == QDialog::Accepted)
        mutate(dialog.amount(), dialog.seed(), tr("Mutate"));
}

void QZPMainWindowController::randomise() {
    mutate(1, QZPPatchMutation::randomSeed(), tr("Randomise"));
}

// MARK: Recording

void QZPMainWindowController::record(QZPCommandSource) {
    const bool intoDraft =
        QZPSettings::standard()->boolValue(QString::fromLatin1(QZPSettings::DraftOnRecordKey));
    recordDocument(intoDraft ? nullptr : currentPreset());
}

void QZPMainWindowController::recordSelected(QZPCommandSource source) {
    if (QZPPreset* target = m_sidebar->documentForSender(source))
        recordDocument(target);
}

QZPRecordOneWindowController* QZPMainWindowController::recordSheet() {
    return m_recorder->sheet();
}

void QZPMainWindowController::recordDocument(QZPPreset* target) {
    m_recorder->record(target);
}

void QZPMainWindowController::importDataFrom(QZPPreset* received) {
    m_recorder->importDataFrom(received);
}

// MARK: MIDI menus

void QZPMainWindowController::setMidiMenus(QMenu* deviceMenu, QMenu* channelMenu) {
    m_midiMenus->setMenus(deviceMenu, channelMenu);
}

void QZPMainWindowController::updateChannelMenu(QMenu* menu) {
    m_midiMenus->updateChannelMenu(menu);
}

QString QZPMainWindowController::midiStatusText() const {
    return m_midiMenus->statusText();
}

void QZPMainWindowController::updateMidiStatus() {
    if (auto* status = m_window->findChild<QLabel*>(QStringLiteral("MidiStatus")))
        status->setText(midiStatusText());
    // Said once in the message view when the output goes (or is not there at all once MIDI is open).
    if (!m_engine->isBackendOpen())
        return;
    if (m_engine->destination().isNull() && !m_toldNoOutput) {
        m_toldNoOutput = true;
        m_editor->showTemporaryMessage(tr("No MIDI output"), 4);
    } else if (!m_engine->destination().isNull()) {
        m_toldNoOutput = false;
    }
}

// MARK: Events

void QZPMainWindowController::addClaviatureSource(QWidget* window, QZPMidiClaviatureSource* source) {
    m_keyFilter->addSource(window, source);
}

bool QZPMainWindowController::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::WindowActivate:
        if (watched == m_window)
            windowDidBecomeMain();
        return false;
    case QEvent::Close:
        if (watched == m_window) {
            QZPSettings::standard()->setValue(QString::fromLatin1(GeometryKey), m_window->saveGeometry());
            // On the way out (the quit was agreed to) the window just closes.
            if (m_quitting)
                return false;
            event->ignore();
            emit windowCloseRequested();
            return true;
        }
        return false;
    default:
        return false;
    }
}
