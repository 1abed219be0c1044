// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/QZPBankFile.h"
#include "model/QZPError.h"

#include <QList>
#include <QStringList>
#include <functional>

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
    // How a bank is brought in (the window runs it on a worker, with progress and Cancel).
    using BankImporter =
        std::function<QZPBankFile::ImportResult(const QString& bankPath, const QString& folder)>;
    static Result importFiles(const QStringList& paths, const QString& folder,
                              const BankImporter& importBank = {});
    // Whether the path names a preset file by its extension.
    static bool isPresetFileName(const QString& path);
};
