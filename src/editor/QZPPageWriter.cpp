// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/QZPPageWriter.h"

#include "model/QZPFileSystem.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <algorithm>

namespace {

QString translate(const char* text) {
    return QCoreApplication::translate("QZPPageWriter", text);
}

// The content's rectangle inside `space`, scaled to fit and centred.
QRectF fitted(const QSizeF& size, const QRectF& space) {
    const QSizeF scaled = size.scaled(space.size(), Qt::KeepAspectRatio);
    return QRectF(space.center() - QPointF(scaled.width() / 2, scaled.height() / 2), scaled);
}

} // namespace

QString QZPPageWriter::nameFilters(bool onlyPdf) {
    return onlyPdf ? translate("PDF (*.pdf)")
                   : translate("PDF (*.pdf);;SVG picture (*.svg);;PNG picture (*.png)");
}

bool QZPPageWriter::write(const QString& path, const QSizeF& size, const Painter& paint, QZPError* error) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    if (suffix == QLatin1String("pdf")) {
        QPdfWriter pdf(&buffer);
        pdf.setCreator(QStringLiteral("ToneBench"));
        pdf.setTitle(QFileInfo(path).completeBaseName());
        pdf.setPageLayout(
            QPageLayout(QPageSize(QPageSize::A4),
                        size.width() > size.height() ? QPageLayout::Landscape : QPageLayout::Portrait,
                        QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter));
        QPainter painter(&pdf);
        const QRectF page(QPointF(0, 0), QSizeF(pdf.width(), pdf.height()));
        paint(painter, fitted(size, page));
    } else if (suffix == QLatin1String("svg")) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size.toSize());
        svg.setViewBox(QRectF(QPointF(0, 0), size));
        svg.setTitle(QFileInfo(path).completeBaseName());
        QPainter painter(&svg);
        paint(painter, QRectF(QPointF(0, 0), size));
    } else if (suffix == QLatin1String("png")) {
        QImage image((size * 2).toSize(), QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.scale(2, 2);
            paint(painter, QRectF(QPointF(0, 0), size));
        }
        image.save(&buffer, "PNG");
    } else {
        qzpSetError(error,
                    QZPError::make(QZPError::FileDomain, QZPError::FileWriteUnknown,
                                   translate("“%1” cannot be written.").arg(QFileInfo(path).fileName()),
                                   translate("Choose a name ending in .pdf, .svg or .png.")));
        return false;
    }
    buffer.close();
    return QZPFileSystem::writeFile(path, data, QZPFileSystem::WriteMode::ReplaceExisting, error);
}
