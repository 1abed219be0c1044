// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/QZPJunoSegmentButton.h"

#include "editor/QZPPanelScaler.h"
#include "editor/QZPSkin.h"
#include "model/QZPSettings.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr double SliceWidth = 5;
}

QZPJunoSegmentButton::QZPJunoSegmentButton(const QString& title, int tag, QWidget* parent)
    : QAbstractButton(parent), m_tag(tag) {
    setText(title);
    setCursor(Qt::PointingHandCursor);
    // Tab reaches it in panel order; Space presses it (the button's own key handling).
    setFocusPolicy(Qt::StrongFocus);
    // The binding delivers the current skin at once: that first delivery sets the images.
    QZPSettings::standard()->bind(this, "preferredSkinIndex", QZPSettings::AppearanceIndexKey);
}

void QZPJunoSegmentButton::setPreferredSkinIndex(int index) {
    m_skinIndex = index;
    const QZPSkin skin(index);
    m_normalImage = QZPThreePartImage::imageNamed(skin.segmentButtonImage(false), SliceWidth);
    m_pressedImage = QZPThreePartImage::imageNamed(skin.segmentButtonImage(true), SliceWidth);
    update();
}

void QZPJunoSegmentButton::setMarked(bool marked) {
    if (marked == m_marked)
        return;
    m_marked = marked;
    update();
}

void QZPJunoSegmentButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QZPPanelScaler::beginNaturalDrawing(painter, this);
    const bool pressed = isDown();
    const QZPThreePartImage& bezel = pressed ? m_pressedImage : m_normalImage;
    const double top = (bounds.height() - bezel.size().height()) / 2;
    bezel.drawInRect(painter, QRectF(0, top, bounds.width(), bezel.size().height()));
    if (hasFocus())
        QZPSkin::drawFocusRing(painter, QRectF(1.5, top + 1.5, bounds.width() - 3, bezel.size().height() - 3),
                               palette(), 3);
    if (m_marked) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(palette().color(QPalette::Highlight));
        painter.drawEllipse(QPointF(bounds.width() - 6, top + 5), 2.5, 2.5);
        painter.setBrush(Qt::NoBrush);
    }

    const QZPSkin skin(m_skinIndex);
    QRectF titleRect = bounds;
    if (pressed)
        titleRect.adjust(0, 1, 0, 0); // the label sinks with the button
    if (m_glyph != Glyph::None) {
        // The waveform, 14 × 8 points, centred.
        const QPointF o = titleRect.center() - QPointF(7, 4);
        QPainterPath path;
        if (m_glyph == Glyph::Pulse) {
            path.moveTo(o + QPointF(0, 8));
            path.lineTo(o + QPointF(3, 8));
            path.lineTo(o + QPointF(3, 0));
            path.lineTo(o + QPointF(10, 0));
            path.lineTo(o + QPointF(10, 8));
            path.lineTo(o + QPointF(14, 8));
        } else {
            path.moveTo(o + QPointF(0, 8));
            path.lineTo(o + QPointF(7, 0));
            path.lineTo(o + QPointF(7, 8));
            path.lineTo(o + QPointF(14, 0));
            path.lineTo(o + QPointF(14, 8));
        }
        painter.setBrush(Qt::NoBrush);
        if (skin.titlesHaveShadow()) {
            painter.setPen(QPen(QColor(0, 0, 0, 160), 1.6));
            painter.drawPath(path.translated(0, 1));
        }
        painter.setPen(QPen(skin.isDark() ? QColor(0xEE, 0xEE, 0xEE) : QColor(0x22, 0x22, 0x22), 1.6));
        painter.drawPath(path);
        return;
    }
    QFont font = painter.font();
    font.setPointSizeF(8);
    font.setBold(true);
    painter.setFont(font);
    if (skin.titlesHaveShadow()) {
        painter.setPen(QColor(0, 0, 0, 160));
        painter.drawText(titleRect.translated(0, 1), Qt::AlignCenter, text());
    }
    painter.setPen(skin.isDark() ? QColor(0xEE, 0xEE, 0xEE) : QColor(0x22, 0x22, 0x22));
    painter.drawText(titleRect, Qt::AlignCenter, text());
}

void QZPJunoSegmentButton::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const int step = key == Qt::Key_Left || key == Qt::Key_Up      ? -1
                     : key == Qt::Key_Right || key == Qt::Key_Down ? 1
                                                                   : 0;
    if (step == 0 || !parentWidget()) {
        QAbstractButton::keyPressEvent(event);
        return;
    }
    event->accept();
    const QList<QZPJunoSegmentButton*> bar =
        parentWidget()->findChildren<QZPJunoSegmentButton*>(Qt::FindDirectChildrenOnly);
    const qsizetype next = bar.indexOf(this) + step;
    if (next < 0 || next >= bar.size())
        return;
    QZPJunoSegmentButton* neighbour = bar.at(next);
    neighbour->setFocus(Qt::TabFocusReason);
    if (m_choosesWithArrows)
        neighbour->click();
}
