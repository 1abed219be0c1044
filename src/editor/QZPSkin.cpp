// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/QZPSkin.h"

#include "model/QZPSettings.h"

#include <QPainter>
#include <QPalette>

static void registerArtwork() {
    Q_INIT_RESOURCE(tonebench);
}

void QZPSkin::initResources() {
    static const bool registered = [] {
        registerArtwork();
        return true;
    }();
    Q_UNUSED(registered);
}

QZPSkin QZPSkin::current() {
    return QZPSkin(QZPSettings::standard()->intValue(QZPSettings::AppearanceIndexKey));
}

QString QZPSkin::segmentButtonImage(bool pressed) const {
    const QString base = isDark() ? QStringLiteral("NeutralSegmentButton") : QStringLiteral("SegmentButton");
    return pressed ? base + QStringLiteral("Pressed") : base;
}

QString QZPSkin::chorusButtonImage(bool pressed) const {
    const QString base =
        isDark() ? QStringLiteral("NeutralSegmentColorButton") : QStringLiteral("SegmentColorButton");
    return pressed ? base + QStringLiteral("Pressed") : base;
}

QColor QZPSkin::panelText() const {
    return isDark() ? QColor(0xE8, 0xE6, 0xE1) : QColor(0x1E, 0x1F, 0x22);
}
QColor QZPSkin::panelDimText() const {
    return isDark() ? QColor(0x9A, 0x9C, 0xA3) : QColor(0x55, 0x57, 0x5C);
}
QColor QZPSkin::sectionRule() const {
    return isDark() ? QColor(0xE8, 0x6A, 0x2B) : QColor(0xC8, 0x3C, 0x1E);
}
QColor QZPSkin::slot() const {
    return isDark() ? QColor(0x0C, 0x0D, 0x10) : QColor(0x2A, 0x2B, 0x2E);
}
QColor QZPSkin::light() const {
    return QColor(0xFF, 0x3B, 0x2F);
}

QColor QZPSkin::sidebarBackground() const {
    return isDark() ? QColor(0x1B, 0x1C, 0x20) : QColor(0x2E, 0x2A, 0x26);
}
QColor QZPSkin::activeRow() const {
    return isDark() ? QColor(0x2F, 0x6F, 0xD8) : QColor(0x3A, 0x78, 0xC9);
}
QColor QZPSkin::selection() const {
    return isDark() ? QColor(0x4A, 0x4D, 0x55) : QColor(0x6B, 0x5A, 0x48);
}
QColor QZPSkin::filterBackground() const {
    return isDark() ? QColor(0x2A, 0x2C, 0x31) : QColor(0x45, 0x3F, 0x39);
}
QColor QZPSkin::editedMarker() const {
    return sectionRule();
}

void QZPSkin::drawFocusRing(QPainter& painter, const QRectF& rect, const QPalette& palette, qreal radius) {
    painter.save();
    painter.setPen(QPen(palette.color(QPalette::Highlight), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(rect, radius, radius);
    painter.restore();
}
