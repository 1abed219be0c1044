// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/QZPSheetExports.h"

#include "editor/QZPEditorController.h"
#include "editor/QZPPageWriter.h"
#include "editor/QZPPatchSheet.h"
#include "model/QZPError.h"
#include "model/QZPPreset.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPainter>
#include <QStandardPaths>
#include <algorithm>
#include <utility>

namespace {

// An A4 page in points.
constexpr QSizeF A4(595, 842);

} // namespace

QZPSheetExports::QZPSheetExports(QZPEditorController* editor, QWidget* window, ErrorPresenter presentError,
                                 QObject* parent)
    : QObject(parent), m_editor(editor), m_window(window), m_presentError(std::move(presentError)) {}

QString QZPSheetExports::askForPath(const QString& title, const QString& name, bool onlyPdf) const {
    QFileDialog panel(m_window, title);
    panel.setAcceptMode(QFileDialog::AcceptSave);
    panel.setNameFilter(QZPPageWriter::nameFilters(onlyPdf));
    panel.setDefaultSuffix(QStringLiteral("pdf"));
    panel.setDirectory(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    panel.selectFile(name);
    // The type chosen in the filter gives a name without an extension its extension.
    connect(&panel, &QFileDialog::filterSelected, &panel, [&panel](const QString& filter) {
        panel.setDefaultSuffix(filter.section(QStringLiteral("*."), 1).section(QLatin1Char(')'), 0, 0));
    });
    if (panel.exec() != QDialog::Accepted || panel.selectedFiles().isEmpty())
        return {};
    return panel.selectedFiles().constFirst();
}

void QZPSheetExports::exportPatchSheet() {
    const QZPPreset* preset = m_editor->document();
    if (!preset)
        return;
    const QString path =
        askForPath(tr("Export Patch Sheet"), preset->displayName() + QStringLiteral(".pdf"), false);
    QZPError error;
    if (!path.isEmpty() && !exportPatchSheetToFile(path, &error))
        m_presentError(error, m_window);
}

bool QZPSheetExports::exportPatchSheetToFile(const QString& path, QZPError* error) const {
    return QZPPatchSheet(m_editor).write(path, error);
}

void QZPSheetExports::exportSlotList(const QStringList& names) {
    if (names.isEmpty())
        return;
    if (names.size() > SlotCount) {
        m_presentError(
            QZPError::make(
                QZPError::ToneBenchDomain, 0,
                tr("%1 presets are selected; the instrument has 128 program slots.").arg(names.size()), {},
                tr("Select at most 128 presets, in the order of slots A11 to B88.")),
            m_window);
        return;
    }
    const QString path = askForPath(tr("Export Slot List"), tr("Slot List.pdf"), true);
    QZPError error;
    if (!path.isEmpty() && !exportSlotListToFile(path, names, QFileInfo(path).completeBaseName(), &error))
        m_presentError(error, m_window);
}

bool QZPSheetExports::exportSlotListToFile(const QString& path, const QStringList& names,
                                           const QString& title, QZPError* error) {
    return QZPPageWriter::write(
        path, A4,
        [&names, &title](QPainter& painter, const QRectF& target) {
            paintSlotList(painter, target, names.mid(0, SlotCount), title);
        },
        error);
}

void QZPSheetExports::paintSlotList(QPainter& painter, const QRectF& target, const QStringList& names,
                                    const QString& title) {
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(target.width() / A4.width(), target.height() / A4.height());
    constexpr double Margin = 36, TitleHeight = 36, ColumnGap = 18;
    QFont font(QStringLiteral("Sans Serif"));
    font.setPointSizeF(15);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(Margin, Margin, A4.width() - 2 * Margin, TitleHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, title);
    // Banks A and B side by side, 64 slots each, a rule after every group of eight.
    const double top = Margin + TitleHeight + 8;
    const double line = (A4.height() - top - Margin) / (SlotCount / 2);
    const double column = (A4.width() - 2 * Margin - ColumnGap) / 2;
    font.setPointSizeF(std::min(8.5, line * 0.62));
    font.setBold(false);
    QFont slotFont = font;
    slotFont.setBold(true);
    const QFontMetricsF metrics(font);
    for (int slot = 0; slot < SlotCount; ++slot) {
        const double x = Margin + (slot / 64) * (column + ColumnGap);
        const double y = top + (slot % 64) * line;
        painter.setFont(slotFont);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(x, y, 32, line), Qt::AlignLeft | Qt::AlignVCenter,
                         QZPPreset::programNameForByte(quint8(slot)));
        painter.setFont(font);
        const QString name = slot < names.size() ? names.at(slot) : QString();
        painter.drawText(QRectF(x + 32, y, column - 32, line), Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(name, Qt::ElideRight, column - 34));
        if (slot % 8 == 7 && slot % 64 != 63) {
            painter.setPen(QPen(QColor(0, 0, 0, 60), 0.5));
            painter.drawLine(QPointF(x, y + line), QPointF(x + column, y + line));
        }
    }
    painter.restore();
}
