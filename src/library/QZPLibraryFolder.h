// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/QZPFolderWalker.h"
#include "library/QZPLibraryTable.h"
#include "model/QZPFileReference.h"

#include <QFutureWatcher>
#include <QObject>
#include <QUrl>
#include <functional>
#include <memory>

class QZPFolderMonitor;

// The library's folder: where it is, held by its identity (renamed, or moved next to where it was or into
// a folder there, it is followed to its new place; gone with nobody in its place, it stays where it was),
// watched for changes, and walked on a worker thread when it changes. Refreshes asked for during a walk
// give one more walk after it; a walk of a folder that was changed meanwhile is dropped, as the new
// folder's own walk is on the way. A main-thread object: only the walk runs elsewhere, on data of its own.
class QZPLibraryFolder : public QObject {
    Q_OBJECT

public:
    // What the walk needs from the library: how many files it lists, and which it lists already (as
    // sorted path hashes, whose keys the walk need not make).
    struct Listing {
        qsizetype expectedRows = 0;
        QZPFolderWalker::KnownPaths known;
    };
    using ListingProvider = std::function<Listing()>;
    // Called on the main thread with each walk of the current folder.
    using WalkHandler = std::function<void(const QString& folder, QZPLibraryTable walked)>;

    QZPLibraryFolder(ListingProvider listing, WalkHandler walked, QObject* parent = nullptr);
    ~QZPLibraryFolder() override;

    QUrl url() const { return m_url; }
    QString path() const { return m_url.toLocalFile(); }
    // A new folder is watched and walked from the next turn of the event loop.
    void setUrl(const QUrl& url);
    // Walks the folder on a worker thread.
    void refresh();
    // The same, walking on the calling thread.
    void refreshNow();
    // A walk runs, or one is about to (the folder was just set).
    bool isWalking() const { return m_walking || m_walkPending; }
    QZPFolderMonitor* monitor() const { return m_monitor.get(); }
    void restartMonitor();

signals:
    // The folder changed, by setUrl or because it moved.
    void urlChanged();

private:
    void followMovedFolder();
    void startWalk();

    ListingProvider m_listing;
    WalkHandler m_walked;
    QUrl m_url;
    QZPFileReference m_reference;
    std::unique_ptr<QZPFolderMonitor> m_monitor;
    std::unique_ptr<QFutureWatcher<QZPLibraryTable>> m_walk;
    bool m_walking = false;
    bool m_walkPending = false;
    // The next walk first removes what killed writers left in the folder (once per folder set).
    bool m_sweepPending = false;
    bool m_walkAgain = false;
};
