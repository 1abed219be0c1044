// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/QZPArrangedRows.h"
#include "library/QZPFolderWalker.h"
#include "library/QZPLibraryMarks.h"
#include "library/QZPLibraryTable.h"
#include "library/QZPNameCollator.h"
#include "library/QZPPresetFilter.h"
#include "library/QZPPresetMarks.h"
#include "library/QZPRowPatches.h"
#include "library/QZPSimilarRows.h"
#include "model/QZPDocument.h"
#include "model/QZPFileReference.h"

#include <QAbstractListModel>
#include <QFileSystemWatcher>
#include <QHash>
#include <QSet>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QZPFolderMonitor;
class QZPError;
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
// stays. A folder of tens of thousands of files is listed without tens of thousands of objects. Each
// file's patch bytes are read into its row on a worker thread after every walk (only files that changed
// are read again), and the folder's favourites and tags (QZPPresetMarks) are kept per row, so the filter
// can ask about a preset's sound and marks as fast as about its name.
class QZPPresetsController : public QAbstractListModel,
                             public QZPDocumentObserver,
                             private QZPArrangedRows::Listener,
                             private QZPRowPatches::Rows {
    Q_OBJECT
    Q_PROPERTY(
        QUrl presetsFolderURL READ presetsFolderURL WRITE setPresetsFolderURL NOTIFY presetsFolderURLChanged)

public:
    enum Role {
        PresetRole = Qt::UserRole + 1,
        EditedRole,
        NewRole,
        FilePathRole,
        FavouriteRole,
        TagsRole,
        PatchRole,
        DistanceRole,
        // The subfolder of a preset whose name a neighbouring row shares ("Pads/Old"; "" for the library's
        // own folder), so that the two can be told apart; invalid when the name is the only one.
        SubfolderRole
    };

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
    QZPFolderMonitor* presetsFolderMonitor() const;

    void refreshFolderMonitor();
    // Walks the folder on a worker thread and brings the library in step on the main thread
    // (refreshFinished). Refreshes asked for during a walk give one more walk after it.
    void refreshAvailableDocuments();
    // The same, walking on the calling thread; the patches are not read (see readPatchesNow).
    void refreshAvailableDocumentsNow();
    bool isRefreshing() const;

    const QZPPresetFilter& filterPredicate() const { return m_rows.filter(); }
    void setFilterPredicate(const QZPPresetFilter& filter);

    // Patches: read after every walk on a worker thread (patchesRead when done), or now.
    void readPatchesNow();
    bool isReadingPatches() const { return m_patches.isReading(); }
    // One listed file of the folder with its patch as read: its path relative to the folder, its name.
    struct FilePatch {
        QString relativePath;
        QString name;
        QByteArray patch; // 18 bytes
    };
    struct FilePatches {
        QList<FilePatch> entries;
        // The files that hold no patch.
        QStringList unreadable;
    };
    // Every listed file in the folder whose patch has been read, in the list's sorted order (drafts and
    // files not read yet left out): the folder's patches for a window, without reading them again.
    FilePatches filePatches() const;
    // The patch the library knows for the preset (18 bytes): what it holds in memory once opened, else
    // what its file held when read; empty when not known yet.
    QByteArray patchOf(const QZPPreset* preset) const;

    // Find Similar: the `count` presets closest in sound to `preset` (its patch as it is now), best first,
    // in place of the filtered list until a filter is set or showAll() is called; each row's distance is
    // its DistanceRole (0 the same patch, 1 as far apart as can be). While patches are being read the
    // ranking waits for them. Answers false when the preset's patch is not known.
    bool showSimilar(const QZPPreset* preset, qsizetype count);
    void showAll();
    bool isShowingSimilar() const { return m_rows.isRanked() || m_similar.isWaiting(); }
    // Whether the ranking is in the list (not waiting for patches).
    bool isRanked() const { return m_rows.isRanked(); }
    // The name of the preset the list is ranked against.
    QString similarName() const { return m_similar.name(); }

    // Favourites and tags of the folder's presets. A draft, or a file outside the folder, has none and
    // takes none.
    QZPPresetMarks::Marks marksOf(const QZPPreset* preset) const;
    // Every tag the folder's presets have, sorted.
    QStringList folderTags() const { return m_marks.allTags(); }
    bool canMark(const QZPPreset* preset) const;
    // Changes the marks of each preset that can take them and writes the folder's file of marks.
    using MarksChange = std::function<void(QZPPresetMarks::Marks&)>;
    bool changeMarks(const QList<QZPPreset*>& presets, const MarksChange& change, QZPError* error);

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
    // Every listed file's patch has been read (after a walk).
    void patchesRead();
    // How many of the listed files a read has looked at so far.
    void patchesProgress(qsizetype looked, qsizetype total);
    // The list began or stopped showing presets similar to one.
    void similarChanged();
    // The folder's file of marks cannot be read: it is left out (and kept aside when marks next change).
    void marksUnreadable(const QZPError& error);
    // A preset object joined the library (a listed file's, made when first asked for; a draft; an edit
    // kept while its file went away).
    void presetMade(QZPPreset* preset);

private:
    using Row = QZPLibraryTable::Row;
    // What the library knows of a row beyond the table: its preset once made, and its state.
    struct Item {
        QZPPreset* preset = nullptr;
        bool isNew = false;
        bool live = true;
        QZPLibraryMarks::RowMarks marks;
    };

    void applyRefresh(const QString& folder, QZPLibraryTable walked);
    QZPFolderWalker::KnownPaths knownPaths() const;
    void presetKeysChanged(QZPPreset* preset);
    Row adopt(QZPPreset* preset);
    void release(Row row);
    QZPPreset* presetAt(Row row);
    QString absolutePath(Row row) const override;
    // The path of a listed file relative to the folder: empty for a draft or a file outside it.
    QString relativePath(Row row) const;
    QVariant subfolderIfNameRepeats(int index) const;
    void compact();
    // The row's file, identified as the library knows it.
    QZPFileReference::Identity fileIdentity(Row row) const;
    QZPLibraryPatchReader::Requests patchRequests(Row first, Row end) const override;
    bool listsFile(Row row, const QZPLibraryTable::Identity& identity) const override;
    const QZPPreset* presetOf(Row row) const override { return m_items[row].preset; }
    void patchesChanged(const QList<Row>& rows);
    void patchesDone();
    // Marks: read again when the folder's file of them changed; each row's looked up again.
    // Answers whether every row looked its marks up again.
    bool loadMarks(const QString& folder);
    bool lookUpMarks();
    void updateMarks(Row row);
    void rankSimilar();
    // Rows whose patch or marks changed: each shown or hidden again as the filter says.
    void refilter(const QList<Row>& rows, bool patchChanged);
    bool lessThan(Row a, Row b) const;
    std::pair<quint64, quint64> sortPrefix(Row row) const;
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
    bool m_walkingNow = false;
    QZPRowPatches m_patches;
    QZPLibraryMarks m_marks;
    QFileSystemWatcher m_marksWatcher;
    QZPSimilarRows m_similar;
    // Last: it goes (waiting for a walk that runs) before what its walks are applied to.
    std::unique_ptr<QZPLibraryFolder> m_folder;
};
