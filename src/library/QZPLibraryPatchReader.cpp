// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/QZPLibraryPatchReader.h"

#include "model/QZPFileSystem.h"
#include "model/QZPPatch.h"
#include "model/QZPPreset.h"

#include <QFile>
#include <sys/stat.h>

namespace {

// A preset file is small: anything larger is not one.
constexpr qint64 MaximumPresetSize = 1024 * 1024;
// Rows handed over at once: few enough to fill the list as it goes, many enough to cost little.
constexpr qsizetype BatchSize = 2048;

qint64 modificationTime(const struct stat& st) {
    return qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

} // namespace

QZPLibraryPatchReader::QZPLibraryPatchReader(QObject* parent)
    : QObject(parent), m_reading({[this](qsizetype looked, qsizetype total) { emit progress(looked, total); },
                                  [this](const Batch& batch) { emit batchRead(batch); },
                                  [this](std::optional<Batch>, bool cancelled) {
                                      if (!cancelled)
                                          emit finished();
                                  }}) {}

QZPLibraryPatchReader::~QZPLibraryPatchReader() {
    stop();
}

void QZPLibraryPatchReader::stop() {
    m_reading.stop();
}

void QZPLibraryPatchReader::read(const QString& folder, const Requests& requests, quint64 generation) {
    m_reading.start([folder, requests, generation](QZPBackgroundTask<Batch>::Context& context) {
        const qsizetype total = requests.files.size();
        context.progress(0, total);
        readNow(
            folder, requests, generation, [&context](const Batch& batch) { context.partial(batch); },
            [&context] { return context.isCancelled(); },
            [&context, total](qsizetype looked) { context.progress(looked, total); });
        return std::optional<Batch>();
    });
}

QZPLibraryTable::PatchState QZPLibraryPatchReader::readPatch(const QString& path, unsigned char* patch,
                                                             qint64* modified) {
    struct stat st {};
    if (modified)
        *modified = ::stat(QFile::encodeName(path).constData(), &st) == 0 ? modificationTime(st) : 0;
    const std::optional<QByteArray> data = QZPFileSystem::readFile(path, nullptr, MaximumPresetSize);
    const QByteArray payload =
        data ? QZPPreset::filePayload(*data, QZPPreset::typeForFileName(path)) : QByteArray();
    if (!data || !QZPPreset::patchProblem(payload).isEmpty())
        return QZPLibraryTable::PatchState::Unreadable;
    const QByteArray bytes = QZPPatch(payload).data();
    std::copy(bytes.begin(), bytes.begin() + QZPLibraryTable::PatchLength, patch);
    return QZPLibraryTable::PatchState::Read;
}

void QZPLibraryPatchReader::readNow(const QString& folder, const Requests& requests, quint64 generation,
                                    const std::function<void(const Batch&)>& take,
                                    const std::function<bool()>& cancelled,
                                    const std::function<void(qsizetype)>& progress) {
    QString path = folder;
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    const qsizetype base = path.size();
    Batch batch;
    qsizetype looked = 0;
    for (const Request& request : requests.files) {
        if (cancelled && cancelled())
            return;
        if (progress && looked++ % 512 == 0)
            progress(looked - 1);
        path.truncate(base);
        path.append(QStringView(requests.paths).sliced(request.pathStart, request.pathLength));
        // An unchanged file is only looked at.
        struct stat st {};
        if (::stat(QFile::encodeName(path).constData(), &st) != 0)
            continue; // gone: the next walk takes its row away
        if (request.state != QZPLibraryTable::PatchState::Unread && request.modified == modificationTime(st))
            continue;
        Result result;
        result.generation = generation;
        result.row = request.row;
        result.identity = request.identity;
        result.modified = modificationTime(st);
        result.state = readPatch(path, result.patch.data());
        batch.append(result);
        if (batch.size() >= BatchSize)
            take(std::exchange(batch, {}));
    }
    if (!batch.isEmpty())
        take(batch);
    if (progress)
        progress(requests.files.size());
}
