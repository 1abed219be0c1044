// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPFileReference.h"

#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QToolButton>
#include <QUrl>

class QActionGroup;
class QMenu;
class QMimeData;
class QZPSettings;
class QZPURLPopUpButtonDelegate;

// A button for choosing a location on disk: it shows the current location and opens a menu of the
// recently used ones, a browse item, and (as its flags say) "None", "Clear Recents", reveal and remove.
// A folder dragged onto it from a file manager becomes the current location. Under an autosave name it
// keeps the current location and the recents in the settings: the location under the name itself, the
// recents (as bookmarks: file identity and last path, so a renamed folder is still found) under the name
// followed by ".recentURLs".
class QZPURLPopUpButton : public QToolButton {
    Q_OBJECT
    Q_PROPERTY(QUrl URL READ URL WRITE setURL NOTIFY URLChanged)

public:
    // The default number of recents when none is set, and the most that can be set.
    static constexpr qint64 DefaultRecentURLCount = 5;
    static constexpr qint64 MaximumRecentURLLimit = 254;
    // The type identifier that accepts folders.
    static constexpr const char* FolderType = "public.folder";

    explicit QZPURLPopUpButton(QWidget* parent = nullptr, QZPSettings* settings = nullptr);
    ~QZPURLPopUpButton() override;

    qint64 maximumRecentURLCount() const;
    // A negative count means the default; counts above the limit take the limit. 0 keeps no recents.
    void setMaximumRecentURLCount(qint64 count);
    bool staticMenuOrder() const { return m_staticMenuOrder; }
    void setStaticMenuOrder(bool on);
    bool showClearRecents() const { return m_showClearRecents; }
    void setShowClearRecents(bool on);
    bool showReveal() const { return m_showReveal; }
    void setShowReveal(bool on);
    bool allowNone() const { return m_allowNone; }
    void setAllowNone(bool on);
    // Pull-down: the title shows the location and the menu offers reveal and remove; pop-up (the
    // default): the menu shows the location checked among the recents.
    bool pullsDown() const { return m_pullsDown; }
    void setPullsDown(bool on);
    // Types accepted from the open panel and by dragging; empty accepts anything.
    QStringList allowedFileTypes() const { return m_allowedFileTypes; }
    void setAllowedFileTypes(const QStringList& types);

    QUrl URL() const;
    // The location becomes current and joins the recents; the delegate is not told.
    void setURL(const QUrl& url);
    QString autosaveName() const { return m_autosaveName; }
    // Stores the name and, if there is one, restores the location and the recents kept under it.
    void setAutosaveName(const QString& name);

    QZPURLPopUpButtonDelegate* delegate() const { return m_delegate; }
    void setDelegate(QZPURLPopUpButtonDelegate* delegate) { m_delegate = delegate; }

    QList<QUrl> recentURLs() const;
    void addRecentURL(const QUrl& url);
    void updateMenu();
    QAction* noneItem() const { return m_noneItem; }
    QAction* otherItem() const { return m_otherItem; }
    QAction* clearRecentsItem() const { return m_clearRecentsItem; }
    // The item for a location: for none, "None" if allowed, else the browse item.
    QAction* itemForURL(const QUrl& url) const;
    // The item shown as chosen.
    QAction* selectedItem() const { return m_selectedItem; }

    // The commands of the menu's items.
    void selectURL(QAction* item);
    void browse();
    void showInFileManager(QAction* item);
    void removeRecentItem(QAction* item);
    void clearRecentURLs();

    // Whether a location is of one of the allowed types.
    bool acceptsPath(const QString& path) const;

public slots:
    // Opens the menu without waiting for it to close (the keyboard's and assistive technology's way in).
    void openMenu();

signals:
    void URLChanged(const QUrl& url);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    QSize sizeHint() const override;

private:
    QString selectedURLDefaultsKey() const;
    QString recentURLsDefaultsKey() const;
    void loadDefaults();
    void saveBookmarks();
    void notifyDelegateOfURLSelection();
    QAction* makeItemWithURL(const QZPFileReference& reference);
    void selectItem(QAction* item);
    void updateTitle();
    QZPFileReference referenceFor(const QUrl& url) const;
    QZPFileReference reresolved(const QZPFileReference& reference) const;
    static QString pathOf(const QZPFileReference& reference);
    static QUrl urlOf(const QZPFileReference& reference);
    qsizetype recentIndex(const QZPFileReference& reference) const;
    void applyRecentLimit();
    QUrl draggedURL(const QMimeData* data) const;

    QZPSettings* m_settings;
    QString m_title;
    qint64 m_maximumRecentURLCount = -1;
    bool m_staticMenuOrder = false;
    bool m_showClearRecents = false;
    bool m_showReveal = false;
    bool m_allowNone = false;
    bool m_pullsDown = false;
    QStringList m_allowedFileTypes;
    QZPFileReference m_url;
    QString m_autosaveName;
    QMenu* m_menu;
    QAction* m_noneItem;
    QAction* m_otherItem;
    QAction* m_clearRecentsItem;
    QActionGroup* m_choices;
    QAction* m_selectedItem = nullptr;
    QZPURLPopUpButtonDelegate* m_delegate = nullptr;
    // The recents, most recent first, and the bookmark of each (by the reference's key).
    QList<QZPFileReference> m_recentURLs;
    QHash<QString, QString> m_bookmarksKeyedByURL;
    // Items made by the last updateMenu, deleted by the next.
    QList<QAction*> m_madeItems;
};
