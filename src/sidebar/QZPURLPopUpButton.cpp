// SPDX-License-Identifier: GPL-3.0-or-later
#include "sidebar/QZPURLPopUpButton.h"

#include "library/QZPFileManager.h"
#include "library/QZPNameCollator.h"
#include "model/QZPInvalidParameter.h"
#include "model/QZPPreset.h"
#include "model/QZPSettings.h"
#include "sidebar/QZPURLPopUpButtonAccessible.h"
#include "sidebar/QZPURLPopUpButtonDelegate.h"

#include <QActionGroup>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>

Q_LOGGING_CATEGORY(lcFolderChooser, "tonebench.sidebar")

QZPURLPopUpButton::QZPURLPopUpButton(QWidget* parent, QZPSettings* settings)
    : QToolButton(parent), m_settings(settings ? settings : QZPSettings::standard()), m_menu(new QMenu(this)),
      m_noneItem(new QAction(tr("None"), this)), m_otherItem(new QAction(tr("Other") + tr("…"), this)),
      m_clearRecentsItem(new QAction(tr("Clear Recents"), this)), m_choices(new QActionGroup(this)) {
    QZPURLPopUpButtonAccessible::install();
    setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);
    setPopupMode(QToolButton::InstantPopup);
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMenu(m_menu);
    // The locations (and "None") are one choice, checked like any other choice in a menu; the browse
    // and recents commands are commands, never checked.
    m_choices->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    m_noneItem->setCheckable(true);
    m_choices->addAction(m_noneItem);
    connect(m_noneItem, &QAction::triggered, this, [this] { selectURL(m_noneItem); });
    connect(m_otherItem, &QAction::triggered, this, &QZPURLPopUpButton::browse);
    connect(m_clearRecentsItem, &QAction::triggered, this, &QZPURLPopUpButton::clearRecentURLs);
    // The menu is rebuilt as it opens, so that a recent folder that went away is not offered.
    connect(m_menu, &QMenu::aboutToShow, this, &QZPURLPopUpButton::updateMenu);
    updateMenu();
}

QZPURLPopUpButton::~QZPURLPopUpButton() = default;

qint64 QZPURLPopUpButton::maximumRecentURLCount() const {
    return m_maximumRecentURLCount < 0 ? DefaultRecentURLCount : m_maximumRecentURLCount;
}

void QZPURLPopUpButton::setMaximumRecentURLCount(qint64 count) {
    m_maximumRecentURLCount = count < 0 ? -1 : std::min(count, MaximumRecentURLLimit);
}

void QZPURLPopUpButton::setStaticMenuOrder(bool on) {
    m_staticMenuOrder = on;
    updateMenu();
}

void QZPURLPopUpButton::setShowClearRecents(bool on) {
    m_showClearRecents = on;
    updateMenu();
}

void QZPURLPopUpButton::setShowReveal(bool on) {
    m_showReveal = on;
    updateMenu();
}

void QZPURLPopUpButton::setAllowNone(bool on) {
    m_allowNone = on;
    updateMenu();
}

void QZPURLPopUpButton::setPullsDown(bool on) {
    m_pullsDown = on;
    updateMenu();
}

void QZPURLPopUpButton::setAllowedFileTypes(const QStringList& types) {
    m_allowedFileTypes = types;
}

// MARK: Locations

QZPFileReference QZPURLPopUpButton::referenceFor(const QUrl& url) const {
    return url.isLocalFile() ? QZPFileReference::forPath(url.toLocalFile()) : QZPFileReference();
}

QString QZPURLPopUpButton::pathOf(const QZPFileReference& reference) {
    return reference.resolvedPath();
}

QUrl QZPURLPopUpButton::urlOf(const QZPFileReference& reference) {
    if (reference.isNull())
        return {};
    const QString path = reference.resolvedPath();
    return QUrl::fromLocalFile(path.isEmpty() ? reference.lastKnownPath() : path);
}

QUrl QZPURLPopUpButton::URL() const {
    return urlOf(m_url);
}

void QZPURLPopUpButton::setURL(const QUrl& url) {
    const QUrl before = URL();
    m_url = referenceFor(url);
    if (!m_autosaveName.isEmpty()) {
        if (m_url.isNull())
            m_settings->remove(selectedURLDefaultsKey());
        else
            m_settings->setValue(selectedURLDefaultsKey(), URL().toString(QUrl::FullyEncoded));
    }
    if (!m_url.isNull())
        addRecentURL(URL());
    updateMenu();
    if (URL() != before)
        emit URLChanged(URL());
}

bool QZPURLPopUpButton::acceptsPath(const QString& path) const {
    const QFileInfo info(path);
    if (!info.exists())
        return false;
    if (m_allowedFileTypes.isEmpty())
        return true;
    return std::any_of(m_allowedFileTypes.begin(), m_allowedFileTypes.end(), [&](const QString& type) {
        if (type == QLatin1String(FolderType))
            return info.isDir();
        return info.isFile() && QZPPreset::typeForFileName(path) == type;
    });
}

// MARK: Settings

QString QZPURLPopUpButton::selectedURLDefaultsKey() const {
    QZP_PRECONDITION(!m_autosaveName.isEmpty(), "_autosaveName");
    return m_autosaveName;
}

QString QZPURLPopUpButton::recentURLsDefaultsKey() const {
    QZP_PRECONDITION(!m_autosaveName.isEmpty(), "_autosaveName");
    return m_autosaveName + QStringLiteral(".recentURLs");
}

void QZPURLPopUpButton::setAutosaveName(const QString& name) {
    m_autosaveName = name;
    if (!m_autosaveName.isEmpty())
        loadDefaults();
}

// Recents that no longer resolve are left out here but stay in the settings until the next save. The
// stored location is forgotten (and its entry removed) when nothing usable is there any more: it is gone,
// of a type not allowed, or cannot be read.
void QZPURLPopUpButton::loadDefaults() {
    const QStringList stored = m_settings->value(recentURLsDefaultsKey()).toStringList();
    for (const QString& bookmark : stored) {
        const QZPFileReference reference = reresolved(QZPFileReference::fromBookmarkData(bookmark));
        if (reference.isNull() || recentIndex(reference) >= 0)
            continue;
        m_recentURLs.append(reference);
        m_bookmarksKeyedByURL.insert(reference.key(), reference.bookmarkData());
    }
    const QUrl storedURL(m_settings->stringValue(selectedURLDefaultsKey()));
    const QString path = storedURL.isLocalFile() ? storedURL.toLocalFile() : QString();
    const QFileInfo info(path);
    const bool usable =
        !path.isEmpty() && acceptsPath(path) && info.isReadable() && (!info.isDir() || info.isExecutable());
    if (!usable && m_settings->hasUserValue(selectedURLDefaultsKey())) {
        qCInfo(lcFolderChooser) << "The location kept under" << m_autosaveName << "is gone:" << path;
        m_settings->remove(selectedURLDefaultsKey());
    }
    m_url = usable ? QZPFileReference::forPath(path) : QZPFileReference();
    updateMenu();
    emit URLChanged(URL());
}

void QZPURLPopUpButton::saveBookmarks() {
    QStringList bookmarks;
    for (const QZPFileReference& reference : m_recentURLs) {
        const QString bookmark = m_bookmarksKeyedByURL.value(reference.key());
        if (!bookmark.isEmpty())
            bookmarks << bookmark;
    }
    m_settings->setValue(recentURLsDefaultsKey(), bookmarks);
}

// MARK: Recents

// Where a kept location is now: the same folder followed by its identity, or, when that identity is gone
// but its path still names a place of an allowed type (a folder made again, restored from a backup, or on
// a volume mounted under another device number), the place at that path. Null when neither is there.
QZPFileReference QZPURLPopUpButton::reresolved(const QZPFileReference& reference) const {
    if (reference.isNull())
        return {};
    const QString path = pathOf(reference);
    if (!path.isEmpty())
        return QZPFileReference::forPath(path);
    if (acceptsPath(reference.lastKnownPath()))
        return QZPFileReference::forPath(reference.lastKnownPath());
    return {};
}

QList<QUrl> QZPURLPopUpButton::recentURLs() const {
    QList<QUrl> urls;
    for (const QZPFileReference& reference : m_recentURLs)
        urls << urlOf(reference);
    return urls;
}

qsizetype QZPURLPopUpButton::recentIndex(const QZPFileReference& reference) const {
    for (qsizetype i = 0; i < m_recentURLs.size(); ++i)
        if (m_recentURLs.at(i) == reference)
            return i;
    return -1;
}

void QZPURLPopUpButton::addRecentURL(const QUrl& url) {
    const QZPFileReference reference = referenceFor(url);
    if (reference.isNull())
        return;
    const qsizetype index = recentIndex(reference);
    if (index >= 0) {
        m_recentURLs.move(index, 0);
        m_recentURLs[0] = reference; // the place it is at now
    } else {
        m_recentURLs.prepend(reference);
        const QString bookmark = reference.bookmarkData();
        if (bookmark.isEmpty())
            qCWarning(lcFolderChooser, "%s",
                      qPrintable(tr("No bookmark can be made for %1").arg(url.toString())));
        else
            m_bookmarksKeyedByURL.insert(reference.key(), bookmark);
    }
    applyRecentLimit();
    if (!m_autosaveName.isEmpty())
        saveBookmarks();
}

void QZPURLPopUpButton::applyRecentLimit() {
    while (m_recentURLs.size() > maximumRecentURLCount())
        m_bookmarksKeyedByURL.remove(m_recentURLs.takeLast().key());
}

// MARK: Menu

QAction* QZPURLPopUpButton::makeItemWithURL(const QZPFileReference& reference) {
    QZP_PRECONDITION(!reference.isNull(), "fileURL");
    const QString path = pathOf(reference);
    const QFileInfo info(path);
    auto* item = new QAction(info.fileName().isEmpty() ? path : info.fileName(), this);
    // A folder takes ToneBench's own icon, drawn when shown: looking up the desktop theme's (or drawing
    // the style's from its bitmaps) took longer than the rest of the sidebar at every start.
    static const QIcon folder(QStringLiteral(":/images/icoFolder.svg"));
    static QFileIconProvider icons;
    item->setIcon(info.isDir() ? folder : icons.icon(info));
    item->setData(path);
    item->setToolTip(path);
    item->setCheckable(true);
    m_choices->addAction(item);
    connect(item, &QAction::triggered, this, [this, item] { selectURL(item); });
    m_madeItems << item;
    return item;
}

void QZPURLPopUpButton::updateMenu() {
    m_menu->clear();
    qDeleteAll(std::exchange(m_madeItems, {}));
    m_noneItem->setChecked(false);

    // Recents that moved or were made again are followed; those that are gone leave (in memory only).
    bool changed = false;
    for (qsizetype i = 0; i < m_recentURLs.size();) {
        const QZPFileReference before = m_recentURLs.at(i);
        const QZPFileReference now = reresolved(before);
        if (now.isNull()) {
            m_recentURLs.removeAt(i);
            continue;
        }
        if (!(now == before)) {
            m_bookmarksKeyedByURL.remove(before.key());
            m_bookmarksKeyedByURL.insert(now.key(), now.bookmarkData());
            changed = true;
            if (before == m_url)
                m_url = now;
        }
        m_recentURLs[i++] = now;
    }
    if (changed && !m_autosaveName.isEmpty())
        saveBookmarks();

    QList<QZPFileReference> ordered = m_recentURLs;
    if (m_staticMenuOrder) {
        const QZPNameCollator collator;
        std::stable_sort(ordered.begin(), ordered.end(), [&](const auto& a, const auto& b) {
            return collator.compare(QFileInfo(a.lastKnownPath()).fileName(),
                                    QFileInfo(b.lastKnownPath()).fileName()) < 0;
        });
    }
    // The current location is always offered, first and checked, also when it is not among the recents
    // (none kept, or its bookmark lost).
    const QZPFileReference current = reresolved(m_url);
    if (!current.isNull() && !ordered.contains(current))
        ordered.prepend(current);
    QAction* currentItem = nullptr;
    for (const QZPFileReference& reference : ordered) {
        QAction* item = makeItemWithURL(reference);
        if (!current.isNull() && reference == current) {
            currentItem = item;
            if (!m_staticMenuOrder) {
                QAction* separator = m_menu->insertSeparator(m_menu->actions().value(0));
                m_menu->insertAction(separator, item);
                continue;
            }
        }
        m_menu->addAction(item);
    }
    if (m_pullsDown) {
        m_menu->addAction(m_otherItem);
        m_menu->addSeparator();
        if (currentItem) {
            if (m_showReveal) {
                QAction* reveal = m_menu->addAction(tr("Show in File Manager"));
                reveal->setData(currentItem->data());
                connect(reveal, &QAction::triggered, this, [this, reveal] { showInFileManager(reveal); });
                m_madeItems << reveal;
            }
            QAction* remove = m_menu->addAction(tr("Remove From Recents"));
            remove->setData(currentItem->data());
            connect(remove, &QAction::triggered, this, [this, remove] { removeRecentItem(remove); });
            m_madeItems << remove;
        }
    } else {
        if (!m_menu->isEmpty())
            m_menu->addSeparator();
        if (m_allowNone)
            m_menu->addAction(m_noneItem);
    }
    if (m_showClearRecents && !m_recentURLs.isEmpty())
        m_menu->addAction(m_clearRecentsItem);
    if (m_pullsDown) {
        const QList<QAction*> items = m_menu->actions();
        if (!items.isEmpty() && items.last()->isSeparator())
            m_menu->removeAction(items.last());
    } else {
        m_menu->addAction(m_otherItem);
    }
    selectItem(currentItem ? currentItem : m_allowNone ? m_noneItem : m_otherItem);
}

QAction* QZPURLPopUpButton::itemForURL(const QUrl& url) const {
    if (url.isEmpty())
        return m_allowNone ? m_noneItem : m_otherItem;
    const QZPFileReference reference = referenceFor(url);
    for (QAction* item : m_menu->actions())
        if (m_madeItems.contains(item) && !reference.isNull() && reference.refersTo(item->data().toString()))
            return item;
    return nullptr;
}

void QZPURLPopUpButton::selectItem(QAction* item) {
    m_selectedItem = item;
    if (item && item->isCheckable())
        item->setChecked(!m_pullsDown || item != m_noneItem);
    else if (QAction* checked = m_choices->checkedAction())
        checked->setChecked(false);
    updateTitle();
}

void QZPURLPopUpButton::updateTitle() {
    QAction* shown = m_selectedItem;
    if (m_pullsDown && shown == m_otherItem)
        shown = m_noneItem;
    const QString title = shown ? shown->text() : QString();
    setIcon(shown ? shown->icon() : QIcon());
    setToolTip(shown ? shown->toolTip() : QString());
    // Long names are shortened in the middle as drawn; the full path is in the tool tip.
    m_title = title;
    setText(title);
    setAccessibleDescription(title);
    update();
}

// Drawn by hand so that it reads on the pane's own background in every skin: a soft band under the
// pointer or the focus, the location's icon and name, and the menu's arrow.
void QZPURLPopUpButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (underMouse() || hasFocus() || isDown()) {
        QPainterPath band;
        band.addRoundedRect(area, 4, 4);
        painter.fillPath(band, palette().color(QPalette::Button));
    }
    const int side = iconSize().height();
    int x = 6;
    if (!icon().isNull()) {
        icon().paint(&painter, QRect(x, (height() - side) / 2, side, side));
        x += side + 6;
    }
    painter.setPen(palette().color(QPalette::ButtonText));
    const QRect textArea(x, 0, width() - x - 18, height());
    painter.drawText(textArea, Qt::AlignVCenter | Qt::AlignLeft,
                     fontMetrics().elidedText(m_title, Qt::ElideMiddle, textArea.width()));
    QPainterPath arrow;
    const QPointF tip(width() - 9.0, height() / 2.0 + 2.5);
    arrow.moveTo(tip + QPointF(-4, -5));
    arrow.lineTo(tip + QPointF(4, -5));
    arrow.lineTo(tip);
    arrow.closeSubpath();
    painter.fillPath(arrow, palette().color(QPalette::ButtonText));
}

// Opened from the keyboard or by assistive technology: below the button, on the chosen item, and
// without holding up the caller.
void QZPURLPopUpButton::openMenu() {
    if (!isEnabled() || m_menu->isVisible())
        return;
    updateMenu();
    m_menu->popup(mapToGlobal(QPoint(0, height())), m_selectedItem);
    if (m_selectedItem && m_menu->actions().contains(m_selectedItem))
        m_menu->setActiveAction(m_selectedItem);
}

// Space, Return and Alt+Down (or Alt+Up, or F4) open the menu, as on any pop-up button of the desktop.
void QZPURLPopUpButton::keyPressEvent(QKeyEvent* event) {
    const bool alt = event->modifiers() & Qt::AltModifier;
    const int key = event->key();
    if ((!alt &&
         (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F4)) ||
        (alt && (key == Qt::Key_Down || key == Qt::Key_Up))) {
        openMenu();
        event->accept();
        return;
    }
    QToolButton::keyPressEvent(event);
}

void QZPURLPopUpButton::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->modifiers()) {
        event->accept(); // the press opened the menu already
        return;
    }
    QToolButton::keyReleaseEvent(event);
}

QSize QZPURLPopUpButton::sizeHint() const {
    return QSize(160, std::max(fontMetrics().height(), iconSize().height()) + 10);
}

void QZPURLPopUpButton::resizeEvent(QResizeEvent* event) {
    QToolButton::resizeEvent(event);
    updateTitle();
}

// MARK: Commands

void QZPURLPopUpButton::notifyDelegateOfURLSelection() {
    if (m_delegate)
        m_delegate->popUpButtonDidSelectURL(this, URL());
}

void QZPURLPopUpButton::selectURL(QAction* item) {
    const QString path = item == m_noneItem ? QString() : item->data().toString();
    const QZPFileReference chosen = path.isEmpty() ? QZPFileReference() : QZPFileReference::forPath(path);
    if (m_url.isNull() || !(chosen == m_url)) {
        setURL(chosen.isNull() ? QUrl() : QUrl::fromLocalFile(chosen.lastKnownPath()));
        notifyDelegateOfURLSelection();
    }
}

void QZPURLPopUpButton::browse() {
    QFileDialog panel(window());
    panel.setAcceptMode(QFileDialog::AcceptOpen);
    const bool foldersOnly = m_allowedFileTypes == QStringList{QString::fromLatin1(FolderType)};
    panel.setFileMode(foldersOnly ? QFileDialog::Directory : QFileDialog::ExistingFile);
    panel.setLabelText(QFileDialog::Accept, tr("Choose"));
    // Beside the current location, or at home: never in whatever folder the program was started from.
    panel.setDirectory(m_url.isNull() ? QDir::homePath() : QFileInfo(pathOf(m_url)).absolutePath());
    if (m_delegate)
        m_delegate->popUpButtonWillDisplayOpenPanel(this, &panel);
    const bool confirmed = panel.exec() == QDialog::Accepted && !panel.selectedFiles().isEmpty() &&
                           acceptsPath(panel.selectedFiles().constFirst());
    if (confirmed) {
        setURL(QUrl::fromLocalFile(panel.selectedFiles().constFirst()));
        notifyDelegateOfURLSelection();
    } else {
        // Back from the browse item to the location that stays current.
        QAction* item = itemForURL(URL());
        selectItem(item ? item : (m_allowNone ? m_noneItem : m_otherItem));
    }
}

void QZPURLPopUpButton::showInFileManager(QAction* item) {
    QZPFileManager::reveal({item->data().toString()});
}

void QZPURLPopUpButton::removeRecentItem(QAction* item) {
    const qsizetype index = recentIndex(QZPFileReference::forPath(item->data().toString()));
    if (index >= 0)
        m_bookmarksKeyedByURL.remove(m_recentURLs.takeAt(index).key());
    if (!m_autosaveName.isEmpty())
        saveBookmarks();
    setURL(m_recentURLs.isEmpty() ? QUrl() : urlOf(m_recentURLs.first()));
    QAction* current = itemForURL(URL());
    selectItem(current ? current : (m_allowNone ? m_noneItem : m_otherItem));
    notifyDelegateOfURLSelection();
    updateMenu();
}

void QZPURLPopUpButton::clearRecentURLs() {
    m_recentURLs.clear();
    m_bookmarksKeyedByURL.clear();
    if (!m_autosaveName.isEmpty())
        m_settings->remove(recentURLsDefaultsKey());
    setURL({});
    notifyDelegateOfURLSelection();
    updateMenu();
}

// MARK: Dragging

QUrl QZPURLPopUpButton::draggedURL(const QMimeData* data) const {
    if (!data || !data->hasUrls())
        return {};
    const QList<QUrl> urls = data->urls();
    return urls.isEmpty() || !urls.first().isLocalFile() ? QUrl() : urls.first();
}

void QZPURLPopUpButton::dragEnterEvent(QDragEnterEvent* event) {
    const QUrl url = draggedURL(event->mimeData());
    if (url.isEmpty() || (!m_allowedFileTypes.isEmpty() && !acceptsPath(url.toLocalFile()))) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void QZPURLPopUpButton::dropEvent(QDropEvent* event) {
    const QUrl url = draggedURL(event->mimeData());
    if (url.isEmpty() || (!m_allowedFileTypes.isEmpty() && !acceptsPath(url.toLocalFile()))) {
        event->ignore();
        return;
    }
    setURL(url);
    notifyDelegateOfURLSelection();
    event->setDropAction(Qt::CopyAction);
    event->accept();
}
