// SPDX-License-Identifier: GPL-3.0-or-later
// Library benchmarks, printed as figures and ratios measured in the same run:
//  - first refresh of a folder of 10,000, 50,000 and 200,000 preset files against a bare recursive walk of
//    the same folder with QDirIterator (target <= 1.5x);
//  - the refresh after one new file in the 10,000-file folder (the median of five);
//  - resident memory per listed preset, and the page faults the first refresh takes with what one costs
//    here (on a virtual machine a page touched for the first time can cost 10 µs);
//  - the sidebar filter over 50,000 names;
//  - reading every file's patch into the list's rows, the memory per listed preset with its patch
//    (target <= 256 bytes), a query typed a keystroke at a time (target <= 16 ms at worst) and Find Similar
//    in the list (target <= 50 ms), over 50,000 and 200,000 presets.
#include "QZPBenchSupport.h"
#include "library/QZPPresetFilter.h"
#include "library/QZPPresetsController.h"
#include "model/QZPPreset.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

qint64 residentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    statm.open(QIODevice::ReadOnly);
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() * sysconf(_SC_PAGESIZE) : 0;
}

long minorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// What touching one fresh page costs on this machine, in microseconds.
double pageFaultMicroseconds() {
    constexpr size_t size = 16 << 20;
    const long page = sysconf(_SC_PAGESIZE);
    void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        return 0;
    auto* bytes = static_cast<volatile char*>(memory);
    const double ms = qzpMilliseconds([&] {
        for (size_t i = 0; i < size; i += size_t(page))
            bytes[i] = 1;
    });
    munmap(memory, size);
    return ms * 1000 / double(size / size_t(page));
}

int bareWalk(const QString& folder) {
    int files = 0;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++files;
    }
    return files;
}

} // namespace

int main(int argc, char* argv[]) {
    QZPBenchHome home;
    QCoreApplication app(argc, argv);
    QTemporaryDir root;
    // The sizes: 10,000, 50,000 and 200,000 presets, or those given (bench_library 200000).
    QList<int> counts{10000, 50000, 200000};
    if (argc > 1) {
        counts.clear();
        for (int i = 1; i < argc; ++i)
            counts << std::max(1000, std::atoi(argv[i]));
    }
    for (const int count : counts) {
        const QString folder = root.filePath(QString::number(count));
        qzpFillPresetFolder(folder, count);
        // Warm the file system's caches so both sides read from memory.
        bareWalk(folder);
        int walked = 0;
        const double bare = qzpMilliseconds([&] { walked = bareWalk(folder); });
        auto library = std::make_unique<QZPPresetsController>();
        library->setPresetsFolderURL(QUrl::fromLocalFile(folder));
        const qint64 before = residentBytes();
        const long faultsBefore = minorFaults();
        const double first = qzpMilliseconds([&] { library->refreshAvailableDocumentsNow(); });
        const long faults = minorFaults() - faultsBefore;
        const qint64 after = residentBytes();
        std::printf("%d presets: bare QDirIterator walk %.1f ms (%d files), first refresh %.1f ms, ratio "
                    "%.2f (target <= 1.5)\n",
                    count, bare, walked, first, first / bare);
        std::printf("%d presets: resident memory per listed preset %.0f bytes (target <= 2048)\n", count,
                    double(after - before) / double(library->count()));
        const double faultCost = pageFaultMicroseconds();
        // Pages the library's tables take filled in at once count as faults too, at about a tenth of this.
        std::printf(
            "%d presets: first refresh took %ld page faults; a page touched alone costs %.2f us here\n",
            count, faults, faultCost);
        if (count == 10000) {
            // One new file at a time, five times: the median, as this machine's timings wander.
            std::vector<double> again;
            for (int n = 0; n < 5; ++n) {
                qzpFillPresetFolder(folder + QStringLiteral("/new%1").arg(n), 1);
                again.push_back(qzpMilliseconds([&] { library->refreshAvailableDocumentsNow(); }));
            }
            std::sort(again.begin(), again.end());
            std::printf("10000 presets: refresh after one new file %.1f ms (median of 5), %.2f of the first "
                        "refresh (target <= 1)\n",
                        again[2], again[2] / first);
        } else {
            int shown = 0;
            const double filter = qzpMilliseconds([&] {
                library->setFilterPredicate(QZPPresetFilter::predicate(QStringLiteral("bass 1"), false));
                shown = int(library->arrangedCount());
            });
            std::printf("%d presets: filter \"bass 1\" %.1f ms (%d shown)\n", count, filter, shown);
            // Typing a filter and taking it back, one keystroke at a time, as the filter field does.
            const QStringList keystrokes{"b", "ba", "bas", "bass", "bas", "ba", "b", ""};
            double worst = 0;
            double total = 0;
            for (const QString& text : keystrokes) {
                const double step = qzpMilliseconds(
                    [&] { library->setFilterPredicate(QZPPresetFilter::predicate(text, false)); });
                worst = std::max(worst, step);
                total += step;
            }
            std::printf("%d presets: typing \"bass\" and back, %.1f ms per keystroke on average, %.1f ms at "
                        "worst (target <= 16)\n",
                        count, total / double(keystrokes.size()), worst);
            // The patches, as the window reads them after a walk (here on this thread).
            const double read = qzpMilliseconds([&] { library->readPatchesNow(); });
            std::printf(
                "%d presets: every file's patch read into the list in %.0f ms (on a worker in the "
                "window); resident memory per listed preset with its patch %.0f bytes (target <= 256)\n",
                count, read, double(residentBytes() - before) / double(library->count()));
            const QStringList queryKeystrokes{"s",         "sa",       "saw",      "saw ",      "saw v",
                                              "saw vc",    "saw vcf",  "saw vcf<", "saw vcf<4", "saw vcf<40",
                                              "saw vcf<4", "saw vcf<", "saw vcf",  "saw",       ""};
            worst = 0;
            total = 0;
            int matched = 0;
            for (const QString& text : queryKeystrokes) {
                const double step = qzpMilliseconds([&] {
                    library->setFilterPredicate(QZPPresetFilter::predicate(text, false));
                    matched = std::max(matched, int(library->arrangedCount()));
                });
                worst = std::max(worst, step);
                total += step;
            }
            std::printf("%d presets: typing the query \"saw vcf<40\" and back, %.1f ms per keystroke on "
                        "average, %.1f ms at worst (target <= 16)\n",
                        count, total / double(queryKeystrokes.size()), worst);
            QZPPreset* target = library->arrangedPresetAt(0);
            std::vector<double> similar;
            for (int n = 0; n < 3; ++n) {
                similar.push_back(qzpMilliseconds([&] { library->showSimilar(target, 50); }));
                library->showAll();
            }
            std::printf("%d presets: Find Similar in the list %.1f ms (the fastest of 3; target <= 50)\n",
                        count, *std::min_element(similar.begin(), similar.end()));
        }
    }
    return 0;
}
