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

QPalette QZPSkin::windowPalette(const QPalette& desktop) const {
    if (!isDark())
        return desktop;
    const QColor window(0x2B, 0x2C, 0x30), base(0x1E, 0x1F, 0x23), button(0x37, 0x38, 0x3D);
    const QColor text = panelText(), dim = panelDimText();
    QPalette palette(button, window);
    for (const auto& [role, colour] : {std::pair{QPalette::Window, window},
                                       {QPalette::WindowText, text},
                                       {QPalette::Base, base},
                                       {QPalette::AlternateBase, QColor(0x26, 0x27, 0x2B)},
                                       {QPalette::ToolTipBase, base},
                                       {QPalette::ToolTipText, text},
                                       {QPalette::PlaceholderText, dim},
                                       {QPalette::Text, text},
                                       {QPalette::Button, button},
                                       {QPalette::ButtonText, text},
                                       {QPalette::BrightText, QColor(Qt::white)},
                                       {QPalette::Highlight, activeRow()},
                                       {QPalette::HighlightedText, QColor(Qt::white)},
                                       {QPalette::Link, QColor(0x7A, 0xB0, 0xF5)},
                                       {QPalette::LinkVisited, QColor(0xB0, 0x90, 0xE8)},
                                       {QPalette::Light, button.lighter(150)},
                                       {QPalette::Midlight, button.lighter(125)},
                                       {QPalette::Mid, button.darker(130)},
                                       {QPalette::Dark, button.darker(170)},
                                       {QPalette::Shadow, QColor(Qt::black)}})
        palette.setColor(role, colour);
    // Disabled text stays readable on the dark ground, but plainly fainter.
    const QColor disabled = dim.darker(140);
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, disabled);
    palette.setColor(QPalette::Disabled, QPalette::Highlight, button);
    return palette;
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
