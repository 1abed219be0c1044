// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/QZPMainView.h"

#include "editor/QZPSkin.h"
#include "model/QZPSettings.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QSvgRenderer>

const QColor QZPMainView::contentBackgroundColor = QColor::fromRgbF(0.0885494f, 0.0907984f, 0.105239f);
const QColor QZPMainView::backgroundColor = QColor::fromRgbF(0.11f, 0.11f, 0.12f);
// 2 % towards white.
const QColor QZPMainView::backgroundNonKeyColor =
    QColor::fromRgbF(0.11f + 0.02f * 0.89f, 0.11f + 0.02f * 0.89f, 0.12f + 0.02f * 0.88f);

QZPMainView::QZPMainView(QWidget* parent) : QWidget(parent), m_drawingColor(backgroundColor) {
    setAutoFillBackground(false);
    QZPSettings::standard()->bind(this, "preferredSkinIndex", QZPSettings::AppearanceIndexKey);
}

QZPMainView::~QZPMainView() = default;

void QZPMainView::setPreferredSkinIndex(int index) {
    QZPSkin::initResources();
    m_skinIndex = index;
    delete m_background;
    m_background =
        new QSvgRenderer(QStringLiteral(":/images/%1.svg").arg(QZPSkin::backgroundImageName(index)), this);
    update();
}

void QZPMainView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange) {
        m_drawingColor = isActiveWindow() ? backgroundColor : backgroundNonKeyColor;
        update();
    }
    QWidget::changeEvent(event);
}

void QZPMainView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect r = event->rect();
    if (!m_allowsModernToolbar) {
        painter.fillRect(r, contentBackgroundColor);
        if (m_background && m_background->isValid())
            m_background->render(&painter, rect());
        return;
    }
    painter.fillRect(r, m_drawingColor);
    const QRect band(0, 0, width(), m_bandHeight);
    painter.fillRect(r.intersected(rect().adjusted(0, m_bandHeight, 0, 0)), contentBackgroundColor);
    painter.fillRect(r.intersected(QRect(band.x(), band.y(), band.width(), 1)), QColor(255, 255, 255, 8));
    painter.fillRect(r.intersected(QRect(band.x(), band.bottom(), band.width(), 1)), QColor(0, 0, 0, 102));
}
