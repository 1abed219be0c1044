// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/QZPSoundCommandLine.h"

#include "cli/QZPCommandArguments.h"
#include "cli/QZPCommandLine.h"
#include "model/QZPError.h"
#include "model/QZPFileSystem.h"
#include "model/QZPPreset.h"
#include "sound/QZPSoundAnalysis.h"
#include "sound/QZPSoundRenderer.h"

#include <QFileInfo>
#include <QJsonValue>
#include <algorithm>
#include <cmath>
#include <memory>

namespace {
// Rates a WAV file of the sound may have, and the longest render.
constexpr int LowestRate = 8000, HighestRate = 192000;
constexpr double LongestSeconds = 600;
// Without --seconds the file ends when the sound has faded, at most this long after the last note.
constexpr double LongestTailSeconds = 60;
} // namespace

std::optional<QZPSoundCommandLine::Performance>
QZPSoundCommandLine::performance(const QZPCommandArguments& parsed, QString* error) const {
    Performance result;
    const QString notesText = parsed.isSet(QStringLiteral("notes")) ? parsed.value(QStringLiteral("notes"))
                                                                    : QStringLiteral("C4:0:1");
    const auto notes = QZPSoundRenderer::parseNotes(notesText, error);
    if (!notes)
        return std::nullopt;
    result.notes = *notes;
    bool ok = true;
    if (parsed.isSet(QStringLiteral("rate")))
        result.rate = parsed.value(QStringLiteral("rate")).toInt(&ok);
    if (!ok || result.rate < LowestRate || result.rate > HighestRate) {
        *error = QStringLiteral("--rate must be %1 to %2").arg(LowestRate).arg(HighestRate);
        return std::nullopt;
    }
    double end = 0;
    for (const QZPSoundRenderer::Note& note : result.notes)
        end = std::max(end, note.start + note.length);
    result.untilFaded = !parsed.isSet(QStringLiteral("seconds"));
    result.seconds = std::min(end + LongestTailSeconds, LongestSeconds);
    if (!result.untilFaded)
        result.seconds = parsed.value(QStringLiteral("seconds")).toDouble(&ok);
    if (!ok || !(result.seconds > 0 && result.seconds <= LongestSeconds)) { // "nan" parses as a number
        *error = QStringLiteral("--seconds must be more than 0 and at most %1").arg(LongestSeconds);
        return std::nullopt;
    }
    return result;
}

std::vector<float> QZPSoundCommandLine::play(QZPPreset& preset, const Performance& performance) {
    const QByteArray patch = preset.junoSysexDataWithMidiChannel(0);
    return performance.untilFaded
               ? QZPSoundRenderer::renderUntilFaded(patch, performance.notes, performance.rate,
                                                    performance.seconds)
               : QZPSoundRenderer::render(patch, performance.notes, performance.seconds, performance.rate);
}

int QZPSoundCommandLine::render(const QStringList& arguments) {
    QString error;
    const auto parsed = QZPCommandArguments::parse(
        arguments, {QStringLiteral("force")},
        {QStringLiteral("notes"), QStringLiteral("seconds"), QStringLiteral("rate")}, &error);
    if (!parsed)
        return m_commandLine.usageError(error);
    if (parsed->positional().size() != 2)
        return m_commandLine.usageError(QStringLiteral("render needs FILE and OUT.wav"));
    const auto played = performance(*parsed, &error);
    if (!played)
        return m_commandLine.usageError(error);

    const QString file = parsed->positional().at(0);
    const std::unique_ptr<QZPPreset> preset(m_commandLine.openPreset(file));
    if (!preset)
        return QZPCommandLine::FileFailure;
    const QString out = parsed->positional().at(1);
    const std::optional<QByteArray> wav =
        QZPSoundRenderer::wavData(play(*preset, *played), played->rate, &error);
    if (!wav) {
        m_commandLine.reportFileError(out, QStringLiteral("The sound couldn’t be written."), error);
        return QZPCommandLine::FileFailure;
    }
    // As every other file: never through a link, never over a read-only or non-regular file, an existing
    // one only with --force, and all at once (a temporary file renamed into place).
    const bool force = parsed->isSet(QStringLiteral("force"));
    QZPError writeError;
    if (!QZPFileSystem::writeFile(QFileInfo(out).absoluteFilePath(), *wav,
                                  force ? QZPFileSystem::WriteMode::ReplaceExisting
                                        : QZPFileSystem::WriteMode::KeepExisting,
                                  &writeError)) {
        const QString reason = writeError.code() == QZPError::FileWriteFileExists && !force
                                   ? QStringLiteral("use --force to replace it")
                                   : writeError.localizedFailureReason();
        m_commandLine.reportFileError(out, writeError.localizedDescription(), reason);
        return QZPCommandLine::FileFailure;
    }
    m_commandLine.out() << QFileInfo(out).absoluteFilePath() << Qt::endl;
    return QZPCommandLine::Success;
}

int QZPSoundCommandLine::analyse(const QStringList& arguments) {
    QString error;
    const auto parsed = QZPCommandArguments::parse(
        arguments, {QStringLiteral("json")},
        {QStringLiteral("notes"), QStringLiteral("seconds"), QStringLiteral("rate")}, &error);
    if (!parsed)
        return m_commandLine.usageError(error);
    if (parsed->positional().isEmpty())
        return m_commandLine.usageError(QStringLiteral("analyse needs at least one FILE"));
    const auto played = performance(*parsed, &error);
    if (!played)
        return m_commandLine.usageError(error);
    const QZPSoundAnalysis analysis(played->rate);
    int status = QZPCommandLine::Success;
    for (const QString& file : parsed->positional()) {
        const std::unique_ptr<QZPPreset> preset(m_commandLine.openPreset(file));
        if (!preset) {
            status = QZPCommandLine::FileFailure;
            continue;
        }
        const QZPSoundAnalysis::Summary summary = analysis.summarise(play(*preset, *played));
        // Zeros have no level in decibels: null in JSON.
        const bool silent = summary.silent;
        if (parsed->isSet(QStringLiteral("json"))) {
            QZPCommandLine::printJson(
                m_commandLine.out(),
                {{"file", file},
                 {"name", preset->displayName()},
                 {"silent", silent},
                 {"peakDb", std::isfinite(summary.peakDb) ? QJsonValue(summary.peakDb) : QJsonValue()},
                 {"dcOffset", summary.dcOffset},
                 {"secondsLoud", summary.secondsLoud},
                 {"centroidHz", summary.centroidHz}});
            continue;
        }
        m_commandLine.out() << file << ": "
                            << (silent
                                    ? QStringLiteral("silent")
                                    : QStringLiteral("peak %1 dBFS, DC offset %2, %3 s within 20 dB of the "
                                                     "peak, brightness %4 Hz")
                                          .arg(summary.peakDb, 0, 'f', 1)
                                          .arg(summary.dcOffset, 0, 'f', 4)
                                          .arg(summary.secondsLoud, 0, 'f', 3)
                                          .arg(summary.centroidHz, 0, 'f', 0))
                            << Qt::endl;
    }
    return status;
}
