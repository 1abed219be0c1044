// SPDX-License-Identifier: GPL-3.0-or-later
#include "sidebar/QZPURLPopUpButtonAccessible.h"

#include "editor/QZPAccessibleFactory.h"
#include "sidebar/QZPURLPopUpButton.h"

#include <QMenu>

QZPURLPopUpButtonAccessible::QZPURLPopUpButtonAccessible(QZPURLPopUpButton* button)
    : QAccessibleWidget(button, QAccessible::ComboBox) {}

void QZPURLPopUpButtonAccessible::install() {
    qzpInstallAccessibleFactory<QZPURLPopUpButton, QZPURLPopUpButtonAccessible>();
}

QZPURLPopUpButton* QZPURLPopUpButtonAccessible::button() const {
    return static_cast<QZPURLPopUpButton*>(widget());
}

QString QZPURLPopUpButtonAccessible::text(QAccessible::Text text) const {
    if (text == QAccessible::Value)
        return button()->text();
    return QAccessibleWidget::text(text);
}

QAccessible::State QZPURLPopUpButtonAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.hasPopup = true;
    state.expandable = true;
    state.expanded = button()->menu()->isVisible();
    state.collapsed = !state.expanded;
    return state;
}

int QZPURLPopUpButtonAccessible::childCount() const {
    return 1;
}

QAccessibleInterface* QZPURLPopUpButtonAccessible::child(int index) const {
    return index == 0 ? QAccessible::queryAccessibleInterface(button()->menu()) : nullptr;
}

int QZPURLPopUpButtonAccessible::indexOfChild(const QAccessibleInterface* child) const {
    return child && child->object() == button()->menu() ? 0 : -1;
}

QStringList QZPURLPopUpButtonAccessible::actionNames() const {
    if (!button()->isEnabled())
        return {};
    return {showMenuAction(), pressAction()};
}

// The menu opens after the call returns: an assistive client is never left waiting on it.
void QZPURLPopUpButtonAccessible::doAction(const QString& actionName) {
    if (button()->isEnabled() && (actionName == showMenuAction() || actionName == pressAction()))
        QMetaObject::invokeMethod(button(), &QZPURLPopUpButton::openMenu, Qt::QueuedConnection);
}
