// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QStringList>

class QAbstractItemView;
#include <QMenu>
class QZPSettings;

// The search field above the preset list. Its magnifier opens the recent filters (built from a menu
// template whose items carry the search field's tags in their data) and lights up while the text,
// trimmed of spaces and tabs, is not empty. Escape leaves the field for the list and keeps the text.
// While the modified-only filter is on (`active`), the field has its not-idle look even when empty.
class QZPFilterField : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(bool active READ isActive WRITE setActive NOTIFY activeChanged)

public:
    // The roles of the recents menu template's items, by tag.
    static constexpr int RecentsTitleMenuItemTag = 1000;
    static constexpr int RecentsMenuItemTag = 1001;
    static constexpr int ClearRecentsMenuItemTag = 1002;
    static constexpr int NoRecentsMenuItemTag = 1003;
    static constexpr int MaximumRecentSearches = 10;

    explicit QZPFilterField(QWidget* parent = nullptr, QZPSettings* settings = nullptr);
    ~QZPFilterField() override;

    bool isActive() const { return m_active; }
    void setActive(bool active);
    QAbstractItemView* tableView() const { return m_tableView; }
    void setTableView(QAbstractItemView* view) { m_tableView = view; }
    // Whether the magnifier shows that the list is filtered by text.
    bool isMagnifierHighlighted() const { return m_highlighted; }
    // Whether the field looks idle: no edit in progress, no text, not active.
    bool isIdle() const;

    void setSearchMenuTemplate(QMenu* menuTemplate);
    QMenu* searchMenuTemplate() const { return m_template; }
    // The menu the magnifier opens, built from the template and the recents as they are now.
    QMenu* makeRecentsMenu();
    QStringList recentSearches() const { return m_recentSearches; }
    // Where the recent filters are kept in the settings (none: memory only).
    void setRecentsAutosaveName(const QString& name);
    // Adds the text to the recents (called when a filter is committed).
    void addRecentSearch(const QString& text);
    void clearRecentSearches();

signals:
    void activeChanged(bool active);
    // Escape in the field: the text is cleared (it also ends Find Similar's ranking).
    void escapePressed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void textDidChange(const QString& text);
    void showRecentsMenu();
    void saveRecents();

    QZPSettings* m_settings;
    bool m_active = false;
    bool m_highlighted = false;
    QPointer<QAbstractItemView> m_tableView;
    QPointer<QMenu> m_template;
    QAction* m_magnifier;
    QAction* m_clear;
    QStringList m_recentSearches;
    QString m_recentsAutosaveName;
};
