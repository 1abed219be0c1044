// SPDX-License-Identifier: GPL-3.0-or-later
#include "QZPCapturingPresenter.h"
#include "QZPLibraryLookup.h"
#include "QZPLogCapture.h"
#include "QZPTestFiles.h"
#include "QZPTestMain.h"
#include "QZPVirtualInstrument.h"
#include "app/QZPAppDelegate.h"
#include "app/QZPApplication.h"
#include "app/QZPDesktopIntegration.h"
#include "app/QZPOnboardingWindowController.h"
#include "app/QZPPreferencesWindowController.h"
#include "app/QZPSingleInstance.h"
#include "app/QZPTextWindow.h"
#include "editor/QZPMessageView.h"
#include "library/QZPFactoryPresetInstaller.h"
#include "library/QZPPresetsController.h"
#include "library/QZPRecoveryKeeper.h"
#include "mainwindow/QZPDocumentController.h"
#include "mainwindow/QZPDuplicatesWindow.h"
#include "mainwindow/QZPMainWindowController.h"
#include "mainwindow/QZPRecordOneWindowController.h"
#include "mainwindow/QZPRecordWindowController.h"
#include "midi/QZPMidiEngine.h"
#include "midi/backends/QZPVirtualMidiBackend.h"
#include "model/QZPCommandSource.h"
#include "model/QZPParameter.h"
#include "model/QZPPatchDifference.h"
#include "model/QZPPreset.h"
#include "model/QZPPropertyList.h"
#include "model/QZPSettings.h"
#include "sidebar/QZPFilterField.h"
#include "sidebar/QZPLibraryFolderChooser.h"
#include "sidebar/QZPSidebarController.h"
#include "sidebar/QZPTableView.h"
#include "sidebar/QZPURLPopUpButton.h"
#include "sound/QZPSoundMidiBackend.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDBusConnection>
#include <QDirIterator>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <atomic>
#include <climits>
#include <optional>
#include <thread>

using Id = QZPParameterId;

class TestApplication : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QZPVirtualInstrument> m_instrument;
    QZPMidiEngine* m_engine = nullptr;
    std::unique_ptr<QZPAppDelegate> m_delegate;

    QString path(const QString& name) const { return m_dir->filePath(name); }
    // The main menu's item with this title (its '&' left out), or null.
    QAction* menuItem(const QString& title) const {
        for (QAction* menu : m_delegate->windowController()->window()->menuBar()->actions())
            for (QAction* action : menu->menu()->actions())
                if (action->text().remove(QLatin1Char('&')) == title)
                    return action;
        return nullptr;
    }

    QZPPresetsController* library() {
        m_delegate->applicationWillFinishLaunching();
        return m_delegate->documentController()->presetsController();
    }

private slots:
    // A broken precondition reached from an event ends neither the program nor the edits made: it is
    // logged with its text, the user is told once however often it happens, and the preset is unchanged.
    // (The event is one of the test's own: unwinding through a mouse event's delivery leaves a few of the
    // toolkit's bytes behind, which the leak checker would report.)
    void programmingErrorKeepsTheProgramAndItsEdits() {
        struct Faulty : QObject {
            QZPPreset* preset = nullptr;
            bool event(QEvent* event) override {
                if (event->type() == QEvent::User)
                    preset->setByte(7, 99); // outside the patch data
                else if (event->type() == QEvent::Type(QEvent::User + 1))
                    throw std::runtime_error("a library gave up");
                else
                    return QObject::event(event);
                return true;
            }
        };
        QZPCapturingPresenter presenter;
        QZPLogCapture capture;
        QZPPreset preset;
        preset.setValue(Id::VCF_Cutoff, 42);
        Faulty faulty;
        faulty.preset = &preset;
        const int before = qobject_cast<QZPApplication*>(qApp)->caughtErrorCount();
        for (const int type : {int(QEvent::User), int(QEvent::User), QEvent::User + 1}) {
            QEvent event{QEvent::Type(type)};
            QCoreApplication::sendEvent(&faulty, &event);
        }
        QTRY_COMPARE(presenter.errors.size(), 1);
        QCoreApplication::processEvents();
        QCOMPARE(presenter.errors.size(), 1); // told once
        QCOMPARE(qobject_cast<QZPApplication*>(qApp)->caughtErrorCount(), before + 3);
        QCOMPARE(capture.lines.filter(QStringLiteral("Invalid parameter not satisfying")).size(), 2);
        QCOMPARE(capture.lines.filter(QStringLiteral("Caught an exception: a library gave up")).size(), 1);
        QCOMPARE(preset.value(Id::VCF_Cutoff), 42);
        QVERIFY(preset.isDocumentEdited());
    }

    void initTestCase() {
        // Before anything reads a setting, as the program does.
        QZPAppDelegate::initialize();
    }
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        // Each test keeps its unsaved edits in a recovery folder of its own.
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_dir->filePath("state")));
        QZPSettings::standard()->remove(QZPSidebarController::FolderChooserAutosaveName);
        m_instrument = std::make_unique<QZPVirtualInstrument>();
        m_engine = m_instrument->engine.get();
        m_delegate = std::make_unique<QZPAppDelegate>(m_engine);
    }
    void cleanup() {
        m_delegate.reset();
        m_instrument.reset();
        m_dir.reset();
    }

    // Launch: without a folder, one untitled preset becomes current; with a folder of presets no draft is
    // made beside them and the first listed preset becomes current (a launch leaves no stray "Untitled"
    // behind, and the window opens on a sound of the library); files asked for are opened. The channel
    // menu has the sixteen channels, once.
    void launchWithAFolderOpensItsFirstPresetNotADraft() {
        m_delegate->launch({});
        QZPPreset* current = m_delegate->windowController()->currentPreset();
        QVERIFY(current && current->isNew() && m_delegate->windowController()->isWindowVisible());
        m_delegate->buildChannelMenu(); // once only
        QCOMPARE(m_delegate->MIDIChannelMenu()->actions().size(), 16);
        m_delegate.reset();

        qzpWritePresetFile(path("Lib/Bass.syx"), 3);
        qzpWritePresetFile(path("Lib/Lead.syx"), 4);
        QZPSettings::standard()->setValue(QZPSidebarController::FolderChooserAutosaveName,
                                          QUrl::fromLocalFile(path("Lib")).toString());
        m_delegate = std::make_unique<QZPAppDelegate>(m_engine);
        m_delegate->launch({});
        QTRY_VERIFY(m_delegate->windowController()->currentPreset());
        QCOMPARE(m_delegate->windowController()->currentPreset()->displayName(), QStringLiteral("Bass"));
        QCOMPARE(library()->arrangedObjects().size(), 2); // no untitled preset
        m_delegate.reset();

        const QString outside = qzpWritePresetFile(path("Elsewhere/Pad.syx"), 5);
        m_delegate = std::make_unique<QZPAppDelegate>(m_engine);
        m_delegate->launch({outside});
        QCOMPARE(m_delegate->windowController()->currentPreset()->displayName(), QStringLiteral("Pad"));
        QTRY_VERIFY(library()->arrangedObjects().size() >= 2);
        for (const QZPPreset* preset : library()->arrangedObjects())
            QVERIFY(!preset->isNew());
    }

    // Recording is in the Preset menu with its shortcuts, which work from the main window and from the
    // Record Multiple Presets window; the Record item's title follows the draft setting. That window plays
    // notes from the computer keyboard while one of its presets is selected.
    void recordingFromTheMenus() {
        m_engine->setDestination(m_engine->midiDestinations().first());
        m_delegate->launch({});
        QZPMainWindowController* main = m_delegate->windowController();
        QMainWindow* window = main->window();
        const QList<QAction*> preset = window->menuBar()->actions().at(2)->menu()->actions();
        const auto item = [&preset](const QString& text) {
            const auto it =
                std::find_if(preset.begin(), preset.end(), [&](QAction* a) { return a->text() == text; });
            return it == preset.end() ? nullptr : *it;
        };
        QAction* record = item(QStringLiteral("Record New"));
        QAction* multiple = item(QStringLiteral("Record Multiple Presets…"));
        QVERIFY(record && multiple);
        const QString draftKey = QZPSettings::DraftOnRecordKey;
        QZPSettings::standard()->setValue(draftKey, false);
        QCOMPARE(record->text(), QStringLiteral("Record"));
        QZPSettings::standard()->remove(draftKey);
        QCOMPARE(record->text(), QStringLiteral("Record New"));

        QApplication::setActiveWindow(window);
        QTest::keyClick(window, Qt::Key_M, Qt::ControlModifier | Qt::ShiftModifier);
        QZPRecordWindowController* collector = m_delegate->recWindowController();
        QVERIFY(collector->window()->isVisible());
        QApplication::setActiveWindow(collector->window());
        QTest::keyClick(collector->window(), Qt::Key_R, Qt::ControlModifier);
        QVERIFY(main->recordSheet()->window()->isVisible() && main->currentPreset()->isNew());
        main->recordSheet()->cancelOperation();
        QVERIFY(!main->recordSheet()->window()->isVisible());

        collector->showWindow();
        QApplication::setActiveWindow(collector->window());
        QWidget* list = collector->tableView();
        list->setFocus();
        m_instrument->sent();
        const auto key = [list](QEvent::Type type) {
            QKeyEvent event(type, Qt::Key_A, {}, 38, 0, 0, QStringLiteral("a"));
            QApplication::sendEvent(list, &event);
        };
        key(QEvent::KeyPress);
        key(QEvent::KeyRelease);
        QVERIFY(m_instrument->sent().isEmpty()); // nothing selected: the keys are the list's
        collector->midiEngineDidReceiveSysex(m_engine, qzpPatchMessage(4), 0x30);
        QTRY_COMPARE(collector->selectedPresets().size(), 1);
        key(QEvent::KeyPress);
        key(QEvent::KeyRelease);
        QList<int> statuses;
        for (const QByteArray& message : m_instrument->sent())
            statuses << (quint8(message.at(0)) & 0xF0);
        QCOMPARE(statuses, (QList<int>{0x90, 0x80}));
        collector->window()->hide();
    }

    // The help page's shortcuts are exactly the menus' (spelt out, so no platform theme changes them).
    void menuShortcutsAreTheHelpPages() {
        m_delegate->launch({});
        QStringList menus;
        std::function<void(const QList<QAction*>&)> walk = [&](const QList<QAction*>& actions) {
            for (QAction* action : actions) {
                for (const QKeySequence& keys : action->shortcuts())
                    menus << keys.toString(QKeySequence::PortableText);
                if (action->menu())
                    walk(action->menu()->actions());
            }
        };
        walk(m_delegate->windowController()->window()->menuBar()->actions());
        QStringList help;
        const QString page = QString::fromUtf8(qzpContents(QStringLiteral(":/text/Help.html")));
        static const QRegularExpression row(QStringLiteral("<tr><td>([^<]*)</td>"));
        for (const QRegularExpressionMatch& match : row.globalMatch(page))
            for (const QString& keys : match.captured(1).split(QRegularExpression(QStringLiteral(" / |, "))))
                help << QKeySequence::fromString(keys, QKeySequence::PortableText)
                            .toString(QKeySequence::PortableText);
        menus.sort();
        help.sort();
        QCOMPARE(menus, help);
        QCOMPARE(menus.removeDuplicates(), 0); // no shortcut does two things
        // The page's map of Control Change numbers is the parameter table's.
        for (const QZPParameter& parameter : QZPParameter::all())
            if (parameter.controller >= 0)
                QZP_VERIFY(
                    page.contains(QStringLiteral("<tr><th>%1</th><td>%2</td>")
                                      .arg(parameter.controller)
                                      .arg(QZPPatchDifference::parameterText(parameter).toHtmlEscaped())),
                    parameter.name);
    }

    // Help ▸ About ToneBench: the version, the licence, and every library the package depends on with
    // the version it was built against and its licence; no placeholder is left unfilled.
    void aboutNamesVersionLicenceAndLibraries() {
        m_delegate->launch({});
        QAction* about = menuItem(QStringLiteral("About ToneBench"));
        QVERIFY(about);
        about->trigger();
        auto* window = m_delegate->windowController()->window()->findChild<QZPTextWindow*>();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("About ToneBench"));
        const QString text = window->textView()->toPlainText();
        QVERIFY2(text.contains(QStringLiteral("ToneBench " TONEBENCH_VERSION)) && text.contains("Licence:") &&
                     text.contains("GPL-3.0-or-later") && !text.contains(QLatin1Char('{')),
                 qPrintable(text));
        for (const char* library : {"Qt", "RtMidi", "RtAudio", "libsndfile", "libplist", "ICU", "JACK"}) {
            const QRegularExpression row(
                QStringLiteral("^%1\\b.*\\n\\d+\\.\\d+[.\\d]*\\n.*\\n.*(LGPL|MIT|Unicode)")
                    .arg(QLatin1String(library)),
                QRegularExpression::MultilineOption);
            QVERIFY2(row.match(text).hasMatch(), library);
        }
    }

    // File ▸ Find Duplicates…: the presets folder's groups, read on a worker (a copy in a subfolder among
    // them, the first of each kept and the others checked); with a tolerance a nudged copy joins; the
    // checked ones go to the Trash after asking, and the window shows what is left.
    void findDuplicates() {
        const QString folder = m_dir->filePath("dups");
        for (const auto& [name, first] :
             {std::pair{"A.syx", 1}, {"B.syx", 1}, {"Sub/C.syx", 1}, {"Near.syx", 4}, {"Other.syx", 100}})
            QVERIFY(qzpWriteContents(folder + "/" + name, qzpPatchMessage(quint8(first))));
        m_delegate->launch({});
        library()->setPresetsFolderURL(QUrl::fromLocalFile(folder));
        QAction* find = menuItem(QStringLiteral("Find Duplicates…"));
        QVERIFY(find);
        find->trigger();
        auto* window = m_delegate->windowController()->window()->findChild<QZPDuplicatesWindow*>();
        QVERIFY(window);
        using Groups = QList<QList<std::pair<QString, bool>>>;
        QTRY_COMPARE(window->groups(), (Groups{{{"A.syx", false}, {"B.syx", true}, {"Sub/C.syx", true}}}));
        window->toleranceBox()->setValue(3);
        QCOMPARE(window->groups(),
                 (Groups{{{"A.syx", false}, {"B.syx", true}, {"Sub/C.syx", true}, {"Near.syx", true}}}));
        window->tree()->topLevelItem(0)->child(3)->setCheckState(0, Qt::Unchecked);
        QCOMPARE(window->trashButton()->text(), QStringLiteral("Move 2 Checked to Trash"));
        // The checked ones can be selected in the list instead, whatever it was filtered by.
        QZPSidebarController* sidebar = m_delegate->windowController()->sidebarController();
        QTRY_VERIFY(library()->presetForPath(folder + "/Sub/C.syx"));
        sidebar->filterSearchField()->setText(QStringLiteral("other"));
        window->selectButton()->click();
        QVERIFY(sidebar->filterSearchField()->text().isEmpty());
        QStringList selected;
        for (const QZPPreset* preset : library()->selectedObjects())
            selected << preset->displayName();
        QCOMPARE(selected, (QStringList{"B", "C"}));
        // Return is the safe choice: it closes the window, and in the question it cancels.
        QVERIFY(!window->trashButton()->isDefault() && !window->trashButton()->autoDefault());
        window->trashButton()->click();
        auto* question = window->findChild<QMessageBox*>();
        QVERIFY(question && question->text() == "Move the 2 checked presets to the Trash?");
        QCOMPARE(question->defaultButton()->text(), QStringLiteral("Cancel"));
        for (QAbstractButton* button : question->buttons())
            if (button->text() == "Move to Trash")
                button->click();
        QTRY_VERIFY(!QFile::exists(folder + "/B.syx") && !QFile::exists(folder + "/Sub/C.syx"));
        QVERIFY(QFile::exists(folder + "/A.syx") && QFile::exists(folder + "/Near.syx"));
        QCOMPARE(QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash/files")
                     .entryList(QDir::Files),
                 (QStringList{"B.syx", "C.syx"}));
        QCOMPARE(window->groups(), (Groups{{{"A.syx", false}, {"Near.syx", true}}}));
    }

    // Unsaved edits are kept a few seconds after a change (so a crash loses nothing older than that) and at
    // once when the session ends; at the next start they come back edited over their files, which are
    // untouched, or are discarded. A preset saved or reverted leaves no entry; a quit after the review
    // leaves none at all.
    void unsavedEditsAreKeptAndRestored() {
        const QString folder = m_dir->filePath("kept");
        for (const auto& [name, first] : {std::pair{"A.syx", 1}, {"B.syx", 2}, {"C.syx", 3}})
            QVERIFY(qzpWriteContents(folder + "/" + name, qzpPatchMessage(quint8(first))));
        m_delegate->launch({});
        library()->setPresetsFolderURL(QUrl::fromLocalFile(folder));
        QTRY_VERIFY(library()->arrangedCount() >= 3 && !library()->isRefreshing());
        const QString recovery = QZPRecoveryKeeper::defaultFolder();
        QCOMPARE(recovery, m_dir->filePath("state/ToneBench/Recovery"));
        const auto entries = [&recovery] {
            return QDir(recovery).entryList({"*.json"}, QDir::Files);
        };
        QZPPreset* a = qzpNamedPreset(library(), "A");
        QZPPreset* b = qzpNamedPreset(library(), "B");
        a->loadFileContents();
        b->loadFileContents();
        a->setValue(Id::VCF_Cutoff, 40);
        // Kept by the periodic write, without any signal.
        QTRY_COMPARE_WITH_TIMEOUT(entries().size(), 1, 10000);
        b->setValue(Id::VCF_Cutoff, 50);
        QZPPreset* draft = m_delegate->documentController()->newDocument();
        draft->setDisplayName(QStringLiteral("Sketch"));
        draft->setValue(Id::VCF_Resonance, 99);
        m_delegate->recoveryKeeper()->keepNow();
        QCOMPARE(entries().size(), 3);
        // Saved: its entry goes.
        QZPError error;
        QVERIFY(b->save(&error));
        m_delegate->recoveryKeeper()->keepNow();
        QCOMPARE(entries().size(), 2);
        m_delegate->recoveryKeeper()->stop();
        // The program ends here (this instance's entries are its own while it runs): they are given the
        // name of an instance that has ended, and A's file changes meanwhile.
        for (const QString& name : entries())
            QVERIFY(QFile::rename(recovery + "/" + name, recovery + "/4194301-5-" + name.section('-', 2)));
        QVERIFY(qzpWriteContents(folder + "/A.syx", qzpPatchMessage(7)));
        const QByteArray onDisk = qzpContents(folder + "/A.syx");
        m_delegate.reset();
        m_delegate = std::make_unique<QZPAppDelegate>(m_engine);
        m_delegate->launch({});
        library()->setPresetsFolderURL(QUrl::fromLocalFile(folder));
        QTRY_VERIFY(library()->arrangedCount() >= 3 && !library()->isRefreshing());
        QMessageBox* question = nullptr;
        QTRY_VERIFY(question = m_delegate->windowController()->window()->findChild<QMessageBox*>(
                        QStringLiteral("recoveryQuestion")));
        QCOMPARE(question->text(), QStringLiteral("ToneBench ended with unsaved changes to 2 presets"));
        // Another instance asking at the same time answers first for one of them: this one restores the
        // other only.
        const QList<QZPRecoveryKeeper::Entry> offered = QZPRecoveryKeeper::leftBehind(recovery);
        QCOMPARE(offered.size(), 2);
        const QList<QZPRecoveryKeeper::Entry> other{
            *std::find_if(offered.begin(), offered.end(), [](const auto& e) { return e.name == "Sketch"; })};
        QFile::copy(other.first().entryPath, m_dir->filePath("sketch-entry"));
        QZPRecoveryKeeper::discard(other);
        QVERIFY(question->informativeText().contains(QStringLiteral("A (its file changed since)")));
        for (QAbstractButton* button : question->buttons())
            if (button->text() == "Restore")
                button->click();
        a = qzpNamedPreset(library(), "A");
        QVERIFY(a->isDocumentEdited() && a->value(Id::VCF_Cutoff) == 40);
        QCOMPARE(qzpContents(folder + "/A.syx"), onDisk);
        QVERIFY(!qzpNamedPreset(library(), "Sketch"));
        // The draft, as the ended instance left it, comes back with the next answer.
        QVERIFY(QFile::copy(m_dir->filePath("sketch-entry"), other.first().entryPath));
        QCOMPARE(m_delegate->restore(QZPRecoveryKeeper::leftBehind(recovery)), QStringList());
        QZPRecoveryKeeper::discard(QZPRecoveryKeeper::leftBehind(recovery));
        QZPPreset* sketch = qzpNamedPreset(library(), "Sketch");
        QVERIFY(sketch && sketch->isNew() && sketch->value(Id::VCF_Resonance) == 99);
        QVERIFY(QDir(recovery).entryList({"4194301-*"}, QDir::Files).isEmpty());
        QVERIFY(m_delegate->windowController()->window()->statusBar()->currentMessage().contains(
            QStringLiteral("changed on disk since")));

        // Discard forgets; a second start has nothing to ask.
        m_delegate->recoveryKeeper()->keepNow();
        m_delegate->recoveryKeeper()->stop();
        for (const QString& name : entries())
            QVERIFY(QFile::rename(recovery + "/" + name, recovery + "/4194301-5-" + name.section('-', 2)));
        QCOMPARE(QZPRecoveryKeeper::leftBehind(recovery).size(), 2);
        m_delegate.reset();
        m_delegate = std::make_unique<QZPAppDelegate>(m_engine);
        m_delegate->launch({});
        QTRY_VERIFY(question = m_delegate->windowController()->window()->findChild<QMessageBox*>(
                        QStringLiteral("recoveryQuestion")));
        for (QAbstractButton* button : question->buttons())
            if (button->text() == "Discard")
                button->click();
        QVERIFY(QZPRecoveryKeeper::leftBehind(recovery).isEmpty() && entries().isEmpty());
    }

    // A bank handed over again while its question is open (the same file opened twice at once) joins the
    // one under way: one question, one import, each message one file.
    void bankOpenedTwiceIsImportedOnce() {
        const QString folder = m_dir->filePath("banks");
        QVERIFY(QDir().mkpath(folder));
        QByteArray bank;
        for (int n = 0; n < 10; ++n)
            bank += qzpPatchMessage(quint8(n * 9));
        QVERIFY(qzpWriteContents(m_dir->filePath("bank.syx"), bank));
        m_delegate->launch({});
        library()->setPresetsFolderURL(QUrl::fromLocalFile(folder));
        int questions = 0;
        QTimer::singleShot(0, [&] {
            auto* first = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(first);
            ++questions;
            // The second hand-over arrives while the first is asked about; a second question, if one
            // came, is counted and answered No.
            QTimer::singleShot(0, [&questions, first] {
                auto* second = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (second && second != first && second->button(QMessageBox::No)) {
                    ++questions;
                    second->button(QMessageBox::No)->click();
                }
            });
            m_delegate->openFiles({m_dir->filePath("bank.syx")});
            first->button(QMessageBox::Yes)->click();
        });
        m_delegate->openFiles({m_dir->filePath("bank.syx")});
        QCOMPARE(questions, 1);
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 10);
    }

    // Find Duplicates never keeps a link while its target goes (a link inside the folder or to a file
    // outside it), and trashes nothing of a group whose kept file went away or changed after the scan.
    void findDuplicatesKeepsAFileOfItsOwn() {
        const QString folder = m_dir->filePath("links");
        const QString outside = m_dir->filePath("outside/Ext.syx");
        for (const auto& [name, first] : {std::pair{"links/Pad.syx", 1},
                                          {"links/Zed.syx", 50},
                                          {"links/Lead.syx", 90},
                                          {"links/Lead 2.syx", 90},
                                          {"outside/Ext.syx", 50}})
            QVERIFY(qzpWriteContents(m_dir->filePath(name), qzpPatchMessage(quint8(first))));
        QVERIFY(QFile::link(folder + "/Pad.syx", folder + "/Alias.syx"));
        QVERIFY(QFile::link(outside, folder + "/Another.syx"));
        m_delegate->launch({});
        library()->setPresetsFolderURL(QUrl::fromLocalFile(folder));
        menuItem(QStringLiteral("Find Duplicates…"))->trigger();
        auto* window = m_delegate->windowController()->window()->findChild<QZPDuplicatesWindow*>();
        QVERIFY(window);
        using Groups = QList<QList<std::pair<QString, bool>>>;
        QTRY_COMPARE(window->groups(), (Groups{{{"Alias.syx", true}, {"Pad.syx", false}},
                                               {{"Another.syx", true}, {"Zed.syx", false}},
                                               {{"Lead.syx", false}, {"Lead 2.syx", true}}}));
        // The kept Pad goes away and Lead changes after the scan: only the links' group of Zed goes.
        QVERIFY(QFile::rename(folder + "/Pad.syx", m_dir->filePath("Pad moved.syx")));
        QVERIFY(qzpWriteContents(folder + "/Lead.syx", qzpPatchMessage(91)));
        window->trashButton()->click();
        auto* question = window->findChild<QMessageBox*>();
        QVERIFY(question);
        for (QAbstractButton* button : question->buttons())
            if (button->text() == "Move to Trash")
                button->click();
        QTRY_VERIFY(!QFileInfo::exists(folder + "/Another.syx") &&
                    !QFileInfo(folder + "/Another.syx").isSymLink());
        QVERIFY(QFile::exists(outside) && QFile::exists(folder + "/Zed.syx"));
        QVERIFY(QFileInfo(folder + "/Alias.syx").isSymLink() && QFile::exists(folder + "/Lead 2.syx"));
        // Said in an alert on the main window, with the reasons.
        QMessageBox* alert = nullptr;
        QTRY_VERIFY(alert = [this]() -> QMessageBox* {
            for (QMessageBox* box : m_delegate->windowController()->window()->findChildren<QMessageBox*>())
                if (box->isVisible() && box->text().contains(QStringLiteral("left as they are")))
                    return box;
            return nullptr;
        }());
        const QString reason = alert->informativeText();
        QVERIFY2(reason.contains(QStringLiteral("“Pad.syx” is gone")) &&
                     reason.contains(QStringLiteral("“Lead.syx” has changed")),
                 qPrintable(reason));
        alert->close();
    }

    // Preset ▸ Find Similar: the list ranks the folder's other presets by their distance to the current
    // one, best first (the same patch at 0, a subfolder's among them, the current file left out), until the
    // filter changes or Show All; Return opens one.
    void findSimilar() {
        const QString folder = m_dir->filePath("similar");
        for (const auto& [name, first] :
             {std::pair{"A.syx", 1}, {"Same.syx", 1}, {"Near.syx", 4}, {"Sub/Mid.syx", 60}, {"Far.syx", 127}})
            QVERIFY(qzpWriteContents(folder + "/" + name, qzpPatchMessage(quint8(first))));
        m_delegate->launch({folder + "/A.syx"});
        library()->setPresetsFolderURL(QUrl::fromLocalFile(folder));
        QTRY_COMPARE(library()->arrangedCount(), 5);
        QZPSidebarController* sidebar = m_delegate->windowController()->sidebarController();
        const auto ranking = [this] {
            QList<std::pair<QString, double>> ranked;
            for (int row = 0; row < library()->rowCount(); ++row) {
                const QModelIndex index = library()->index(row);
                ranked.append({index.data(Qt::DisplayRole).toString(),
                               index.data(QZPPresetsController::DistanceRole).toDouble()});
            }
            return ranked;
        };
        const auto names = [&ranking] {
            QStringList order;
            for (const auto& [name, distance] : ranking())
                order << name;
            return order;
        };
        QAction* find = menuItem(QStringLiteral("Find Similar"));
        QVERIFY(find);
        find->trigger();
        QVERIFY(library()->isShowingSimilar());
        QTRY_COMPARE(names(), (QStringList{"Same", "Near", "Mid", "Far"}));
        QVERIFY(ranking().first().second == 0 && ranking().last().second > 0);
        QCOMPARE(library()->selectionIndexes(), QList<int>{0});

        // With another preset selected in the list, the ranking is to that one.
        QZPPreset* far = library()->arrangedPresetAt(3);
        library()->setSelectedObjects({far});
        QTRY_COMPARE(sidebar->documentForSender(QZPCommandSource::Menu), far);
        find->trigger();
        QTRY_COMPARE(names(), (QStringList{"Mid", "Near", "A", "Same"}));
        // Return opens the best.
        QTRY_COMPARE(library()->selectionIndexes(), QList<int>{0});
        QTest::keyClick(sidebar->tableView(), Qt::Key_Return);
        QTRY_COMPARE(m_delegate->windowController()->currentPreset()->displayName(), QStringLiteral("Mid"));
        QVERIFY(library()->isShowingSimilar());

        // Typing a filter ends the ranking; so does Show All.
        sidebar->filterSearchField()->setText(QStringLiteral("ar"));
        QVERIFY(!library()->isShowingSimilar());
        QCOMPARE(names(), (QStringList{"Far", "Near"}));
        find->trigger();
        QVERIFY(sidebar->filterSearchField()->text().isEmpty() && library()->isShowingSimilar());
        QPushButton* showAll = nullptr;
        for (QPushButton* button : sidebar->view()->findChildren<QPushButton*>())
            if (button->text() == QLatin1String("Show All"))
                showAll = button;
        QVERIFY(showAll && showAll->isVisible());
        showAll->click();
        QVERIFY(!library()->isShowingSimilar() && !showAll->isVisible());
        QCOMPARE(names(), (QStringList{"A", "Far", "Mid", "Near", "Same"}));
        // Escape in the list ends a ranking too.
        find->trigger();
        QVERIFY(library()->isShowingSimilar());
        QTest::keyClick(sidebar->tableView(), Qt::Key_Escape);
        QVERIFY(!library()->isShowingSimilar());
        QCOMPARE(library()->rowCount(), 5);
    }

    // Quitting asks about every edited preset, also one the filter hides: Save, Don't Save or Cancel, and
    // Cancel stops the quit.
    void quitReviewsEveryEditedPreset() {
        qzpWritePresetFile(path("Lib/Bass.syx"), 3);
        qzpWritePresetFile(path("Lib/Lead.syx"), 4);
        QZPSettings::standard()->setValue(QZPSidebarController::FolderChooserAutosaveName,
                                          QUrl::fromLocalFile(path("Lib")).toString());
        m_delegate->launch({});
        QTRY_VERIFY(m_delegate->windowController()->currentPreset());
        QZPPreset* bass = library()->presetForPath(path("Lib/Bass.syx"));
        bass->setValue(Id::VCF_Resonance, 9);
        QZPMainWindowController* main = m_delegate->windowController();
        main->sidebarController()->filterSearchField()->setText(QStringLiteral("Lead"));
        QTRY_VERIFY(!library()->arrangedObjects().contains(bass));

        // The question as the user sees it.
        QString question;
        QTimer::singleShot(0, [&question] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            question = box->text();
            box->button(QMessageBox::Cancel)->click();
        });
        QVERIFY(!m_delegate->applicationShouldTerminate());
        QCOMPARE(question, QStringLiteral("Do you want to save the changes made to “Bass”?"));
        QVERIFY(bass->isDocumentEdited());

        using Answer = QZPMainWindowController::ReviewAnswer;
        QStringList asked;
        main->setReviewQuestion([&asked](QZPPreset* preset, QWidget*) {
            asked << preset->displayName();
            return Answer::DontSave;
        });
        QVERIFY(m_delegate->applicationShouldTerminate());
        QCOMPARE(asked, QStringList{"Bass"});
        QCOMPARE(qzpContents(path("Lib/Bass.syx")), qzpPatchMessage(3));

        // File ▸ Quit asks once: the windows closing on the way out (as the application's quit closes
        // them) ask nothing more, and close.
        asked.clear();
        main->window()->show();
        main->commands()->perform(QZPPresetCommands::Command::Quit);
        QEvent quit(QEvent::Quit);
        QCoreApplication::sendEvent(qApp, &quit);
        QCOMPARE(asked, QStringList{"Bass"});
        QVERIFY(!main->window()->isVisible());
    }

    // A second start hands its files to the first over D-Bus (a private session bus here).
    void secondStartHandsOverItsFiles() {
        QProcess bus;
        bus.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
        if (!bus.waitForStarted(3000) || !bus.waitForReadyRead(5000))
            QSKIP("dbus-daemon is not available");
        const QString address = QString::fromUtf8(bus.readLine()).trimmed();
        {
            QDBusConnection first = QDBusConnection::connectToBus(address, QStringLiteral("first"));
            QDBusConnection second = QDBusConnection::connectToBus(address, QStringLiteral("second"));
            QVERIFY(first.isConnected() && second.isConnected());
            QZPSingleInstance running(nullptr, first);
            QZPSingleInstance starting(nullptr, second);
            QVERIFY(running.registerInstance() && !starting.registerInstance());
            QDir::setCurrent(m_dir->path());
            // The running instance answers at once, and asks its questions from the event loop, one
            // hand-over at a time: while the first hand-over's question is open, a second is answered
            // but waits.
            QList<QStringList> received;
            bool asking = false;
            std::atomic<bool> secondAnswered = false;
            bool deliveredWhileAsking = false;
            connect(&running, &QZPSingleInstance::filesReceived, this, [&](const QStringList& paths) {
                deliveredWhileAsking = deliveredWhileAsking || asking;
                received << paths;
                if (received.size() != 1)
                    return;
                asking = true; // the event loop runs meanwhile, as under a modal dialog
                std::jthread other([&] { secondAnswered = starting.handOver({"Second.syx"}); });
                QVERIFY(QTest::qWaitFor([&] { return secondAnswered.load(); }, 10000));
                asking = false;
            });
            std::atomic<bool> handedOver = false;
            std::optional<std::jthread> worker(std::in_place,
                                               [&] { handedOver = starting.handOver({"Pad.syx"}); });
            QTRY_COMPARE(received.size(), 2);
            worker.reset();
            // A path no system has, and more paths than one hand-over takes.
            QStringList many{QStringLiteral("/") + QString(PATH_MAX, 'x')};
            for (int n = 0; n < QZPSingleInstance::MaximumPaths + 500; ++n)
                many << QStringLiteral("/p/%1.syx").arg(n);
            worker.emplace([&] { starting.handOver(many); });
            QTRY_COMPARE(received.size(), 3);
            worker.reset();
            QVERIFY(handedOver && secondAnswered && !deliveredWhileAsking);
            QCOMPARE(received.at(0), QStringList{path("Pad.syx")});
            QCOMPARE(received.at(1), QStringList{path("Second.syx")});
            QCOMPARE(received.at(2), many.mid(1, QZPSingleInstance::MaximumPaths - 1));
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("first"));
        QDBusConnection::disconnectFromBus(QStringLiteral("second"));
        bus.terminate();
        bus.waitForFinished(3000);
    }

    // The first launch shows the assistant once, after a delay: the flag is written before it appears, so
    // a second launch (or one after a crash during it) shows nothing.
    void onboardingShownOnce() {
        QZPSettings* settings = QZPSettings::standard();
        settings->remove(QZPSettings::OnboardingShownKey);
        m_delegate->launch({});
        auto* delay = m_delegate->findChild<QTimer*>(QStringLiteral("onboardingDelay"));
        QVERIFY(delay && delay->isActive() && settings->boolValue(QZPSettings::OnboardingShownKey));
        QCOMPARE(delay->interval(), QZPOnboardingWindowController::FirstLaunchDelayMs);
        QWidget* assistant = m_delegate->onboardingController()->window();
        QVERIFY(!assistant->isVisible());
        delay->setInterval(0);
        QTRY_VERIFY(assistant->isVisible());
        QCOMPARE(m_delegate->onboardingController()->currentPage(),
                 QZPOnboardingWindowController::WelcomePage);
        QObject context;
        QVERIFY(!QZPOnboardingWindowController::showOnboardingIfNecessary(settings, &context, [] {}));
        QVERIFY(!context.findChild<QTimer*>(QStringLiteral("onboardingDelay")));
    }

    // Back stops at the first page and forward at the last; the navigation is out of sight on the first.
    // The MIDI page lists the engine's ports as they come and says plainly when there is nothing to use.
    void onboardingPages() {
        auto* backend = new QZPVirtualMidiBackend;
        QZPMidiEngine engine{std::unique_ptr<QZPMidiBackend>(backend), nullptr};
        engine.setPollInterval(0);
        QZPOnboardingWindowController onboarding(library(), &engine);
        onboarding.showWindow();
        const auto button = [&onboarding](const char* name) {
            return onboarding.window()->findChild<QPushButton*>(QLatin1String(name));
        };
        // The keyboard starts on the way on, not on Skip.
        QCOMPARE(onboarding.window()->focusWidget(), button("nextButton"));
        QStringList pages; // the page, Back enabled, Skip shown (as "+" or "-"), Next's title
        bool installOffered = false;
        for (int step = 0; step < 6; ++step, button("nextButton")->click()) {
            // Without a presets folder the factory presets are offered ticked; here they are not wanted.
            if (onboarding.currentPage() == QZPOnboardingWindowController::FinalPage && step == 4) {
                installOffered = onboarding.installFactoryPresets();
                onboarding.setInstallFactoryPresets(false);
            }
            pages << QStringLiteral("%1%2%3 %4")
                         .arg(onboarding.currentPage())
                         .arg(button("backButton")->isEnabled() ? '+' : '-')
                         .arg(button("skipButton")->isVisible() ? '+' : '-')
                         .arg(button("nextButton")->text());
        }
        QVERIFY(installOffered);
        QVERIFY(onboarding.window()
                    ->findChild<QLabel*>("suggestionLabel")
                    ->text()
                    .contains(QZPLibraryFolderChooser::suggestedFolder()));
        QCOMPARE(pages,
                 (QStringList{"0-+ Next", "1++ Next", "2++ Next", "3++ Next", "4+- Finish", "4+- Finish"}));
        for (int step = 0; step < 6; ++step)
            onboarding.navigateBack();
        QCOMPARE(onboarding.currentPage(), QZPOnboardingWindowController::WelcomePage);

        QWidget* midiPage = onboarding.window()->findChild<QWidget*>("midiSetupView");
        auto* status = midiPage->findChild<QLabel*>("midiStatus");
        const QList<QComboBox*> popUps = midiPage->findChildren<QComboBox*>();
        QCOMPARE(popUps.size(), 2);
        QVERIFY(status->text().contains("No MIDI ports were found"));
        backend->addDestination(QStringLiteral("Juno-106"));
        engine.refreshAvailableEndpoints();
        QVERIFY(status->text().isEmpty());
        QCOMPARE(popUps.at(1)->count(), 2);
        popUps.at(1)->setCurrentIndex(1);
        emit popUps.at(1)->activated(1);
        QCOMPARE(engine.destination().displayName(), QStringLiteral("Juno-106"));

        QZPMidiEngine silent{std::make_unique<QZPVirtualMidiBackend>(QStringLiteral("none")), nullptr};
        QZPOnboardingWindowController without(library(), &silent);
        QVERIFY(
            without.window()->findChild<QLabel*>("midiStatus")->text().contains("No MIDI system was found"));
    }

    // MIDI opens once the window is on screen: until then the status says so and nothing is said of a
    // missing output; then, as at any start, the remembered instrument is taken back and the current
    // preset sent to it.
    void midiOpensOnceTheWindowShows() {
        m_delegate.reset();
        QZPVirtualMidiBackend* system = nullptr;
        const auto juno = [] {
            QZPVirtualMidiBackend backend;
            backend.addDestination(QStringLiteral("Juno-106"));
            return backend.destinations().first();
        }();
        QZPSettings::standard()->setValue(QZPSettings::MidiDeviceOutKey, juno.uniqueID());
        QZPMidiEngine engine(QZPMidiEngine::BackendOpener([&system] {
                                 auto backend = std::make_unique<QZPVirtualMidiBackend>();
                                 backend->addDestination(QStringLiteral("Juno-106"));
                                 system = backend.get();
                                 return backend;
                             }),
                             QZPSettings::standard());
        engine.setPollInterval(0);
        QZPAppDelegate delegate(&engine);
        delegate.launch({});
        QWidget* window = delegate.windowController()->window();
        QCOMPARE(window->findChild<QLabel*>("MidiStatus")->text().section(QStringLiteral(" · "), 0, 0),
                 QStringLiteral("MIDI opening…"));
        QVERIFY(!engine.isBackendOpen());
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTRY_VERIFY(engine.isBackendOpen());
        QCOMPARE(engine.destination(), juno);
        QVERIFY(window->findChild<QLabel*>("MidiStatus")->text().startsWith(QStringLiteral("Out: Juno-106")));
        QList<QZPVirtualMidiBackend::Sent> sent;
        QTRY_VERIFY((sent += system->takeSent(), !sent.isEmpty()));
        QCOMPARE(sent.first().bytes.size(), 24); // the current preset's Patch message
        QVERIFY(!window->findChild<QZPMessageView*>()->temporaryText().contains(
            QStringLiteral("No MIDI output")));
        QZPSettings::standard()->remove(QZPSettings::MidiDeviceOutKey);
    }

    // ToneBench Sound is the destination from the first start when nothing else is there; a destination
    // chosen once is kept (even while it is away), and an instrument's port is left to be chosen.
    void soundFromTheFirstStart() {
        for (const auto& [instrument, chosenBefore, sound] :
             {std::tuple{false, 0, true}, {false, 1234, false}, {true, 0, false}}) {
            auto system = std::make_unique<QZPVirtualMidiBackend>();
            if (instrument)
                system->addDestination(QStringLiteral("Juno-106"));
            QZPMidiEngine engine(QZPSoundMidiBackend::wrap(std::move(system)), nullptr);
            engine.setPollInterval(0);
            QZPSettings::standard()->setValue(QZPSettings::MidiDeviceOutKey, chosenBefore);
            QZPAppDelegate::chooseFirstDestination(&engine, QZPSettings::standard());
            QZP_VERIFY((engine.destination().uniqueID() == QZPSoundMidiBackend::EndpointID) == sound,
                       instrument, chosenBefore);
        }
        QZPSettings::standard()->remove(QZPSettings::MidiDeviceOutKey);
    }

    // Finishing: with the box off nothing is written and the assistant closes; with it on one preset file
    // per factory entry goes into the presets folder (without one, into the suggested folder, which the
    // last page names and which becomes the library's), and the page says how many went in and which of
    // the user's files were kept until Done closes it. An installation that fails (here: an empty list)
    // ends with one message and a closed window; the installer's own failures are the library test's.
    void onboardingFinishes() {
        QZPCapturingPresenter presenter;
        QZPOnboardingWindowController onboarding(library(), m_engine);
        QWidget* window = onboarding.window();
        const auto button = [window](const char* name) {
            return window->findChild<QPushButton*>(QLatin1String(name));
        };
        auto* label = window->findChild<QLabel*>("progressLabel");
        const auto lastPage = [&](bool install) {
            onboarding.showWindow();
            for (int page = 0; page < QZPOnboardingWindowController::PageCount; ++page)
                onboarding.navigateForward();
            onboarding.setInstallFactoryPresets(install);
        };
        // Finish; answers whether the assistant closed.
        const auto finish = [&](bool install) {
            lastPage(install);
            QSignalSpy finished(&onboarding, &QZPOnboardingWindowController::finished);
            QSignalSpy installed(onboarding.installer(), &QZPFactoryPresetInstaller::finished);
            button("nextButton")->click();
            const bool ended =
                QTest::qWaitFor([&] { return finished.count() == 1 || installed.count() == 1; }, 10000);
            return ended && finished.count() == 1;
        };
        const int total = int(onboarding.installer()->entries(nullptr)->size());
        const QString suggested = QZPLibraryFolderChooser::suggestedFolder();
        lastPage(true);
        QVERIFY(window->findChild<QLabel*>("destinationLabel")->text().contains(suggested));
        QVERIFY(!finish(true) && window->isVisible() && presenter.errors.isEmpty());
        QCOMPARE(library()->presetsFolderURL(), QUrl::fromLocalFile(suggested));
        const QStringList files = QDir(suggested).entryList(QDir::Files);
        QVERIFY(files.size() == total && files.contains("Bass Round Sub.tbpreset"));
        QCOMPARE(label->text(), QStringLiteral("%1 factory presets were installed.").arg(total));
        QVERIFY(button("nextButton")->text() == "Done" && !button("backButton")->isEnabled());
        button("nextButton")->click();
        QVERIFY(!window->isVisible());
        // The library lists them as they arrive (beside the draft an empty folder gets, when the folder
        // was seen empty before they came).
        const auto listedFiles = [this] {
            const QList<QZPPreset*> listed = library()->arrangedObjects();
            return int(
                std::count_if(listed.begin(), listed.end(), [](QZPPreset* p) { return p->hasFile(); }));
        };
        QTRY_COMPARE(listedFiles(), total);
        // A folder that holds presets is not offered them again by default.
        onboarding.showWindow();
        for (int page = 0; page < QZPOnboardingWindowController::PageCount; ++page)
            onboarding.navigateForward();
        QVERIFY(!onboarding.installFactoryPresets());

        QVERIFY(finish(false) && !window->isVisible());
        // Again into the same folder: every file there is the user's now and is kept.
        QVERIFY(!finish(true) && window->isVisible());
        QZP_VERIFY(label->text().startsWith("0 factory presets were installed. " + QString::number(total) +
                                            " factory presets were already"),
                   label->text());
        button("nextButton")->click();
        QVERIFY(!window->isVisible() && presenter.errors.isEmpty());
        QCOMPARE(QDir(suggested).entryList(QDir::Files).size(), files.size());

        QVERIFY(qzpWriteContents(path("empty.plist"), QZPPropertyList::toBinary(QVariantList())));
        onboarding.installer()->setListPath(path("empty.plist"));
        QVERIFY(finish(true) && !window->isVisible());
        QCOMPARE(presenter.errors.size(), 1);
        QCOMPARE(presenter.errors.first().localizedDescription(),
                 QStringLiteral("The list of factory presets is empty."));
    }

    // The pane shown last comes back; an identifier no pane has is ignored. A folder chosen in the
    // preferences becomes the library's and shows in the sidebar; the controls change their settings live.
    void preferences() {
        QZPSettings* settings = QZPSettings::standard();
        const QString paneKey = QZPSettings::PreferencesPaneKey;
        settings->remove(paneKey);
        {
            QZPPreferencesWindowController first(library(), m_engine, settings);
            QCOMPARE(first.selectedPane(), QStringLiteral("general"));
            first.toolbarItemPressed(first.toolbarItem(QStringLiteral("midi")));
            QCOMPARE(first.window()->findChild<QStackedWidget*>("tabView")->currentIndex(), 2);
        }
        QCOMPARE(settings->value(paneKey).toString(), QStringLiteral("midi"));
        // Every control says what it does, in a tooltip that is also its description.
        QZPPreferencesWindowController described(library(), m_engine, settings);
        for (QWidget* control : described.window()->findChildren<QWidget*>())
            if (qobject_cast<QCheckBox*>(control) || qobject_cast<QComboBox*>(control) ||
                qobject_cast<QSlider*>(control) || qobject_cast<QZPURLPopUpButton*>(control))
                QZP_VERIFY(!control->toolTip().isEmpty() &&
                               control->toolTip() == control->accessibleDescription(),
                           control->metaObject()->className(), control->accessibleName());
        QCOMPARE(QZPPreferencesWindowController(library(), m_engine, settings).selectedPane(),
                 QStringLiteral("midi"));
        settings->setValue(paneKey, QStringLiteral("advanced"));
        QZPPreferencesWindowController preferences(library(), m_engine, settings);
        QCOMPARE(preferences.selectedPane(), QStringLiteral("general"));

        // From the keyboard: Ctrl+Tab goes round the panes; Escape closes. The window opens over the main
        // one.
        m_delegate->launch({});
        preferences.showWindow(m_delegate->windowController()->window());
        QVERIFY((preferences.window()->frameGeometry().center() -
                 m_delegate->windowController()->window()->frameGeometry().center())
                    .manhattanLength() <= 4);
        QApplication::setActiveWindow(preferences.window());
        for (const char* pane : {"record", "midi", "general"}) {
            QTest::keyClick(preferences.window(), Qt::Key_Tab, Qt::ControlModifier);
            QCOMPARE(preferences.selectedPane(), QLatin1String(pane));
        }
        QTest::keyClick(preferences.window(), Qt::Key_Escape);
        QVERIFY(!preferences.window()->isVisible());
        QDir().mkpath(path("Chosen"));
        qzpWritePresetFile(path("Chosen/Organ.syx"));
        auto* chooser = preferences.window()->findChild<QZPURLPopUpButton*>("urlButton");
        QCOMPARE(chooser->otherItem()->text(), QStringLiteral("Select…"));
        chooser->delegate()->popUpButtonDidSelectURL(chooser, QUrl::fromLocalFile(path("Chosen")));
        QCOMPARE(library()->presetsFolderURL(), QUrl::fromLocalFile(path("Chosen")));
        QCOMPARE(m_delegate->windowController()->sidebarController()->urlButton()->URL(),
                 QUrl::fromLocalFile(path("Chosen")));
        QTRY_VERIFY(qzpNames(library()->arrangedObjects()).contains("Organ"));

        // Live, both ways.
        const QString finer = QZPSettings::FinerTrackingKey;
        QCheckBox* finerBox = nullptr;
        for (QCheckBox* box : preferences.window()->findChildren<QCheckBox*>())
            if (box->text().startsWith("Finer tracking"))
                finerBox = box;
        QVERIFY(finerBox && finerBox->isChecked());
        finerBox->click();
        QVERIFY(!settings->boolValue(finer));
        settings->remove(finer);
        QVERIFY(finerBox->isChecked());
    }

    // Adding ToneBench to the desktop: nothing is written without a yes; a yes writes the entry, the icon
    // and the file types under the data folder, and skips the database updates whose tools are missing.
    // Wherever the program lies, the entry stays one valid entry (a newline cannot add a line of its own,
    // a percent sign cannot break the launcher); a path the format cannot carry is refused with a reason.
    void desktopIntegration() {
        QZPSettings* settings = QZPSettings::standard();
        const QString suppressKey = QZPSettings::MoveAlertSuppressKey;
        int asked = 0;
        const auto answer = [&asked](QZPDesktopIntegration::Answer choice, bool suppress) {
            return [&asked, choice, suppress](const QString&, const QString&, bool* doNotAsk) {
                ++asked;
                *doNotAsk = suppress;
                return choice;
            };
        };
        using Outcome = QZPDesktopIntegration::Outcome;
        const QString home = path("data");
        const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        for (const auto& [folder, exec] :
             {std::pair{"tb 1/it's \"$here\"", "\"%1/tb 1/it's \\\\\"\\\\$here\\\\\"/tonebench\" %F"},
              {"new\nline", "\"%1/new\\nline/tonebench\" %F"},
              {"100%", "%1/100%%/tonebench %F"},
              {"100% sure", ""},
              {"bell\a", ""}}) {
            settings->remove(suppressKey);
            QDir(home).removeRecursively();
            QZPDesktopIntegration integration(settings, path(QString(folder) + "/tonebench"), home, {});
            QCOMPARE(integration.offer(answer(QZPDesktopIntegration::Answer::DoNotAdd, false)),
                     Outcome::Declined);
            QVERIFY(!QDir(home).exists() && !settings->boolValue(suppressKey));
            QString error;
            const QByteArray savedPath = qgetenv("PATH");
            qputenv("PATH", path("no-tools").toLocal8Bit());
            const auto outcome = integration.offer(answer(QZPDesktopIntegration::Answer::Add, false), &error);
            qputenv("PATH", savedPath);
            if (!*exec) {
                QCOMPARE(outcome, Outcome::Failed);
                QZP_VERIFY(error.contains("can’t be put into a desktop entry"), error);
                QVERIFY(!QFileInfo::exists(integration.desktopEntryPath()));
                continue;
            }
            QCOMPARE(outcome, Outcome::Integrated);
            QCOMPARE(integration.skipped(), (QStringList{"update-desktop-database", "update-mime-database",
                                                         "gtk-update-icon-cache"}));
            QStringList written;
            QDirIterator files(home, QDir::Files, QDirIterator::Subdirectories);
            while (files.hasNext())
                written << files.next().mid(home.size() + 1);
            QStringList expected{"applications/tonebench.desktop",
                                 "icons/hicolor/scalable/apps/tonebench.svg", "mime/packages/tonebench.xml"};
            for (const int size : QZPDesktopIntegration::iconSizes())
                expected << QStringLiteral("icons/hicolor/%1x%1/apps/tonebench.png").arg(size);
            written.sort();
            expected.sort();
            QCOMPARE(written, expected);
            const QString entry = QString::fromUtf8(qzpContents(integration.desktopEntryPath()));
            const QStringList lines = entry.split('\n');
            QVERIFY(lines.contains("Exec=" + QString::fromUtf8(exec).arg(m_dir->path())));
            QVERIFY(lines.contains("MimeType=application/x-sysex;application/x-tonebench-preset;"));
            // One TryExec line more than the template, nothing else.
            QCOMPARE(lines.size(),
                     QString::fromUtf8(qzpContents(":/desktop/tonebench.desktop")).count('\n') + 2);
            for (const QString& line : lines)
                QZP_VERIFY(line.isEmpty() || line.startsWith('[') || line.contains('='), line);
            QVERIFY(qzpContents(home + "/mime/packages/tonebench.xml").contains("*.tbpreset"));
            if (!validator.isEmpty()) {
                QProcess validate;
                validate.start(validator, {integration.desktopEntryPath()});
                QVERIFY(validate.waitForFinished(10000));
                QVERIFY2(validate.exitCode() == 0, validate.readAllStandardOutput().constData());
            }
            // In place now: no second offer.
            QCOMPARE(integration.offer(answer(QZPDesktopIntegration::Answer::Add, false)),
                     Outcome::NotOffered);
        }
        // Declined with "do not ask again": never asked again. A packaged program is never offered.
        asked = 0;
        const QString program = path("unpacked/tonebench");
        QZPDesktopIntegration elsewhere(settings, program, path("other"), {});
        QCOMPARE(elsewhere.offer(answer(QZPDesktopIntegration::Answer::DoNotAdd, true)), Outcome::Declined);
        QCOMPARE(elsewhere.offer(answer(QZPDesktopIntegration::Answer::Add, false)), Outcome::NotOffered);
        settings->remove(suppressKey);
        QZPDesktopIntegration packaged(settings, QStringLiteral("/usr/bin/tonebench"), path("other"), {});
        QCOMPARE(packaged.offer(answer(QZPDesktopIntegration::Answer::Add, false)), Outcome::NotOffered);
        QCOMPARE(asked, 1);
        QVERIFY(!QDir(path("other")).exists());
    }
};

QZP_TEST_MAIN_WITH(TestApplication, QZPApplication)
#include "tst_application.moc"
