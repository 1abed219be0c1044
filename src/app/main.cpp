// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QZPAppDelegate.h"
#include "app/QZPApplication.h"
#include "app/QZPDesktopIntegration.h"
#include "app/QZPSessionEnd.h"
#include "app/QZPSingleInstance.h"
#include "library/QZPFileMoveQueue.h"
#include "library/QZPLibraryPresetEnvironment.h"
#include "mainwindow/QZPDialogErrorPresenter.h"
#include "mainwindow/QZPFileMoveProgressWindow.h"
#include "mainwindow/QZPFolderAccessDialog.h"
#include "mainwindow/QZPMainWindowController.h"
#include "midi/QZPMidiEngine.h"
#include "model/QZPSettings.h"
#include "sound/QZPSoundMidiBackend.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMainWindow>

int main(int argc, char* argv[]) {
    QZPApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ToneBench"));
    QApplication::setApplicationVersion(QStringLiteral(TONEBENCH_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("tonebench"));
    // Before anything reads a setting.
    QZPAppDelegate::initialize();

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Patch editor and librarian for the Juno-106."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("Preset files to open."),
                                 QStringLiteral("[FILE...]"));
    const QCommandLineOption midiOut(
        QStringLiteral("midi-out"),
        QStringLiteral("The destination: a unique ID, a display name or a part of one."),
        QStringLiteral("endpoint"));
    const QCommandLineOption midiApi(QStringLiteral("midi-api"), QStringLiteral("auto, alsa, jack or none."),
                                     QStringLiteral("api"));
    const QCommandLineOption newInstance(QStringLiteral("new-instance"),
                                         QStringLiteral("Start even when ToneBench already runs."));
    parser.addOptions({midiOut, midiApi, newInstance});
    parser.process(app);
    const QStringList files = parser.positionalArguments();

    // One ToneBench per session: a second start hands its files to the first.
    QZPSingleInstance instance;
    if (!parser.isSet(newInstance) && !instance.registerInstance() && instance.handOver(files))
        return 0;

    QZPLibraryPresetEnvironment environment;
    QZPPresetEnvironment::setDefaultEnvironment(&environment);

    // The built-in sound is one more destination of whatever MIDI system is found.
    QZPMidiBackend::setWrapper(&QZPSoundMidiBackend::wrap);
    QZPMidiEngine::setSharedBackendChoice(parser.value(midiApi));
    // MIDI, JACK and the sound output open once the window is on screen (the delegate says when).
    QZPMidiEngine* engine = QZPMidiEngine::sharedInstance();
    if (parser.isSet(midiOut))
        QObject::connect(engine, &QZPMidiEngine::backendOpened, engine,
                         [engine, wanted = parser.value(midiOut)] {
                             const QList<QZPMidiEndpoint> matches =
                                 QZPMidiEndpoint::matching(wanted, engine->midiDestinations());
                             if (matches.size() == 1)
                                 engine->setDestination(matches.first());
                             else
                                 qWarning("tonebench: --midi-out “%s” names %s destination",
                                          qPrintable(wanted), matches.isEmpty() ? "no" : "more than one");
                         });

    // Before the documents and windows: the offer to add ToneBench to the desktop.
    QZPDesktopIntegration::checkAtLaunch(QZPSettings::standard());

    QZPAppDelegate delegate(engine);
    delegate.applicationWillFinishLaunching();
    QMainWindow* window = delegate.windowController()->window();
    QZPDialogErrorPresenter errors(window);
    QZPErrorPresenter::setShared(&errors);
    QZPFileMoveProgressWindow moveProgress(window);
    QZPFileMoveQueue::sharedInstance()->setProgressReporter(&moveProgress);
    QZPFolderAccessDialog folderAccess(window);
    QZPFileMoveQueue::sharedInstance()->setAccessRequester(&folderAccess);
    QObject::connect(&instance, &QZPSingleInstance::filesReceived, &delegate,
                     [&delegate](const QStringList& paths) {
                         delegate.openFiles(paths);
                         delegate.showMainWindow();
                     });

    // A logout, systemd or `kill` ends ToneBench as Quit does, without questions; unsaved edits are kept
    // for the next start.
    QZPSessionEnd sessionEnd;
    QObject::connect(&sessionEnd, &QZPSessionEnd::ending, &delegate, [&delegate](int signalNumber) {
        if (signalNumber != 0)
            qInfo("tonebench: ending on signal %d; unsaved edits are kept for the next start", signalNumber);
        delegate.endSession();
    });

    delegate.launch(files);
    const int status = app.exec();
    delegate.applicationWillTerminate();
    QZPFileMoveQueue::sharedInstance()->waitForMoves();
    QZPFileMoveQueue::sharedInstance()->setProgressReporter(nullptr);
    QZPFileMoveQueue::sharedInstance()->setAccessRequester(nullptr);
    QZPErrorPresenter::setShared(nullptr);
    return status;
}
