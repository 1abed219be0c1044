// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/QZPThreePartImage.h"

#include "editor/QZPSkin.h"

#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

namespace {
// The artwork is drawn six times finer than its size: sharp on a panel scaled up to 3 on a screen of
// twice the pixels.
constexpr qreal Scale = 6;
} // namespace

// Each artwork is drawn once: the panel's many buttons of a skin share it (a copy shares the pixels).
// Main thread only, as every widget.
QZPThreePartImage QZPThreePartImage::imageNamed(const QString& name, double sliceWidth) {
    static QHash<QString, QZPThreePartImage> drawn;
    QZPThreePartImage image = drawn.value(name);
    if (image.isNull()) {
        QZPSkin::initResources();
        QSvgRenderer renderer(QStringLiteral(":/images/%1.svg").arg(name));
        if (!renderer.isValid())
            return image;
        image.m_size = renderer.defaultSize();
        image.m_image = QImage((image.m_size * Scale).toSize(), QImage::Format_ARGB32_Premultiplied);
        image.m_image.fill(Qt::transparent);
        QPainter painter(&image.m_image);
        renderer.render(&painter);
        painter.end();
        drawn.insert(name, image);
    }
    image.m_slice = sliceWidth;
    return image;
}

void QZPThreePartImage::drawInRect(QPainter& painter, const QRectF& r) const {
    if (isNull())
        return;
    const double s = m_slice;
    const double h = m_size.height();
    const auto source = [](const QRectF& rect) {
        return QRectF(rect.x() * Scale, rect.y() * Scale, rect.width() * Scale, rect.height() * Scale);
    };
    painter.save();
    painter.translate(r.topLeft());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(0, 0, s, h), m_image, source(startCapRect()));
    painter.drawImage(QRectF(s, 0, r.width() - 2 * s, h), m_image, source(centerFillRect()));
    painter.drawImage(QRectF(r.width() - s, 0, s, h), m_image, source(endCapRect()));
    painter.restore();
}
