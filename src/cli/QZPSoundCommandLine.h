#pragma once

#include <QStringList>

class QZPCommandLine;

// The built-in sound's command of tonebench-cli: render, a preset played offline into a WAV file.
class QZPSoundCommandLine {
public:
    explicit QZPSoundCommandLine(QZPCommandLine& commandLine) : m_commandLine(commandLine) {}

    int render(const QStringList& arguments);

private:
    QZPCommandLine& m_commandLine;
};
