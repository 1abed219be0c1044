#pragma once

#include "library/QZPArrangedRows.h"
#include "library/QZPFolderWalker.h"
#include "library/QZPLibraryTable.h"
#include "library/QZPNameCollator.h"
#include "library/QZPPresetFilter.h"
#include "model/QZPDocument.h"
#include "model/QZPFileReference.h"

#include <QAbstractListModel>
#include <QHash>
#include <QSet>
#include <QUrl>
#include <functional>
#include <memory>
#include <vector>

class DTFolderMonitor;
class QZPLibraryFolder;
class QZPPreset;

// The library: the presets of one folder (and its subfolders), kept in step with the disk, as a list
// model of the arranged presets: drafts first, then by display name in natural order (case-insensitive,
// numbers by value, the user's locale), filtered by the sidebar's filter. Edited presets that leave
// the library are kept in the stash until their file comes back or the application quits; for every
// folder left, the preset that was current is remembered and shown again on return.
//
// A listed file is a row of a compact table (its identity, path, name and collation key) until something
// asks for its preset (to show, select, open or export it): only then is the preset object made, and it
// stays. A folder of tens of thousands of files is listed without tens of thousands of objects.
class QZPPresetsController : public QAbstractListModel,
                             public QZPDocumentObserver,
                             private QZPArrangedRows::Listener {
    Q_OBJECT
    Q_PROPERTY(
        QUrl presetsFolderURL READ presetsFolderURL WRITE setPresetsFolderURL NOTIFY presetsFolderURLChanged)

public:
    enum Role { PresetRole = Qt::UserRole + 1, EditedRole, NewRole, FilePathRole };

    explicit QZPPresetsController(QObject* parent = nullptr);
    ~QZPPresetsController() override;

    // How many presets the library holds, also those the filter hides.
    qsizetype count() const { return m_liveRows; }
    // The preset objects made so far: drafts, and the files something asked for. A listed file nobody
    // has asked for has no object yet, and so nothing edited.
    QList<QZPPreset*> presets() const;
    bool contains(const QZPPreset* preset) const { return m_rowOfPreset.contains(preset); }
    // The display names of every preset the library holds, made or not.
    QSet<QString> names() const;
    // The library's preset of the file at `path` (made now if need be), or null when it lists no such file.
    QZPPreset* presetForPath(const QString& path);
    void addObject(QZPPreset* preset);
    void removeObject(QZPPreset* preset);

    // The arranged list.
    qsizetype arrangedCount() const { return m_rows.arranged().size(); }
    // The preset at `index` of the arranged list, made now if need be; null outside the list.
    QZPPreset* arrangedPresetAt(qsizetype index);
    // Where the preset is in the arranged list; -1 when it is not shown.
    qsizetype arrangedIndexOf(const QZPPreset* preset) const;
    // Every arranged preset, made now: for what uses them all (exports, scripts).
    QList<QZPPreset*> arrangedObjects();

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
    // The preset the window shows: the library remembers it per folder, to show it again when the folder
    // comes back.
    using CurrentPreset = std::function<const QZPPreset*()>;
    void setCurrentPresetProvider(CurrentPreset provider) { m_currentPreset = std::move(provider); }
    DTFolderMonitor* presetsFolderMonitor() const;

    void refreshFolderMonitor();
    // Walks the folder on a worker thread and brings the library in step on the main thread
    // (refreshFinished). Refreshes asked for during a walk give one more walk after it.
    void refreshAvailableDocuments();
    // The same, walking on the calling thread.
    void refreshAvailableDocumentsNow();
    bool isRefreshing() const;

    QZPPresetFilter filterPredicate() const { return m_rows.filter(); }
    void setFilterPredicate(const QZPPresetFilter& filter);

    // Selection, in terms of the arranged list.
    QList<QZPPreset*> selectedObjects();
    void setSelectedObjects(const QList<QZPPreset*>& presets);
    QList<int> selectionIndexes() const;
    // By index in the arranged list (indexes outside it are passed over): no preset object is made.
    void setSelectionIndexes(const QList<int>& indexes);
    void setSelectionIndex(int index) { setSelectionIndexes({index}); }

    // List model. The display name, states and path of a row are answered without making its preset.
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    void documentArrangementKeysChanged(QZPDocument* document) override;
    // A listed preset's contents came into memory: from now on it follows its file.
    void documentContentsLoaded(QZPDocument* document) override;

signals:
    void presetsFolderURLChanged();
    void selectionChanged();
    // A walk's result is in the library: `lastActive` is the preset the window last showed in this folder,
    // when it has just come (back) into the list, else null. What follows (a draft for an empty folder,
    // the current program sent) is the document controller's to decide.
    void refreshApplied(QZPPreset* lastActive);
    void refreshFinished();

private:
    using Row = QZPLibraryTable::Row;
    // What the library knows of a row beyond the table: its preset once made, and its state.
    struct Item {
        QZPPreset* preset = nullptr;
        bool isNew = false;
        bool live = true;
    };

    void applyRefresh(const QString& folder, QZPLibraryTable walked);
    QZPFolderWalker::KnownPaths knownPaths() const;
    void presetKeysChanged(QZPPreset* preset);
    Row adopt(QZPPreset* preset);
    void release(Row row);
    QZPPreset* presetAt(Row row);
    QString absolutePath(Row row) const;
    // The path of a listed file relative to the folder: empty for a draft or a file outside it.
    QString relativePath(Row row) const;
    void compact();
    bool lessThan(Row a, Row b) const;
    bool passes(Row row, const QZPPresetFilter& filter) const;
    void arrangedRowsWillInsert(qsizetype index) override;
    void arrangedRowsDidInsert() override;
    void arrangedRowsWillRemove(qsizetype index) override;
    void arrangedRowsDidRemove() override;
    void arrangedRowsWillReset() override;
    void arrangedRowsDidReset() override;

    // Rows of the library, live or released; `m_items` runs beside the table's rows.
    mutable QZPLibraryTable m_table;
    std::vector<Item> m_items;
    qsizetype m_liveRows = 0;
    QHash<const QZPPreset*, Row> m_rowOfPreset;
    QZPArrangedRows m_rows;
    QSet<Row> m_selection;
    QHash<QZPFileReference::Identity, QZPPreset*> m_unsavedPresets;
    QHash<QString, QZPFileReference> m_lastActivePresetPerDirectory;
    QZPNameCollator m_collator;
    CurrentPreset m_currentPreset;
    // While a refresh is applied the arranged list still holds rows it took out: a preset renamed
    // meanwhile only takes its sorted place, and the arranged list is made again at the end.
    bool m_applyingRefresh = false;
    bool m_keysChangedDuringRefresh = false;
    // Last: it goes (waiting for a walk that runs) before what its walks are applied to.
    std::unique_ptr<QZPLibraryFolder> m_folder;
};
