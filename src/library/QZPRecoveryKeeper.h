// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QTimer>

class QZPPreset;
class QZPPresetsController;

// A safety net for unsaved edits (beside the saving the user does; files are never saved for them): every
// edited preset and draft of the library is kept in a recovery folder under the XDG state folder, one
// small file each with its patch, name, file, type and undo position, written the safe way a few seconds
// after its last change and at once when the session ends. A preset saved, reverted or closed without
// saving loses its entry. Entries carry the writing process's id and start time, so two ToneBench
// instances never share one, and the next start can tell the entries of an instance that has ended (a
// crash, a kill) from those of one still running.
class QZPRecoveryKeeper : public QObject {
    Q_OBJECT

public:
    // Well within the 30 s a change may wait before it is kept.
    static constexpr int WriteDelayMs = 3000;
    static constexpr qint64 MaximumEntrySize = 64 * 1024;

    // What an ended instance left for one preset.
    struct Entry {
        QString entryPath;
        QString name;
        // The preset's file; empty for a draft.
        QString file;
        QString type;
        // The 24-byte Patch message as edited.
        QByteArray message;
        int undoIndex = 0;
        // The file's modification time and size when the edit was kept, to tell a file changed meanwhile.
        qint64 fileModified = 0;
        qint64 fileSize = -1;
        // The file is not as it was when the edit was kept (changed or gone).
        bool fileChanged() const;
    };

    // Keeps the library's edited presets in `folder` (made when needed).
    QZPRecoveryKeeper(QZPPresetsController* library, const QString& folder, QObject* parent = nullptr);
    ~QZPRecoveryKeeper() override;

    // $XDG_STATE_HOME/ToneBench/Recovery (~/.local/state/ToneBench/Recovery without the variable).
    static QString defaultFolder();
    const QString& folder() const { return m_folder; }

    // Writes every edited preset's entry now (a signal, the session's end) and removes the entries of
    // presets no longer edited.
    void keepNow();
    // Removes every entry of this instance: a quit whose review settled each edit leaves nothing to
    // recover.
    void forgetAll();
    // Stops keeping: the entries on disk stay as they are while the program goes down (its presets
    // closing then are no answer of the user's).
    void stop();

    // The entries instances that have ended left in the folder (not those of a running one, nor broken
    // files), oldest first.
    static QList<Entry> leftBehind(const QString& folder);
    static void discard(const QList<Entry>& entries);

private:
    void watch(QZPPreset* preset);
    void presetChanged(QZPPreset* preset);
    void writeDirty();
    // Writes or removes one preset's entry as its state says.
    void keep(QZPPreset* preset);
    QString entryPath(QZPPreset* preset);

    QZPPresetsController* m_library;
    QString m_folder;
    QTimer m_writeSoon;
    QList<QPointer<QZPPreset>> m_dirty;
    // Each watched preset's entry file name, given when first written.
    QHash<QZPPreset*, QString> m_entries;
    QSet<QZPPreset*> m_watched;
    int m_nextEntry = 1;
    bool m_stopped = false;
};
