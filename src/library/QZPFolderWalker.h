#pragma once

#include "model/QZPFileReference.h"

#include <QCollator>
#include <QList>
#include <QSet>
#include <QString>
#include <optional>

// Lists the preset files in a folder and its subfolders, with their identities, display names and
// the names' collation keys: hidden files and folders are skipped, symbolic links to folders are not
// followed (no loops), unreadable folders and vanishing files are passed over. Identities come from the
// directory entries (one look at each folder, none at each file), so a large library is walked about
// as fast as its folders can be read. Safe to run on any thread.
class QZPFolderWalker {
public:
    struct Entry {
        QZPFileReference reference;
        QString type;
        QString name;
        std::optional<QCollatorSortKey> sortKey;
        // The name as the filter compares it (case and diacritics folded), made with the sort key.
        QString foldedName;
    };
    // Collation keys and folded names are made only for files not among `knownPaths`.
    static QList<Entry> walk(const QString& folder, const QSet<QString>& knownPaths = {});
    // The library's name order: the user's locale (a general one without a locale), ignoring case,
    // numbers by value.
    static QCollator collator();
    // A preset file's display name: its name without the extension.
    static QString displayName(const QString& fileName);
};
