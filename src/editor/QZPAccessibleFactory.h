// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessible>
#include <QLatin1String>
#include <QObject>

// Makes every widget of class `Widget` answer assistive technology with an `Interface` (made from the
// widget), installed once per process however often it is asked for.
template <typename Widget, typename Interface>
QAccessibleInterface* qzpAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String(Widget::staticMetaObject.className()) && object && object->isWidgetType())
        return new Interface(static_cast<Widget*>(object));
    return nullptr;
}

template <typename Widget, typename Interface> void qzpInstallAccessibleFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(&qzpAccessibleFactory<Widget, Interface>);
        return true;
    }();
    Q_UNUSED(installed);
}
