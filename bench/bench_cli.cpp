// SPDX-License-Identifier: GPL-3.0-or-later
// The command line over a large library, each program run as a process of its own and measured in the same
// run: `tonebench-cli library DIR --json` and `library DIR --filter "saw vcf<40"` over 200,000 preset files
// in 200 folders, against a bare walk of the same tree (`find DIR -type f`), with the peak memory per
// preset (the command's peak beside the peak of `tonebench-cli --version`). Targets: the listing at most
// 2x the walk, a query at most 3x, at most 256 bytes per preset. The count can be given: bench_cli 50000.
#include "QZPBenchSupport.h"

#include <QCoreApplication>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Run {
    double milliseconds = 0;
    long peakKilobytes = 0;
};

// Runs the program with its output thrown away; the best of three, as this machine's timings wander.
Run run(const QString& program, const QStringList& arguments) {
    Run best{1e18, 0};
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::vector<QByteArray> storage{QFile::encodeName(program)};
        for (const QString& argument : arguments)
            storage.push_back(argument.toUtf8());
        std::vector<char*> argv;
        for (QByteArray& item : storage)
            argv.push_back(item.data());
        argv.push_back(nullptr);
        QElapsedTimer timer;
        timer.start();
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::execvp(argv[0], argv.data());
            ::_exit(127);
        }
        int status = 0;
        rusage usage{};
        ::wait4(pid, &status, 0, &usage);
        const double elapsed = double(timer.nsecsElapsed()) / 1e6;
        if (elapsed < best.milliseconds)
            best = {elapsed, usage.ru_maxrss};
    }
    return best;
}

} // namespace

int main(int argc, char* argv[]) {
    QZPBenchHome home;
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1000, std::atoi(argv[1])) : 200000;
    const QString cli = QCoreApplication::applicationDirPath() + QStringLiteral("/../src/tonebench-cli");
    QTemporaryDir root;
    const QString folder = root.filePath(QStringLiteral("Library"));
    constexpr int Folders = 200;
    for (int f = 0; f < Folders; ++f)
        qzpFillPresetFolder(QStringLiteral("%1/Folder %2").arg(folder).arg(f), count / Folders);
    run(QStringLiteral("find"), {folder, QStringLiteral("-type"), QStringLiteral("f")}); // warm the caches
    const Run walk = run(QStringLiteral("find"), {folder, QStringLiteral("-type"), QStringLiteral("f")});
    const Run idle = run(cli, {QStringLiteral("--version")});
    const Run listing = run(cli, {QStringLiteral("library"), folder, QStringLiteral("--json")});
    const Run query = run(
        cli, {QStringLiteral("library"), folder, QStringLiteral("--filter"), QStringLiteral("saw vcf<40")});
    std::printf("%d presets in %d folders: find -type f %.0f ms\n", count, Folders, walk.milliseconds);
    std::printf(
        "library --json %.0f ms, %.2fx the walk (target <= 2); %.0f bytes per preset (target <= 256)\n",
        listing.milliseconds, listing.milliseconds / walk.milliseconds,
        double(listing.peakKilobytes - idle.peakKilobytes) * 1024 / count);
    std::printf(
        "library --filter \"saw vcf<40\" %.0f ms, %.2fx the walk (target <= 3); %.0f bytes per preset "
        "(target <= 256)\n",
        query.milliseconds, query.milliseconds / walk.milliseconds,
        double(query.peakKilobytes - idle.peakKilobytes) * 1024 / count);
    return 0;
}
