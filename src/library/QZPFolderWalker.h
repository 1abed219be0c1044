#pragma once

#include "QZPFileReference.h"

#include <QList>
#include <QString>

// Lists the preset files in a folder and its subfolders, with their identities: hidden files and
// folders are skipped, symbolic links to folders are not followed (no loops), unreadable folders and
// vanishing files are passed over. Reads identities from the directory entries, so a large folder is
// walked with one look at each entry. Safe to run on any thread.
class QZPFolderWalker {
public:
    struct Entry {
        QZPFileReference reference;
        QString type;
    };
    static QList<Entry> walk(const QString& folder);
};
