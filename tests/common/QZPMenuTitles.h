// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAction>
#include <QMenu>
#include <QStringList>

// A menu as the user reads it: each item's text, "-" for a separator, "[x]" after a checked item.
inline QStringList qzpMenuTitles(const QMenu* menu) {
    QStringList titles;
    for (const QAction* action : menu->actions())
        titles << (action->isSeparator() ? QStringLiteral("-")
                                         : action->text() + (action->isChecked() ? "[x]" : ""));
    return titles;
}
