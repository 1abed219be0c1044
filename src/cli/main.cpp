#include "QZPCommandLine.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tonebench-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TONEBENCH_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);
    QZPCommandLine commandLine(out, err);
    return commandLine.run(app.arguments().mid(1));
}
