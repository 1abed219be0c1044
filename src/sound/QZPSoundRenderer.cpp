// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/QZPSoundRenderer.h"

#include "sound/QZPSoundEngine.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <sndfile.h>

std::optional<int> QZPSoundRenderer::parseNoteName(const QString& name) {
    bool isNumber = false;
    const int number = name.toInt(&isNumber);
    if (isNumber)
        return number >= 0 && number <= 127 ? std::optional<int>(number) : std::nullopt;
    static const QRegularExpression pattern(QStringLiteral("^([A-Ga-g])([#b]?)(-?\\d+)$"));
    const QRegularExpressionMatch match = pattern.match(name);
    if (!match.hasMatch())
        return std::nullopt;
    // Octaves -1 to 9 hold every MIDI note; anything past them (however many digits) is out of range.
    bool isOctave = false;
    const int octave = match.captured(3).toInt(&isOctave);
    if (!isOctave || octave < -1 || octave > 9)
        return std::nullopt;
    static const int steps[] = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
    int note = steps[match.captured(1).toUpper().at(0).unicode() - 'A'];
    if (match.captured(2) == QLatin1String("#"))
        ++note;
    else if (match.captured(2) == QLatin1String("b"))
        --note;
    note += (octave + 1) * 12;
    return note >= 0 && note <= 127 ? std::optional<int>(note) : std::nullopt;
}

std::optional<QList<QZPSoundRenderer::Note>> QZPSoundRenderer::parseNotes(const QString& text,
                                                                          QString* error) {
    QList<Note> notes;
    for (const QString& item :
         text.split(QRegularExpression(QStringLiteral("[\\s,]+")), Qt::SkipEmptyParts)) {
        const QStringList fields = item.split(QLatin1Char(':'));
        const std::optional<int> note = fields.isEmpty() ? std::nullopt : parseNoteName(fields.at(0));
        bool startOk = true, lengthOk = true, velocityOk = true;
        Note parsed;
        if (note)
            parsed.note = *note;
        if (fields.size() > 1)
            parsed.start = fields.at(1).toDouble(&startOk);
        if (fields.size() > 2)
            parsed.length = fields.at(2).toDouble(&lengthOk);
        if (fields.size() > 3)
            parsed.velocity = fields.at(3).toInt(&velocityOk);
        // Written as "!(in range)" so that "nan", which the number parser accepts, is refused too.
        if (!note || fields.size() > 4 || !startOk || !lengthOk || !velocityOk || !(parsed.start >= 0) ||
            !(parsed.length > 0) || !(parsed.start + parsed.length <= 3600) || parsed.velocity < 1 ||
            parsed.velocity > 127) {
            if (error)
                *error = QStringLiteral("“%1” is not NOTE[:START[:LENGTH[:VELOCITY]]] (for example C4:0:1.5)")
                             .arg(item);
            return std::nullopt;
        }
        notes.append(parsed);
    }
    return notes;
}

namespace {

// Renders `totalFrames` frames, or, with `untilFaded`, stops earlier once every message is in and the
// output has stayed below the faded level for the faded time.
std::vector<float> renderFrames(const QByteArray& patch, const QList<QZPSoundRenderer::Note>& notes,
                                qint64 totalFrames, int sampleRate,
                                const QList<QZPSoundRenderer::TimedMessage>& controls, bool untilFaded) {
    QZPSoundEngine engine{float(sampleRate)};
    QByteArray message = patch;
    if (message.size() == QZPSoundPatch::DataLength)
        message = QByteArray("\xF0\x41\x30\x00\x60", 5) + patch + char(0xF7);
    engine.post(reinterpret_cast<const uint8_t*>(message.constData()), size_t(message.size()));

    // Every message at its sample, in time order.
    struct Timed {
        qint64 frame;
        QByteArray bytes;
    };
    std::vector<Timed> events;
    const auto frameOf = [sampleRate](double time) {
        return qint64(std::llround(time * sampleRate));
    };
    for (const QZPSoundRenderer::Note& note : notes) {
        const char on[] = {char(0x90), char(note.note), char(note.velocity)};
        const char off[] = {char(0x80), char(note.note), char(0)};
        events.push_back({frameOf(note.start), QByteArray(on, 3)});
        events.push_back({frameOf(note.start + note.length), QByteArray(off, 3)});
    }
    for (const QZPSoundRenderer::TimedMessage& control : controls)
        events.push_back({frameOf(control.time), control.bytes});
    std::stable_sort(events.begin(), events.end(),
                     [](const Timed& a, const Timed& b) { return a.frame < b.frame; });

    const qint64 total = std::max<qint64>(0, totalFrames);
    const qint64 fadedFrames = frameOf(QZPSoundRenderer::FadedSeconds);
    std::vector<float> interleaved;
    interleaved.reserve(size_t(untilFaded ? std::min<qint64>(total, frameOf(10)) : total) * 2);
    std::vector<float> left(256), right(256);
    qint64 frame = 0;
    qint64 quietSince = 0;
    size_t next = 0;
    while (frame < total) {
        while (next < events.size() && events[next].frame <= frame) {
            engine.post(reinterpret_cast<const uint8_t*>(events[next].bytes.constData()),
                        size_t(events[next].bytes.size()));
            ++next;
            quietSince = frame;
        }
        if (untilFaded && next == events.size() && frame - quietSince >= fadedFrames)
            break;
        qint64 until = std::min<qint64>(total, frame + 256);
        if (next < events.size())
            until = std::min(until, std::max(events[next].frame, frame + 1));
        const int length = int(until - frame);
        engine.process(left.data(), right.data(), length);
        const size_t first = interleaved.size();
        interleaved.resize(first + 2 * size_t(length));
        for (int i = 0; i < length; ++i) {
            interleaved[first + 2 * size_t(i)] = left[size_t(i)];
            interleaved[first + 2 * size_t(i) + 1] = right[size_t(i)];
        }
        if (untilFaded)
            for (int i = 0; i < length; ++i)
                if (std::fabs(left[size_t(i)]) >= QZPSoundRenderer::FadedLevel ||
                    std::fabs(right[size_t(i)]) >= QZPSoundRenderer::FadedLevel)
                    quietSince = frame + i + 1;
        frame = until;
    }
    return interleaved;
}

} // namespace

std::vector<float> QZPSoundRenderer::render(const QByteArray& patch, const QList<Note>& notes, double seconds,
                                            int sampleRate, const QList<TimedMessage>& controls) {
    return renderFrames(patch, notes, qint64(std::llround(seconds * sampleRate)), sampleRate, controls,
                        false);
}

std::vector<float> QZPSoundRenderer::renderUntilFaded(const QByteArray& patch, const QList<Note>& notes,
                                                      int sampleRate, double longestSeconds) {
    return renderFrames(patch, notes, qint64(std::llround(longestSeconds * sampleRate)), sampleRate, {},
                        true);
}

namespace {

// A WAV file made in memory: libsndfile writes through these into a byte array, which then goes to disk
// by the program's one safe way of writing a file.
struct MemoryFile {
    QByteArray data;
    sf_count_t position = 0;
};

sf_count_t memoryLength(void* file) {
    return static_cast<MemoryFile*>(file)->data.size();
}

sf_count_t memorySeek(sf_count_t offset, int whence, void* file) {
    auto* memory = static_cast<MemoryFile*>(file);
    const sf_count_t base = whence == SEEK_CUR   ? memory->position
                            : whence == SEEK_END ? memory->data.size()
                                                 : 0;
    memory->position = std::max<sf_count_t>(0, base + offset);
    return memory->position;
}

sf_count_t memoryRead(void* destination, sf_count_t count, void* file) {
    auto* memory = static_cast<MemoryFile*>(file);
    const sf_count_t available = std::max<sf_count_t>(0, memory->data.size() - memory->position);
    const sf_count_t taken = std::min(count, available);
    std::memcpy(destination, memory->data.constData() + memory->position, size_t(taken));
    memory->position += taken;
    return taken;
}

sf_count_t memoryWrite(const void* source, sf_count_t count, void* file) {
    auto* memory = static_cast<MemoryFile*>(file);
    const sf_count_t end = memory->position + count;
    if (end > memory->data.size())
        memory->data.resize(qsizetype(end));
    std::memcpy(memory->data.data() + memory->position, source, size_t(count));
    memory->position = end;
    return count;
}

sf_count_t memoryTell(void* file) {
    return static_cast<MemoryFile*>(file)->position;
}

} // namespace

std::optional<QByteArray> QZPSoundRenderer::wavData(const std::vector<float>& samples, int sampleRate,
                                                    QString* error) {
    SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    MemoryFile memory;
    memory.data.reserve(qsizetype(44 + samples.size() * 3));
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    SNDFILE* file = sf_open_virtual(&io, SFM_WRITE, &info, &memory);
    if (!file) {
        if (error)
            *error = QString::fromLocal8Bit(sf_strerror(nullptr));
        return std::nullopt;
    }
    // Clipped, never wrapped, should a sound exceed full scale.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    const sf_count_t frames = sf_count_t(samples.size() / 2);
    const bool written = sf_writef_float(file, samples.data(), frames) == frames;
    if (!written && error)
        *error = QString::fromLocal8Bit(sf_strerror(file));
    if (sf_close(file) != 0 || !written)
        return std::nullopt;
    return memory.data;
}
