// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/QZPFolderMonitor.h"

#include "library/QZPInotifyReader.h"
#include "model/QZPInvalidParameter.h"

#include <QFile>
#include <QThread>
#include <cerrno>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace {
// The folder's own entries (what a directory's "write" means), and the folder itself being renamed or
// moved, so the client can follow it.
constexpr uint32_t ChangeEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MOVE_SELF;
constexpr uint32_t EntryEvents = ChangeEvents | IN_ONLYDIR;
} // namespace

QZPFolderMonitor::QZPFolderMonitor(const QUrl& url, std::function<void()> block)
    : m_url(url), m_block(std::move(block)) {
    QZP_PRECONDITION(!url.isEmpty(), "URL");
    QZP_PRECONDITION(bool(m_block), "block");
    QZP_PRECONDITION(url.isLocalFile(), "URL Parameter must be a folder URL");
}

QZPFolderMonitor::~QZPFolderMonitor() {
    stopMonitoring();
}

std::unique_ptr<QZPFolderMonitor> QZPFolderMonitor::folderMonitorForURL(const QUrl& url,
                                                                        std::function<void()> block) {
    return std::make_unique<QZPFolderMonitor>(url, std::move(block));
}

bool QZPFolderMonitor::isMonitoring() const {
    QMutexLocker lock(&m_lock);
    return m_thread != nullptr;
}

void QZPFolderMonitor::startMonitoring() {
    QMutexLocker lock(&m_lock);
    if (m_thread)
        return;
    const int inotifyFd = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (inotifyFd < 0)
        return;
    if (inotify_add_watch(inotifyFd, QFile::encodeName(m_url.toLocalFile()).constData(), EntryEvents) < 0) {
        ::close(inotifyFd);
        return;
    }
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0) {
        ::close(inotifyFd);
        return;
    }
    const int wakeFd = m_wakeFd;
    m_thread = QThread::create([this, inotifyFd, wakeFd] { run(inotifyFd, wakeFd); });
    m_thread->setObjectName(QStringLiteral("QZPFolderMonitor Queue"));
    m_thread->start();
}

void QZPFolderMonitor::stopMonitoring() {
    QThread* thread = nullptr;
    {
        QMutexLocker lock(&m_lock);
        if (!m_thread)
            return;
        thread = std::exchange(m_thread, nullptr);
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
    }
    if (QThread::currentThread() == thread) {
        // Stopped from the block itself: the thread ends when the block returns.
        QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
        return;
    }
    thread->wait();
    delete thread;
}

// The thread owns both descriptors and ends only when woken by stopMonitoring, so the wake-up descriptor
// is valid whenever stopMonitoring writes to it.
void QZPFolderMonitor::run(int inotifyFd, int wakeFd) {
    bool folderGone = false;
    // A folder that is gone leaves nothing to watch: only the wake-up is waited for.
    while (QZPInotifyReader::waitForEvents(folderGone ? -1 : inotifyFd, wakeFd)) {
        // Everything pending now makes one delivery.
        bool changed = false;
        QZPInotifyReader::readPendingEvents(inotifyFd, [&](const inotify_event& event) {
            if (event.mask & (ChangeEvents | IN_Q_OVERFLOW))
                changed = true;
            if (event.mask & IN_IGNORED)
                folderGone = true;
        });
        {
            QMutexLocker lock(&m_lock);
            if (m_thread != QThread::currentThread())
                break; // stopped meanwhile: no call begins
        }
        if (changed)
            m_block();
    }
    ::close(inotifyFd);
    ::close(wakeFd);
}
