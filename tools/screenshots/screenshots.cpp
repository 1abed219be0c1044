// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of ToneBench's windows for people to look at: the main window in both skins at its minimum
// size, at 1024×640, at the size it opens with and maximised, the folder chooser's menu, every page of
// the welcome assistant, every pane of the preferences and both record windows. It runs in a home of its
// own with the factory presets as its library and an instrument inside the process, so it never touches
// the user's settings or presets. scripts/screenshots runs it at scale factor 1 and 2.
//
// Usage: tonebench-screenshots FOLDER [SUFFIX]   (pictures are FOLDER/<name>SUFFIX.png)

#include "app/QZPAppDelegate.h"
#include "app/QZPApplication.h"
#include "app/QZPOnboardingWindowController.h"
#include "app/QZPPreferencesWindowController.h"
#include "editor/QZPEditorController.h"
#include "library/QZPFactoryPresetInstaller.h"
#include "library/QZPPresetsController.h"
#include "mainwindow/QZPComparison.h"
#include "mainwindow/QZPConnectionWindow.h"
#include "mainwindow/QZPDocumentController.h"
#include "mainwindow/QZPDuplicatesWindow.h"
#include "mainwindow/QZPMainWindowController.h"
#include "mainwindow/QZPMorphBar.h"
#include "mainwindow/QZPRecordOneWindowController.h"
#include "mainwindow/QZPRecordWindowController.h"
#include "mainwindow/QZPSheetExports.h"
#include "mainwindow/QZPWriteWindow.h"
#include "midi/QZPMidiEngine.h"
#include "midi/QZPMidiOutputQueue.h"
#include "midi/backends/QZPVirtualMidiBackend.h"
#include "model/QZPError.h"
#include "model/QZPParameter.h"
#include "model/QZPPatch.h"
#include "model/QZPPreset.h"
#include "model/QZPSettings.h"
#include "sidebar/QZPSidebarController.h"
#include "sidebar/QZPURLPopUpButton.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLayout>
#include <QMainWindow>
#include <QMenu>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

namespace {

QString g_folder;
QString g_suffix;
bool g_failed = false;

void settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

void save(QWidget* widget, const QString& name) {
    settle();
    const QString file = g_folder + QLatin1Char('/') + name + g_suffix + QStringLiteral(".png");
    if (!widget->grab().save(file)) {
        std::fprintf(stderr, "tonebench-screenshots: cannot write %s\n", qPrintable(file));
        g_failed = true;
    }
}

// Waits for `ready`; says what did not happen when it does not.
template <typename Condition> void waitFor(const char* what, Condition ready) {
    if (!QTest::qWaitFor(ready, 10000)) {
        std::fprintf(stderr, "tonebench-screenshots: %s did not happen\n", what);
        g_failed = true;
    }
}

const char* skinName(int skin) {
    return skin == 1 ? "neutral" : "classic";
}

// A Patch message of the instrument's program `program` (0–127) with its first parameter at `first`.
QByteArray patchMessage(quint8 program, quint8 first) {
    QZPPatch patch;
    patch.setByte(0, first);
    return patch.message(0, program);
}

} // namespace

int main(int argc, char* argv[]) {
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_MUSIC_DIR"}) {
        const QString path = home.path() + QLatin1Char('/') + QLatin1String(variable);
        QDir().mkpath(path);
        qputenv(variable, path.toUtf8());
    }
    QZPApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: tonebench-screenshots FOLDER [SUFFIX]\n");
        return 2;
    }
    g_folder = QString::fromLocal8Bit(argv[1]);
    g_suffix = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    QDir().mkpath(g_folder);
    QZPAppDelegate::initialize();
    QZPSettings* settings = QZPSettings::standard();
    settings->setValue(QString::fromLatin1(QZPSettings::OnboardingShownKey), true);

    // The library: the factory presets.
    const QString library = home.path() + QStringLiteral("/Presets");
    QDir().mkpath(library);
    QZPFactoryPresetInstaller installer;
    installer.install(library);
    waitFor("installing the factory presets", [&installer] { return !installer.isInstalling(); });
    settings->setValue(QString::fromLatin1(QZPSidebarController::FolderChooserAutosaveName),
                       QUrl::fromLocalFile(library).toString());

    auto backend = std::make_unique<QZPVirtualMidiBackend>();
    QZPVirtualMidiBackend* midi = backend.get();
    midi->addDestination(QStringLiteral("Juno-106 In"));
    midi->addSource(QStringLiteral("Juno-106 Out"));
    QZPMidiEngine engine(std::move(backend), nullptr);
    engine.setPollInterval(0);
    engine.outputQueue()->setBytesPerSecond(0);
    engine.setDestination(engine.midiDestinations().first());

    QZPAppDelegate delegate(&engine);
    delegate.launch({});
    QZPMainWindowController* main = delegate.windowController();
    QZPPresetsController* presets = delegate.documentController()->presetsController();
    waitFor("listing the library", [presets] { return presets->arrangedObjects().size() > 1; });
    QMainWindow* window = main->window();
    waitFor("showing the main window", [window] { return window->isVisible(); });
    const QSize opened = window->size();
    // A few favourites, for the list's star column.
    waitFor("reading the library's patches", [presets] { return !presets->isReadingPatches(); });
    {
        const QList<QZPPreset*> listed = presets->arrangedObjects();
        QZPError error;
        presets->changeMarks(
            {listed.at(1), listed.at(4), listed.at(5)},
            [](QZPPresetMarks::Marks& marks) { marks.favourite = true; }, &error);
    }

    for (const int skin : {1, 2}) {
        settings->setValue(QString::fromLatin1(QZPSettings::AppearanceIndexKey), skin);
        const QList<std::pair<const char*, QSize>> sizes{
            {"small", window->minimumSize()}, {"1024x640", QSize(1024, 640)}, {"opened", opened}};
        // Each picture's name, with the window's size and how the panel is arranged and scaled in it.
        const auto shoot = [&](const QString& name) {
            save(window, name);
            std::printf("%s%s: %dx%d, panel in %d row(s) at scale %.2f\n", qPrintable(name),
                        qPrintable(g_suffix), window->width(), window->height(),
                        main->editorController()->panelRowCount(), main->editorController()->panelScale());
        };
        for (const auto& [name, size] : sizes) {
            window->showNormal();
            window->resize(size);
            shoot(QStringLiteral("window-%1-%2").arg(QLatin1String(skinName(skin)), QLatin1String(name)));
        }
        window->showMaximized();
        shoot(QStringLiteral("window-%1-maximised").arg(QLatin1String(skinName(skin))));
        window->showNormal();
        window->resize(opened);
        // An edited preset against its saved patch: the reference's ghosts and dots, then B itself.
        QZPPreset* current = main->currentPreset();
        const QByteArray saved = current->junoSysexData();
        for (const auto& [name, value] :
             {std::pair{"VCF_Cutoff", 30}, {"ENV_Attack", 90}, {"VCF_Resonance", 100}, {"chorusMode", 1}})
            QZPParameter::named(QString::fromLatin1(name))->set(*current, value);
        QTest::qWait(300); // the knobs glide to the edit
        shoot(QStringLiteral("compare-%1-marks").arg(QLatin1String(skinName(skin))));
        main->comparison()->setComparing(true);
        shoot(QStringLiteral("compare-%1-comparing").arg(QLatin1String(skinName(skin))));
        main->comparison()->setComparing(false);
        main->showMorphBar();
        main->morphBar()->setAmount(0.4);
        QTest::qWait(300);
        shoot(QStringLiteral("morph-%1").arg(QLatin1String(skinName(skin))));
        main->morphBar()->cancel();
        current->setJunoSysexData(saved, false);
        QZPURLPopUpButton* chooser = main->sidebarController()->urlButton();
        chooser->openMenu();
        waitFor("opening the folder menu", [chooser] { return chooser->menu()->isVisible(); });
        save(chooser->menu(), QStringLiteral("folder-menu-%1").arg(QLatin1String(skinName(skin))));
        chooser->menu()->close();
        // Find Similar ranks the list against the current preset, each row with its distance.
        main->sidebarController()->findSimilar(QZPCommandSource::Menu);
        shoot(QStringLiteral("similar-%1").arg(QLatin1String(skinName(skin))));
        presets->showAll();
    }
    settings->remove(QString::fromLatin1(QZPSettings::AppearanceIndexKey));

    // The sheets File ▸ Export writes, as pictures.
    {
        QZPError error;
        QStringList names;
        for (const QZPPreset* preset : presets->arrangedObjects())
            names << preset->displayName();
        if (!main->sheetExports()->exportPatchSheetToFile(
                g_folder + QStringLiteral("/patch-sheet") + g_suffix + QStringLiteral(".png"), &error) ||
            !QZPSheetExports::exportSlotListToFile(g_folder + QStringLiteral("/slot-list") + g_suffix +
                                                       QStringLiteral(".png"),
                                                   names, QStringLiteral("Factory presets"), &error))
            std::fprintf(stderr, "exporting the sheets: %s\n", qPrintable(error.localizedDescription()));
    }

    main->record(QZPCommandSource::Menu);
    save(main->recordSheet()->window(), QStringLiteral("record-sheet"));
    main->recordSheet()->cancelOperation();

    QZPRecordWindowController collector(&engine, QUrl::fromLocalFile(home.path() + QStringLiteral("/Out")));
    collector.showWindow();
    for (int n = 0; n < 40; ++n)
        midi->inject(QStringLiteral("Juno-106 Out"), patchMessage(quint8(n * 3 % 128), quint8(n)));
    waitFor("collecting patches", [&collector] { return collector.presets().size() == 40; });
    collector.window()->resize(960, 600);
    save(collector.window(), QStringLiteral("record-window"));

    QZPWriteWindow::Presets toWrite;
    for (const QZPPreset* preset : collector.presets().mid(0, 12))
        toWrite.append({preset->displayName(), preset->patch()});
    QZPWriteWindow writing(&engine, toWrite);
    writing.show();
    writing.writer()->start();
    writing.writer()->written();
    writing.writer()->skip();
    writing.layout()->activate();
    for (const auto& [name, size] : {std::pair{"small", QSize()}, std::pair{"large", QSize(1000, 760)}}) {
        writing.resize(size.isEmpty() ? writing.minimumSize() : size);
        save(&writing, QStringLiteral("write-window-%1").arg(QLatin1String(name)));
    }
    writing.writer()->stop();

    auto* checking = new QZPConnectionWindow(&engine, {});
    checking->show();
    save(checking, QStringLiteral("check-connection-waiting"));
    checking->check()->setTimeLimit(0);
    waitFor("the connection check", [checking] { return !checking->check()->isRunning(); });
    save(checking, QStringLiteral("check-connection-findings"));
    checking->close();

    QZPOnboardingWindowController onboarding(presets, &engine);
    QZPPreferencesWindowController preferences(presets, &engine, settings);
    onboarding.showWindow();
    preferences.showWindow();
    for (const auto& [name, large] : {std::pair{"small", QSize()}, std::pair{"large", QSize(800, 560)}}) {
        onboarding.window()->resize(large.isEmpty() ? onboarding.window()->minimumSize() : large);
        for (int page = 0; page < QZPOnboardingWindowController::PageCount; ++page) {
            save(onboarding.window(),
                 QStringLiteral("onboarding-%1-%2")
                     .arg(QLatin1String(QZPOnboardingWindowController::PageIdentifiers[page]),
                          QLatin1String(name)));
            onboarding.navigateForward();
        }
        for (int page = 0; page < QZPOnboardingWindowController::PageCount; ++page)
            onboarding.navigateBack();
        preferences.window()->resize(large.isEmpty() ? preferences.window()->minimumSize() : QSize(760, 520));
        for (const char* pane : {"general", "record", "midi"}) {
            preferences.toolbarItemPressed(preferences.toolbarItem(QString::fromLatin1(pane)));
            save(preferences.window(),
                 QStringLiteral("preferences-%1-%2").arg(QLatin1String(pane), QLatin1String(name)));
        }
    }

    // Find Duplicates over a folder with three groups, one of them across two folders.
    const QString duplicates = home.path() + QStringLiteral("/Duplicates");
    for (const auto& [name, first] : {std::pair{"Bass Round.syx", 10},
                                      {"Bass Round copy.syx", 10},
                                      {"Old/Bass Round.syx", 10},
                                      {"Pad Warm.syx", 40},
                                      {"Pad Warm 2.syx", 40},
                                      {"Lead.syx", 80},
                                      {"Lead (edited).syx", 80},
                                      {"Strings.syx", 120}}) {
        QDir().mkpath(QFileInfo(duplicates + QLatin1Char('/') + QLatin1String(name)).path());
        QFile file(duplicates + QLatin1Char('/') + QLatin1String(name));
        if (file.open(QIODevice::WriteOnly))
            file.write(patchMessage(0, quint8(first)));
    }
    QZPPresetsController duplicatesLibrary;
    duplicatesLibrary.setPresetsFolderURL(QUrl::fromLocalFile(duplicates));
    duplicatesLibrary.refreshAvailableDocumentsNow();
    duplicatesLibrary.readPatchesNow();
    QZPDuplicatesWindow duplicatesWindow(&duplicatesLibrary, {});
    duplicatesWindow.show();
    duplicatesWindow.scan();
    waitFor("finding duplicates", [&duplicatesWindow] {
        return !duplicatesWindow.isReading() && !duplicatesWindow.groups().isEmpty();
    });
    for (const auto& [name, size] :
         {std::pair{"small", duplicatesWindow.minimumSize()}, {"large", QSize(760, 560)}}) {
        duplicatesWindow.resize(size);
        save(&duplicatesWindow, QStringLiteral("duplicates-%1").arg(QLatin1String(name)));
    }
    return g_failed ? 1 : 0;
}
