// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/QZPCommandLine.h"
#include "library/QZPLibraryPresetEnvironment.h"
#include "model/QZPSettings.h"
#include "sound/QZPSoundMidiBackend.h"

#include <QCoreApplication>
#include <cstdio>

namespace {
// Log lines (refused SysEx, MIDI faults) are messages to the user of a script: print them plainly.
void printMessage(QtMsgType, const QMessageLogContext&, const QString& message) {
    std::fprintf(stderr, "%s\n", qPrintable(message));
}
} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tonebench-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TONEBENCH_VERSION));
    qInstallMessageHandler(printMessage);
    QTextStream out(stdout);
    QTextStream err(stderr);
    // The program's settings (the dynamics bits of what is sent) are read, never written from here.
    QZPSettings::setStandardAccess(QZPSettings::Access::ReadOnly);
    if (const QString problem = QZPSettings::standard()->loadProblem(); !problem.isEmpty())
        err << "tonebench-cli: " << problem << Qt::endl;
    // Renames go through the file move queue, with its repairs.
    QZPLibraryPresetEnvironment environment;
    QZPPresetEnvironment::setDefaultEnvironment(&environment);
    // The built-in sound is one more destination ("ToneBench Sound").
    QZPMidiBackend::setWrapper(&QZPSoundMidiBackend::wrap);
    QZPCommandLine commandLine(out, err);
    return commandLine.run(app.arguments().mid(1));
}
