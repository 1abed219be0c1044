#pragma once

#include <QStringList>

class QZPCommandLine;

// The library commands of tonebench-cli: library, export-list and import-list.
class QZPLibraryCommandLine {
public:
    explicit QZPLibraryCommandLine(QZPCommandLine& commandLine) : m_commandLine(commandLine) {}

    int library(const QStringList& arguments);
    int exportList(const QStringList& arguments);
    int importList(const QStringList& arguments);

private:
    QZPCommandLine& m_commandLine;
};
