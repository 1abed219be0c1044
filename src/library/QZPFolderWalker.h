// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/QZPLibraryTable.h"

#include <QHashFunctions>
#include <QString>
#include <vector>

// Lists the preset files in a folder and its subfolders as a table of rows with their identities,
// paths relative to the folder, display names and the names' collation keys: hidden files and folders
// are skipped, symbolic links to folders are not followed (no loops), unreadable folders and vanishing
// files are passed over. Identities come from the directory entries (one look at each folder, none at
// each file), so a large library is walked about as fast as its folders can be read. Safe to run on any
// thread.
class QZPFolderWalker {
public:
    // Hashes (pathHash) of the relative paths the library lists already, sorted.
    using KnownPaths = std::vector<size_t>;
    // `expectedFiles`, when known (the last walk's count), sizes the table at once. Rows whose path is
    // among `known` get no key or folded name: the library has them already (a row whose hash only
    // happens to match gets its key when the library takes it in).
    static QZPLibraryTable walk(const QString& folder, qsizetype expectedFiles = 0,
                                const KnownPaths& known = {});
    static size_t pathHash(QStringView relativePath) { return qHash(relativePath); }
    // The length of a file name's display name: up to its last dot (a leading dot does not count).
    static qsizetype displayNameLength(QStringView fileName);
};
