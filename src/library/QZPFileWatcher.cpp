// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/QZPFileWatcher.h"

#include "library/QZPInotifyReader.h"
#include "model/QZPPreset.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <cerrno>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace {
constexpr uint32_t WatchedEvents = IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ONLYDIR;
// How long a move's leaving end waits for its arriving end before the file counts as moved out of sight.
constexpr int PendingMoveMs = 100;
} // namespace

QZPFileWatcher* QZPFileWatcher::sharedInstance() {
    static QZPFileWatcher* watcher = new QZPFileWatcher;
    return watcher;
}

QZPFileWatcher::QZPFileWatcher() {
    m_pendingTimer.setSingleShot(true);
    connect(&m_pendingTimer, &QTimer::timeout, this, &QZPFileWatcher::resolvePendingMoves);
    m_inotifyFd = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_inotifyFd < 0 || m_wakeFd < 0)
        return;
    m_thread = QThread::create([this] { readEvents(); });
    m_thread->setObjectName(QStringLiteral("QZPFileWatcher"));
    m_thread->start();
}

QZPFileWatcher::~QZPFileWatcher() {
    if (m_thread) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
        m_thread->wait();
        delete m_thread;
    }
    if (m_inotifyFd >= 0)
        ::close(m_inotifyFd);
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void QZPFileWatcher::readEvents() {
    while (QZPInotifyReader::waitForEvents(m_inotifyFd, m_wakeFd)) {
        QList<Event> events;
        QZPInotifyReader::readPendingEvents(m_inotifyFd, [&events](const inotify_event& event) {
            // The watch's folder is looked up on the main thread, where the watches are kept.
            if (event.len > 0)
                events.append({event.wd, QFile::decodeName(event.name), event.mask, event.cookie});
        });
        if (!events.isEmpty())
            QMetaObject::invokeMethod(
                this, [this, events] { handleEvents(events); }, Qt::QueuedConnection);
    }
}

void QZPFileWatcher::watchFolder(const QString& folder) {
    auto it = m_watchOfFolder.find(folder);
    if (it != m_watchOfFolder.end()) {
        ++it->second;
        return;
    }
    const int wd = m_inotifyFd >= 0
                       ? inotify_add_watch(m_inotifyFd, QFile::encodeName(folder).constData(), WatchedEvents)
                       : -1;
    m_watchOfFolder.insert(folder, {wd, 1});
    if (wd >= 0)
        m_folderOfWatch.insert(wd, folder);
}

void QZPFileWatcher::unwatchFolder(const QString& folder) {
    auto it = m_watchOfFolder.find(folder);
    if (it == m_watchOfFolder.end() || --it->second > 0)
        return;
    if (it->first >= 0) {
        inotify_rm_watch(m_inotifyFd, it->first);
        m_folderOfWatch.remove(it->first);
    }
    m_watchOfFolder.erase(it);
}

namespace {
QString folderOf(const QString& path) {
    return path.left(path.lastIndexOf(QLatin1Char('/')));
}
} // namespace

void QZPFileWatcher::addPresenter(QZPPreset* preset) {
    if (m_pathOfPreset.contains(preset))
        return;
    m_pathOfPreset.insert(preset, QString());
    // Only presets with contents in memory are followed (a few): a connection each is affordable.
    connect(preset, &QZPDocument::fileURLChanged, this, [this, preset] { presenterMoved(preset); });
    // On destruction only the pointer is used, to forget it.
    connect(preset, &QObject::destroyed, this, [this, preset] { removePresenter(preset); });
    presenterMoved(preset);
}

void QZPFileWatcher::removePresenter(QZPPreset* preset) {
    const auto it = m_pathOfPreset.constFind(preset);
    if (it == m_pathOfPreset.constEnd())
        return;
    const QString path = it.value();
    m_pathOfPreset.erase(it);
    disconnect(preset, nullptr, this, nullptr);
    forgetPath(preset, path);
}

void QZPFileWatcher::forgetPath(QZPPreset* preset, const QString& path) {
    if (path.isEmpty())
        return;
    m_presetsByPath.remove(path, preset);
    unwatchFolder(folderOf(path));
}

void QZPFileWatcher::presenterMoved(QZPPreset* preset) {
    const auto it = m_pathOfPreset.find(preset);
    if (it == m_pathOfPreset.end())
        return;
    const QString path = preset->filePath();
    if (it.value() == path)
        return;
    forgetPath(preset, it.value());
    it.value() = path;
    if (!path.isEmpty()) {
        m_presetsByPath.insert(path, preset);
        watchFolder(folderOf(path));
    }
}

void QZPFileWatcher::handleEvents(const QList<Event>& events) {
    for (const Event& raw : events) {
        // Events name their watch; the path is completed here, where the watches are known.
        const QString folder = m_folderOfWatch.value(raw.watch);
        if (folder.isEmpty())
            continue;
        const QString path = folder + QLatin1Char('/') + raw.name;
        if (raw.mask & IN_MOVED_FROM) {
            if (m_presetsByPath.contains(path))
                m_pendingMoves.insert(raw.cookie, path);
            continue;
        }
        if (raw.mask & IN_MOVED_TO) {
            const QString from = m_pendingMoves.take(raw.cookie);
            for (QZPPreset* preset : m_presetsByPath.values(from))
                if (m_pathOfPreset.contains(preset) && preset->fileReference().refersTo(path))
                    preset->presentedItemDidMoveToURL(QUrl::fromLocalFile(path));
        }
        // A file deleted, or another file put in its place: the presets of that path whose file is no
        // longer there learn that it is gone; one replaced takes the new file's identity.
        if (raw.mask & (IN_DELETE | IN_MOVED_TO)) {
            for (QZPPreset* preset : m_presetsByPath.values(path)) {
                if (!m_pathOfPreset.contains(preset) || preset->fileReference().refersTo(path))
                    continue;
                if (QFileInfo::exists(path))
                    preset->setFileURL(QUrl::fromLocalFile(path));
                else
                    preset->accommodatePresentedItemDeletion();
            }
        }
    }
    if (!m_pendingMoves.isEmpty())
        m_pendingTimer.start(PendingMoveMs);
}

void QZPFileWatcher::resolvePendingMoves() {
    const QHash<quint32, QString> pending = std::exchange(m_pendingMoves, {});
    for (const QString& path : pending)
        for (QZPPreset* preset : m_presetsByPath.values(path))
            if (m_pathOfPreset.contains(preset) && !preset->fileReference().refersTo(path))
                preset->presentedItemDidMoveToURL(QUrl());
}
