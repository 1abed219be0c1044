#include "cli/QZPSoundCommandLine.h"

#include "cli/QZPCommandArguments.h"
#include "cli/QZPCommandLine.h"
#include "model/QZPError.h"
#include "model/QZPFileSystem.h"
#include "model/QZPPreset.h"
#include "sound/QZPSoundRenderer.h"

#include <QFileInfo>
#include <algorithm>
#include <memory>

namespace {
// Rates a WAV file of the sound may have, and the longest render.
constexpr int LowestRate = 8000, HighestRate = 192000;
constexpr double LongestSeconds = 600;
// Without --seconds the file ends when the sound has faded, at most this long after the last note.
constexpr double LongestTailSeconds = 60;
} // namespace

int QZPSoundCommandLine::render(const QStringList& arguments) {
    QString error;
    const auto parsed = QZPCommandArguments::parse(
        arguments, {QStringLiteral("force")},
        {QStringLiteral("notes"), QStringLiteral("seconds"), QStringLiteral("rate")}, &error);
    if (!parsed)
        return m_commandLine.usageError(error);
    if (parsed->positional().size() != 2)
        return m_commandLine.usageError(QStringLiteral("render needs FILE and OUT.wav"));

    const QString notesText = parsed->isSet(QStringLiteral("notes")) ? parsed->value(QStringLiteral("notes"))
                                                                     : QStringLiteral("C4:0:1");
    const auto notes = QZPSoundRenderer::parseNotes(notesText, &error);
    if (!notes)
        return m_commandLine.usageError(error);
    bool ok = true;
    const int rate =
        parsed->isSet(QStringLiteral("rate")) ? parsed->value(QStringLiteral("rate")).toInt(&ok) : 48000;
    if (!ok || rate < LowestRate || rate > HighestRate)
        return m_commandLine.usageError(
            QStringLiteral("--rate must be %1 to %2").arg(LowestRate).arg(HighestRate));
    double end = 0;
    for (const QZPSoundRenderer::Note& note : *notes)
        end = std::max(end, note.start + note.length);
    const bool untilFaded = !parsed->isSet(QStringLiteral("seconds"));
    double seconds = std::min(end + LongestTailSeconds, LongestSeconds);
    if (!untilFaded)
        seconds = parsed->value(QStringLiteral("seconds")).toDouble(&ok);
    if (!ok || !(seconds > 0 && seconds <= LongestSeconds)) // "nan" parses as a number
        return m_commandLine.usageError(
            QStringLiteral("--seconds must be more than 0 and at most %1").arg(LongestSeconds));

    const QString file = parsed->positional().at(0);
    const std::unique_ptr<QZPPreset> preset(m_commandLine.openPreset(file));
    if (!preset)
        return QZPCommandLine::FileFailure;
    const QString out = parsed->positional().at(1);
    const QByteArray patch = preset->junoSysexDataWithMidiChannel(0);
    const std::vector<float> samples = untilFaded
                                           ? QZPSoundRenderer::renderUntilFaded(patch, *notes, rate, seconds)
                                           : QZPSoundRenderer::render(patch, *notes, seconds, rate);
    const std::optional<QByteArray> wav = QZPSoundRenderer::wavData(samples, rate, &error);
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
