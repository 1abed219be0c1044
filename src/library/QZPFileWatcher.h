// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QThread;
class QZPPreset;

// Follows the files of the presets the program holds when another program moves or deletes them: one
// inotify watch per folder that holds such a file, read on one private thread; the events are matched
// to presets on the main thread. A move seen from both ends (in watched folders) gives the new place;
// a file moved where no watch sees it, or deleted, reaches the preset as such.
class QZPFileWatcher : public QObject {
    Q_OBJECT

public:
    static QZPFileWatcher* sharedInstance();
    ~QZPFileWatcher() override;

    // Follows the preset's file from now on (once, however often it is called), through every change
    // of its file URL, until the preset is destroyed or removed.
    void addPresenter(QZPPreset* preset);
    void removePresenter(QZPPreset* preset);
    bool isWatching(const QZPPreset* preset) const {
        return m_pathOfPreset.contains(const_cast<QZPPreset*>(preset));
    }

    // One inotify event: the watch it came from and the name of the entry in the watched folder.
    struct Event {
        int watch = -1;
        QString name;
        quint32 mask = 0;
        quint32 cookie = 0;
    };
    // Matches events to presets; called on the main thread.
    void handleEvents(const QList<Event>& events);

private:
    QZPFileWatcher();
    void presenterMoved(QZPPreset* preset);
    void forgetPath(QZPPreset* preset, const QString& path);
    void watchFolder(const QString& folder);
    void unwatchFolder(const QString& folder);
    void resolvePendingMoves();
    void readEvents();

    int m_inotifyFd = -1;
    int m_wakeFd = -1;
    QThread* m_thread = nullptr;
    QMultiHash<QString, QZPPreset*> m_presetsByPath;
    QHash<QZPPreset*, QString> m_pathOfPreset;
    QHash<int, QString> m_folderOfWatch;
    QHash<QString, QPair<int, int>> m_watchOfFolder; // folder -> (watch, presets in it)
    // Moves seen leaving a watched folder, by cookie, waiting for their other end.
    QHash<quint32, QString> m_pendingMoves;
    QTimer m_pendingTimer;
};
