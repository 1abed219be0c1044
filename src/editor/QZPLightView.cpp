// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/QZPLightView.h"

#include "editor/QZPPanelScaler.h"

#include <QPainter>
#include <QRadialGradient>

QZPLightView::QZPLightView(int tag, QWidget* parent) : QWidget(parent), m_tag(tag) {
    setFixedSize(10, 10);
}

void QZPLightView::setOpacity(double opacity) {
    if (opacity == m_opacity)
        return;
    m_opacity = opacity;
    update();
}

void QZPLightView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF lens = QZPPanelScaler::beginNaturalDrawing(painter, this).adjusted(1.5, 1.5, -1.5, -1.5);
    // The unlit lens, then the light on top at its opacity.
    painter.setPen(QPen(QColor(0, 0, 0, 140), 1));
    painter.setBrush(QColor(0x3A, 0x12, 0x10));
    painter.drawEllipse(lens);
    if (m_opacity <= 0)
        return;
    painter.setOpacity(m_opacity);
    QRadialGradient glow(lens.center() - QPointF(1, 1), lens.width() / 1.4);
    glow.setColorAt(0, QColor(0xFF, 0xD0, 0xC0));
    glow.setColorAt(0.35, QColor(0xFF, 0x3B, 0x2F));
    glow.setColorAt(1, QColor(0xB0, 0x10, 0x0A));
    painter.setPen(Qt::NoPen);
    painter.setBrush(glow);
    painter.drawEllipse(lens);
}
