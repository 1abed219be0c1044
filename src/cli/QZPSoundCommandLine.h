// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/QZPSoundRenderer.h"

#include <QStringList>
#include <optional>

class QZPCommandArguments;
class QZPCommandLine;
class QZPPreset;

// The built-in sound's commands of tonebench-cli: render, a preset played offline into a WAV file, and
// analyse, the measurements of such a render.
class QZPSoundCommandLine {
public:
    explicit QZPSoundCommandLine(QZPCommandLine& commandLine) : m_commandLine(commandLine) {}

    int render(const QStringList& arguments);
    int analyse(const QStringList& arguments);

private:
    // The notes, rate and length that --notes, --rate and --seconds ask for.
    struct Performance {
        QList<QZPSoundRenderer::Note> notes;
        int rate = 48000;
        double seconds = 0;
        bool untilFaded = true;
    };
    std::optional<Performance> performance(const QZPCommandArguments& parsed, QString* error) const;
    static std::vector<float> play(QZPPreset& preset, const Performance& performance);

    QZPCommandLine& m_commandLine;
};
