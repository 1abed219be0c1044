// SPDX-License-Identifier: GPL-3.0-or-later
#include "sidebar/QZPSidebarView.h"

#include "editor/QZPSkin.h"

#include <QPaintEvent>
#include <QPainter>

QZPSidebarView::QZPSidebarView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QColor QZPSidebarView::contentBackgroundColor() const {
    return m_contentBackgroundColor.isValid() ? m_contentBackgroundColor
                                              : QZPSkin::current().sidebarBackground();
}

void QZPSidebarView::setContentBackgroundColor(const QColor& colour) {
    m_contentBackgroundColor = colour;
    update();
}

void QZPSidebarView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), contentBackgroundColor());
}
