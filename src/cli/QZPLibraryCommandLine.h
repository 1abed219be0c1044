#pragma once

#include <QStringList>
#include <functional>

class QZPPreset;

class QZPCommandLine;

// The library commands of tonebench-cli: library, export-list and import-list.
class QZPLibraryCommandLine {
public:
    explicit QZPLibraryCommandLine(QZPCommandLine& commandLine) : m_commandLine(commandLine) {}

    int library(const QStringList& arguments);
    int exportList(const QStringList& arguments);
    int importList(const QStringList& arguments);
    int exportBank(const QStringList& arguments);
    int importBank(const QStringList& arguments);

private:
    int exportFolder(const QStringList& arguments, const QString& command,
                     const std::function<QByteArray(const QList<QZPPreset*>&)>& write, bool needsPresets);
    QZPCommandLine& m_commandLine;
};
