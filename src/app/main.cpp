#include "library/QZPFileMoveQueue.h"
#include "library/QZPLibraryPresetEnvironment.h"
#include "mainwindow/QZPDialogErrorPresenter.h"
#include "mainwindow/QZPDocumentController.h"
#include "mainwindow/QZPEditorWindow.h"
#include "mainwindow/QZPFileMoveProgressWindow.h"
#include "midi/QZPMidiEngine.h"
#include "model/QZPPreset.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ToneBench"));
    QApplication::setApplicationVersion(QStringLiteral(TONEBENCH_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Patch editor and librarian for the Juno-106."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("A preset file to open."),
                                 QStringLiteral("[FILE]"));
    const QCommandLineOption midiOut(
        QStringLiteral("midi-out"),
        QStringLiteral("The destination: a unique ID, a display name or a part of one."),
        QStringLiteral("endpoint"));
    const QCommandLineOption midiApi(QStringLiteral("midi-api"), QStringLiteral("auto, alsa, jack or none."),
                                     QStringLiteral("api"));
    parser.addOptions({midiOut, midiApi});
    parser.process(app);

    QZPLibraryPresetEnvironment environment;
    QZPPresetEnvironment::setDefaultEnvironment(&environment);

    QZPMidiEngine::setSharedBackendChoice(parser.value(midiApi));
    QZPMidiEngine* engine = QZPMidiEngine::sharedInstance();
    if (parser.isSet(midiOut)) {
        const QString wanted = parser.value(midiOut);
        const QList<QZPMidiEndpoint> matches = QZPMidiEndpoint::matching(wanted, engine->midiDestinations());
        if (matches.size() == 1)
            engine->setDestination(matches.first());
        else
            qWarning("tonebench: --midi-out “%s” names %s destination", qPrintable(wanted),
                     matches.isEmpty() ? "no" : "more than one");
    }

    QZPDocumentController documents;
    QZPEditorWindow window(engine, &documents);
    window.resize(1280, 720);
    QZPDialogErrorPresenter errors(&window);
    QZPErrorPresenter::setShared(&errors);
    QZPFileMoveProgressWindow moveProgress(&window);
    QZPFileMoveQueue::sharedInstance()->setProgressReporter(&moveProgress);
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty() || !window.openFile(files.first()))
        window.newPreset();
    window.show();
    const int status = app.exec();
    QZPFileMoveQueue::sharedInstance()->waitForMoves();
    QZPFileMoveQueue::sharedInstance()->setProgressReporter(nullptr);
    QZPErrorPresenter::setShared(nullptr);
    return status;
}
