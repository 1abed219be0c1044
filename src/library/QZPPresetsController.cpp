// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/QZPPresetsController.h"

#include "library/QZPLibraryFolder.h"
#include "library/QZPLibraryReconciler.h"

#include "library/QZPFileWatcher.h"
#include "library/QZPFolderWalker.h"
#include "model/QZPDocumentControllerBase.h"
#include "model/QZPError.h"
#include "model/QZPPreset.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

#include <QScopedValueRollback>
#include <QSet>
#include <algorithm>
#include <optional>

QZPPresetsController::QZPPresetsController(QObject* parent)
    : QAbstractListModel(parent),
      m_rows([this](Row a, Row b) { return lessThan(a, b); },
             [this](Row row, const QZPPresetFilter& filter) { return passes(row, filter); }, this,
             [this](Row row) { return sortPrefix(row); }),
      m_patches(m_table, *this), m_folder(std::make_unique<QZPLibraryFolder>(
                                     [this] {
                                         return QZPLibraryFolder::Listing{m_liveRows, knownPaths()};
                                     },
                                     [this](const QString& folder, QZPLibraryTable walked) {
                                         applyRefresh(folder, std::move(walked));
                                     })) {
    connect(m_folder.get(), &QZPLibraryFolder::urlChanged, this,
            &QZPPresetsController::presetsFolderURLChanged);
    // The file of marks rewritten in place by another program changes no entry of the folder, so the
    // folder's walk does not see it: the file is watched for itself.
    connect(&m_marksWatcher, &QFileSystemWatcher::fileChanged, this, [this] {
        if (!m_marks.folder().isEmpty() && m_marks.folder() == m_folder->path())
            loadMarks(m_marks.folder());
    });
    connect(&m_patches, &QZPRowPatches::changed, this, &QZPPresetsController::patchesChanged);
    connect(&m_patches, &QZPRowPatches::progress, this, &QZPPresetsController::patchesProgress);
    connect(&m_patches, &QZPRowPatches::finished, this, &QZPPresetsController::patchesDone);
}

QZPPresetsController::~QZPPresetsController() = default;

namespace {

// A path below the folder, from its relative part (the folder itself with a slash, for none).
QString pathIn(const QString& folder, QStringView relative) {
    QString path = folder;
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    path.append(relative);
    return path;
}

} // namespace

// MARK: Content

QList<QZPPreset*> QZPPresetsController::presets() const {
    QList<QZPPreset*> made;
    made.reserve(m_rowOfPreset.size());
    for (const Item& item : m_items)
        if (item.live && item.preset)
            made.append(item.preset);
    return made;
}

QSet<QString> QZPPresetsController::names() const {
    QSet<QString> names;
    names.reserve(m_liveRows);
    for (Row row = 0; row < Row(m_items.size()); ++row)
        if (m_items[row].live)
            names.insert(m_items[row].preset ? m_items[row].preset->displayName()
                                             : m_table.name(row).toString());
    return names;
}

QString QZPPresetsController::absolutePath(Row row) const {
    if (const QZPPreset* preset = m_items[row].preset)
        return preset->filePath();
    const QStringView relative = m_table.path(row);
    return relative.isEmpty() ? QString() : pathIn(m_folder->path(), relative);
}

QString QZPPresetsController::relativePath(Row row) const {
    const QZPPreset* preset = m_items[row].preset;
    if (!preset)
        return m_table.path(row).toString();
    if (preset->isNew())
        return {};
    const QString root = pathIn(m_folder->path(), {});
    const QString path = preset->filePath();
    return path.startsWith(root) ? path.mid(root.size()) : QString();
}

// A listed file gets its preset the first time something asks for it. The preset then follows the
// library as the others do.
QZPPreset* QZPPresetsController::presetAt(Row row) {
    Item& item = m_items[row];
    if (!item.preset) {
        const QString path = absolutePath(row);
        const QZPFileReference::Identity identity = m_table.identity(row);
        auto* preset = new QZPPreset(this);
        preset->setFileType(QZPPreset::typeForFileName(path));
        preset->setFilePath(
            path, QZPFileReference::withIdentity(path, dev_t(identity.first), ino_t(identity.second)));
        preset->setObserver(this);
        item.preset = preset;
        m_rowOfPreset.insert(preset, row);
        emit presetMade(preset);
    }
    return item.preset;
}

// A file is the listed one when it is the same file, whatever path names it: a path through a link, or
// with "..", finds the row of the file it leads to.
QZPPreset* QZPPresetsController::presetForPath(const QString& path) {
    const QZPFileReference wanted = QZPFileReference::forPath(path);
    if (wanted.isNull())
        return nullptr;
    for (Row row = 0; row < Row(m_items.size()); ++row) {
        const Item& item = m_items[row];
        if (!item.live || item.isNew)
            continue;
        if (item.preset ? item.preset->fileReference() == wanted : m_table.identity(row) == wanted.identity())
            return presetAt(row);
    }
    return nullptr;
}

// Drafts first, then by name; presets of the same name (in different folders) in the order the library
// took them in.
bool QZPPresetsController::lessThan(Row a, Row b) const {
    if (m_items[a].isNew != m_items[b].isNew)
        return m_items[a].isNew;
    const int order = QZPNameCollator::compareKeys(m_table.key(a), m_table.key(b));
    return order != 0 ? order < 0 : a < b;
}

// The order of lessThan in two numbers: a draft first (the top bit clear), then the name's collation key
// (compared byte by byte, a shorter key before a longer one it begins), its first 15 bytes big-endian and
// padded with zeros.
std::pair<quint64, quint64> QZPPresetsController::sortPrefix(Row row) const {
    const QByteArrayView key = m_table.key(row);
    unsigned char bytes[16] = {};
    bytes[0] = m_items[row].isNew ? 0 : 0x80;
    std::copy_n(key.data(), std::min<qsizetype>(key.size(), 15), reinterpret_cast<char*>(bytes + 1));
    quint64 high = 0, low = 0;
    for (int i = 0; i < 8; ++i) {
        high = (high << 8) | bytes[i];
        low = (low << 8) | bytes[i + 8];
    }
    return {high, low};
}

// Takes a preset object in as a row of its own, without arranging: the caller arranges.
QZPLibraryTable::Row QZPPresetsController::adopt(QZPPreset* preset) {
    m_rows.forgetFilters();
    const Row row = m_table.appendName(
        preset->isNew() ? QZPFileReference::Identity{} : preset->fileReference().identity(), {});
    m_table.setName(row, preset->displayName(), m_collator);
    m_items.push_back({preset, preset->isNew(), true, {}});
    ++m_liveRows;
    m_rowOfPreset.insert(preset, row);
    if (!preset->parent())
        preset->setParent(this);
    preset->setObserver(this);
    // Presets whose contents are in memory follow their files; the others are kept in step by the
    // refreshes alone (their contents are on disk, wherever the file goes).
    if (preset->isFileContentsLoaded())
        QZPFileWatcher::sharedInstance()->addPresenter(preset);
    emit presetMade(preset);
    return row;
}

void QZPPresetsController::documentContentsLoaded(QZPDocument* document) {
    QZPFileWatcher::sharedInstance()->addPresenter(static_cast<QZPPreset*>(document));
}

// The row leaves the library (its place in the table stays until the table is compacted).
void QZPPresetsController::release(Row row) {
    Item& item = m_items[row];
    item.live = false;
    --m_liveRows;
    m_rows.removeSorted(row);
    m_selection.remove(row);
    if (QZPPreset* preset = std::exchange(item.preset, nullptr)) {
        m_rowOfPreset.remove(preset);
        if (preset->observer() == this)
            preset->setObserver(nullptr);
    }
}

void QZPPresetsController::addObject(QZPPreset* preset) {
    if (!preset || contains(preset))
        return;
    m_unsavedPresets.removeIf([preset](const auto& entry) { return entry.value() == preset; });
    m_rows.insert(adopt(preset));
}

void QZPPresetsController::removeObject(QZPPreset* preset) {
    if (!contains(preset))
        return;
    const Row row = m_rowOfPreset.value(preset);
    const bool wasSelected = m_selection.contains(row);
    release(row);
    m_rows.remove(row);
    if (wasSelected)
        emit selectionChanged();
}

QZPPreset* QZPPresetsController::arrangedPresetAt(qsizetype index) {
    return index >= 0 && index < m_rows.arranged().size() ? presetAt(m_rows.arranged().at(index)) : nullptr;
}

qsizetype QZPPresetsController::arrangedIndexOf(const QZPPreset* preset) const {
    const auto it = m_rowOfPreset.constFind(preset);
    return it == m_rowOfPreset.cend() ? -1 : m_rows.arranged().indexOf(it.value());
}

QList<QZPPreset*> QZPPresetsController::arrangedObjects() {
    QList<QZPPreset*> arranged;
    arranged.reserve(m_rows.arranged().size());
    for (const Row row : m_rows.arranged())
        arranged.append(presetAt(row));
    return arranged;
}

void QZPPresetsController::documentArrangementKeysChanged(QZPDocument* document) {
    presetKeysChanged(static_cast<QZPPreset*>(document));
}

// A preset's name, draft state or edited state changed: it moves to its new place, and appears or
// disappears as the filter says. Only that preset is touched, so an edit never re-sorts the list.
void QZPPresetsController::presetKeysChanged(QZPPreset* preset) {
    const auto it = m_rowOfPreset.constFind(preset);
    if (it == m_rowOfPreset.cend())
        return;
    const Row row = it.value();
    const QString name = preset->displayName();
    const bool isNew = preset->isNew();
    const bool moved = name != m_table.name(row) || isNew != m_items[row].isNew;
    if (moved) {
        m_rows.removeSorted(row);
        m_items[row].isNew = isNew;
        m_table.setName(row, name, m_collator);
        if (!isNew)
            m_table.setIdentity(row, preset->fileReference().identity());
        m_rows.insertSorted(row);
    }
    if (m_applyingRefresh) {
        m_rows.forgetFilters();
        m_keysChangedDuringRefresh = true;
        return;
    }
    if (const qsizetype unmoved = m_rows.update(row, moved); unmoved >= 0)
        emit dataChanged(index(int(unmoved)), index(int(unmoved)));
}

bool QZPPresetsController::passes(Row row, const QZPPresetFilter& filter) const {
    if (filter.isNull())
        return true;
    const Item& item = m_items[row];
    // Only what the filter looks at is fetched: a keystroke in a name filters every row.
    return filter.matches({m_table.foldedName(row), item.preset && item.preset->isDocumentEdited(),
                           filter.usesPatch() ? m_patches.patch(row) : nullptr, item.marks.favourite,
                           &m_marks.tags(item.marks)});
}

// MARK: Patches

QByteArray QZPPresetsController::patchOf(const QZPPreset* preset) const {
    const auto it = m_rowOfPreset.constFind(preset);
    return QZPRowPatches::bytes(it == m_rowOfPreset.cend() ? nullptr : m_patches.patch(it.value()));
}

QZPPresetsController::FilePatches QZPPresetsController::filePatches() const {
    FilePatches patches;
    for (const Row row : m_rows.sorted()) {
        const QString path = relativePath(row);
        if (m_items[row].isNew || path.isEmpty())
            continue;
        if (m_table.patchState(row) == QZPLibraryTable::PatchState::Unreadable)
            patches.unreadable << path;
        else if (const unsigned char* patch = m_table.patch(row))
            patches.entries.append({path, m_table.name(row).toString(), QZPRowPatches::bytes(patch)});
    }
    return patches;
}

QZPFileReference::Identity QZPPresetsController::fileIdentity(Row row) const {
    const QZPPreset* preset = m_items[row].preset;
    return preset ? preset->fileReference().identity() : m_table.identity(row);
}

// Every listed file in the folder, with what its row has of it.
QZPLibraryPatchReader::Requests QZPPresetsController::patchRequests(Row first, Row end) const {
    end = std::min(end, Row(m_items.size()));
    const qsizetype rows = std::min<qsizetype>(m_liveRows, end > first ? end - first : 0);
    QZPLibraryPatchReader::Requests requests;
    requests.files.reserve(rows);
    // About 24 units of path per file.
    requests.paths.reserve(rows * 24);
    for (Row row = first; row < end; ++row) {
        const Item& item = m_items[row];
        if (!item.live || item.isNew)
            continue;
        const QZPLibraryPatchReader::Request request{row, fileIdentity(row), m_table.patchState(row),
                                                     m_table.patchModified(row)};
        if (!item.preset)
            requests.append(request, m_table.path(row));
        else if (const QString path = relativePath(row); !path.isEmpty())
            requests.append(request, path);
    }
    return requests;
}

void QZPPresetsController::readPatchesNow() {
    m_patches.stop();
    if (!m_folder->url().isEmpty())
        m_patches.readNow(m_folder->path());
}

void QZPPresetsController::patchesDone() {
    if (m_similar.isWaiting())
        rankSimilar();
    emit patchesRead();
}

bool QZPPresetsController::listsFile(Row row, const QZPLibraryTable::Identity& identity) const {
    return row < Row(m_items.size()) && m_items[row].live && !m_items[row].isNew &&
           fileIdentity(row) == identity;
}

// The rows whose patch changed look their marks up again (they are found by patch too) and are filtered
// again.
void QZPPresetsController::patchesChanged(const QList<Row>& rows) {
    for (const Row row : rows)
        updateMarks(row);
    refilter(rows, true);
}

void QZPPresetsController::refilter(const QList<Row>& rows, bool patchChanged) {
    if (rows.isEmpty())
        return;
    const QZPPresetFilter& filter = m_rows.filter();
    if (patchChanged ? filter.usesPatch() || filter.usesMarks() : filter.usesMarks()) {
        m_rows.forgetFilters();
        if (rows.size() > 64) {
            m_rows.rearrange(false);
            return;
        }
        for (const Row row : rows)
            if (const qsizetype unmoved = m_rows.update(row, false); unmoved >= 0)
                emit dataChanged(index(int(unmoved)), index(int(unmoved)));
        return;
    }
    // The list's rows show the marks.
    if (rowCount() > 0)
        emit dataChanged(index(0), index(rowCount() - 1), {FavouriteRole, TagsRole});
}

// MARK: Marks

bool QZPPresetsController::loadMarks(const QString& folder) {
    // Watched anew each time: a file replaced by a rename (as ours are written) is another file.
    const QString file = QDir(folder).filePath(QString::fromLatin1(QZPPresetMarks::FileName));
    if (!m_marksWatcher.files().isEmpty())
        m_marksWatcher.removePaths(m_marksWatcher.files());
    if (QFileInfo::exists(file))
        m_marksWatcher.addPath(file);
    QZPError error;
    if (!m_marks.load(folder, &error))
        return false;
    if (!error.isNull())
        emit marksUnreadable(error);
    return lookUpMarks();
}

bool QZPPresetsController::lookUpMarks() {
    if (!m_marks.beginLookUp())
        return false;
    QList<Row> rows;
    for (Row row = 0; row < Row(m_items.size()); ++row)
        if (m_items[row].live) {
            updateMarks(row);
            rows.append(row);
        }
    refilter(rows, false);
    return true;
}

void QZPPresetsController::updateMarks(Row row) {
    Item& item = m_items[row];
    item.marks = item.isNew ? QZPLibraryMarks::RowMarks()
                            : m_marks.lookUp(relativePath(row), QZPRowPatches::bytes(m_table.patch(row)));
}

bool QZPPresetsController::canMark(const QZPPreset* preset) const {
    const auto it = m_rowOfPreset.constFind(preset);
    return it != m_rowOfPreset.cend() && !m_items[it.value()].isNew && !relativePath(it.value()).isEmpty();
}

QZPPresetMarks::Marks QZPPresetsController::marksOf(const QZPPreset* preset) const {
    const auto it = m_rowOfPreset.constFind(preset);
    if (it == m_rowOfPreset.cend())
        return {};
    return m_marks.marks(m_items[it.value()].marks);
}

bool QZPPresetsController::changeMarks(const QList<QZPPreset*>& presets, const MarksChange& change,
                                       QZPError* error) {
    QList<QZPLibraryMarks::File> files;
    for (const QZPPreset* preset : presets) {
        if (!canMark(preset))
            continue;
        const Row row = m_rowOfPreset.value(preset);
        const QByteArray patch = m_patches.filePatch(row);
        if (!patch.isEmpty()) // a file that holds no patch cannot be found again by one
            files.append({relativePath(row), patch});
    }
    if (files.isEmpty())
        return true;
    // What is on disk now is what the rows show: the marks as written, or as they were.
    if (!m_marks.change(files, change, error)) {
        loadMarks(m_marks.folder());
        return false;
    }
    lookUpMarks();
    return true;
}

void QZPPresetsController::setFilterPredicate(const QZPPresetFilter& filter) {
    const bool ranked = isShowingSimilar();
    m_similar.end();
    m_rows.setFilter(filter);
    if (ranked)
        emit similarChanged();
}

// MARK: Find Similar

bool QZPPresetsController::showSimilar(const QZPPreset* preset, qsizetype count) {
    const auto it = m_rowOfPreset.constFind(preset);
    if (!preset || count < 1)
        return false;
    // A listed file's patch not read yet is read now.
    const unsigned char* known = it == m_rowOfPreset.cend() ? nullptr : m_patches.patch(it.value());
    const QByteArray patch = it == m_rowOfPreset.cend() ? preset->patch().data()
                             : known                    ? QZPRowPatches::bytes(known)
                                                        : m_patches.filePatch(it.value());
    if (patch.size() != QZPLibraryTable::PatchLength)
        return false;
    m_similar.begin(patch, preset->displayName(),
                    it == m_rowOfPreset.cend() ? std::nullopt : std::optional<Row>(it.value()), count,
                    m_patches.isReading());
    if (m_similar.isWaiting())
        emit similarChanged();
    else
        rankSimilar();
    return true;
}

void QZPPresetsController::rankSimilar() {
    m_rows.setRanking(m_similar.rank(m_rows.sorted(), [this](Row row) { return m_patches.patch(row); }));
    emit similarChanged();
}

void QZPPresetsController::showAll() {
    if (!isShowingSimilar())
        return;
    m_similar.end();
    m_rows.clearRanking();
    emit similarChanged();
}

// MARK: Folder

QUrl QZPPresetsController::presetsFolderURL() const {
    return m_folder->url();
}

void QZPPresetsController::setPresetsFolderURL(const QUrl& url) {
    // The same folder again (or none again) changes nothing: no second walk of a folder being walked.
    if (url == m_folder->url())
        return;
    if (!m_folder->url().isEmpty()) {
        const QZPPreset* current = m_currentPreset ? m_currentPreset() : nullptr;
        const QString key = m_folder->path();
        if (current && !current->isNew())
            m_lastActivePresetPerDirectory.insert(key, current->fileReference());
        else
            m_lastActivePresetPerDirectory.remove(key);
    }
    m_folder->setUrl(url);
}

void QZPPresetsController::refreshFolderMonitor() {
    m_folder->restartMonitor();
}

void QZPPresetsController::refreshAvailableDocuments() {
    m_folder->refresh();
}

// A walk on the calling thread starts no read of the patches: its callers (scripts, the command line) read
// them when they need them, with readPatchesNow.
void QZPPresetsController::refreshAvailableDocumentsNow() {
    QScopedValueRollback walkingNow(m_walkingNow, true);
    m_folder->refreshNow();
}

bool QZPPresetsController::isRefreshing() const {
    return m_folder->isWalking();
}

QZPFolderMonitor* QZPPresetsController::presetsFolderMonitor() const {
    return m_folder->monitor();
}

// What the walk need not make keys for: the files listed already, as sorted path hashes.
QZPFolderWalker::KnownPaths QZPPresetsController::knownPaths() const {
    QZPFolderWalker::KnownPaths known;
    known.reserve(size_t(m_liveRows));
    for (Row row = 0; row < Row(m_items.size()); ++row)
        if (m_items[row].live && !m_items[row].isNew)
            known.push_back(QZPFolderWalker::pathHash(m_items[row].preset ? QStringView(relativePath(row))
                                                                          : m_table.path(row)));
    std::sort(known.begin(), known.end());
    return known;
}

void QZPPresetsController::applyRefresh(const QString& folder, QZPLibraryTable walked) {
    using Identity = QZPFileReference::Identity;
    QScopedValueRollback applying(m_applyingRefresh, true);
    m_keysChangedDuringRefresh = false;
    QZPLibraryReconciler reconciler(walked);

    // Keep what is still in the folder (following a file to its new name); drafts stay too. Edited
    // presets whose file left go to the stash.
    bool removed = false;
    bool renamed = false;
    bool movedPreset = false;
    const Row listedRows = Row(m_items.size());
    for (Row row = 0; row < listedRows; ++row) {
        Item& item = m_items[row];
        if (!item.live || item.isNew)
            continue;
        QZPPreset* preset = item.preset;
        const QString presetRelative = preset ? relativePath(row) : QString();
        const QStringView relative = preset ? QStringView(presetRelative) : m_table.path(row);
        const Identity identity = preset ? preset->fileReference().identity() : m_table.identity(row);
        const bool hasIdentity = !preset || !preset->fileReference().isNull();
        if (const std::optional<Row> match = reconciler.match(relative, identity, hasIdentity)) {
            const bool samePath = walked.path(*match) == relative;
            const Identity walkedIdentity = walked.identity(*match);
            if (preset) {
                const QString path = pathIn(folder, walked.path(*match));
                const QZPFileReference reference = QZPFileReference::withIdentity(
                    path, dev_t(walkedIdentity.first), ino_t(walkedIdentity.second));
                if (!samePath || !(reference == preset->fileReference()))
                    preset->setFilePath(path, reference);
                movedPreset = movedPreset || !samePath;
            } else if (!samePath || walkedIdentity != identity) {
                m_table.takePathOf(row, walked, *match);
                m_table.makeKey(row, m_collator);
                renamed = true;
            }
            continue;
        }
        const bool stashed = preset && preset->isDocumentEdited() && hasIdentity;
        if (stashed)
            m_unsavedPresets.insert(identity, preset);
        release(row);
        removed = true;
        if (preset && !stashed && preset->windowControllers().isEmpty() && !preset->isCurrentDocument())
            preset->deleteLater();
    }

    // New files (and stashed presets whose file came back) take rows at the end of the table.
    const Row firstAdded = Row(m_items.size());
    if (m_items.empty()) {
        // The first refresh: the walk's table becomes the library's as it is.
        m_table = std::move(walked);
        m_items.assign(size_t(m_table.size()), Item{});
        m_liveRows = m_table.size();
    } else {
        for (Row match = 0; match < Row(walked.size()); ++match) {
            if (reconciler.isTaken(match))
                continue;
            const Identity identity = walked.identity(match);
            if (QZPPreset* stashed = m_unsavedPresets.take(identity)) {
                const QString path = pathIn(folder, walked.path(match));
                if (stashed->filePath() != path)
                    stashed->setFilePath(path, QZPFileReference::withIdentity(path, dev_t(identity.first),
                                                                              ino_t(identity.second)));
                adopt(stashed);
            } else {
                m_table.makeKey(m_table.appendRow(walked, match), m_collator);
                m_items.push_back(Item{});
                ++m_liveRows;
            }
        }
    }
    const Row endAdded = Row(m_items.size());
    const QZPFileReference target =
        m_lastActivePresetPerDirectory.value(QUrl::fromLocalFile(folder).toLocalFile());
    QZPPreset* toOpen = nullptr;
    for (Row row = firstAdded; row < endAdded && !target.isNull(); ++row)
        if (m_table.identity(row) == target.identity()) {
            toOpen = presetAt(row);
            break;
        }
    // A few new files are put in their places; many are sorted in once. What earlier filters showed is
    // out of date.
    const bool added = endAdded > firstAdded;
    if (added || renamed)
        m_rows.forgetFilters();
    if (endAdded - firstAdded > 64 || renamed) {
        for (Row row = firstAdded; row < endAdded; ++row)
            m_rows.appendSorted(row);
        m_rows.rearrange(true);
    } else {
        for (Row row = firstAdded; row < endAdded; ++row)
            m_rows.insertSorted(row);
        if (added || removed || m_keysChangedDuringRefresh)
            m_rows.rearrange(false);
    }
    m_applyingRefresh = false;
    compact();
    // Rows that came or took another file look their marks up again (the others keep theirs), unless
    // every row just did.
    if (!loadMarks(folder) && !m_marks.isEmpty()) {
        QList<Row> marked;
        for (Row row = 0; row < Row(m_items.size()); ++row)
            if (m_items[row].live && (row >= firstAdded || renamed || movedPreset)) {
                updateMarks(row);
                marked.append(row);
            }
        refilter(marked, false);
    }
    if (!m_walkingNow && !m_folder->url().isEmpty())
        m_patches.read(m_folder->path());
    if (added || removed)
        emit selectionChanged();

    emit refreshApplied(toOpen);
    emit refreshFinished();
}

// Once most of the table is rows that left the library (a folder changed, files removed), it is made
// again from the rows in use, and every list of rows follows.
void QZPPresetsController::compact() {
    const qsizetype released = qsizetype(m_items.size()) - m_liveRows;
    if (released < 1024 || released < m_liveRows)
        return;
    QZPLibraryTable table;
    std::vector<Item> items;
    std::vector<Row> newRow(m_items.size(), 0);
    for (Row row = 0; row < Row(m_items.size()); ++row) {
        if (!m_items[row].live)
            continue;
        newRow[row] = table.appendRow(m_table, row);
        items.push_back(m_items[row]);
    }
    m_table = std::move(table);
    m_items = std::move(items);
    m_patches.compacted();
    m_rows.renumber(newRow);
    QSet<Row> selection;
    for (const Row row : std::as_const(m_selection))
        selection.insert(newRow[row]);
    m_selection = selection;
    for (auto it = m_rowOfPreset.begin(); it != m_rowOfPreset.end(); ++it)
        it.value() = newRow[it.value()];
    m_similar.renumber(newRow);
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

QList<QZPPreset*> QZPPresetsController::selectedObjects() {
    QList<QZPPreset*> selected;
    for (const Row row : std::as_const(m_rows.arranged()))
        if (m_selection.contains(row))
            selected.append(presetAt(row));
    return selected;
}

void QZPPresetsController::setSelectedObjects(const QList<QZPPreset*>& presets) {
    m_selection.clear();
    // Only listed presets can be selected; a long selection (select all) is checked against a set.
    const QList<Row>& arranged = m_rows.arranged();
    const QSet<Row> listed = presets.size() > 8 ? QSet<Row>(arranged.begin(), arranged.end()) : QSet<Row>();
    for (const QZPPreset* preset : presets) {
        const auto it = m_rowOfPreset.constFind(preset);
        if (it == m_rowOfPreset.cend())
            continue;
        if (presets.size() > 8 ? listed.contains(it.value()) : arranged.contains(it.value()))
            m_selection.insert(it.value());
    }
    emit selectionChanged();
}

QList<int> QZPPresetsController::selectionIndexes() const {
    QList<int> indexes;
    for (qsizetype index = 0; index < m_rows.arranged().size(); ++index)
        if (m_selection.contains(m_rows.arranged().at(index)))
            indexes.append(int(index));
    return indexes;
}

void QZPPresetsController::setSelectionIndexes(const QList<int>& indexes) {
    m_selection.clear();
    for (const int index : indexes)
        if (index >= 0 && index < m_rows.arranged().size())
            m_selection.insert(m_rows.arranged().at(index));
    emit selectionChanged();
}

// MARK: Model

int QZPPresetsController::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.arranged().size());
}

QVariant QZPPresetsController::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.arranged().size())
        return {};
    const Row row = m_rows.arranged().at(index.row());
    const QZPPreset* preset = m_items[row].preset;
    switch (role) {
    case Qt::DisplayRole:
        return preset ? preset->displayName() : m_table.name(row).toString();
    case PresetRole:
        return QVariant::fromValue(const_cast<QZPPresetsController*>(this)->presetAt(row));
    case EditedRole:
        return preset && preset->isDocumentEdited();
    case NewRole:
        return m_items[row].isNew;
    case FilePathRole:
        return absolutePath(row);
    case FavouriteRole:
        return m_items[row].marks.favourite;
    case TagsRole:
        return m_marks.tags(m_items[row].marks);
    case DistanceRole:
        if (const std::optional<double> distance = m_similar.distance(row))
            return *distance;
        return {};
    case SubfolderRole:
        return subfolderIfNameRepeats(index.row());
    case PatchRole:
        if (const unsigned char* patch = m_patches.patch(row))
            return QByteArray(reinterpret_cast<const char*>(patch), QZPLibraryTable::PatchLength);
        return {};
    default:
        return {};
    }
}

// The list sorts by name, so a name that repeats has a neighbour of the same name (under a ranking of Find
// Similar, same-named presets far apart are not told apart). Only those pay for the subfolder's text.
QVariant QZPPresetsController::subfolderIfNameRepeats(int index) const {
    const QList<Row>& arranged = m_rows.arranged();
    const auto nameAt = [this, &arranged](qsizetype at) {
        const Row row = arranged.at(at);
        const QZPPreset* preset = m_items[row].preset;
        return preset ? preset->displayName() : m_table.name(row).toString();
    };
    const QString name = nameAt(index);
    const auto sameName = [&](qsizetype at) {
        return at >= 0 && at < arranged.size() && nameAt(at).compare(name, Qt::CaseInsensitive) == 0;
    };
    if (!sameName(index - 1) && !sameName(index + 1))
        return {};
    const QString path = relativePath(arranged.at(index));
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash);
}

QHash<int, QByteArray> QZPPresetsController::roleNames() const {
    return {{Qt::DisplayRole, "displayName"},
            {PresetRole, "preset"},
            {EditedRole, "edited"},
            {NewRole, "isNew"},
            {FilePathRole, "filePath"},
            {FavouriteRole, "favourite"},
            {TagsRole, "tags"},
            {PatchRole, "patch"},
            {DistanceRole, "distance"},
            {SubfolderRole, "subfolder"}};
}

// MARK: Arranged rows

void QZPPresetsController::arrangedRowsWillInsert(qsizetype index) {
    beginInsertRows({}, int(index), int(index));
}

void QZPPresetsController::arrangedRowsDidInsert() {
    endInsertRows();
}

void QZPPresetsController::arrangedRowsWillRemove(qsizetype index) {
    beginRemoveRows({}, int(index), int(index));
}

void QZPPresetsController::arrangedRowsDidRemove() {
    endRemoveRows();
}

void QZPPresetsController::arrangedRowsWillReset() {
    beginResetModel();
}

void QZPPresetsController::arrangedRowsDidReset() {
    endResetModel();
}
