// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/QZPScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

void QZPScreenFit::fit(QWidget* window, const QWidget* over) {
    const bool centred = over && over->isVisible();
    const QScreen* screen = centred && over->screen() ? over->screen()
                            : window->screen()        ? window->screen()
                                                      : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    // A window not yet shown has no frame: a title bar's height is allowed for.
    const QSize frameExtra = window->isVisible() ? window->frameGeometry().size() - window->geometry().size()
                                                 : QSize(0, window->fontMetrics().height() * 2);
    QRect frame = window->geometry();
    frame.setSize(frame.size().boundedTo(available.size() - frameExtra).expandedTo(window->minimumSize()));
    if (centred)
        frame.moveCenter(over->geometry().center());
    frame.moveLeft(std::clamp(frame.left(), available.left(),
                              std::max(available.left(), available.right() - frame.width() + 1)));
    frame.moveTop(std::clamp(frame.top(), available.top() + frameExtra.height(),
                             std::max(available.top(), available.bottom() - frame.height() + 1)));
    window->setGeometry(frame);
}
