#pragma once

#include "library/QZPFolderWalker.h"
#include "library/QZPPresetFilter.h"
#include "model/QZPDocument.h"
#include "model/QZPFileReference.h"

#include <QAbstractListModel>
#include <QCollator>
#include <QFutureWatcher>
#include <QHash>
#include <QSet>
#include <QUrl>
#include <memory>
#include <unordered_map>

class DTFolderMonitor;
class QZPPreset;

// The library: the presets of one folder (and its subfolders), kept in step with the disk, as a list
// model of the arranged presets: drafts first, then by display name in natural order (case-insensitive,
// numbers by value, the user's locale), filtered by the sidebar's filter. Edited presets that leave
// the library are kept in the stash until their file comes back or the application quits; for every
// folder left, the preset that was current is remembered and shown again on return.
class QZPPresetsController : public QAbstractListModel, public QZPDocumentObserver {
    Q_OBJECT
    Q_PROPERTY(
        QUrl presetsFolderURL READ presetsFolderURL WRITE setPresetsFolderURL NOTIFY presetsFolderURLChanged)

public:
    enum Role { PresetRole = Qt::UserRole + 1, EditedRole, NewRole };

    explicit QZPPresetsController(QObject* parent = nullptr);
    ~QZPPresetsController() override;

    // Every preset the library holds (also those the filter hides), and the arranged list.
    QList<QZPPreset*> content() const { return m_content; }
    const QList<QZPPreset*>& arrangedObjects() const { return m_arranged; }
    bool contains(const QZPPreset* preset) const;
    void addObject(QZPPreset* preset);
    void removeObject(QZPPreset* preset);

    QUrl presetsFolderURL() const;
    void setPresetsFolderURL(const QUrl& url);

    // The stash: edited presets that left the library, by their file's identity.
    QZPPreset* unsavedDocumentForURL(const QUrl& url) const;
    QList<QZPPreset*> unsavedPresets() const { return m_unsavedPresets.values(); }
    // Empties the stash and answers what it held.
    QList<QZPPreset*> takeUnsavedPresets();
    QHash<QString, QZPFileReference> lastActivePresetPerDirectory() const {
        return m_lastActivePresetPerDirectory;
    }
    bool startUpFlag() const { return m_startUpFlag; }
    DTFolderMonitor* presetsFolderMonitor() const { return m_monitor.get(); }

    void refreshFolderMonitor();
    // Walks the folder on a worker thread and brings the library in step on the main thread
    // (refreshFinished). Refreshes asked for during a walk give one more walk after it.
    void refreshAvailableDocuments();
    // The same, walking on the calling thread.
    void refreshAvailableDocumentsNow();
    bool isRefreshing() const { return m_walking; }

    QZPPresetFilter filterPredicate() const { return m_filter; }
    void setFilterPredicate(const QZPPresetFilter& filter);

    // Selection, in terms of the arranged list.
    QList<QZPPreset*> selectedObjects() const;
    void setSelectedObjects(const QList<QZPPreset*>& presets);
    QList<int> selectionIndexes() const;
    void setSelectionIndex(int index);

    // List model.
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    void documentArrangementKeysChanged(QZPDocument* document) override;
    // A listed preset's contents came into memory: from now on it follows its file.
    void documentContentsLoaded(QZPDocument* document) override;

signals:
    void presetsFolderURLChanged();
    void selectionChanged();
    void refreshFinished();
    // Sent to the application's first responder in the platform this was written for: the main window
    // answers them (a new draft; sending the current program to the instrument).
    void newDocumentRequested();
    void sendProgramRequested();

private:
    void applyRefresh(const QString& folder, const QList<QZPFolderWalker::Entry>& entries);
    void startWalk();
    QSet<QString> knownPaths() const;
    void followMovedFolder();
    void rearrangeObjects(bool sort = true);
    void presetKeysChanged(QZPPreset* preset);
    void adopt(QZPPreset* preset, const QZPFolderWalker::Entry* walked = nullptr);
    void release(QZPPreset* preset);
    bool lessThan(QZPPreset* a, QZPPreset* b) const;
    qsizetype sortedPosition(QZPPreset* preset) const;
    qsizetype arrangedPosition(QZPPreset* preset) const;
    bool passes(QZPPreset* preset) const;

    QUrl m_folder;
    // The folder by identity, so the library follows it when it is renamed or moved.
    QZPFileReference m_folderReference;
    QList<QZPPreset*> m_content;
    QList<QZPPreset*> m_sorted;
    QList<QZPPreset*> m_arranged;
    QSet<QZPPreset*> m_selection;
    // What each preset was sorted under: its display name and that name's collation key.
    struct SortEntry {
        QString name;
        bool isNew;
        QCollatorSortKey key;
        // The name with case and diacritics folded away: brought along by the walk, or made the first
        // time a filter looks at it.
        mutable QString folded = {};
        mutable bool hasFolded = false;
    };
    std::unordered_map<QZPPreset*, SortEntry> m_sortEntries;
    QHash<QZPFileReference::Identity, QZPPreset*> m_unsavedPresets;
    QHash<QString, QZPFileReference> m_lastActivePresetPerDirectory;
    std::unique_ptr<DTFolderMonitor> m_monitor;
    QZPPresetFilter m_filter;
    // The arranged lists of the last few filters, while the presets and their names stay as they were.
    struct FilterMemo {
        QZPPresetFilter filter;
        QList<QZPPreset*> arranged;
    };
    static constexpr qsizetype MaximumFilterMemos = 8;
    QList<FilterMemo> m_filterMemos;
    QCollator m_collator;
    bool m_startUpFlag = false;
    bool m_walking = false;
    bool m_walkAgain = false;
    // While a refresh is applied the arranged list still holds presets it took out: a preset renamed
    // meanwhile only takes its sorted place, and the arranged list is made again at the end.
    bool m_applyingRefresh = false;
    bool m_keysChangedDuringRefresh = false;
    std::unique_ptr<QFutureWatcher<QList<QZPFolderWalker::Entry>>> m_walk;
};
