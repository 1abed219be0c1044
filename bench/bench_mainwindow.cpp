// SPDX-License-Identifier: GPL-3.0-or-later
// Main window benchmarks:
//  - start-up: from the start of main() to the main window shown with the list filled, for libraries of
//    10,000 and 50,000 presets (each measured in a fresh process of this program);
//  - switching presets: Down arrow and Return in the list, to the Patch message handed to the MIDI
//    back-end;
//  - a flood of the instrument's knob moves (as fast as a thread can hand them over, for 3 s): how long
//    a key typed into the filter waits, and what the process's memory does.
#include "QZPBenchSupport.h"
#include "app/QZPAppDelegate.h"
#include "library/QZPPresetsController.h"
#include "mainwindow/QZPDocumentController.h"
#include "mainwindow/QZPMainWindowController.h"
#include "midi/QZPMidiEngine.h"
#include "midi/QZPMidiOutputQueue.h"
#include "midi/QZPSysexMessage.h"
#include "midi/backends/QZPVirtualMidiBackend.h"
#include "model/QZPSettings.h"
#include "sidebar/QZPFilterField.h"
#include "sidebar/QZPSidebarController.h"
#include "sidebar/QZPTableView.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QProcess>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

namespace {

// Counts what reaches the back-end and when.
class TimingBackend : public QZPVirtualMidiBackend {
public:
    TimingBackend() {
        addDestination(QStringLiteral("Juno-106 In"));
        addSource(QStringLiteral("Juno-106 Out"));
    }
    bool send(const QZPMidiEndpoint& destination, QByteArrayView bytes, QString* error) override {
        if (bytes.size() == 24)
            lastPatch = clock.nsecsElapsed();
        return QZPVirtualMidiBackend::send(destination, bytes, error);
    }
    QElapsedTimer clock;
    qint64 lastPatch = -1;
};

// Launches the application and waits until the library's first walk has filled the list.
void launchAndWaitForTheList(QZPAppDelegate& delegate) {
    delegate.applicationWillFinishLaunching();
    QEventLoop filled;
    QObject::connect(delegate.documentController()->presetsController(),
                     &QZPPresetsController::refreshFinished, &filled, &QEventLoop::quit);
    delegate.launch({});
    filled.exec();
}

// One start of the application on the folder: prints the milliseconds to a shown window with a full list.
int startUp(int argc, char* argv[], const QString& folder, QElapsedTimer& sinceMain) {
    QApplication app(argc, argv);
    QZPAppDelegate::initialize();
    QZPSettings::standard()->setValue(QString::fromLatin1(QZPSidebarController::FolderChooserAutosaveName),
                                      QUrl::fromLocalFile(folder).toString());
    QZPMidiEngine engine(std::make_unique<QZPVirtualMidiBackend>(), nullptr);
    QZPAppDelegate delegate(&engine);
    launchAndWaitForTheList(delegate);
    (void)QTest::qWaitForWindowExposed(delegate.windowController()->window());
    QApplication::processEvents();
    std::printf("%.1f %lld\n", double(sinceMain.nsecsElapsed()) / 1e6,
                qlonglong(delegate.documentController()->presetsController()->arrangedCount()));
    return 0;
}

// The process's resident memory, and its peak, in MiB.
std::pair<double, double> residentMemory() {
    QFile status(QStringLiteral("/proc/self/status"));
    double now = 0, peak = 0;
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() >= 2 && fields.first() == "VmRSS:")
                now = fields.at(1).toDouble() / 1024;
            if (fields.size() >= 2 && fields.first() == "VmHWM:")
                peak = fields.at(1).toDouble() / 1024;
        }
    return {now, peak};
}

// Knob moves from a thread as fast as it can hand them over, while keys are typed into the filter: how
// long each typed key waits for the window.
void knobFlood(QZPAppDelegate& delegate, TimingBackend* midi) {
    QZPFilterField* filter = delegate.windowController()->sidebarController()->filterSearchField();
    filter->setFocus();
    const auto before = residentMemory();
    std::atomic<bool> stop{false};
    std::atomic<qint64> injected{0};
    std::thread instrument([&] {
        quint8 value = 0;
        while (!stop.load()) {
            midi->inject(QStringLiteral("Juno-106 Out"),
                         QZPSysexMessage::controlMessage(0, value % 16, value & 0x7F));
            ++value;
            injected.fetch_add(1);
        }
    });
    QElapsedTimer clock;
    clock.start();
    QList<double> waits;
    qint64 postedAt = -1;
    QObject::connect(filter, &QLineEdit::textChanged, filter, [&] {
        if (postedAt >= 0)
            waits << double(clock.nsecsElapsed() - postedAt) / 1e6;
        postedAt = -1;
    });
    while (clock.elapsed() < 3000) {
        if (postedAt < 0) {
            postedAt = clock.nsecsElapsed();
            QCoreApplication::postEvent(filter,
                                        new QKeyEvent(QEvent::KeyPress, Qt::Key_Z, {}, QStringLiteral("z")));
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    stop.store(true);
    instrument.join();
    QCoreApplication::processEvents();
    const auto after = residentMemory();
    std::sort(waits.begin(), waits.end());
    if (!waits.isEmpty())
        std::printf(
            "knob flood: %lld Control messages in 3 s from another thread; a key typed into the filter "
            "waited median %.1f ms, worst %.1f ms over %zu keys (target <= 100); resident memory %.0f -> "
            "%.0f MiB (peak %.0f)\n",
            qlonglong(injected.load()), waits.at(waits.size() / 2), waits.last(), size_t(waits.size()),
            before.first, after.first, after.second);
}

} // namespace

int main(int argc, char* argv[]) {
    QElapsedTimer sinceMain;
    sinceMain.start();
    QZPBenchHome home;
    if (argc == 3 && qstrcmp(argv[1], "--start-up") == 0)
        return startUp(1, argv, QString::fromLocal8Bit(argv[2]), sinceMain);

    QTemporaryDir root;
    for (int count : {10000, 50000}) {
        const QString folder = root.filePath(QString::number(count));
        qzpFillPresetFolder(folder, count);
        QList<double> runs;
        QString listed;
        for (int run = 0; run < 3; ++run) {
            QProcess child;
            child.start(QString::fromLocal8Bit(argv[0]), {QStringLiteral("--start-up"), folder});
            child.waitForFinished(120000);
            const QStringList fields =
                QString::fromUtf8(child.readAllStandardOutput()).trimmed().split(QLatin1Char(' '));
            if (fields.size() == 2) {
                runs << fields.at(0).toDouble();
                listed = fields.at(1);
            }
        }
        std::sort(runs.begin(), runs.end());
        if (!runs.isEmpty())
            std::printf("%d presets: start-up to the window shown with the list filled (%s listed), median "
                        "%.0f ms of 3 (best %.0f, worst %.0f; target <= %s)\n",
                        count, qPrintable(listed), runs.at(runs.size() / 2), runs.first(), runs.last(),
                        count == 10000 ? "500" : "1000");
    }

    // Switching: Down arrow, then Return, in the list of 10,000.
    QApplication app(argc, argv);
    QZPAppDelegate::initialize();
    QZPSettings::standard()->setValue(QString::fromLatin1(QZPSidebarController::FolderChooserAutosaveName),
                                      QUrl::fromLocalFile(root.filePath(QStringLiteral("10000"))).toString());
    auto backend = std::make_unique<TimingBackend>();
    TimingBackend* midi = backend.get();
    QZPMidiEngine engine(std::move(backend), nullptr);
    engine.setPollInterval(0);
    engine.outputQueue()->setBytesPerSecond(0);
    engine.setDestination(engine.midiDestinations().first());
    QZPAppDelegate delegate(&engine);
    launchAndWaitForTheList(delegate);
    QApplication::processEvents();
    QZPTableView* list = delegate.windowController()->sidebarController()->tableView();
    list->setFocus();
    QList<double> steps;
    midi->clock.start();
    for (int n = 0; n < 200; ++n) {
        const qint64 start = midi->clock.nsecsElapsed();
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
        if (midi->lastPatch >= start)
            steps << double(midi->lastPatch - start) / 1e6;
        QApplication::processEvents();
    }
    std::sort(steps.begin(), steps.end());
    if (!steps.isEmpty())
        std::printf(
            "10000 presets: Down + Return to the Patch message at the back-end, median %.2f ms, worst "
            "%.2f ms over %zu switches (target <= 2)\n",
            steps.at(steps.size() / 2), steps.last(), size_t(steps.size()));

    knobFlood(delegate, midi);
    return 0;
}
