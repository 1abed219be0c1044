// SPDX-License-Identifier: GPL-3.0-or-later
#include "sidebar/QZPFilterField.h"

#include "sidebar/QZPTableView.h"

#include "editor/QZPSkin.h"
#include "library/QZPPresetFilter.h"
#include "model/QZPSettings.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

QZPFilterField::QZPFilterField(QWidget* parent, QZPSettings* settings)
    : QLineEdit(parent), m_settings(settings ? settings : QZPSettings::standard()),
      m_magnifier(new QAction(this)), m_clear(new QAction(this)) {
    QZPSkin::initResources();
    setPlaceholderText(tr("Filter"));
    setFrame(false);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::transparent);
    colours.setColor(QPalette::Text, Qt::white);
    colours.setColor(QPalette::PlaceholderText, QColor(255, 255, 255, 120));
    setPalette(colours);
    setTextMargins(4, 2, 4, 2);
    m_magnifier->setIcon(QIcon(QStringLiteral(":/images/icoFilter.svg")));
    m_magnifier->setToolTip(tr("Recent Filters"));
    addAction(m_magnifier, QLineEdit::LeadingPosition);
    connect(m_magnifier, &QAction::triggered, this, &QZPFilterField::showRecentsMenu);
    // The clear button is the field's own artwork: the style's would be drawn from its bitmaps at every
    // start, before the window shows.
    m_clear->setIcon(QIcon(QStringLiteral(":/images/icoClear.svg")));
    m_clear->setText(tr("Clear"));
    m_clear->setToolTip(tr("Clear the filter"));
    addAction(m_clear, QLineEdit::TrailingPosition);
    // Hidden once its button exists: the line edit shows the button it makes for an action, and the button
    // follows the action's later changes only.
    m_clear->setVisible(false);
    connect(m_clear, &QAction::triggered, this, [this] {
        clear();
        emit textEdited(QString());
    });
    connect(this, &QLineEdit::textChanged, this, &QZPFilterField::textDidChange);
    // A filter that was used (Return, or leaving the field) joins the recents.
    connect(this, &QLineEdit::editingFinished, this, [this] { addRecentSearch(text()); });
}

QZPFilterField::~QZPFilterField() = default;

void QZPFilterField::setActive(bool active) {
    if (m_active == active)
        return;
    m_active = active;
    update();
    emit activeChanged(active);
}

bool QZPFilterField::isIdle() const {
    return !hasFocus() && text().isEmpty() && !m_active;
}

void QZPFilterField::textDidChange(const QString& text) {
    m_clear->setVisible(!text.isEmpty());
    const bool highlighted = !QZPPresetFilter::trimmed(text).isEmpty();
    if (highlighted != m_highlighted) {
        m_highlighted = highlighted;
        m_magnifier->setIcon(QIcon(highlighted ? QStringLiteral(":/images/icoFilter-ON.svg")
                                               : QStringLiteral(":/images/icoFilter.svg")));
    }
    update();
}

void QZPFilterField::keyPressEvent(QKeyEvent* event) {
    // Escape clears the filter and Down moves into the results, as in a desktop search field; either
    // hands the keys to the list.
    const bool escape = event->key() == Qt::Key_Escape;
    if ((escape || event->key() == Qt::Key_Down) && m_tableView) {
        if (escape) {
            clear();
            emit escapePressed();
        }
        m_tableView->setFocus(Qt::ShortcutFocusReason);
        // The list's current row, also while it was put aside for the field's focus.
        const auto* list = qobject_cast<const QZPTableView*>(m_tableView.data());
        const QModelIndex current = list ? list->currentRow() : m_tableView->currentIndex();
        if (!current.isValid() && m_tableView->model() && m_tableView->model()->rowCount() > 0)
            m_tableView->setCurrentIndex(m_tableView->model()->index(0, 0));
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void QZPFilterField::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    update();
}

void QZPFilterField::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    update();
}

// Idle: the skin's field colour with a faint outline. Not idle (typing, text, or the modified-only
// filter on): the control background, outlined with the accent colour while the field has the focus.
void QZPFilterField::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QZPSkin skin = QZPSkin::current();
        const bool idle = isIdle();
        const qreal lineWidth = idle ? 1.35 : 2.0;
        const QRectF frame =
            QRectF(rect()).adjusted(lineWidth / 2, lineWidth / 2, -lineWidth / 2, -lineWidth / 2);
        QPainterPath outline;
        outline.addRoundedRect(frame, 7, 7);
        QColor faint = skin.filterBackground().lighter(220);
        faint.setAlphaF(0.3f);
        if (idle) {
            painter.fillPath(outline, skin.filterBackground());
            painter.setPen(QPen(faint, lineWidth));
        } else {
            painter.fillPath(outline, skin.filterBackground().darker(140));
            painter.setPen(QPen(hasFocus() ? palette().color(QPalette::Highlight) : faint, lineWidth));
        }
        painter.drawPath(outline);
    }
    QLineEdit::paintEvent(event);
}

// MARK: Recent filters

void QZPFilterField::setSearchMenuTemplate(QMenu* menuTemplate) {
    m_template = menuTemplate;
}

void QZPFilterField::setRecentsAutosaveName(const QString& name) {
    m_recentsAutosaveName = name;
    if (!name.isEmpty())
        m_recentSearches = m_settings->value(name).toStringList().mid(0, MaximumRecentSearches);
}

void QZPFilterField::saveRecents() {
    if (!m_recentsAutosaveName.isEmpty())
        m_settings->setValue(m_recentsAutosaveName, m_recentSearches);
}

void QZPFilterField::addRecentSearch(const QString& text) {
    if (QZPPresetFilter::trimmed(text).isEmpty())
        return;
    m_recentSearches.removeAll(text);
    m_recentSearches.prepend(text);
    while (m_recentSearches.size() > MaximumRecentSearches)
        m_recentSearches.removeLast();
    saveRecents();
}

void QZPFilterField::clearRecentSearches() {
    m_recentSearches.clear();
    saveRecents();
}

// The template's items are shown by their roles: the title and the recents when there are recents,
// "No Items" when there are none, the clear item enabled only with recents to clear.
QMenu* QZPFilterField::makeRecentsMenu() {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (!m_template)
        return menu;
    menu->setTitle(m_template->title());
    const bool hasRecents = !m_recentSearches.isEmpty();
    for (QAction* item : m_template->actions()) {
        if (item->isSeparator()) {
            menu->addSeparator();
            continue;
        }
        switch (item->data().toInt()) {
        case RecentsTitleMenuItemTag:
            if (hasRecents)
                menu->addAction(item->text())->setEnabled(false);
            break;
        case RecentsMenuItemTag:
            for (const QString& recent : m_recentSearches)
                menu->addAction(recent, this, [this, recent] { setText(recent); });
            break;
        case NoRecentsMenuItemTag:
            if (!hasRecents)
                menu->addAction(item->text())->setEnabled(false);
            break;
        case ClearRecentsMenuItemTag:
            menu->addAction(item->text(), this, &QZPFilterField::clearRecentSearches)->setEnabled(hasRecents);
            break;
        default:
            menu->addAction(item->text())->setEnabled(false);
        }
    }
    return menu;
}

void QZPFilterField::showRecentsMenu() {
    makeRecentsMenu()->popup(mapToGlobal(QPoint(0, height())));
}
