// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/QZPJunoSegmentBackgroundView.h"

#include "editor/QZPPanelScaler.h"
#include "editor/QZPSkin.h"
#include "model/QZPSettings.h"

#include <QPainter>

QZPJunoSegmentBackgroundView::QZPJunoSegmentBackgroundView(QWidget* parent)
    : QWidget(parent), m_image(QZPThreePartImage::imageNamed(QStringLiteral("SegmentBackground"), 5)) {
    QZPSettings::standard()->bind(this, "preferredSkinIndex", QZPSettings::AppearanceIndexKey);
    updateAppearance();
}

void QZPJunoSegmentBackgroundView::setPreferredSkinIndex(int index) {
    m_skinIndex = index;
    updateAppearance();
}

void QZPJunoSegmentBackgroundView::updateAppearance() {
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, QZPSkin(m_skinIndex).panelText());
    setPalette(palette);
    update();
}

void QZPJunoSegmentBackgroundView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF bounds = QZPPanelScaler::beginNaturalDrawing(painter, this);
    const double top = (bounds.height() - m_image.size().height()) / 2;
    m_image.drawInRect(painter, QRectF(0, top, bounds.width(), m_image.size().height()));
}
