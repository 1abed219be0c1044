// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

// The desktop's file manager.
class QZPFileManager {
public:
    // Shows the items in the file manager, selected (org.freedesktop.FileManager1 over D-Bus). Without
    // such a service, the folder holding the first item is opened instead. Answers whether either
    // worked.
    static bool reveal(const QStringList& paths);
};
