// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QRectF>
#include <QString>

class QPainter;

// A horizontally stretchable image: a left cap and a right cap of the slice width keep their size,
// the middle is stretched. Loaded from the application's SVG artwork.
class QZPThreePartImage {
public:
    QZPThreePartImage() = default;
    // The named image (":/images/<name>.svg") cut with the slice width s.
    static QZPThreePartImage imageNamed(const QString& name, double sliceWidth);

    bool isNull() const { return m_image.isNull(); }
    QSizeF size() const { return m_size; }
    QRectF startCapRect() const { return {0, 0, m_slice, m_size.height()}; }
    QRectF centerFillRect() const { return {m_slice, 0, m_size.width() - 2 * m_slice, m_size.height()}; }
    QRectF endCapRect() const { return {m_size.width() - m_slice, 0, m_slice, m_size.height()}; }

    // Draws into r's width from r's origin, at the image's own height.
    void drawInRect(QPainter& painter, const QRectF& r) const;

private:
    QImage m_image; // rendered at twice the size for sharp drawing on high-density screens
    QSizeF m_size;
    double m_slice = 0;
};
