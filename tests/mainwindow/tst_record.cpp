// SPDX-License-Identifier: GPL-3.0-or-later
#include "QZPMainWindowFixture.h"
#include "QZPTestFiles.h"
#include "QZPTestMain.h"
#include "library/QZPBankFile.h"
#include "library/QZPUserNotifications.h"
#include "mainwindow/QZPInstrumentCommands.h"
#include "mainwindow/QZPPresetRecorder.h"
#include "mainwindow/QZPProgramSlotGrid.h"
#include "mainwindow/QZPRecordOneWindowController.h"
#include "mainwindow/QZPRecordWindowController.h"
#include "mainwindow/QZPWriteWindow.h"
#include "midi/QZPMidiEngine.h"
#include "midi/QZPSysexMessage.h"
#include "midi/backends/QZPVirtualMidiBackend.h"
#include "model/QZPPreset.h"
#include "model/QZPSettings.h"
#include "sidebar/QZPBankImportRunner.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QListView>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QUndoStack>

namespace {

// A Patch message for a program on a channel, its patch data marked by `mark`.
QByteArray patch(quint8 program, quint8 mark = 1, quint8 channel = 0, quint8 type = 0x30) {
    QByteArray data = QZPPreset::defaultPatchData();
    data[0] = char(mark);
    return QByteArray("\xF0\x41", 2) + char(type) + char(channel) + char(program) + data + char(0xF7);
}

} // namespace

class TestRecord : public QObject, QZPMainWindowFixture {
    Q_OBJECT

    QList<QZPError> m_errors;

    void play(const QByteArray& message) { m_instrument->play(message); }
    // The instrument's program button: the window has heard the program change's two patches, and
    // settled.
    void press(QZPRecordWindowController& window, quint8 slot) {
        QSignalSpy heard(m_engine, &QZPMidiEngine::sysexReceived);
        m_instrument->juno.pressProgram(slot);
        QVERIFY(QTest::qWaitFor([&] { return heard.size() >= 2 && !window.isSettling(); }));
    }
    // The instrument sends a patch on its own (a run of one), and the window has taken it.
    void collect(QZPRecordWindowController& window, const QByteArray& message) {
        play(message);
        QVERIFY(QTest::qWaitFor([&window] { return !window.isSettling(); }));
    }

private slots:
    void init() {
        setUpWindow();
        m_errors.clear();
        m_window->setErrorPresenter([this](const QZPError& error, QWidget*) { m_errors << error; });
    }
    void cleanup() {
        tearDownWindow();
        QZPSettings::standard()->remove(QZPSettings::DraftOnRecordKey);
        QZPSettings::standard()->remove(QZPSettings::SendsPresetsOnSelectionChangeKey);
    }

    // Into a new draft: no question, the first 0x30 message only, the draft made when it has come; cancel
    // before anything arrives leaves no draft and the current preset as it was.
    void recordIntoANewDraft() {
        const QString file = qzpWritePresetFile(path("Lib/Pad.syx"), 3);
        QZPPreset* before =
            m_documents->openDocumentWithContentsOfURL(QUrl::fromLocalFile(file), true).preset;
        QVERIFY(before && m_window->currentPreset() == before);
        sent();
        const qsizetype open = m_documents->documents().size();
        m_window->record(QZPCommandSource::Menu);
        QCOMPARE(m_window->currentPreset(), before);
        QCOMPARE(m_documents->documents().size(), open);
        play(patch(9, 7, 0, 0x31));                      // type 0x31: ignored
        play(QZPSysexMessage::controlMessage(0, 5, 99)); // a Control message: ignored here
        play(patch(9, 7));
        QTRY_VERIFY(m_window->currentPreset() != before);
        QVERIFY(!m_window->recordSheet()->showConfirmDialog()); // a new draft asks nothing
        QZPPreset* draft = m_window->currentPreset();
        QVERIFY(draft->isNew());
        QCOMPARE(draft->byteAtLocation(0), quint8(7));
        QCOMPARE(draft->undoStack()->undoText(), QStringLiteral("Record A22"));
        QVERIFY(QZPUserNotifications::lastIdentifier().startsWith(
            "com.quorlane.tonebench.notification_id.wildcard"));
        QVERIFY(sent().isEmpty()); // recording sends nothing back
        play(patch(10, 8));
        QCOMPARE(draft->byteAtLocation(0), quint8(7)); // the second message is ignored

        m_window->record(QZPCommandSource::Menu);
        m_window->recordSheet()->cancelOperation();
        QCoreApplication::processEvents();
        QCOMPARE(m_window->currentPreset(), draft);
        QCOMPARE(m_documents->documents().size(), open + 1);
    }

    // With no MIDI input at all the sheet says so (and how to connect one) instead of waiting for ever.
    void recordingWithoutAnInput() {
        QZPRecordOneWindowController sheet(m_engine, m_documents.get(), nullptr);
        sheet.startRecording(true);
        QVERIFY(sheet.waitingText().startsWith("Waiting for a patch"));
        QZPMidiEngine lonely(std::make_unique<QZPVirtualMidiBackend>(), nullptr);
        QZPRecordOneWindowController nothing(&lonely, m_documents.get(), nullptr);
        nothing.startRecording(true);
        QVERIFY(nothing.waitingText().startsWith("No MIDI input"));
        QVERIFY(nothing.window()->findChild<QProgressBar*>()->isHidden());
    }

    // A program change sends the patch left (with an edit of the panel not written) and then the stored
    // sound of the program pressed. Record takes the stored sound; Record Multiple collects each program
    // pressed once, with its stored sound: never the patch left behind, nothing new when a program is
    // pressed again after an edit.
    void programChangesSendTwoPatches() {
        QZPVirtualJuno& juno = m_instrument->juno;
        juno.pressProgram(13); // A26
        juno.moveSlider(5, 99);
        QZPPreset* before = m_documents->newDocument();
        m_window->record(QZPCommandSource::Menu);
        juno.pressProgram(10); // A23
        QTRY_VERIFY(m_window->currentPreset() != before);
        QCOMPARE(m_window->currentPreset()->patch().data(), QZPVirtualJuno::storedSound(10));

        QZPRecordWindowController window(m_engine, QUrl::fromLocalFile(path("Out")));
        window.windowDidBecomeMain();
        juno.moveSlider(5, 98);
        press(window, 11); // A24
        press(window, 17); // A32
        juno.moveSlider(5, 97);
        press(window, 17);
        press(window, 11);
        QCOMPARE(qzpNames(window.presets()), (QStringList{"A24 Untitled Preset", "A32 Untitled Preset"}));
        for (const QZPPreset* preset : window.presets())
            QCOMPARE(preset->patch().data(), QZPVirtualJuno::storedSound(preset->programByte()));
        QCOMPARE(window.selectedPresets(), QList<QZPPreset*>{window.presets().first()});
    }

    // Write to Instrument: the grid shows which preset goes where and how far each has come (for a screen
    // reader too), the slot being written says which buttons to press, and the owner's presses on the
    // instrument move it on; Space ("Written") moves on without the instrument's answer.
    void writingPresetsIntoTheInstrument() {
        QZPWriteWindow::Presets presets;
        for (const char* name : {"A12 Brass", "A14 Pad"}) {
            QZPPatch patch;
            patch.setValue(QZPParameterId::VCF_Cutoff, int(presets.size()) + 40);
            presets.append({QString::fromLatin1(name), patch});
        }
        auto* window = new QZPWriteWindow(m_engine, presets);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(window->windowTitle(), QStringLiteral("Write to Instrument"));
        QZPProgramSlotGrid* grid = window->slotGrid();
        QCOMPARE(grid->slotButton(0)->accessibleName(), QStringLiteral("A11"));
        QCOMPARE(grid->slotButton(1)->accessibleDescription(), QStringLiteral("waiting: A14 Pad"));
        auto* named = window->findChild<QCheckBox*>();
        QVERIFY(named && named->isEnabled());
        named->setChecked(true); // the slots the names begin with: A12 and A14
        QCOMPARE(grid->slotButton(3)->accessibleDescription(), QStringLiteral("waiting: A14 Pad"));
        QCOMPARE(grid->slotButton(0)->accessibleDescription(), QStringLiteral("not written"));
        QCOMPARE(window->instructionText(), QStringLiteral("Press Start when the instrument is ready"));

        window->writer()->start();
        QCOMPARE(window->instructionText(), QStringLiteral("Press WRITE, then A-1-2"));
        QVERIFY(!named->isEnabled());
        sent(); // into the instrument's edit buffer
        m_instrument->juno.pressWrite();
        m_instrument->juno.pressProgram(1);
        QTRY_COMPARE(window->instructionText(), QStringLiteral("Press WRITE, then A-1-4"));
        QCOMPARE(grid->slotButton(1)->accessibleDescription(), QStringLiteral("verified: A12 Brass"));
        QCOMPARE(grid->slotButton(3)->accessibleDescription(), QStringLiteral("sent: A14 Pad"));
        QCOMPARE(window->statusText(), QStringLiteral("Verified 1 of 2"));
        QApplication::setActiveWindow(window);
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, Qt::Key_Space);
        QCOMPARE(grid->slotButton(3)->accessibleDescription(), QStringLiteral("unverified: A14 Pad"));
        QCOMPARE(window->instructionText(), QStringLiteral("Done"));
        window->close();
    }

    // A bank file opened for the instrument: each patch named by the slot it holds (so "the slots the names
    // begin with" puts each back where it came from), junk between the messages skipped; a file without a
    // Patch message is said, and opens nothing. ToneBench Sound takes it only when it is the output.
    void writingABankFile() {
        QFile bank(path("Bank.syx"));
        QVERIFY(bank.open(QIODevice::WriteOnly));
        bank.write(patch(5, 7) + QByteArray::fromHex("F0430000F7") + patch(74, 8));
        bank.close();
        QZPWriteWindow* window = m_window->instrumentCommands()->writeBankFileToInstrument(bank.fileName());
        QVERIFY(window);
        auto* named = window->findChild<QCheckBox*>();
        QVERIFY(named && named->isEnabled());
        named->setChecked(true);
        QCOMPARE(window->slotGrid()->slotButton(5)->accessibleDescription(),
                 QStringLiteral("waiting: A16 Bank"));
        QCOMPARE(window->slotGrid()->slotButton(74)->accessibleDescription(),
                 QStringLiteral("waiting: B23 Bank"));
        window->writer()->start();
        const QList<QByteArray> first = sent();
        QCOMPARE(first.size(), 1);
        QCOMPARE(QZPPatch(first.first()).data(), QZPPatch(patch(5, 7)).data());
        window->close();
        QCOMPARE(m_window->instrumentCommands()->loadBankFileIntoSound(bank.fileName()),
                 0); // this MIDI system has no ToneBench Sound
        QVERIFY(m_errors.isEmpty());

        QVERIFY(bank.open(QIODevice::WriteOnly));
        bank.write(QByteArray::fromHex("F0430000F7"));
        bank.close();
        QVERIFY(!m_window->instrumentCommands()->writeBankFileToInstrument(bank.fileName()));
        QCOMPARE(m_window->instrumentCommands()->loadBankFileIntoSound(bank.fileName()), 0);
        QCOMPARE(m_errors.size(), 2);
        QCOMPARE(m_errors.first().localizedDescription(),
                 QStringLiteral("“Bank.syx” holds no Juno-106 Patch message."));
    }

    // Into a preset with a file: the question names the program and the preset; Cancel keeps it, accept
    // replaces the patch (one undo step that sends the old patch back).
    void recordIntoAPresetWithAFile() {
        QZPSettings::standard()->setValue(QZPSettings::DraftOnRecordKey, false);
        const QString file = qzpWritePresetFile(path("Lib/Pad.syx"), 3);
        QZPPreset* pad = m_documents->openDocumentWithContentsOfURL(QUrl::fromLocalFile(file), true).preset;
        QVERIFY(pad);
        m_window->record(QZPCommandSource::Menu);
        QZPRecordOneWindowController* sheet = m_window->recordSheet();
        play(patch(0, 9));
        QTRY_VERIFY(sheet->showConfirmDialog());
        QCOMPARE(sheet->confirmTitleString(), QStringLiteral("Received Patch A11?"));
        QCOMPARE(sheet->confirmDescString(), QStringLiteral("Overwrite “Pad”?"));
        play(patch(1, 10)); // ignored while the question is shown
        sheet->cancelOperation();
        QCoreApplication::processEvents();
        QCOMPARE(pad->byteAtLocation(0), quint8(3));

        m_window->record(QZPCommandSource::Menu);
        play(patch(0, 9));
        QTRY_VERIFY(sheet->showConfirmDialog());
        sheet->acceptOperation();
        QTRY_COMPARE(pad->byteAtLocation(0), quint8(9));
        QCOMPARE(m_window->currentPreset(), pad);
        sent();
        pad->undoStack()->undo();
        QCOMPARE(pad->byteAtLocation(0), quint8(3));
        QCOMPARE(sent(), QList<QByteArray>{pad->junoSysexDataWithMidiChannel(0)});
    }

    // The collection: one entry per distinct message, reselected when it comes again, another channel is
    // another entry; sorted by program name; the slots count what arrived; the title counts the entries.
    void collectingPresets() {
        QZPRecordWindowController window(m_engine, QUrl::fromLocalFile(path("Out")));
        window.windowDidBecomeMain();
        QCOMPARE(window.window()->windowTitle(), QStringLiteral("Record Multiple Presets"));
        const auto button = [&window](const char* text) {
            for (QPushButton* candidate : window.window()->findChildren<QPushButton*>())
                if (candidate->text() == QString::fromUtf8(text))
                    return candidate;
            return static_cast<QPushButton*>(nullptr);
        };
        for (const char* text :
             {"Save as Bank…", "Save…", "Write to Instrument…", "Load into ToneBench Sound"})
            QZP_VERIFY(!button(text)->isEnabled(), text); // nothing collected: nothing to save
        collect(window, patch(64, 1));                    // B11
        collect(window, patch(0, 2));                     // A11
        collect(window, patch(0, 2));                     // again: reselected
        collect(window, patch(0, 2, 3));                  // another channel: a new entry
        collect(window, patch(0, 5, 0, 0x31));            // 0x31: ignored
        QCOMPARE(qzpNames(window.presets()),
                 (QStringList{"A11 Untitled Preset", "A11 Untitled Preset 2", "B11 Untitled Preset"}));
        QCOMPARE(window.window()->windowTitle(), QStringLiteral("Record Multiple Presets (3)"));
        QCOMPARE(window.slotGrid()->count(0), 2);
        QCOMPARE(window.slotGrid()->count(64), 1);
        QCOMPARE(window.slotGrid()->filledSlots(), 2);
        QCOMPARE(window.slotGrid()->slotButton(0)->accessibleDescription(),
                 QStringLiteral("2 patches collected"));
        QCOMPARE(window.slotGrid()->slotButton(1)->accessibleDescription(), QStringLiteral("empty"));
        QVERIFY(button("Save as Bank…")->isEnabled());
        // A slot's cell selects its entries and sends the first, as choosing it in the list does.
        sent();
        window.slotGrid()->slotButton(64)->click();
        QCOMPARE(qzpNames(window.selectedPresets()), QStringList{"B11 Untitled Preset"});
        QCOMPARE(sent().size(), 1);
        collect(window, patch(0, 2));
        QCOMPARE(window.selectedPresets().size(), 1);
        QCOMPARE(window.selectedPresets().first()->property("QZPReceivedMessage").toByteArray(), patch(0, 2));
        QVERIFY(sent().isEmpty()); // a preset selected because it arrived is not sent back

        // 1,000 different patches in a burst: all collected.
        for (int n = 0; n < 1000; ++n)
            m_instrument->inject(patch(quint8(n % 128), quint8(n / 128 + 20)));
        QTRY_COMPARE(window.presets().size(), 1003);
        QCOMPARE(window.slotGrid()->filledSlots(), 128);
        QCOMPARE(window.loadIntoSound(), 0); // this MIDI system has no ToneBench Sound
    }

    // Heard on selection only when the setting asks and the user chose by mouse or key.
    void sendingOnSelection() {
        QZPRecordWindowController window(m_engine, QUrl::fromLocalFile(path("Out")));
        window.showWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window.window()));
        collect(window, patch(0, 1));
        collect(window, patch(1, 2));
        QListView* list = window.tableView();
        const auto click = [&](int row) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualRect(list->model()->index(row, 0)).center());
        };
        click(0);
        QVERIFY(sent().isEmpty());
        QZPSettings::standard()->setValue(QZPSettings::SendsPresetsOnSelectionChangeKey, true);
        // What is sent is the preset's Patch message: its patch data, the dynamics byte of today's settings.
        const auto data = [](const QList<QByteArray>& messages) {
            return messages.size() == 1 ? messages.first().mid(5, 18) : QByteArray();
        };
        click(1);
        QCOMPARE(data(sent()), patch(1, 2).mid(5, 18));
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Up);
        QCOMPARE(data(sent()), patch(0, 1).mid(5, 18));
        collect(window, patch(1, 2)); // arrives again: selected, not sent
        QTRY_COMPARE(window.selectedPresets().size(), 1);
        QCoreApplication::processEvents();
        QVERIFY(sent().isEmpty());
        window.window()->hide();
    }

    // Saving: a taken name asks; Cancel skips that one; the others are written byte-exact and leave the
    // list; the summary counts them ("2" with "s"). An empty list posts nothing.
    void savingTheCollection() {
        QZPRecordWindowController window(m_engine, QUrl::fromLocalFile(path("Out")));
        window.windowDidBecomeMain();
        QDir().mkpath(path("Out"));
        collect(window, patch(0, 1));
        collect(window, patch(1, 2));
        collect(window, patch(2, 3));
        window.presets().at(1)->setDisplayName(QStringLiteral("../Escape/Name"));
        qzpWritePresetFile(path("Out/A13 Untitled Preset.syx"), 99);
        QStringList asked;
        window.setReplaceQuestion([&asked](const QZPError& error) {
            asked << error.localizedDescription();
            return false;
        });
        const QString before = QZPUserNotifications::lastIdentifier();
        window.savePresetsToURL(QUrl::fromLocalFile(path("Out")), QZPPreset::SysexType);
        QCOMPARE(asked, QStringList{"“A13 Untitled Preset.syx” already exists. Do you want to replace it?"});
        QCOMPARE(qzpContents(path("Out/A11 Untitled Preset.syx")).mid(5, 18), patch(0, 1).mid(5, 18));
        QVERIFY(QFile::exists(path("Out/-Escape-Name.syx")) && !QFile::exists(path("Escape/Name.syx")));
        QCOMPARE(qzpNames(window.presets()), QStringList{"A13 Untitled Preset"});
        QVERIFY(QZPUserNotifications::lastIdentifier() != before);
        QCOMPARE(QZPUserNotifications::lastTitle(), QStringLiteral("Recorded 2 Presets"));
        QCOMPARE(QZPUserNotifications::lastBody(), QStringLiteral("Presets were placed in the folder Out."));

        // Every question answered with Cancel: nothing written, no summary. One saved: no "s".
        const QString unanswered = QZPUserNotifications::lastIdentifier();
        window.savePresetsToURL(QUrl::fromLocalFile(path("Out")), QZPPreset::SysexType);
        QCOMPARE(QZPUserNotifications::lastIdentifier(), unanswered);
        QCOMPARE(window.presets().size(), 1);
        window.setReplaceQuestion([](const QZPError&) { return true; });
        window.savePresetsToURL(QUrl::fromLocalFile(path("Out")), QZPPreset::SysexType);
        QCOMPARE(QZPUserNotifications::lastTitle(), QStringLiteral("Recorded 1 Preset"));
        QCOMPARE(qzpContents(path("Out/A13 Untitled Preset.syx")).mid(5, 18), patch(2, 3).mid(5, 18));
        collect(window, patch(3, 4));
        window.setSelectedPresets(window.presets());
        window.deleteBackward();
        QVERIFY(window.presets().isEmpty());
        const QString last = QZPUserNotifications::lastIdentifier();
        window.savePresetsToURL(QUrl::fromLocalFile(path("Out")), QZPPreset::SysexType);
        QCOMPARE(QZPUserNotifications::lastIdentifier(), last);
    }

    // One batch never loses a patch to another of its own: two patches of one slot save as two files,
    // presets renamed alike take numbered names, and no question is asked about a file the batch wrote.
    // The type chosen in the save panel is the type written. Send and Delete need a selection.
    void savingKeepsEveryPatch() {
        QZPRecordWindowController window(m_engine, QUrl::fromLocalFile(path("Out")));
        window.windowDidBecomeMain();
        QDir().mkpath(path("Out"));
        const auto button = [&window](const char* title) {
            for (QPushButton* b : window.window()->findChildren<QPushButton*>())
                if (b->text() == QLatin1String(title))
                    return b;
            return static_cast<QPushButton*>(nullptr);
        };
        QPushButton* send = button("Send");
        QPushButton* remove = button("Delete");
        QVERIFY(send && remove && !send->isEnabled() && !remove->isEnabled());
        collect(window, patch(0, 1));
        collect(window, patch(0, 2, 3)); // the same slot on another channel
        collect(window, patch(5, 3));
        collect(window, patch(6, 4));
        QVERIFY(send->isEnabled() && remove->isEnabled());
        window.setSelectedPresets({});
        QVERIFY(!send->isEnabled() && !remove->isEnabled());
        QCOMPARE(qzpNames(window.presets()), (QStringList{"A11 Untitled Preset", "A11 Untitled Preset 2",
                                                          "A16 Untitled Preset", "A17 Untitled Preset"}));
        window.presets().at(2)->setDisplayName(QStringLiteral("Bass"));
        window.presets().at(3)->setDisplayName(QStringLiteral("Bass"));
        qzpWritePresetFile(path("Out/Bass 2.tbpreset"), 99); // the user's: skipped over, not asked about
        QStringList asked;
        window.setReplaceQuestion([&asked](const QZPError& error) {
            asked << error.localizedDescription();
            return false;
        });
        // Through the panel, as the user saves: the .tbpreset type chosen there.
        QTimer::singleShot(0, [] {
            auto* sheet = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(sheet);
            auto* type = sheet->findChild<QComboBox*>();
            type->setCurrentIndex(type->findData(QZPPreset::PresetType));
            sheet->accept();
        });
        window.savePrograms();
        QVERIFY(asked.isEmpty() && window.presets().isEmpty());
        QStringList files = QDir(path("Out")).entryList(QDir::Files);
        QCOMPARE(files, (QStringList{"A11 Untitled Preset 2.tbpreset", "A11 Untitled Preset.tbpreset",
                                     "Bass 2.tbpreset", "Bass 3.tbpreset", "Bass.tbpreset"}));
        QCOMPARE(qzpContents(path("Out/Bass 2.tbpreset")), qzpPatchMessage(99));
        for (const auto& [name, mark] :
             {std::pair{"A11 Untitled Preset", 1}, std::pair{"A11 Untitled Preset 2", 2},
              std::pair{"Bass", 3}, std::pair{"Bass 3", 4}}) {
            const QString file = path(QStringLiteral("Out/%1.tbpreset").arg(QLatin1String(name)));
            QZPPreset read;
            QZPError error;
            QVERIFY2(qzpContents(file).startsWith("bplist00"), name);
            QVERIFY(read.readFromURL(QUrl::fromLocalFile(file), QZPPreset::PresetType, &error));
            QCOMPARE(read.byteAtLocation(0), quint8(mark));
        }
    }

    // The recorder alone: a received patch is one undo step named after its program; the patch the preset
    // holds already changes nothing, and the step before keeps its name.
    void recordedPatchIsOneNamedStep() {
        QZPPreset pad(patch(0, 3));
        pad.setByte(9, 0);
        pad.setUndoActionName(QStringLiteral("Change LFO RATE"));
        QZPPresetRecorder recorder(
            m_engine, m_documents.get(), nullptr, [&pad] { return &pad; }, [] {});
        QSignalSpy recorded(&recorder, &QZPPresetRecorder::recorded);
        const int steps = pad.undoStack()->count();
        QZPPreset same(pad.junoSysexData());
        recorder.importDataFrom(&same);
        QCOMPARE(pad.undoStack()->count(), steps);
        QCOMPARE(pad.undoStack()->undoText(), QStringLiteral("Change LFO RATE"));
        QZPPreset other(patch(12, 5));
        recorder.importDataFrom(&other);
        QCOMPARE(pad.undoStack()->count(), steps + 1);
        QCOMPARE(pad.undoStack()->undoText(), QStringLiteral("Record A25"));
        QCOMPARE(pad.byteAtLocation(0), quint8(5));
        QCOMPARE(recorded.count(), 2);
        QCOMPARE(recorded.last().first().toString(), QStringLiteral("A25"));
    }

    // Bank files both ways: 128 messages back to back; foreign SysEx between them and a truncated last
    // message are skipped and counted. (Importing one is the command line's test.)
    void bankFiles() {
        QList<QByteArray> messages;
        for (int program = 0; program < 128; ++program)
            messages << patch(quint8(program), quint8(program % 100));
        const QByteArray bank = QZPBankFile::bankData(messages);
        QCOMPARE(bank.size(), 3072);
        QZPBankFile::Contents contents = QZPBankFile::parse(bank);
        QCOMPARE(contents.messages, messages);
        QCOMPARE(contents.skippedRuns, 0);

        const QByteArray foreign = QByteArray::fromHex("F043100000F7");
        const QByteArray messy =
            foreign + messages.at(0) + foreign + messages.at(1) + messages.at(2).left(20);
        contents = QZPBankFile::parse(messy);
        QCOMPARE(contents.messages, (QList<QByteArray>{messages.at(0), messages.at(1)}));
        QCOMPARE(contents.skippedRuns, 3);
        QCOMPARE(contents.skippedBytes, qsizetype(6 + 6 + 20));
        QCOMPARE(QZPBankFile::skippedSummary(contents),
                 QStringLiteral(
                     "32 bytes that are not Juno-106 Patch messages were skipped (3 places in the file)."));
        QVERIFY(QZPBankFile::isBank(messy) && !QZPBankFile::isBank(messages.at(0)));
        QVERIFY(!QZPBankFile::isBank(messages.at(0) + '\x00')); // one preset and a stray byte

        // In the window: written on a worker while the window's event loop goes on, and Cancel stops it
        // after the file being written; what was written stays.
        QVERIFY(qzpWriteContents(path("Big.syx"), bank.repeated(16)));
        QDir().mkpath(path("Big"));
        QWidget owner;
        int turns = 0;
        QTimer turn;
        turn.setInterval(0);
        connect(&turn, &QTimer::timeout, &owner, [&] {
            if (++turns == 1)
                owner.findChild<QProgressDialog*>(QStringLiteral("bankImportProgress"))
                    ->findChild<QPushButton*>()
                    ->click();
        });
        turn.start();
        const QZPBankFile::ImportResult stopped =
            QZPBankImportRunner::run(&owner, path("Big.syx"), path("Big"));
        turn.stop();
        QVERIFY(turns > 0 && stopped.error.isNull() && stopped.cancelled && stopped.written.size() < 2048);
        QCOMPARE(QDir(path("Big")).entryList(QDir::Files).size(), stopped.written.size());

        // The collection saved as one bank, in list order.
        QZPRecordWindowController window(m_engine, QUrl::fromLocalFile(path("Out")));
        window.windowDidBecomeMain();
        collect(window, messages.at(5));
        collect(window, messages.at(2));
        QZPError error;
        QVERIFY(window.saveBankToFile(path("Backup.syx"), &error));
        QCOMPARE(qzpContents(path("Backup.syx")), messages.at(2) + messages.at(5));
    }
};

QZP_TEST_WIDGETS_MAIN(TestRecord)
#include "tst_record.moc"
