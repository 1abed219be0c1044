// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// The hidden temporary files a safe write fills before it gives a file its name, and their clearing away.
// Each is named after the process writing it, ".tb-<pid>-<start time>-<8 hexadecimal digits>.tmp", so that
// a later run can tell a writer that has ended (killed, crashed) from one still busy, and remove what the
// dead one left at once.
class QZPTemporaryFiles {
public:
    // Creates a new temporary file in the folder of `path` (the kernel applies the umask to its mode);
    // answers its descriptor, or -1 with errno.
    static int create(const QString& path, QByteArray* temporaryPath);
    // This process as the names give it: "<process id>-<start time>"; and whether the process a tag names
    // still runs (not when it ended, or when its id went to another).
    static QByteArray processTag();
    static bool isProcessRunning(const QByteArray& tag);
    // Removes the temporary files writers that have ended left in the folder: ours, by their name's
    // process id and start time, at once; an older release's unnamed ones once ten minutes old. Only
    // regular files of the user's.
    static void removeDeadWritersFiles(const QString& folder);
    // The same, the first time in this run for the folder (before the first write into it).
    static void removeDeadWritersFilesOnce(const QString& folder);
};
