// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRectF>

class QLayout;
class QPainter;
class QWidget;

// The front panel at any size: every length of the panel (fixed sizes, layout margins and spacing, type
// sizes) is the one it has at scale 1 times the panel's scale. The lengths at scale 1 are taken from the
// widgets the first time the panel is scaled. The controls that draw themselves draw in the units of
// scale 1 on a painter scaled by `beginNaturalDrawing`, so shapes and type are drawn, never enlarged
// from a bitmap, and stay crisp at any scale.
class QZPPanelScaler {
public:
    // The scale of the panel the widget is on (1 off any panel).
    static double scaleOf(const QWidget* widget);
    // Scales the panel and everything on it.
    static void setScale(QWidget* panel, double scale);
    // Scales the painter to the widget's panel and answers the widget's rectangle in the units of scale 1.
    static QRectF beginNaturalDrawing(QPainter& painter, const QWidget* widget);

private:
    static void rememberLayout(QLayout* layout);
    static void scaleLayout(QLayout* layout, double scale);
};
