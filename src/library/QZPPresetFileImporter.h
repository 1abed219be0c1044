#pragma once

#include "model/QZPError.h"

#include <QList>
#include <QStringList>

// Copies preset files (".syx", ".tbpreset") into a folder, as files dropped onto the library are. Each
// file is read and checked first; a copy never replaces a file: a taken name gives way to the first free
// numbered one ("Bass 2.syx").
class QZPPresetFileImporter {
public:
    struct Result {
        QStringList copied;
        // One per file that was not copied, naming it.
        QList<QZPError> errors;
    };
    static Result importFiles(const QStringList& paths, const QString& folder);
    // Whether the path names a preset file by its extension.
    static bool isPresetFileName(const QString& path);
};
