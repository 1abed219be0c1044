#include "library/QZPPresetsController.h"

#include "library/DTFolderMonitor.h"
#include "library/QZPFileWatcher.h"
#include "model/QZPDocumentControllerBase.h"
#include "model/QZPPreset.h"

#include <QPointer>
#include <QScopedValueRollback>
#include <QSet>
#include <QThread>
#include <QtConcurrent>
#include <algorithm>

QZPPresetsController::QZPPresetsController(QObject* parent) : QAbstractListModel(parent) {
    m_collator = QZPFolderWalker::collator();
}

QZPPresetsController::~QZPPresetsController() {
    if (m_monitor)
        m_monitor->stopMonitoring();
    if (m_walk)
        m_walk->waitForFinished();
}

// MARK: Content

bool QZPPresetsController::contains(const QZPPreset* preset) const {
    return m_sortEntries.count(const_cast<QZPPreset*>(preset)) > 0;
}

bool QZPPresetsController::lessThan(QZPPreset* a, QZPPreset* b) const {
    const SortEntry& ea = m_sortEntries.at(a);
    const SortEntry& eb = m_sortEntries.at(b);
    if (ea.isNew != eb.isNew)
        return ea.isNew; // drafts first
    return ea.key.compare(eb.key) < 0;
}

qsizetype QZPPresetsController::sortedPosition(QZPPreset* preset) const {
    return std::upper_bound(m_sorted.begin(), m_sorted.end(), preset,
                            [this](QZPPreset* a, QZPPreset* b) { return lessThan(a, b); }) -
           m_sorted.begin();
}

// Takes the preset in without arranging: the caller arranges once for a whole batch. A walk brings the
// name's collation key along.
void QZPPresetsController::adopt(QZPPreset* preset, const QZPFolderWalker::Entry* walked) {
    m_filterMemos.clear();
    const QString name = preset->displayName();
    const bool keyFits = walked && walked->sortKey && walked->name == name;
    SortEntry entry{name, preset->isNew(), keyFits ? *walked->sortKey : m_collator.sortKey(name)};
    if (keyFits) {
        entry.folded = walked->foldedName;
        entry.hasFolded = true;
    }
    m_sortEntries.emplace(preset, std::move(entry));
    m_content.append(preset);
    if (!preset->parent())
        preset->setParent(this);
    preset->setObserver(this);
    // Presets whose contents are in memory follow their files; the others are kept in step by the
    // refreshes alone (their contents are on disk, wherever the file goes).
    if (preset->isFileContentsLoaded())
        QZPFileWatcher::sharedInstance()->addPresenter(preset);
}

void QZPPresetsController::documentContentsLoaded(QZPDocument* document) {
    QZPFileWatcher::sharedInstance()->addPresenter(static_cast<QZPPreset*>(document));
}

void QZPPresetsController::release(QZPPreset* preset) {
    m_filterMemos.clear();
    m_sortEntries.erase(preset);
    m_content.removeOne(preset);
    m_sorted.removeOne(preset);
    m_selection.remove(preset);
    if (preset->observer() == this)
        preset->setObserver(nullptr);
}

void QZPPresetsController::addObject(QZPPreset* preset) {
    if (!preset || contains(preset))
        return;
    m_unsavedPresets.removeIf([preset](const auto& entry) { return entry.value() == preset; });
    adopt(preset);
    m_sorted.insert(sortedPosition(preset), preset);
    if (passes(preset)) {
        const qsizetype row = arrangedPosition(preset);
        beginInsertRows({}, int(row), int(row));
        m_arranged.insert(row, preset);
        endInsertRows();
    }
}

void QZPPresetsController::removeObject(QZPPreset* preset) {
    if (!contains(preset))
        return;
    const bool wasSelected = m_selection.contains(preset);
    release(preset);
    const qsizetype row = m_arranged.indexOf(preset);
    if (row >= 0) {
        beginRemoveRows({}, int(row), int(row));
        m_arranged.removeAt(row);
        endRemoveRows();
    }
    if (wasSelected)
        emit selectionChanged();
}

void QZPPresetsController::documentArrangementKeysChanged(QZPDocument* document) {
    presetKeysChanged(static_cast<QZPPreset*>(document));
}

// A preset's name, draft state or edited state changed: it moves to its new place, and appears or
// disappears as the filter says. Only that preset is touched, so an edit never re-sorts the list.
void QZPPresetsController::presetKeysChanged(QZPPreset* preset) {
    auto it = m_sortEntries.find(preset);
    if (it == m_sortEntries.end())
        return;
    m_filterMemos.clear(); // a new name or edited state can change what any filter shows
    const QString name = preset->displayName();
    const bool isNew = preset->isNew();
    const bool moved = name != it->second.name || isNew != it->second.isNew;
    if (moved) {
        m_sorted.removeOne(preset);
        it->second = SortEntry{name, isNew, m_collator.sortKey(name)};
        m_sorted.insert(sortedPosition(preset), preset);
    }
    if (m_applyingRefresh) {
        m_keysChangedDuringRefresh = true;
        return;
    }
    const qsizetype oldRow = m_arranged.indexOf(preset);
    const bool shown = passes(preset);
    if (!moved && shown == (oldRow >= 0)) {
        if (oldRow >= 0)
            emit dataChanged(index(int(oldRow)), index(int(oldRow)));
        return;
    }
    if (oldRow >= 0) {
        beginRemoveRows({}, int(oldRow), int(oldRow));
        m_arranged.removeAt(oldRow);
        endRemoveRows();
    }
    if (shown) {
        const qsizetype row = arrangedPosition(preset);
        beginInsertRows({}, int(row), int(row));
        m_arranged.insert(row, preset);
        endInsertRows();
    }
}

bool QZPPresetsController::passes(QZPPreset* preset) const {
    if (m_filter.isNull())
        return true;
    if (m_filter.usesEditedState() && !preset->isDocumentEdited())
        return false;
    const auto it = m_sortEntries.find(preset);
    if (it == m_sortEntries.end())
        return m_filter.matchesName(preset->displayName());
    const SortEntry& entry = it->second;
    if (!entry.hasFolded) {
        entry.folded = QZPPresetFilter::fold(entry.name);
        entry.hasFolded = true;
    }
    return m_filter.matchesFoldedName(entry.folded);
}

// Where the preset goes in the arranged list: after every shown preset that sorts before it.
qsizetype QZPPresetsController::arrangedPosition(QZPPreset* preset) const {
    return std::upper_bound(m_arranged.begin(), m_arranged.end(), preset,
                            [this](QZPPreset* a, QZPPreset* b) { return lessThan(a, b); }) -
           m_arranged.begin();
}

void QZPPresetsController::rearrangeObjects(bool sort) {
    if (sort) {
        m_filterMemos.clear();
        // Sorted with their keys at hand: one look-up per preset, not two per comparison.
        std::vector<std::pair<const SortEntry*, QZPPreset*>> keyed;
        keyed.reserve(size_t(m_sorted.size()));
        for (QZPPreset* preset : m_sorted)
            keyed.emplace_back(&m_sortEntries.at(preset), preset);
        std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
            if (a.first->isNew != b.first->isNew)
                return a.first->isNew;
            return a.first->key.compare(b.first->key) < 0;
        });
        for (size_t i = 0; i < keyed.size(); ++i)
            m_sorted[qsizetype(i)] = keyed[i].second;
    }
    beginResetModel();
    m_arranged.clear();
    if (m_filter.isNull())
        m_arranged = m_sorted;
    else
        std::copy_if(m_sorted.begin(), m_sorted.end(), std::back_inserter(m_arranged),
                     [this](QZPPreset* p) { return passes(p); });
    endResetModel();
}

// The sorted list is kept sorted as presets come, go and change: a new filter only picks from it. A
// filter that narrows the current one (one more letter typed) picks from what is shown now.
void QZPPresetsController::setFilterPredicate(const QZPPresetFilter& filter) {
    if (filter == m_filter)
        return;
    const bool narrowing = filter.narrows(m_filter);
    // What this filter showed is kept, so that taking a letter back (a filter shown a moment ago) is a
    // copy rather than a new pass over every name.
    m_filterMemos.removeIf([this](const FilterMemo& memo) { return memo.filter == m_filter; });
    m_filterMemos.append({m_filter, m_arranged});
    if (m_filterMemos.size() > MaximumFilterMemos)
        m_filterMemos.removeFirst();
    m_filter = filter;
    const auto memo = std::find_if(m_filterMemos.begin(), m_filterMemos.end(),
                                   [&filter](const FilterMemo& kept) { return kept.filter == filter; });
    if (memo != m_filterMemos.end()) {
        beginResetModel();
        m_arranged = memo->arranged;
        endResetModel();
        return;
    }
    if (!narrowing) {
        rearrangeObjects(false);
        return;
    }
    beginResetModel();
    m_arranged.removeIf([this](QZPPreset* preset) { return !passes(preset); });
    endResetModel();
}

// MARK: Folder

QUrl QZPPresetsController::presetsFolderURL() const {
    return m_folder;
}

// The library is a main-thread object: only the folder walk runs elsewhere, on data of its own.
void QZPPresetsController::setPresetsFolderURL(const QUrl& url) {
    Q_ASSERT(thread() == QThread::currentThread());
    // The same folder again (or none again) changes nothing: no second walk of a folder being walked.
    if (url == m_folder)
        return;
    if (!m_folder.isEmpty()) {
        const QZPDocumentControllerBase* documents = QZPDocumentControllerBase::sharedDocumentController();
        const auto* current =
            documents ? qobject_cast<const QZPPreset*>(documents->currentDocument()) : nullptr;
        const QString key = m_folder.toLocalFile();
        if (current && !current->isNew())
            m_lastActivePresetPerDirectory.insert(key, current->fileReference());
        else
            m_lastActivePresetPerDirectory.remove(key);
    }
    m_folder = url;
    m_folderReference = url.isEmpty() ? QZPFileReference() : QZPFileReference::forPath(url.toLocalFile());
    emit presetsFolderURLChanged();
    QPointer<QZPPresetsController> self(this);
    QMetaObject::invokeMethod(
        this,
        [self] {
            if (!self)
                return;
            self->refreshFolderMonitor();
            self->refreshAvailableDocuments();
        },
        Qt::QueuedConnection);
}

void QZPPresetsController::refreshFolderMonitor() {
    if (m_monitor) {
        m_monitor->stopMonitoring();
        m_monitor.reset();
    }
    const QUrl folder = presetsFolderURL();
    if (folder.isEmpty())
        return;
    QPointer<QZPPresetsController> self(this);
    m_monitor = DTFolderMonitor::folderMonitorForURL(folder, [self] {
        QMetaObject::invokeMethod(
            qApp,
            [self] {
                if (self)
                    self->refreshAvailableDocuments();
            },
            Qt::QueuedConnection);
    });
    m_monitor->startMonitoring();
}

void QZPPresetsController::refreshAvailableDocuments() {
    if (presetsFolderURL().isEmpty())
        return;
    if (m_walking) {
        m_walkAgain = true;
        return;
    }
    startWalk();
}

// The folder is held by its identity: renamed, or moved next to where it was or into a folder there, the
// library goes on from its new place, and its presets keep their objects (their files are matched by
// identity too). A folder that is gone and has nobody in its place leaves the library where it was.
void QZPPresetsController::followMovedFolder() {
    const QString path = m_folder.toLocalFile();
    if (!m_folderReference.isNull() && !m_folderReference.refersTo(path)) {
        const QString moved = m_folderReference.resolvedPath(2);
        if (!moved.isEmpty() && moved != path) {
            m_folder = QUrl::fromLocalFile(moved);
            m_folderReference = QZPFileReference::forPath(moved);
            emit presetsFolderURLChanged();
            refreshFolderMonitor();
            return;
        }
    }
    // Not there when it was set, or replaced by a new folder of the same name: held from now on.
    if (m_folderReference.isNull() || !m_folderReference.refersTo(path)) {
        const QZPFileReference now = QZPFileReference::forPath(path);
        if (!now.isNull())
            m_folderReference = now;
    }
}

void QZPPresetsController::startWalk() {
    followMovedFolder();
    m_walking = true;
    m_walkAgain = false;
    const QString folder = presetsFolderURL().toLocalFile();
    m_walk = std::make_unique<QFutureWatcher<QList<QZPFolderWalker::Entry>>>();
    connect(m_walk.get(), &QFutureWatcherBase::finished, this, [this, folder] {
        const QList<QZPFolderWalker::Entry> entries = m_walk->result();
        m_walking = false;
        // The folder may have changed while the walk ran; its own refresh is on the way then.
        if (folder == presetsFolderURL().toLocalFile())
            applyRefresh(folder, entries);
        if (m_walkAgain)
            refreshAvailableDocuments();
    });
    m_walk->setFuture(
        QtConcurrent::run([folder, known = knownPaths()] { return QZPFolderWalker::walk(folder, known); }));
}

QSet<QString> QZPPresetsController::knownPaths() const {
    QSet<QString> paths;
    paths.reserve(m_content.size());
    for (const QZPPreset* preset : m_content)
        if (!preset->isNew())
            paths.insert(preset->filePath());
    return paths;
}

void QZPPresetsController::refreshAvailableDocumentsNow() {
    if (m_folder.isEmpty())
        return;
    followMovedFolder();
    const QUrl folder = presetsFolderURL();
    applyRefresh(folder.toLocalFile(), QZPFolderWalker::walk(folder.toLocalFile(), knownPaths()));
}

void QZPPresetsController::applyRefresh(const QString& folder, const QList<QZPFolderWalker::Entry>& entries) {
    using Identity = QZPFileReference::Identity;
    QScopedValueRollback applying(m_applyingRefresh, true);
    m_keysChangedDuringRefresh = false;
    // Look-up tables for the presets already listed (none at the first refresh: nothing to build).
    QHash<Identity, const QZPFolderWalker::Entry*> onDisk;
    QHash<QString, const QZPFolderWalker::Entry*> byPath;
    const bool anyListed =
        std::any_of(m_content.begin(), m_content.end(), [](const QZPPreset* p) { return !p->isNew(); });
    if (anyListed) {
        onDisk.reserve(entries.size());
        byPath.reserve(entries.size());
        for (const QZPFolderWalker::Entry& entry : entries) {
            onDisk.insert(entry.reference.identity(), &entry);
            byPath.insert(entry.reference.lastKnownPath(), &entry);
        }
    }

    // Keep what is still in the folder (following a file to its new name); drafts stay too. Edited
    // presets whose file left go to the stash.
    QSet<Identity> keep;
    keep.reserve(m_content.size() + entries.size());
    bool removed = false;
    for (QZPPreset* preset : QList<QZPPreset*>(m_content)) {
        if (preset->isNew())
            continue;
        // The same path first (a file system's entry numbers need not match what stat reports), then the
        // same file under a new name.
        const QZPFileReference reference = preset->fileReference();
        const Identity identity = reference.identity();
        const QZPFolderWalker::Entry* entry = byPath.value(preset->filePath());
        if (!entry && !reference.isNull())
            entry = onDisk.value(identity);
        if (entry) {
            keep.insert(entry->reference.identity());
            if (entry->reference.lastKnownPath() != preset->filePath() || !(entry->reference == reference))
                preset->setFilePath(entry->reference.lastKnownPath(), entry->reference);
            continue;
        }
        const bool stashed = preset->isDocumentEdited() && !reference.isNull();
        if (stashed)
            m_unsavedPresets.insert(identity, preset);
        release(preset);
        removed = true;
        if (!stashed && preset->windowControllers().isEmpty() && !preset->isCurrentDocument())
            preset->deleteLater();
    }

    const QZPFileReference target =
        m_lastActivePresetPerDirectory.value(QUrl::fromLocalFile(folder).toLocalFile());
    QZPPreset* toOpen = nullptr;
    QList<QZPPreset*> added;
    for (const QZPFolderWalker::Entry& entry : entries) {
        const Identity identity = entry.reference.identity();
        if (keep.contains(identity))
            continue;
        QZPPreset* preset = m_unsavedPresets.take(identity);
        if (!preset) {
            preset = new QZPPreset(this);
            preset->setFileType(entry.type);
            preset->setFilePath(entry.reference.lastKnownPath(), entry.reference);
        } else if (preset->filePath() != entry.reference.lastKnownPath()) {
            preset->setFilePath(entry.reference.lastKnownPath(), entry.reference);
        }
        keep.insert(identity);
        if (!target.isNull() && entry.reference == target)
            toOpen = preset;
        adopt(preset, &entry);
        added.append(preset);
    }
    // A few new files are put in their places; many are sorted in once.
    if (added.size() > 64) {
        m_sorted = m_content;
        rearrangeObjects(true);
    } else {
        for (QZPPreset* preset : added)
            m_sorted.insert(sortedPosition(preset), preset);
        if (!added.isEmpty() || removed || m_keysChangedDuringRefresh)
            rearrangeObjects(false);
    }
    m_applyingRefresh = false;
    if (!added.isEmpty() || removed)
        emit selectionChanged();

    const QZPDocumentControllerBase* documents = QZPDocumentControllerBase::sharedDocumentController();
    const auto* current = documents ? qobject_cast<QZPPreset*>(documents->currentDocument()) : nullptr;
    if (!m_content.isEmpty() && !m_content.contains(current) && toOpen)
        toOpen->makeWindowControllers();
    if (m_content.isEmpty())
        emit newDocumentRequested();
    if (m_startUpFlag)
        emit sendProgramRequested();
    else
        m_startUpFlag = true;
    emit refreshFinished();
}

QZPPreset* QZPPresetsController::unsavedDocumentForURL(const QUrl& url) const {
    const QZPFileReference reference = QZPFileReference::forPath(url.toLocalFile());
    return reference.isNull() ? nullptr : m_unsavedPresets.value(reference.identity());
}

QList<QZPPreset*> QZPPresetsController::takeUnsavedPresets() {
    const QList<QZPPreset*> presets = m_unsavedPresets.values();
    m_unsavedPresets.clear();
    return presets;
}

// MARK: Selection

QList<QZPPreset*> QZPPresetsController::selectedObjects() const {
    QList<QZPPreset*> selected;
    for (QZPPreset* preset : m_arranged)
        if (m_selection.contains(preset))
            selected.append(preset);
    return selected;
}

void QZPPresetsController::setSelectedObjects(const QList<QZPPreset*>& presets) {
    m_selection.clear();
    // Only listed presets can be selected; a long selection (select all) is checked against a set.
    if (presets.size() <= 8) {
        for (QZPPreset* preset : presets)
            if (m_arranged.contains(preset))
                m_selection.insert(preset);
    } else {
        const QSet<QZPPreset*> listed(m_arranged.begin(), m_arranged.end());
        for (QZPPreset* preset : presets)
            if (listed.contains(preset))
                m_selection.insert(preset);
    }
    emit selectionChanged();
}

QList<int> QZPPresetsController::selectionIndexes() const {
    QList<int> indexes;
    for (qsizetype row = 0; row < m_arranged.size(); ++row)
        if (m_selection.contains(m_arranged.at(row)))
            indexes.append(int(row));
    return indexes;
}

void QZPPresetsController::setSelectionIndex(int index) {
    setSelectedObjects(index >= 0 && index < m_arranged.size() ? QList<QZPPreset*>{m_arranged.at(index)}
                                                               : QList<QZPPreset*>{});
}

// MARK: Model

int QZPPresetsController::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_arranged.size());
}

QVariant QZPPresetsController::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_arranged.size())
        return {};
    QZPPreset* preset = m_arranged.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return preset->displayName();
    case PresetRole:
        return QVariant::fromValue(preset);
    case EditedRole:
        return preset->isDocumentEdited();
    case NewRole:
        return preset->isNew();
    default:
        return {};
    }
}

QHash<int, QByteArray> QZPPresetsController::roleNames() const {
    return {
        {Qt::DisplayRole, "displayName"}, {PresetRole, "preset"}, {EditedRole, "edited"}, {NewRole, "isNew"}};
}
