// SPDX-License-Identifier: GPL-3.0-or-later
// Library pane benchmarks with 50,000 presets listed, offscreen, through real key events:
//  - typing a filter ("b", "ba", "bas", "bass", then back to empty) into the filter field, per keystroke,
//    from the key event to the list updated and painted;
//  - scrolling the list from top to bottom by pages (Page Down), per page and in all, with painting.
// TONEBENCH_BENCH_STEPS=1 also prints the time of every keystroke.
#include "QZPBenchSupport.h"
#include "library/QZPPresetsController.h"
#include "model/QZPPreset.h"
#include "sidebar/QZPFilterField.h"
#include "sidebar/QZPSidebarController.h"
#include "sidebar/QZPSidebarView.h"
#include "sidebar/QZPTableView.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>

int main(int argc, char* argv[]) {
    QZPBenchHome home;
    QApplication app(argc, argv);
    QTemporaryDir root;
    const QString folder = root.filePath(QStringLiteral("presets"));
    qzpFillPresetFolder(folder, 50000);

    QZPPresetsController library;
    QZPSidebarController sidebar(&library);
    // The folder's first refresh, walked in the background as in the program, is over before timing.
    QEventLoop refreshed;
    QObject::connect(&library, &QZPPresetsController::refreshFinished, &refreshed, &QEventLoop::quit);
    library.setPresetsFolderURL(QUrl::fromLocalFile(folder));
    refreshed.exec();
    sidebar.view()->resize(260, 800);
    sidebar.view()->show();
    QApplication::processEvents();

    QZPFilterField* field = sidebar.filterSearchField();
    QZPTableView* table = sidebar.tableView();
    field->setFocus();
    const auto updated = [&] {
        QApplication::processEvents();
        table->viewport()->repaint();
    };
    // Typing "bass" and taking it back: the key event, the filter, the list and its painting.
    QList<double> steps;
    for (int round = 0; round < 5; ++round) {
        for (char letter : {'b', 'a', 's', 's'})
            steps << qzpMilliseconds([&] {
                QTest::keyClick(field, letter);
                updated();
            });
        for (int i = 0; i < 4; ++i)
            steps << qzpMilliseconds([&] {
                QTest::keyClick(field, Qt::Key_Backspace);
                updated();
            });
    }
    if (qEnvironmentVariableIsSet("TONEBENCH_BENCH_STEPS"))
        for (double step : steps)
            std::printf("%.1f ", step);
    double total = 0;
    for (double step : steps)
        total += step;
    std::printf("50000 presets: typing \"bass\" and back in the filter field, %.1f ms per keystroke on "
                "average, %.1f ms at worst, %zu keystrokes (target <= 16)\n",
                total / double(steps.size()), *std::max_element(steps.begin(), steps.end()),
                size_t(steps.size()));

    // Scrolling from the top to the bottom by pages.
    table->setFocus();
    table->scrollToTop();
    table->setCurrentIndex(table->model()->index(0, 0));
    int pages = 0;
    double worst = 0;
    const double scroll = qzpMilliseconds([&] {
        QScrollBar* bar = table->verticalScrollBar();
        while (bar->value() < bar->maximum() && pages < 100000) {
            const double page = qzpMilliseconds([&] {
                QTest::keyClick(table, Qt::Key_PageDown);
                updated();
            });
            worst = std::max(worst, page);
            ++pages;
        }
    });
    std::printf("50000 presets: scrolling top to bottom by pages, %d pages in %.0f ms, %.2f ms per page on "
                "average, %.2f ms at worst (target <= 16 per page)\n",
                pages, scroll, scroll / std::max(1, pages), worst);
    return 0;
}
