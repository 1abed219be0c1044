// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/QZPPanelScaler.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QPainter>
#include <QVariant>
#include <QWidget>
#include <cmath>

namespace {

constexpr const char* ScaleProperty = "qzpPanelScale";
// What a widget or layout measures at scale 1.
constexpr const char* NaturalSizeProperty = "qzpNaturalSize";
constexpr const char* NaturalPointsProperty = "qzpNaturalPoints";
constexpr const char* NaturalPixelsProperty = "qzpNaturalPixels";
constexpr const char* NaturalMarginsProperty = "qzpNaturalMargins";
constexpr const char* NaturalSpacingProperty = "qzpNaturalSpacing";

int scaled(int length, double scale) {
    return int(std::lround(length * scale));
}

} // namespace

double QZPPanelScaler::scaleOf(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        const QVariant scale = w->property(ScaleProperty);
        if (scale.isValid())
            return scale.toDouble();
    }
    return 1;
}

void QZPPanelScaler::setScale(QWidget* panel, double scale) {
    QList<QWidget*> widgets = panel->findChildren<QWidget*>();
    widgets.prepend(panel);
    // Everything is measured before anything changes: a child's type size is its parent's until set.
    for (QWidget* widget : widgets) {
        if (widget->property(NaturalPointsProperty).isValid())
            continue;
        if (widget->minimumSize() == widget->maximumSize())
            widget->setProperty(NaturalSizeProperty, widget->minimumSize());
        widget->setProperty(NaturalPointsProperty, widget->font().pointSizeF());
        widget->setProperty(NaturalPixelsProperty, widget->font().pixelSize());
        if (widget->layout())
            rememberLayout(widget->layout());
    }
    panel->setProperty(ScaleProperty, scale);
    for (QWidget* widget : widgets) {
        const QSize size = widget->property(NaturalSizeProperty).toSize();
        if (size.isValid())
            widget->setFixedSize(scaled(size.width(), scale), scaled(size.height(), scale));
        QFont font = widget->font();
        const double points = widget->property(NaturalPointsProperty).toDouble();
        if (points > 0)
            font.setPointSizeF(points * scale);
        else
            font.setPixelSize(std::max(1, scaled(widget->property(NaturalPixelsProperty).toInt(), scale)));
        widget->setFont(font);
        if (widget->layout())
            scaleLayout(widget->layout(), scale);
        widget->update();
    }
}

QRectF QZPPanelScaler::beginNaturalDrawing(QPainter& painter, const QWidget* widget) {
    const double scale = scaleOf(widget);
    painter.scale(scale, scale);
    return QRectF(0, 0, widget->width() / scale, widget->height() / scale);
}

void QZPPanelScaler::rememberLayout(QLayout* layout) {
    const QMargins m = layout->contentsMargins();
    layout->setProperty(NaturalMarginsProperty, QList<QVariant>{m.left(), m.top(), m.right(), m.bottom()});
    if (auto* grid = qobject_cast<QGridLayout*>(layout))
        layout->setProperty(NaturalSpacingProperty,
                            QSize(grid->horizontalSpacing(), grid->verticalSpacing()));
    else
        layout->setProperty(NaturalSpacingProperty, QSize(layout->spacing(), layout->spacing()));
    for (int i = 0; i < layout->count(); ++i)
        if (QLayout* inner = layout->itemAt(i)->layout())
            rememberLayout(inner);
}

void QZPPanelScaler::scaleLayout(QLayout* layout, double scale) {
    const QList<QVariant> m = layout->property(NaturalMarginsProperty).toList();
    if (m.size() == 4)
        layout->setContentsMargins(scaled(m[0].toInt(), scale), scaled(m[1].toInt(), scale),
                                   scaled(m[2].toInt(), scale), scaled(m[3].toInt(), scale));
    const QSize spacing = layout->property(NaturalSpacingProperty).toSize();
    // A spacing left to the style (negative) stays the style's.
    if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
        if (spacing.width() >= 0)
            grid->setHorizontalSpacing(scaled(spacing.width(), scale));
        if (spacing.height() >= 0)
            grid->setVerticalSpacing(scaled(spacing.height(), scale));
    } else if (spacing.width() >= 0) {
        layout->setSpacing(scaled(spacing.width(), scale));
    }
    for (int i = 0; i < layout->count(); ++i)
        if (QLayout* inner = layout->itemAt(i)->layout())
            scaleLayout(inner, scale);
}
