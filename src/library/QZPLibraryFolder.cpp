// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/QZPLibraryFolder.h"

#include "library/QZPFolderMonitor.h"
#include "model/QZPFileSystem.h"
#include "model/QZPTemporaryFiles.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <QtConcurrent>
#include <utility>

QZPLibraryFolder::QZPLibraryFolder(ListingProvider listing, WalkHandler walked, QObject* parent)
    : QObject(parent), m_listing(std::move(listing)), m_walked(std::move(walked)) {}

QZPLibraryFolder::~QZPLibraryFolder() {
    if (m_monitor)
        m_monitor->stopMonitoring();
    // (A walk that finished handed its table over: its future holds nothing more to wait for.)
    if (m_walk && m_walking)
        m_walk->waitForFinished();
}

void QZPLibraryFolder::setUrl(const QUrl& url) {
    Q_ASSERT(thread() == QThread::currentThread());
    m_url = url;
    m_reference = url.isEmpty() ? QZPFileReference() : QZPFileReference::forPath(url.toLocalFile());
    emit urlChanged();
    m_walkPending = !url.isEmpty();
    m_sweepPending = !url.isEmpty();
    QPointer<QZPLibraryFolder> self(this);
    QMetaObject::invokeMethod(
        this,
        [self] {
            if (!self)
                return;
            self->m_walkPending = false;
            self->restartMonitor();
            self->refresh();
        },
        Qt::QueuedConnection);
}

void QZPLibraryFolder::restartMonitor() {
    if (m_monitor) {
        m_monitor->stopMonitoring();
        m_monitor.reset();
    }
    if (m_url.isEmpty())
        return;
    QPointer<QZPLibraryFolder> self(this);
    m_monitor = QZPFolderMonitor::folderMonitorForURL(m_url, [self] {
        QMetaObject::invokeMethod(
            qApp,
            [self] {
                if (self)
                    self->refresh();
            },
            Qt::QueuedConnection);
    });
    m_monitor->startMonitoring();
}

void QZPLibraryFolder::refresh() {
    if (m_url.isEmpty())
        return;
    if (m_walking) {
        m_walkAgain = true;
        return;
    }
    startWalk();
}

void QZPLibraryFolder::refreshNow() {
    if (m_url.isEmpty())
        return;
    followMovedFolder();
    const Listing listing = m_listing();
    m_walked(path(), QZPFolderWalker::walk(path(), listing.expectedRows, listing.known));
}

void QZPLibraryFolder::followMovedFolder() {
    const QString current = path();
    if (!m_reference.isNull() && !m_reference.refersTo(current)) {
        const QString moved = m_reference.resolvedPath(2);
        if (!moved.isEmpty() && moved != current) {
            m_url = QUrl::fromLocalFile(moved);
            m_reference = QZPFileReference::forPath(moved);
            emit urlChanged();
            restartMonitor();
            return;
        }
    }
    // Not there when it was set, or replaced by a new folder of the same name: held from now on.
    if (m_reference.isNull() || !m_reference.refersTo(current)) {
        const QZPFileReference now = QZPFileReference::forPath(current);
        if (!now.isNull())
            m_reference = now;
    }
}

void QZPLibraryFolder::startWalk() {
    followMovedFolder();
    m_walking = true;
    m_walkAgain = false;
    const QString folder = path();
    m_walk = std::make_unique<QFutureWatcher<QZPLibraryTable>>();
    connect(m_walk.get(), &QFutureWatcherBase::finished, this, [this, folder] {
        QZPLibraryTable walked = m_walk->future().takeResult();
        m_walking = false;
        // The folder may have changed while the walk ran; its own refresh is on the way then.
        if (folder == path())
            m_walked(folder, std::move(walked));
        if (m_walkAgain)
            refresh();
    });
    const Listing listing = m_listing();
    // The first walk of a folder also clears away what killed writers left in it, off the main thread.
    const bool sweep = std::exchange(m_sweepPending, false);
    m_walk->setFuture(
        QtConcurrent::run([folder, expected = listing.expectedRows, known = listing.known, sweep] {
            if (sweep)
                QZPTemporaryFiles::removeDeadWritersFiles(folder);
            return QZPFolderWalker::walk(folder, expected, known);
        }));
}
