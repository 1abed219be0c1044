// SPDX-License-Identifier: GPL-3.0-or-later
// The reference for bench_startup: a bare Qt window (a main window holding a list), nothing else.
#include <QApplication>
#include <QListWidget>
#include <QMainWindow>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QMainWindow window;
    auto* list = new QListWidget(&window);
    list->addItems({QStringLiteral("Bass 1"), QStringLiteral("Lead 2"), QStringLiteral("Pad 3")});
    window.setCentralWidget(list);
    window.resize(1100, 700);
    window.show();
    return app.exec();
}
