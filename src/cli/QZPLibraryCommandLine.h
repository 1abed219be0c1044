// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPPatch.h"

#include <QStringList>
#include <functional>
#include <optional>

class QZPPreset;

class QZPCommandLine;

// The library commands of tonebench-cli: library, similar, duplicates, export-list, import-list,
// export-bank and import-bank.
class QZPLibraryCommandLine {
public:
    explicit QZPLibraryCommandLine(QZPCommandLine& commandLine) : m_commandLine(commandLine) {}

    int library(const QStringList& arguments);
    int exportList(const QStringList& arguments);
    int importList(const QStringList& arguments);
    int exportBank(const QStringList& arguments);
    int importBank(const QStringList& arguments);
    int similar(const QStringList& arguments);
    int duplicates(const QStringList& arguments);

private:
    // A listed preset with its patch.
    struct Listed {
        QString name;
        QString file;
        QZPPatch patch;
    };
    // The folder's presets in the list's order, each read; one that can't be read is said on standard
    // error and left out. Nothing, after saying why, when the folder isn't one.
    std::optional<QList<Listed>> readFolder(const QString& folder);
    int exportFolder(const QStringList& arguments, const QString& command,
                     const std::function<QByteArray(const QList<QZPPreset*>&)>& write, bool needsPresets);
    QZPCommandLine& m_commandLine;
};
