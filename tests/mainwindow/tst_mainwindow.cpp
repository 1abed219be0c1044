// SPDX-License-Identifier: GPL-3.0-or-later
#include "QZPLibraryLookup.h"
#include "QZPMainWindowFixture.h"
#include "QZPMenuTitles.h"
#include "QZPTestFiles.h"
#include "QZPTestMain.h"
#include "editor/QZPEditorController.h"
#include "editor/QZPEnvelopeView.h"
#include "editor/QZPKeyboardView.h"
#include "editor/QZPMessageView.h"
#include "editor/QZPPatchSheet.h"
#include "editor/QZPSlider.h"
#include "library/QZPPresetsController.h"
#include "mainwindow/QZPComparison.h"
#include "mainwindow/QZPConnectionWindow.h"
#include "mainwindow/QZPErrorHandler.h"
#include "mainwindow/QZPHardwareControlSync.h"
#include "mainwindow/QZPInstrumentCommands.h"
#include "mainwindow/QZPMainWindowController.h"
#include "mainwindow/QZPMidiActivity.h"
#include "mainwindow/QZPMidiMenus.h"
#include "mainwindow/QZPMorphBar.h"
#include "mainwindow/QZPMutateDialog.h"
#include "mainwindow/QZPPlayingStrip.h"
#include "mainwindow/QZPPresetFileActions.h"
#include "mainwindow/QZPScreenFit.h"
#include "mainwindow/QZPSheetExports.h"
#include "midi/QZPAudition.h"
#include "midi/QZPDawBridge.h"
#include "midi/QZPMidiEngine.h"
#include "midi/QZPMidiMessageDelegate.h"
#include "midi/QZPSysexMessage.h"
#include "model/QZPErrorSolver.h"
#include "model/QZPInvalidParameter.h"
#include "model/QZPParameter.h"
#include "model/QZPPatchMutation.h"
#include "model/QZPPreset.h"
#include "model/QZPPresetPasteboard.h"
#include "model/QZPPropertyList.h"
#include "model/QZPSettings.h"
#include "sidebar/QZPFilterField.h"
#include "sidebar/QZPSidebarController.h"
#include "sidebar/QZPTableView.h"

#include <QAccessible>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStatusBar>
#include <QUndoStack>

using Id = QZPParameterId;

namespace {

class OtherDelegate : public QZPMidiMessageDelegate {
public:
    void midiEngineDidReceiveSysex(QZPMidiEngine*, const QByteArray&, quint8) override { ++received; }
    int received = 0;
};

// The window-modal alert on the main window: open as soon as the command returns.
QMessageBox* openAlert(QMainWindow* window) {
    QMessageBox* alert = window->findChild<QMessageBox*>();
    return alert && alert->isVisible() ? alert : nullptr;
}

QPushButton* button(QMessageBox* box, const QString& title) {
    for (QAbstractButton* b : box->buttons())
        if (b->text() == title)
            return qobject_cast<QPushButton*>(b);
    return nullptr;
}

} // namespace

class TestMainWindow : public QObject, QZPMainWindowFixture {
    Q_OBJECT

    QList<QZPError> m_errors;

    QString write(const QString& name, quint8 first = 1) { return qzpWritePresetFile(path(name), first); }
    QZPPresetsController* library() { return m_documents->presetsController(); }
    QZPPreset* named(const QString& name) { return qzpNamedPreset(library(), name); }
    // A library of the named presets, the first current.
    void library(const QStringList& presetNames) {
        for (const QString& name : presetNames)
            write(QStringLiteral("Lib/%1.syx").arg(name), quint8(presetNames.indexOf(name) + 1));
        QSignalSpy refreshed(library(), &QZPPresetsController::refreshFinished);
        library()->setPresetsFolderURL(QUrl::fromLocalFile(path("Lib")));
        QVERIFY(refreshed.wait(5000));
        named(presetNames.first())->makeWindowControllers();
        sent();
    }
    void setDestination(bool present) {
        m_engine->setDestination(present ? m_engine->midiDestinations().first() : QZPMidiEndpoint());
    }

private slots:
    void init() {
        QZPSettings::standard()->remove(QZPSidebarController::FolderChooserAutosaveName);
        QZPSettings::standard()->remove(QZPMidiMenus::MidiChannelKey);
        setUpWindow([this] { setDestination(true); });
        m_errors.clear();
        m_window->setErrorPresenter([this](const QZPError& error, QWidget*) { m_errors << error; });
        m_window->windowDidBecomeMain();
    }
    void cleanup() {
        tearDownWindow();
        QGuiApplication::clipboard()->clear();
    }

    // Who hears of a missing destination: a menu command, or asking again for the current preset; not
    // a move to another preset in the list, nor a send nobody asked for. The channel is the window's. The
    // list asks by a double-click or Return on a row.
    void sendProgramSenderRules() {
        library({"Bass", "Lead"});
        m_window->setMidiChannel(2);
        for (const auto& [what, destination, source, chosen, sends, reports] :
             QList<std::tuple<const char*, bool, QZPCommandSource, const char*, bool, bool>>{
                 {"list, other preset", true, QZPCommandSource::List, "Lead", true, false},
                 {"list, other preset, no output", false, QZPCommandSource::List, "Bass", false, false},
                 {"list, current preset, no output", false, QZPCommandSource::List, "Bass", false, true},
                 {"menu, no output", false, QZPCommandSource::Menu, "Lead", false, true},
                 {"nobody asked, no output", false, QZPCommandSource::None, "Lead", false, false},
                 {"menu", true, QZPCommandSource::Menu, "Bass", true, false},
             }) {
            setDestination(destination);
            library()->setSelectedObjects({named(chosen)});
            m_errors.clear();
            if (source == QZPCommandSource::List)
                m_window->sidebarControllerDoubleClickAction(m_window->sidebarController(), nullptr);
            else
                m_window->sendProgram(source);
            QCOMPARE(m_window->currentPreset(), named(chosen));
            const QList<QByteArray> messages = sent();
            QVERIFY2((messages.size() == 1) == sends, what);
            if (sends) {
                QCOMPARE(messages.first(), named(chosen)->junoSysexDataWithMidiChannel(2));
                QCOMPARE(m_window->window()->statusBar()->currentMessage(),
                         QStringLiteral("Sent “%1” to Juno-106 In, channel 3").arg(chosen));
            }
            QVERIFY2((m_errors.size() == 1) == reports, what);
            if (reports)
                QCOMPARE(m_errors.first().localizedDescription() + ' ' +
                             m_errors.first().localizedRecoverySuggestion(),
                         QStringLiteral("Can't Send Preset: No MIDI Destination Please select a valid MIDI "
                                        "Output device from the “MIDI” menu."));
        }
    }

    // A refresh (a file arriving, a save) keeps the current preset current and sends it again, whatever
    // row is only selected; opening a file makes it current and sends it.
    void refreshesAndOpensSendTheCurrentPreset() {
        library({"A", "B", "C"});
        QZPPreset* a = named("A");
        const auto onlySent = [this](QZPPreset* preset) {
            return sent() == QList<QByteArray>{preset->junoSysexDataWithMidiChannel(0)};
        };
        QZPError error;
        for (int step = 0; step < 3; ++step) {
            library()->setSelectedObjects({named("C")}); // a single click on another row
            QVERIFY(step > 0 || sent().isEmpty());
            if (step == 0) { // a file arrives
                write("Lib/D.syx", 9);
            } else if (step == 1) { // the current preset is saved
                a->setValue(Id::VCF_Resonance, 50);
                QCOMPARE(sent(), QList{QZPSysexMessage::controlMessage(0, 6, 50)});
                QVERIFY(a->save(&error));
            } else { // a listed file is opened
                QCOMPARE(
                    m_documents->openDocumentWithContentsOfURL(QUrl::fromLocalFile(path("Lib/B.syx")), true)
                        .preset,
                    named("B"));
                QCOMPARE(m_window->currentPreset(), named("B"));
                QVERIFY(onlySent(named("B")));
                break;
            }
            library()->refreshAvailableDocumentsNow();
            QCOMPARE(m_window->currentPreset(), a);
            QVERIFY(onlySent(a));
        }
        QVERIFY(qzpNames(library()->arrangedObjects()).contains("D"));
    }

    // Next and previous move from the current preset (not from the selection), make the neighbour current
    // and send it; at either end nothing moves and nothing is sent. Each step: the command, the row
    // selected before it (or none), the preset current after it, whether it moved.
    void nextAndPrevious() {
        library({"A", "B", "C", "D"});
        named("B")->makeWindowControllers();
        using C = QZPPresetCommands::Command;
        for (const auto& [command, selected, current, moves] :
             QList<std::tuple<QZPPresetCommands::Command, const char*, const char*, bool>>{
                 {C::SelectNext, nullptr, "C", true},
                 {C::SelectNext, "A", "D", true},
                 {C::SelectNext, nullptr, "D", false},
                 {C::SelectPrevious, nullptr, "C", true},
                 {C::SelectPrevious, "D", "B", true},
                 {C::SelectPrevious, nullptr, "A", true},
                 {C::SelectPrevious, nullptr, "A", false},
             }) {
            if (selected)
                library()->setSelectedObjects({named(selected)});
            sent();
            QCOMPARE(m_window->commands()->validate(command), moves);
            if (command == C::SelectNext)
                m_window->selectNext(QZPCommandSource::Menu);
            else
                m_window->selectPrevious(QZPCommandSource::Menu);
            QCOMPARE(m_window->currentPreset(), named(current));
            QCOMPARE(sent(), moves ? QList<QByteArray>{named(current)->junoSysexDataWithMidiChannel(0)}
                                   : QList<QByteArray>{});
        }
    }

    // Closing an edited preset asks first: Cancel keeps it as it is, Don't Save drops the edit (the file
    // keeps its patch), Save writes it. An unedited preset closes without a question.
    void closeAsksAboutUnsavedChanges() {
        using Answer = QZPMainWindowController::ReviewAnswer;
        library({"A", "B", "C"});
        QStringList asked;
        Answer answer = Answer::Cancel;
        m_window->setReviewQuestion([&](QZPPreset* preset, QWidget*) {
            asked << preset->displayName();
            return answer;
        });
        const QByteArray bFile = qzpContents(path("Lib/B.syx"));
        QPointer<QZPPreset> b = named("B");
        b->makeWindowControllers();
        b->setValue(Id::VCF_Resonance, 77);
        m_window->commands()->perform(QZPPresetCommands::Command::CloseDocument);
        QCOMPARE(asked, QStringList{"B"});
        QVERIFY(b && !b->isClosed() && b->isDocumentEdited());
        QCOMPARE(m_window->currentPreset(), b.data());

        answer = Answer::DontSave;
        m_window->commands()->perform(QZPPresetCommands::Command::CloseDocument);
        QVERIFY(!b || b->isClosed());
        QCOMPARE(m_window->currentPreset(), named("A"));
        QCOMPARE(qzpContents(path("Lib/B.syx")), bFile);

        QZPPreset* c = named("C");
        c->makeWindowControllers();
        c->setValue(Id::VCF_Resonance, 66);
        answer = Answer::Save;
        m_window->commands()->perform(QZPPresetCommands::Command::CloseDocument);
        QVERIFY(c->isClosed());
        QCOMPARE(qzpContents(path("Lib/C.syx")).at(5 + 6), char(66)); // the resonance byte

        // An edited draft asks too; an unedited preset does not.
        asked.clear();
        QZPPreset* draft = m_documents->newDocument();
        draft->setValue(Id::VCF_Resonance, 5);
        answer = Answer::DontSave;
        m_window->commands()->perform(QZPPresetCommands::Command::CloseDraft);
        QCOMPARE(asked, QStringList{draft->displayName()});
        QVERIFY(draft->isClosed());
        asked.clear();
        QVERIFY(!m_window->currentPreset()->isDocumentEdited());
        m_window->commands()->perform(QZPPresetCommands::Command::CloseDocument);
        QVERIFY(asked.isEmpty());
    }

    // Undo, redo and revert send the whole patch; an edit from anywhere sends what it changed; a paste of
    // the patch the preset holds and a save send nothing.
    void patchChangesThatSendTheWholePatch() {
        library({"Pad"});
        QZPPreset* pad = named("Pad");
        QZPError error;
        const QByteArray whole = QByteArray("whole");
        struct Step {
            const char* what;
            std::function<void()> action;
            QList<QByteArray> sends;
        };
        const QList<Step> steps{
            {"edit",
             [&] { pad->setValue(Id::VCF_Resonance, 9); },
             {QZPSysexMessage::controlMessage(0, 6, 9)}},
            {"undo", [&] { pad->undoStack()->undo(); }, {whole}},
            {"redo", [&] { pad->undoStack()->redo(); }, {whole}},
            {"paste",
             [&] {
                 QGuiApplication::clipboard()->setMimeData(QZPPresetPasteboard::mimeDataForPresets({pad}));
                 m_window->paste(QZPCommandSource::Menu);
             },
             {}},
            {"revert", [&] { QVERIFY(pad->revertDocumentToSaved(&error)); }, {whole}},
            {"edit again",
             [&] { pad->setValue(Id::VCF_Resonance, 10); },
             {QZPSysexMessage::controlMessage(0, 6, 10)}},
            {"save", [&] { QVERIFY(pad->save(&error)); }, {}},
        };
        for (const Step& step : steps) {
            step.action();
            QList<QByteArray> expected = step.sends;
            std::replace(expected.begin(), expected.end(), whole, pad->junoSysexDataWithMidiChannel(0));
            QZP_VERIFY(sent() == expected, step.what);
        }
    }

    // The instrument's knob moves reach the current preset only with hardware control on and while the
    // window holds the engine's messages; a stream of one knob is one undo step, nothing is sent back.
    void controlMessagesFromTheInstrument() {
        library({"Bass"});
        QZPPreset* bass = named("Bass");
        const auto knob = [&](quint8 index, quint8 value) {
            m_instrument->inject(QZPSysexMessage::controlMessage(0, index, value));
            QCoreApplication::processEvents();
        };
        knob(5, 40);
        QTRY_COMPARE(bass->byteAtLocation(5), 40);
        QVERIFY(bass->isDocumentEdited() && sent().isEmpty());
        knob(18, 1); // outside the patch data
        QCOMPARE(bass->junoSysexData().size(), QZPPreset::PatchMessageLength);
        // A knob move on another channel is ignored, as the instrument ignores it; the status says which
        // channel the instrument sends on.
        m_instrument->inject(QZPSysexMessage::controlMessage(5, 5, 77));
        QTRY_COMPARE(m_window->otherChannelMessages(), 1);
        QCOMPARE(bass->byteAtLocation(5), 40);
        QVERIFY(m_window->window()->statusBar()->currentMessage().contains(QStringLiteral("channel 6")));

        m_window->setRecordControlMessages(false);
        knob(5, 90);
        QCOMPARE(bass->byteAtLocation(5), 40);
        m_window->setRecordControlMessages(true);
        OtherDelegate recorder;
        m_engine->setDelegate(&recorder);
        knob(5, 90);
        QTRY_COMPARE(recorder.received, 1);
        QCOMPARE(bass->byteAtLocation(5), 40);
        m_window->windowDidBecomeMain();
    }

    // However fast the instrument's knobs move, each parameter is written once per turn of the event loop
    // with its latest value, and one gesture (until the knobs rest for half a second) is one undo step,
    // whichever knobs it moved. The undo history is bounded. Each gesture: when it starts, its moves
    // (knob, value), the undo steps after it.
    void knobFloodsAreGestures() {
        library({"Bass"});
        QZPPreset* bass = named("Bass");
        QZPHardwareControlSync sync([bass] { return bass; });
        qint64 now = 0;
        sync.setClock([&now] { return now; });
        int writes = 0;
        connect(bass, &QZPPreset::presetChanged, this, [&writes] { ++writes; });
        QList<std::pair<quint8, quint8>> flood;
        for (int n = 0; n < 1000; ++n)
            flood.append({quint8(n % 2 ? 7 : 8), quint8(n % 128)});
        for (const auto& [at, moves, steps] :
             QList<std::tuple<qint64, QList<std::pair<quint8, quint8>>, int>>{
                 {0, {{5, 40}}, 1},
                 {300, flood, 1},     // still moving: the same gesture, both knobs
                 {1000, {{7, 3}}, 2}, // after a rest: a new one
                 {1100, {{5, 41}}, 2},
             }) {
            now = at;
            writes = 0;
            for (const auto& [index, value] : moves)
                sync.take(QZPSysexMessage::controlMessage(0, index, value));
            QCoreApplication::processEvents(); // the turn that writes them
            QCOMPARE(bass->byteAtLocation(moves.last().first), moves.last().second);
            QZP_VERIFY(writes <= 2, writes); // once per knob, not per message
            QCOMPARE(bass->undoStack()->count(), steps);
        }
        QCOMPARE(bass->byteAtLocation(8), quint8(998 % 128));
        bass->undoStack()->undo();
        QCOMPARE(bass->byteAtLocation(7), quint8(999 % 128));
        QCOMPARE(bass->byteAtLocation(5), quint8(40));
        bass->undoStack()->undo();
        QCOMPARE(bass->byteAtLocation(5), qzpPatchMessage(1).at(10));
        QCOMPARE(bass->byteAtLocation(7), qzpPatchMessage(1).at(12));

        // Thousands of separate gestures keep only the newest steps.
        for (int n = 0; n < QZPDocument::UndoLimit + 50; ++n) {
            now += 1000;
            sync.take(QZPSysexMessage::controlMessage(0, 5, quint8(n % 128)));
            QCoreApplication::processEvents();
        }
        QCOMPARE(bass->undoStack()->count(), QZPDocument::UndoLimit);
    }

    // Closing the current preset: the one before it (or after the first) takes its place; the last one
    // gives way to a new draft.
    void closingAndTheNextPreset() {
        library({"A", "B", "C"});
        QZPPresetFileActions actions(m_documents.get(), m_window->window(),
                                     [this] { return m_window->currentPreset(); }, {});
        QCOMPARE(actions.nextPreset(), named("B"));
        named("C")->makeWindowControllers();
        QCOMPARE(actions.nextPreset(), named("B"));
        named("A")->makeWindowControllers();
        QZPPreset* a = named("A");
        actions.close({a});
        QCOMPARE(m_window->currentPreset(), named("B"));
        QVERIFY(a->isClosed());
        actions.close({named("B"), named("C")});
        QZPPreset* draft = m_window->currentPreset();
        QVERIFY(draft && draft->isNew());
        QCOMPARE(qzpNames(library()->arrangedObjects()), QStringList{draft->displayName()});
        QCOMPARE(actions.nextPreset(), nullptr);
    }

    // The menus' actions follow the state their commands depend on, without a menu being opened: the
    // current preset's place in the list, its undo stack and edited state, and the clipboard. Undo and
    // Redo name the step they would take.
    void commandActionsFollowTheirState() {
        library({"A", "B"});
        using C = QZPPresetCommands::Command;
        const QList<C> commands{C::SelectPrevious, C::SelectNext,     C::Undo,
                                C::Redo,           C::RevertDocument, C::Paste};
        QList<QAction*> actions;
        for (C command : commands)
            actions << m_window->commands()->makeAction(command);
        struct Step {
            std::function<void()> change;
            QList<bool> enabled; // in the order of `commands`
            const char* undo;    // the Undo and Redo items' titles
        };
        const QList<Step> steps{
            {[] {}, {false, true, false, false, false, false}, "&Undo &Redo"},
            {[this] { named("A")->setValue(Id::VCF_Resonance, 99); },
             {false, true, true, false, true, false},
             "&Undo VCF RES &Redo"},
            {[this] { named("A")->undoStack()->undo(); },
             {false, true, false, true, false, false},
             "&Undo &Redo VCF RES"},
            {[this] { m_window->copy(QZPCommandSource::Menu); },
             {false, true, false, true, false, true},
             "&Undo &Redo VCF RES"},
            {[this] {
                 QGuiApplication::clipboard()->setMimeData(
                     QZPPresetPasteboard::mimeDataForPresets({named("B")}));
                 m_window->paste(QZPCommandSource::Menu);
                 named("A")->setByte(3, QZPParameter::SwitchByte1);
             },
             {false, true, true, false, true, true},
             "&Undo Switches &Redo"},
            {[this] { named("A")->undoStack()->undo(); },
             {false, true, true, true, true, true},
             "&Undo Paste &Redo Switches"},
            {[this] { named("B")->makeWindowControllers(); },
             {true, false, false, false, false, true},
             "&Undo &Redo"},
            {[] { QGuiApplication::clipboard()->setText(QStringLiteral("A")); },
             {true, false, false, false, false, false},
             "&Undo &Redo"},
        };
        for (const Step& step : steps) {
            step.change();
            QCoreApplication::processEvents();
            for (qsizetype i = 0; i < commands.size(); ++i)
                QZP_VERIFY(actions.at(i)->isEnabled() == step.enabled.at(i), step.undo, i);
            QCOMPARE(actions.at(2)->text() + ' ' + actions.at(3)->text(), QString::fromLatin1(step.undo));
        }
    }

    // The window opens inside the screen's available area: at first, and when the geometry it kept is
    // larger than the screen it opens on now.
    void windowFitsTheScreen() {
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        const QString key = QZPMainWindowController::GeometryKey;
        QMainWindow large;
        large.setGeometry(QRect(available.topLeft() + QPoint(300, 200), available.size() * 2));
        for (const QByteArray& kept : {QByteArray(), large.saveGeometry()}) {
            tearDownWindow();
            QZPSettings::standard()->setValue(key, kept);
            setUpWindow();
            QVERIFY(available.contains(m_window->window()->geometry()));
        }
        QZPSettings::standard()->remove(key);
        // At any size the window allows, the whole panel shows inside its frame.
        QMainWindow* window = m_window->window();
        window->show();
        for (const QSize size : {window->minimumSize(), QSize(800, 500), QSize(800, 800)}) {
            window->resize(size);
            QCoreApplication::processEvents();
            const QWidget* panel = m_window->editorController()->view();
            QZP_VERIFY(panel->isVisible() && panel->parentWidget()->rect().contains(panel->geometry()),
                       size.width(), size.height());
        }
        window->hide();
    }

    // Copied presets are dealt out: two onto three targets give first, second, first.
    void pasteDealsOutInTurn() {
        library({"A", "B", "C", "D", "E"});
        library()->setSelectedObjects({named("D"), named("E")});
        m_window->copy(QZPCommandSource::Menu);
        library()->setSelectedObjects({named("A"), named("B"), named("C")});
        QVERIFY(m_window->commands()->validate(QZPPresetCommands::Command::Paste));
        m_window->paste(QZPCommandSource::Menu);
        const auto data = [this](const char* name) {
            return named(name)->junoSysexData().mid(5, 18);
        };
        QCOMPARE((QList{data("A"), data("B"), data("C")}), (QList{data("D"), data("E"), data("D")}));
        // Only the current preset's paste reaches the instrument: the byte that differs.
        QCOMPARE(sent(), QList{QZPSysexMessage::controlMessage(0, 0, 4)});
        // Each target's paste is its own undo step: undone, the patch before comes back.
        named("A")->undoStack()->undo();
        QCOMPARE(data("A"), qzpPatchMessage(1).mid(5, 18));
        named("A")->undoStack()->redo();
        sent();
        // Text on the clipboard is no preset: nothing to paste.
        QGuiApplication::clipboard()->setText(QStringLiteral("F0 41 30"));
        QVERIFY(!m_window->commands()->validate(QZPPresetCommands::Command::Paste));
        m_window->paste(QZPCommandSource::Menu);
        QCOMPARE(data("A"), data("D"));

        // Copy as Text: one line a preset, with its name; that text, passed on in a chat message and
        // pasted, gives the identical patch.
        named("E")->setValue(QZPParameterId::VCF_Resonance, 77);
        library()->setSelectedObjects({named("E")});
        m_window->commands()->perform(QZPPresetCommands::Command::CopyAsText);
        const QString text = QGuiApplication::clipboard()->text();
        QVERIFY2(text.startsWith("JU106:") && text.endsWith(":E") && !text.contains('\n'), qPrintable(text));
        QGuiApplication::clipboard()->setText(QStringLiteral("here it is: ") + text +
                                              QStringLiteral(" enjoy"));
        library()->setSelectedObjects({named("B")});
        QVERIFY(m_window->commands()->validate(QZPPresetCommands::Command::Paste));
        m_window->paste(QZPCommandSource::Menu);
        QCOMPARE(data("B"), data("E"));
    }

    // Delete: the alert names one preset or counts several; Cancel keeps everything; the files go to the
    // Trash and only the presets whose files went are closed.
    void deleteMovesToTheTrash() {
        library({"A", "B", "C"});
        library()->setSelectedObjects({named("B")});
        m_window->recycleDocument(QZPCommandSource::Menu);
        QMessageBox* alert = openAlert(m_window->window());
        QCOMPARE(alert->text(), QStringLiteral("Move “B” to the Trash?"));
        QCOMPARE(alert->informativeText(), QStringLiteral("You can restore it from the Trash."));
        button(alert, "Cancel")->click();
        QTRY_VERIFY(!m_window->window()->findChild<QMessageBox*>());
        QVERIFY(QFile::exists(path("Lib/B.syx")));

        // One file cannot go: its folder refuses changes.
        write("Lib/Locked/D.syx");
        library()->refreshAvailableDocumentsNow();
        if (!qzpMakeFolderReadOnly(path("Lib/Locked"), true))
            QSKIP("no way to make a folder read-only here");
        library()->setSelectedObjects({named("B"), named("C"), named("D")});
        m_window->recycleDocument(QZPCommandSource::Menu);
        alert = openAlert(m_window->window());
        QCOMPARE(alert->text(), QStringLiteral("Move the selected 3 presets to the Trash?"));
        button(alert, "Move to Trash")->click();
        QTRY_COMPARE(m_errors.size(), 1);
        qzpMakeFolderReadOnly(path("Lib/Locked"), false);
        QCOMPARE(m_window->window()->statusBar()->currentMessage(),
                 QStringLiteral("Moved 2 presets to the Trash"));
        QVERIFY(m_errors.first().localizedFailureReason().contains("D.syx"));
        QVERIFY(!QFile::exists(path("Lib/B.syx")) && !QFile::exists(path("Lib/C.syx")));
        QVERIFY(QFile::exists(path("Lib/Locked/D.syx")));
        QTRY_COMPARE(qzpNames(library()->arrangedObjects()), (QStringList{"A", "D"}));
    }

    // The list exported as a property list of "name"/"data" entries, under the name typed with ".plist"
    // added when it has none; an empty list is an empty array.
    void exportTheList() {
        QZPError error;
        QVERIFY(m_window->dumpPresetsToFile(path("empty.plist"), &error));
        QCOMPARE(QZPPropertyList::parse(qzpContents(path("empty.plist"))),
                 std::optional<QVariant>(QVariantList()));
        library({"Bass", "Lead"});
        QDir().mkpath(path("Export"));
        QTimer::singleShot(0, [this] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->setDirectory(path("Export"));
            dialog->selectFile(QStringLiteral("Mine"));
            static_cast<QDialog*>(dialog)->accept();
        });
        m_window->dumpPresets();
        QCOMPARE(QDir(path("Export")).entryList(QDir::Files), QStringList{"Mine.plist"});
        QVERIFY(m_errors.isEmpty());
        const QVariantList entries = QZPPropertyList::parse(qzpContents(path("Export/Mine.plist")))->toList();
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries.at(1).toMap().value("name").toString(), QStringLiteral("Lead"));
        QCOMPARE(entries.at(1).toMap().value("data").toByteArray(), named("Lead")->junoSysexData());
    }

    // A patch sheet in each format the extension names (a picture of twice its size on white for PNG), the
    // switches in words and each slider's value; a name of no known type writes nothing. The slot list
    // goes in slot order, and more presets than slots is said, not cut short.
    void exportSheets() {
        library({"Bass", "Lead"});
        QZPSheetExports* sheets = m_window->sheetExports();
        QZPError error;
        for (const auto& [name, head] :
             {std::pair{"Sheet.pdf", "%PDF"}, {"Sheet.svg", "<?xml"}, {"Sheet.PNG", "\x89PNG"}}) {
            QVERIFY2(sheets->exportPatchSheetToFile(path(name), &error), name);
            QVERIFY2(qzpContents(path(name)).startsWith(QByteArray(head)), name);
        }
        const QZPPatchSheet sheet(m_window->editorController());
        QCOMPARE(QImage(path("Sheet.PNG")).size(), (sheet.size() * 2).toSize());
        QVERIFY(qzpContents(path("Sheet.svg")).contains("Bass"));
        QVERIFY(sheet.switchesText().replace(QChar(0xA0), QLatin1Char(' ')).contains("CHORUS MODE OFF"));
        QVERIFY(!sheets->exportPatchSheetToFile(path("Sheet.txt"), &error) &&
                !QFile::exists(path("Sheet.txt")));
        QVERIFY(!error.isNull());

        QVERIFY(QZPSheetExports::exportSlotListToFile(path("Slots.pdf"), {"Bass", "Lead"}, "Bank", &error));
        QVERIFY(qzpContents(path("Slots.pdf")).startsWith("%PDF"));
        // Refused before any dialog asks where to write (one that opened would be closed, and counted).
        int dialogs = 0;
        QTimer::singleShot(0, [&dialogs] {
            if (QWidget* dialog = QApplication::activeModalWidget())
                ++dialogs, dialog->close();
        });
        sheets->exportSlotList(QStringList(129, QStringLiteral("Pad")));
        QCoreApplication::processEvents(); // the check runs now, not after the test
        QCOMPARE(dialogs, 0);
        QCOMPARE(m_errors.size(), 1);
        QVERIFY(m_errors.first().localizedDescription().contains("129"));
    }

    // The device menu shows what is there when it opens, with one check mark per half; channel item "3"
    // is channel byte 2.
    void midiMenus() {
        QMenu device;
        QMenu channel;
        for (int n = 0; n < 16; ++n)
            channel.addAction(QString::number(n + 1))->setData(n);
        QZPMidiMenus menus(m_engine);
        menus.setMenus(&device, &channel);
        QCOMPARE(qzpMenuTitles(&device), (QStringList{"Input Device:", "Any Source[x]", "Juno-106 Out", "-",
                                                      "Output Device:", "No Destination", "Juno-106 In[x]"}));
        // Radio items: one choice in each half, one channel.
        for (const QAction* item : {device.actions().at(1), device.actions().at(6), channel.actions().at(3)})
            QVERIFY(item->actionGroup() && item->actionGroup()->isExclusive() &&
                    item->actionGroup()->actions().size() >= 2);
        device.actions().at(5)->trigger(); // No Destination
        QVERIFY(m_engine->destination().isNull() && menus.statusText().startsWith("No MIDI output"));

        // The current channel is checked at all times, not only while the menu is open, and assistive
        // technology reads the same.
        const auto checkedChannels = [&channel] {
            QList<int> checked;
            QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(&channel);
            for (int i = 0; i < menu->childCount(); ++i) {
                const QAccessible::State state = menu->child(i)->state();
                if (state.checkable && state.checked && channel.actions().at(i)->isChecked())
                    checked << i;
            }
            return checked;
        };
        QCOMPARE(checkedChannels(), QList<int>{0});
        channel.actions().at(2)->trigger();
        QCOMPARE(menus.channel(), 2);
        QCOMPARE(m_engine->targetedMidiChannel(), 2);
        QCOMPARE(checkedChannels(), QList<int>{2});
        menus.setChannel(9);
        QCOMPARE(checkedChannels(), QList<int>{9});
        QCOMPARE(QZPSettings::standard()->intValue(QZPMidiMenus::MidiChannelKey), 9);
    }

    // Select on Instrument chooses the slot a preset's name begins with: the instrument switches to it
    // (sending the patch it leaves and its stored sound), the panel keeps the file's sound, and the next
    // edit brings the instrument back to the file's sound, whole. A name without a slot has no command.
    void selectingTheSlotOnTheInstrument() {
        library({"A26 Brass", "Lead"});
        QZPPreset* brass = named("A26 Brass");
        QCOMPARE(m_window->currentPreset(), brass);
        using Command = QZPPresetCommands::Command;
        QVERIFY(m_window->commands()->validate(Command::SelectOnInstrument));
        QSignalSpy heard(m_engine, &QZPMidiEngine::sysexReceived);
        m_window->commands()->perform(Command::SelectOnInstrument);
        QCOMPARE(sent(), QList<QByteArray>{QByteArray::fromHex("C00D")});
        QTRY_COMPARE(heard.size(), 2);
        QCOMPARE(m_instrument->juno.program, quint8(13));
        QCOMPARE(brass->byteAtLocation(0), quint8(1)); // the file's sound stays on the panel
        brass->setValue(QZPParameterId::VCF_Cutoff, 90);
        const QList<QByteArray> next = sent();
        QCOMPARE(next.size(), 1);
        QCOMPARE(next.first().mid(5, 18), brass->patch().data());

        named("Lead")->makeWindowControllers();
        QVERIFY(!m_window->commands()->validate(Command::SelectOnInstrument));
        // A preset imported from a bank holds the slot in its message; what a save writes there is none.
        QZPPreset preset;
        for (const auto& [byte, slot] :
             {std::pair{0x1D, std::optional<quint8>(0x1D)}, {0x40, std::nullopt}}) {
            preset.setJunoSysexData(
                qzpPatchMessage(quint8(byte)).replace(QZPPatch::ProgramIndex, 1, QByteArray(1, char(byte))),
                false, false);
            QCOMPARE(preset.originSlot(), slot);
        }
        QCOMPARE(QZPPreset::programByteForName(u"B88"), std::optional<quint8>(127));
        for (const char* notASlot : {"A19", "C11", "A1", "a11", "A111"})
            QVERIFY(!QZPPreset::programByteForName(QString::fromLatin1(notASlot)));
    }

    // Check Connection from the owner's side: a press on the instrument, the findings in words, and the
    // instrument's channel taken with one button.
    void checkingTheConnection() {
        m_instrument->juno.channel = 2;
        auto* window =
            new QZPConnectionWindow(m_engine, [this](int channel) { m_window->setMidiChannel(channel); });
        window->show();
        QCOMPARE(window->windowTitle(), QStringLiteral("Check Connection"));
        sent(); // the test patch, ignored on another channel
        m_instrument->juno.pressProgram(3);
        QTRY_VERIFY(window->findingsText().contains("at III"));
        QVERIFY(
            window->findingsText().contains("The instrument uses channel 3; ToneBench sends on channel 1."));
        QVERIFY(window->useChannelButton()->isVisible());
        QCOMPARE(window->useChannelButton()->text(), QStringLiteral("Use Channel 3"));
        window->useChannelButton()->click();
        QCOMPARE(m_engine->targetedMidiChannel(), 2);
        QVERIFY(!window->useChannelButton()->isVisible());
        window->close();
    }

    // A sequencer's automation: its Control Changes move the current preset's controls as knobs on the
    // instrument would (a switch by its share of 0–127), and the instrument gets them as Control messages;
    // notes pass on to the destination on its channel; the instrument's own moves go back to the
    // sequencer as the same Control Changes, a switch byte's only for the switch that moved.
    void sequencerAutomation() {
        library({"Pad"});
        QZPPreset* pad = named("Pad");
        QList<QByteArray> toSequencer;
        QZPDawBridge bridge(m_engine, [&toSequencer](const QByteArray& message) { toSequencer << message; });
        connect(&bridge, &QZPDawBridge::parameterMoved, m_window.get(),
                &QZPMainWindowController::moveFromSequencer);
        bridge.fromSequencer(QByteArray::fromHex("B94A64")); // CC 74 = 100, any channel
        QTRY_COMPARE(pad->value(Id::VCF_Cutoff), 100);
        QCOMPARE(sent(), QList{QZPSysexMessage::controlMessage(0, 5, 100)});
        const int range = pad->value(Id::DCO_Range) == 16 ? 4 : 16;
        bridge.fromSequencer(QByteArray::fromHex(range == 16 ? "B00C2A" : "B00C56")); // CC 12 = 42 or 86
        QTRY_COMPARE(pad->value(Id::DCO_Range), range);
        QCOMPARE(sent().size(), 1);
        bridge.fromSequencer(QByteArray::fromHex("953C64"));
        QCOMPARE(sent(), QList{QByteArray::fromHex("903C64")});

        m_instrument->juno.moveSlider(5, 33);
        QTRY_COMPARE(toSequencer.size(), 1);
        QCOMPARE(toSequencer.takeFirst(), QByteArray::fromHex("B04A21"));
        QByteArray switches = m_instrument->juno.editBuffer;
        m_instrument->juno.moveSlider(16, quint8(switches.at(16)));
        QTRY_COMPARE(toSequencer.size(), 4); // the first time: each switch of the byte
        toSequencer.clear();
        const quint8 chorusII = QZPParameter::of(Id::chorusMode).switchByte(quint8(switches.at(16)), 2);
        QVERIFY(chorusII != quint8(switches.at(16)));
        m_instrument->juno.moveSlider(16, chorusII);
        QTRY_COMPARE(toSequencer.size(), 1);
        QCOMPARE(toSequencer.first(), QByteArray::fromHex("B05D56"));
    }

    // The window says "No MIDI output" when the output goes, and again each time it goes after it came
    // back.
    void sayingTheOutputWent() {
        QZPMessageView* view = m_window->editorController()->messageView();
        const QZPMidiEndpoint output = m_engine->destination();
        for (int round = 0; round < 2; ++round) {
            view->showTemporaryMessage(QStringLiteral("Round %1").arg(round), 60);
            m_engine->setDestination({});
            QTRY_COMPARE(view->temporaryText(), QStringLiteral("No MIDI output"));
            m_engine->setDestination(output);
        }
    }

    // Letter keys play notes while the list has the focus; not in the filter field, not with a modifier
    // or Caps Lock, not when held down (auto-repeat). Every note that sounds ends: at its key's release
    // whatever modifiers are held then, and when the window hides, moves or gives up the keys, when a
    // text field takes them, or when the note player is switched off.
    void computerKeyboardPlaysNotes() {
        library({"Bass"});
        m_window->showWindow();
        QVERIFY(QTest::qWaitForWindowExposed(m_window->window()));
        QApplication::setActiveWindow(m_window->window());
        QZPTableView* list = m_window->sidebarController()->tableView();
        QZPFilterField* filter = m_window->sidebarController()->filterSearchField();
        const quint32 keyA = 38; // the XKB code of the A key
        const quint32 capsLock = 0x2;
        const auto key = [&](QWidget* target, QEvent::Type type, Qt::KeyboardModifiers modifiers = {},
                             bool repeat = false, quint32 native = 0) {
            QKeyEvent event(type, Qt::Key_A, modifiers, keyA, 0, native, QStringLiteral("a"), repeat);
            QApplication::sendEvent(target, &event);
        };
        const auto statuses = [&] {
            QList<int> result;
            for (const QByteArray& message : sent())
                result << (quint8(message.at(0)) & 0xF0);
            return result;
        };
        // Press (with auto-repeat), then release with whatever is held by then: modifiers as Qt reports
        // them, Caps Lock as the native state.
        list->setFocus();
        for (const auto& [down, downNative, up, upNative, plays] :
             {std::tuple{Qt::KeyboardModifiers(), 0u, Qt::KeyboardModifiers(), 0u, true},
              {Qt::ControlModifier, 0u, Qt::ControlModifier, 0u, false},
              {{}, capsLock, {}, capsLock, false},
              {{}, 0u, Qt::ShiftModifier, 0u, true},
              {{}, 0u, {}, capsLock, true}}) {
            key(list, QEvent::KeyPress, down, false, downNative);
            key(list, QEvent::KeyPress, down, true, downNative);
            key(list, QEvent::KeyRelease, up, false, upNative);
            QCOMPARE(statuses(), (plays ? QList{0x90, 0x80} : QList<int>{}));
        }

        // A sounding note ends when a text field takes the keys, the window moves, gives up the keys or
        // hides, or the note player is switched off; the key's later release sends nothing more.
        QMainWindow* window = m_window->window();
        QEvent deactivate(QEvent::WindowDeactivate);
        const QList<std::function<void()>> endings{
            [&] { filter->setFocus(); }, [&] { window->move(window->pos() + QPoint(12, 8)); },
            [&] { QApplication::sendEvent(window, &deactivate); },
            [] { QZPSettings::standard()->setValue(QZPSettings::ClaviatureEnabledKey, false); },
            [&] {
                window->hide();
            }};
        for (const auto& end : endings) {
            list->setFocus();
            QZPSettings::standard()->remove(QZPSettings::ClaviatureEnabledKey);
            key(list, QEvent::KeyPress);
            QCOMPARE(statuses(), QList<int>{0x90});
            end();
            QCoreApplication::processEvents();
            QCOMPARE(statuses(), QList<int>{0x80});
            key(list, QEvent::KeyRelease);
            QVERIFY(sent().isEmpty());
        }
        QZPSettings::standard()->remove(QZPSettings::ClaviatureEnabledKey);

        // In the filter field the letters are text.
        m_window->showWindow();
        QApplication::setActiveWindow(window);
        filter->setFocus();
        key(filter, QEvent::KeyPress);
        QVERIFY(sent().isEmpty());
        QCOMPARE(filter->text(), QStringLiteral("a"));
        window->hide();
    }

    // Under the panel where the window has room: the envelope's picture follows the patch shown, and the
    // keyboard plays and lights the notes played from it, the computer keyboard and a MIDI keyboard; the
    // lights in the status bar flash as messages go and come. A small window has no strip.
    void playingStripAndLights() {
        library({"Bass"});
        QMainWindow* window = m_window->window();
        window->resize(1440, 800);
        m_window->showWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QApplication::setActiveWindow(window);
        QZPPlayingStrip* strip = m_window->playingStrip();
        const QWidget* panel = m_window->editorController()->view();
        QTRY_VERIFY(strip->isVisible());
        QVERIFY(strip->geometry().top() >= panel->geometry().bottom() &&
                strip->parentWidget()->rect().contains(strip->geometry()));

        // The envelope's words follow an edit.
        QZPEnvelopeView* envelope = m_window->editorController()->envelopeView();
        const QString before = envelope->accessibleDescription();
        QZPParameter::of(Id::ENV_Release).set(*named("Bass"), 127);
        QTRY_VERIFY(envelope->accessibleDescription() != before);
        QVERIFY(envelope->accessibleDescription().contains(QStringLiteral("Release 12.0 s")));

        // A click plays middle C while held; the key lights meanwhile.
        QZPKeyboardView* keyboard = strip->keyboard();
        sent();
        const QPoint middleC = keyboard->keyRect(60).center().toPoint() + QPoint(0, 20);
        QTest::mousePress(keyboard, Qt::LeftButton, {}, middleC);
        QCOMPARE(sent(), QList<QByteArray>{QByteArray::fromHex("903c6e")});
        QVERIFY(keyboard->isLit(60));
        QTest::mouseRelease(keyboard, Qt::LeftButton, {}, middleC);
        QCOMPARE(sent(), QList<QByteArray>{QByteArray::fromHex("803c00")});
        QVERIFY(!keyboard->isLit(60));

        // The computer keyboard's A lights its note; X moves the letters' octave up.
        QZPTableView* list = m_window->sidebarController()->tableView();
        list->setFocus();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, {}, 38, 0, 0, QStringLiteral("a"));
        QApplication::sendEvent(list, &press);
        QVERIFY(keyboard->isLit(60));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, {}, 38, 0, 0, QStringLiteral("a"));
        QApplication::sendEvent(list, &release);
        QVERIFY(!keyboard->isLit(60));
        QVERIFY(keyboard->accessibleDescription().contains(QStringLiteral("plays C4 to D5")));
        QKeyEvent higher(QEvent::KeyPress, Qt::Key_X, {}, 53, 0, 0, QStringLiteral("x"));
        QApplication::sendEvent(list, &higher);
        QVERIFY(keyboard->accessibleDescription().contains(QStringLiteral("plays C5 to D6")));

        // A MIDI keyboard's note on lights its key, its note off (or a note on at velocity 0) puts it out.
        auto* lights = window->statusBar()->findChild<QZPMidiActivity*>();
        QVERIFY(lights && lights->isOutLit());
        QTRY_VERIFY(!lights->isOutLit());
        m_instrument->inject(QByteArray::fromHex("904064"));
        QTRY_VERIFY(keyboard->isLit(64));
        QVERIFY(lights->isInLit());
        m_instrument->inject(QByteArray::fromHex("904000"));
        QTRY_VERIFY(!keyboard->isLit(64));

        // From the keyboard alone: Right moves the key in focus, Space plays it while held.
        keyboard->setFocus();
        sent();
        QTest::keyClick(keyboard, Qt::Key_Right);
        QTest::keyPress(keyboard, Qt::Key_Space);
        QCOMPARE(sent(), QList<QByteArray>{QByteArray::fromHex("903d6e")});
        QTest::keyRelease(keyboard, Qt::Key_Space);
        QCOMPARE(sent(), QList<QByteArray>{QByteArray::fromHex("803d00")});

        window->resize(window->minimumSize());
        QTRY_VERIFY(!strip->isVisible());
        QVERIFY(panel->parentWidget()->rect().contains(panel->geometry()));
        window->hide();
    }

    // A/B against the saved patch: each swap sends the whole patch shown (B read-only, marked), any edit
    // ends it; the panel marks B's values; a section is taken from B as one undo step of Control
    // messages; another preset can be B; mutation follows its seed and leaves locked parameters alone.
    void comparingAndMutating() {
        library({"Pad", "Lead", "Bass"});
        QZPPreset* pad = named("Pad");
        QZPEditorController* editor = m_window->editorController();
        pad->setValue(Id::VCF_Resonance, 90);
        pad->setValue(Id::ENV_Attack, 20);
        const QByteArray saved = pad->initialSysexData();
        const auto message = [](const QByteArray& data) {
            return qzpPatchMessage(0).replace(5, QZPPatch::DataLength, data);
        };
        const auto compare = [this] {
            m_window->commands()->perform(QZPPresetCommands::Command::CompareWithSaved);
        };
        QCOMPARE(editor->sliderFor(Id::VCF_Resonance)->ghostPosition(), std::optional<double>(0.0));
        QCOMPARE(editor->sliderFor(Id::VCF_Resonance)->accessibleDescription(),
                 QStringLiteral("Reference: 0.0"));
        QVERIFY(!editor->sliderFor(Id::VCF_Cutoff)->ghostPosition());
        sent();
        compare();
        QVERIFY(m_window->comparison()->isComparing() && editor->showsReference());
        QCOMPARE(sent(), QList{message(saved)});
        QCOMPARE(editor->sliderFor(Id::VCF_Resonance)->doubleValue(), 0.0);
        QCOMPARE(editor->messageView()->restingText(), QStringLiteral("COMPARING: SAVED"));
        QVERIFY(!editor->sliderFor(Id::VCF_Resonance)->isEnabled());
        // Every difference in words, whole, for as long as the comparison lasts.
        auto* differences = m_window->window()->findChild<QLabel*>(QStringLiteral("Differences"));
        QVERIFY(differences && differences->isVisibleTo(m_window->window()));
        QVERIFY2(differences->text().contains("VCF RES") && differences->text().contains("ENV A"),
                 qPrintable(differences->text()));
        compare();
        QVERIFY(!differences->isVisibleTo(m_window->window()));
        QCOMPARE(sent(), QList{message(pad->sysexData())});
        QCOMPARE(editor->sliderFor(Id::VCF_Resonance)->doubleValue(), 90.0);
        compare();
        sent();
        pad->setValue(Id::VCF_Cutoff, 50); // an edit from elsewhere
        QVERIFY(!m_window->comparison()->isComparing() && editor->sliderFor(Id::VCF_Resonance)->isEnabled());
        QCOMPARE(sent(), QList{message(pad->sysexData())});

        const int steps = pad->undoStack()->count();
        QVERIFY(editor->takeSectionFromReference(QStringLiteral("VCF")));
        QCOMPARE(
            std::tuple(pad->value(Id::VCF_Resonance), pad->value(Id::VCF_Cutoff), pad->value(Id::ENV_Attack)),
            std::tuple(0, 127, 20));
        QCOMPARE(pad->undoStack()->count(), steps + 1);
        QCOMPARE(pad->undoStack()->undoText(), QStringLiteral("Take VCF from Reference"));
        QCOMPARE(sent(), (QList{QZPSysexMessage::controlMessage(0, 5, 127),
                                QZPSysexMessage::controlMessage(0, 6, 0)}));

        // Comparing ends with the preset: another one made current shows its own patch, marked against
        // its own saved one, and the instrument gets it whole.
        compare();
        QVERIFY(m_window->comparison()->isComparing());
        library()->setSelectedObjects({named("Lead")});
        sent();
        m_window->sendProgram(QZPCommandSource::Menu);
        QVERIFY(!m_window->comparison()->isComparing() && !editor->showsReference());
        QCOMPARE(editor->reference(), std::optional<QZPPatch>(named("Lead")->patch()));
        QCOMPARE(sent(), QList{message(named("Lead")->sysexData())});
        pad->makeWindowControllers();
        sent();

        library()->setSelectedObjects({named("Lead")});
        m_window->commands()->perform(QZPPresetCommands::Command::CompareWithSelected);
        QCOMPARE(editor->messageView()->restingText(), QStringLiteral("COMPARING: “LEAD”"));
        QCOMPARE(sent(), QList{message(named("Lead")->sysexData())});
        // Another reference while comparing takes the panel and the instrument at once.
        library()->setSelectedObjects({named("Bass")});
        m_window->commands()->perform(QZPPresetCommands::Command::CompareWithSelected);
        QCOMPARE(editor->messageView()->restingText(), QStringLiteral("COMPARING: “BASS”"));
        QCOMPARE(sent(), QList{message(named("Bass")->sysexData())});

        const QZPPatch before = pad->patch();
        QZPSettings::standard()->setValue(QZPSettings::LockedParametersKey, QStringList{"ENV_Attack"});
        m_window->mutate(0.5, 42, QStringLiteral("Mutate"));
        QZPSettings::standard()->remove(QZPSettings::LockedParametersKey);
        QVERIFY(!m_window->comparison()->isComparing());
        QCOMPARE(pad->sysexData(),
                 QZPPatchMutation(42).apply(before, 0.5, {QStringLiteral("ENV_Attack")}).data());
        QCOMPARE(pad->undoStack()->undoText(), QStringLiteral("Mutate"));
        QVERIFY(sent().contains(message(pad->sysexData())));
        QVERIFY(m_window->window()->statusBar()->currentMessage().endsWith("seed 42"));

        // The next preset made current compares with its own saved patch, not with the one before's
        // reference.
        named("Lead")->makeWindowControllers();
        m_window->commands()->perform(QZPPresetCommands::Command::CompareWithSaved);
        QCOMPARE(editor->messageView()->restingText(), QStringLiteral("COMPARING: SAVED"));
        pad->setValue(Id::VCF_Cutoff, 3); // the preset before is no longer followed
        QVERIFY(m_window->comparison()->isComparing());
    }

    // The morph bar plays the patch between A and the reference as Control messages without an undo step;
    // Preset ▸ Audition plays the selected preset without making it current, then sends the current one
    // back; with Audition While Browsing each preset the user moves to is heard.
    void auditionFromTheList() {
        library({"Pad", "Lead", "Bass"});
        QZPPreset* pad = named("Pad");
        using Command = QZPPresetCommands::Command;
        m_window->presetsController()->setSelectedObjects({named("Lead")});
        QVERIFY(m_window->commands()->validate(Command::Audition, QZPCommandSource::List));
        sent();
        m_window->commands()->perform(Command::Audition, QZPCommandSource::List);
        QList<QByteArray> heard = sent();
        QVERIFY(heard.size() >= 2);
        QCOMPARE(heard.first().mid(5, 18), named("Lead")->patch().data());
        QCOMPARE(m_window->currentPreset(), pad);
        m_window->instrumentCommands()->auditionPlayer()->stop();
        QCOMPARE(sent().last().mid(5, 18), pad->patch().data());

        m_window->commands()->perform(Command::AuditionWhileBrowsing);
        QVERIFY(QZPSettings::standard()->boolValue(QZPSettings::AuditionWhileBrowsingKey));
        m_window->presetsController()->setSelectedObjects({named("Bass")});
        m_window->sidebarControllerBrowsed(m_window->sidebarController());
        QCOMPARE(sent().first().mid(5, 18), named("Bass")->patch().data());
        m_window->instrumentCommands()->auditionPlayer()->stop();
        m_window->commands()->perform(Command::AuditionWhileBrowsing);
        QVERIFY(!QZPSettings::standard()->boolValue(QZPSettings::AuditionWhileBrowsingKey));
    }

    // A window larger than the screen, or off its edge, is brought whole onto the screen's free area.
    void windowsFitTheScreen() {
        QWidget window;
        window.setMinimumSize(100, 100);
        const QRect free = window.screen()->availableGeometry();
        window.setGeometry(free.right() + 500, free.bottom() + 500, free.width() * 2, free.height() * 2);
        QZPScreenFit::fit(&window);
        QZP_VERIFY(free.contains(window.geometry()), window.geometry(), free);
    }

    // A label with a mnemonic goes to its field: the ampersand never shows, Alt+letter reaches the field.
    void dialogMnemonicsReachTheirFields() {
        QZPMutateDialog dialog;
        const QList<QLabel*> labels = dialog.findChildren<QLabel*>();
        QVERIFY(!labels.isEmpty());
        for (const QLabel* label : labels)
            if (label->text().contains(QLatin1Char('&')))
                QZP_VERIFY(label->buddy() != nullptr, label->text());
    }

    // Cancel puts A back byte for byte and sends what differs; Keep leaves one undo step "Morph".
    void morphBar() {
        library({"Pad"});
        QZPPreset* pad = named("Pad");
        pad->setValue(Id::VCF_Resonance, 90);
        const QByteArray edited = pad->junoSysexData();
        const int steps = pad->undoStack()->count();
        QZPMorphBar* bar = m_window->morphBar();
        for (const bool keep : {false, true}) {
            m_window->commands()->perform(QZPPresetCommands::Command::Morph);
            QVERIFY(bar->isMorphing() && bar->isVisibleTo(m_window->window()));
            sent();
            bar->setAmount(0.5);
            QCOMPARE(pad->value(Id::VCF_Resonance), 45);
            bar->setAmount(1);
            QCOMPARE(sent(), (QList{QZPSysexMessage::controlMessage(0, 6, 45),
                                    QZPSysexMessage::controlMessage(0, 6, 0)}));
            QCOMPARE(pad->undoStack()->count(), steps);
            bar->setAmount(0.5);
            sent();
            // From the keyboard: Return on the slider keeps; Return on the focused Cancel button cancels.
            QWidget* target = keep ? bar->findChild<QSlider*>()
                                   : static_cast<QWidget*>(bar->findChildren<QPushButton*>().last());
            target->setFocus();
            QTest::keyClick(target, Qt::Key_Return);
            QVERIFY(!bar->isMorphing() && !bar->isVisibleTo(m_window->window()));
            if (!keep) {
                QCOMPARE(pad->junoSysexData(), edited);
                QCOMPARE(sent(), QList{QZPSysexMessage::controlMessage(0, 6, 90)});
            }
        }
        QCOMPARE(pad->value(Id::VCF_Resonance), 45);
        QCOMPARE(pad->undoStack()->count(), steps + 1);
        QCOMPARE(pad->undoStack()->undoText(), QStringLiteral("Morph"));
        QVERIFY(sent().isEmpty()); // kept: the instrument has it already
        pad->undoStack()->undo();
        QCOMPARE(pad->junoSysexData(), edited);
    }

    // The error solver: options in order, each answering its block's result, none after Cancel; the
    // presented error keeps the stored one's texts and names it as underlying; the answer is the chosen
    // button's, asked application-modal.
    void errorSolver() {
        const QZPError stored =
            QZPError::make(QZPError::FileDomain, QZPError::FileWriteFileExists,
                           QStringLiteral("“Pad.syx” already exists. Do you want to replace it?"));
        auto solver = QZPErrorSolver::solverWithError(stored);
        solver->addRecoveryOptionWithLocalizedTitle(QStringLiteral("Replace"), [] { return true; });
        solver->addCancelRecoveryOption();
        QVERIFY_THROWS_EXCEPTION(QZPInvalidParameter, solver->addRecoveryOptionWithLocalizedTitle("X", {}));
        QCOMPARE(solver->recoveryOptions(), (QStringList{"Replace", "Cancel"}));
        const QZPError presented = solver->error();
        QCOMPARE(std::tuple(presented.domain(), presented.code(), presented.localizedDescription()),
                 std::tuple(stored.domain(), stored.code(), stored.localizedDescription()));
        QCOMPARE(presented.userInfo().value(QZPErrorSolver::UnderlyingErrorKey).toMap().value("code").toInt(),
                 int(QZPError::FileWriteFileExists));
        for (const auto& [choice, expected] : {std::pair{"Replace", true}, std::pair{"Cancel", false}}) {
            QTimer::singleShot(0, [choice = QString::fromLatin1(choice)] {
                button(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()), choice)->click();
            });
            QCOMPARE(QZPErrorHandler::presentErrorSolver(solver), expected);
        }
    }
};

QZP_TEST_WIDGETS_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
