// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMutex>
#include <QUrl>
#include <functional>
#include <memory>

class QThread;

// Watches one folder's own entries (an item created, deleted, moved in or out, renamed) and the folder
// itself being renamed or moved, and calls the client's block on a private thread named
// "QZPFolderMonitor Queue". Writes into existing files and changes inside subfolders are not reported.
// Changes that arrive while a call is pending are merged into it, so a burst may give one call.
class QZPFolderMonitor {
public:
    // Throws QZPInvalidParameter for a missing URL or block, and std::invalid_argument for a URL that
    // is not a file URL.
    QZPFolderMonitor(const QUrl& url, std::function<void()> block);
    ~QZPFolderMonitor();

    static std::unique_ptr<QZPFolderMonitor> folderMonitorForURL(const QUrl& url,
                                                                 std::function<void()> block);

    QUrl URL() const { return m_url; }
    bool isMonitoring() const;

    // Begins watching; does nothing when already watching or when the folder cannot be opened.
    void startMonitoring();
    // Stops watching. When it returns no call begins any more (unless called from the block itself,
    // which then finishes).
    void stopMonitoring();

private:
    void run(int inotifyFd, int wakeFd);

    const QUrl m_url;
    const std::function<void()> m_block;
    mutable QMutex m_lock;
    QThread* m_thread = nullptr;
    int m_wakeFd = -1;
};
