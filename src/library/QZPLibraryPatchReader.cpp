// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/QZPLibraryPatchReader.h"

#include "model/QZPFileSystem.h"
#include "model/QZPPatch.h"
#include "model/QZPPreset.h"

#include <QFile>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>
#include <algorithm>
#include <sys/stat.h>

namespace {

// A preset file is small: anything larger is not one.
constexpr qint64 MaximumPresetSize = 1024 * 1024;
// Rows handed over at once: few enough to fill the list as it goes, many enough to cost little.
constexpr qsizetype BatchSize = 2048;

// Files a reader takes at a time: enough that handing a slice over costs little beside its reads.
constexpr qsizetype SliceSize = 256;

// The reads of every library in the process: a pool of their own, so that a read started from the
// application's pool never waits for a thread of that pool.
QThreadPool* readers() {
    static QThreadPool* pool = [] {
        auto* made = new QThreadPool;
        made->setMaxThreadCount(std::max(2, QThread::idealThreadCount()));
        return made;
    }();
    return pool;
}

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
    QString base = folder;
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    // The files are read a slice at a time on the readers' pool, as many at once as the machine has cores
    // (a read waits on the disk as much as it computes); the slices are handed over in order, here.
    QList<std::pair<qsizetype, qsizetype>> slices;
    for (qsizetype first = 0; first < requests.files.size(); first += SliceSize)
        slices.append({first, std::min(first + SliceSize, requests.files.size())});
    const auto readSlice = [&](const std::pair<qsizetype, qsizetype>& slice) {
        Batch read;
        QString path = base;
        for (qsizetype i = slice.first; i < slice.second; ++i) {
            const Request& request = requests.files.at(i);
            path.truncate(base.size());
            path.append(QStringView(requests.paths).sliced(request.pathStart, request.pathLength));
            // An unchanged file is only looked at.
            struct stat st {};
            if (::stat(QFile::encodeName(path).constData(), &st) != 0)
                continue; // gone: the next walk takes its row away
            if (request.state != QZPLibraryTable::PatchState::Unread &&
                request.modified == modificationTime(st))
                continue;
            Result result;
            result.generation = generation;
            result.row = request.row;
            result.identity = request.identity;
            result.modified = modificationTime(st);
            result.state = readPatch(path, result.patch.data());
            read.append(result);
        }
        return read;
    };
    // A wave of slices at a time, one batch's worth: what was read is handed over before more is read.
    constexpr qsizetype Wave = BatchSize / SliceSize;
    for (qsizetype first = 0; first < slices.size(); first += Wave) {
        if (cancelled && cancelled())
            return;
        if (progress)
            progress(slices.at(first).first);
        Batch batch;
        for (const Batch& read : QtConcurrent::blockingMapped(readers(), slices.mid(first, Wave), readSlice))
            batch.append(read);
        if (!batch.isEmpty())
            take(batch);
    }
    if (progress)
        progress(requests.files.size());
}
