// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPError.h"

#include <QSizeF>
#include <QString>
#include <functional>

class QPainter;
class QRectF;

// Writes a drawing to a file as PDF, SVG or PNG, by the file's extension: PDF on one A4 page (turned to
// the drawing's shape, the drawing scaled to fit its margins), SVG at the drawing's own size, PNG at twice
// it on white. The file is written whole or not at all (never a half-written file under its name).
class QZPPageWriter {
public:
    // Draws the content into the rectangle (which keeps the content's aspect).
    using Painter = std::function<void(QPainter&, const QRectF&)>;
    // The extensions written, for a save dialog's filter.
    static QString nameFilters(bool onlyPdf = false);
    // `size`: the drawing's own size in points.
    static bool write(const QString& path, const QSizeF& size, const Painter& paint, QZPError* error);
};
