// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/QZPPatchSheet.h"

#include "editor/QZPEditorController.h"
#include "editor/QZPPageWriter.h"
#include "editor/QZPSlider.h"
#include "model/QZPParameter.h"
#include "model/QZPPatchDifference.h"
#include "model/QZPPreset.h"
#include "model/QZPValueScale.h"

#include <QPainter>
#include <QStringList>
#include <QWidget>

QSizeF QZPPatchSheet::size() const {
    const QSize panel = m_editor->view()->size();
    return QSizeF(panel.width(),
                  TitleHeight + panel.height() + NumbersHeight * m_editor->panelRowCount() + SwitchesHeight);
}

QString QZPPatchSheet::switchesText() const {
    const QZPPreset* preset = m_editor->document();
    if (!preset)
        return {};
    const QZPPatch patch = preset->patch();
    QStringList words;
    for (const QZPParameter& parameter : QZPParameter::all())
        if (parameter.kind == QZPParameter::Kind::Switch && parameter.section)
            words << QString(QZPPatchDifference::parameterText(parameter) + QLatin1Char(' ') +
                             QZPPatchDifference::valueText(parameter, patch.value(parameter),
                                                           QZPValueScale::chosen()))
                         .replace(QLatin1Char(' '), QChar(0xA0)); // lines break between settings only
    return words.join(QStringLiteral("  ·  "));
}

void QZPPatchSheet::paint(QPainter& painter, const QRectF& target) const {
    QWidget* panel = m_editor->view();
    const QSizeF own = size();
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(target.width() / own.width(), target.height() / own.height());
    const QZPPreset* preset = m_editor->document();
    QFont font = panel->font();
    font.setPointSizeF(16);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(0, 0, own.width(), TitleHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     preset ? preset->displayName() : QString());

    // The panel as the window draws it, on the window's ground (which the panel's parents paint).
    painter.save();
    painter.translate(0, TitleHeight);
    QWidget* window = panel->window();
    window->render(&painter, QPoint(), QRegion(QRect(panel->mapTo(window, QPoint(0, 0)), panel->size())),
                   QWidget::DrawWindowBackground | QWidget::DrawChildren);
    painter.restore();

    // Each slider's value under its column, on the scale the window shows: a line of numbers under the
    // panel for each of its rows, the first row's first.
    const double numbersTop = TitleHeight + panel->height();
    font.setPointSizeF(9);
    font.setBold(false);
    painter.setFont(font);
    const QZPValueScale scale = QZPValueScale::chosen();
    const int rows = m_editor->panelRowCount();
    if (preset) {
        const QZPPatch patch = preset->patch();
        for (const QZPSlider* slider : m_editor->sliders()) {
            const QZPParameter* parameter = slider->parameter();
            // A switch's words are in the line below, where they have room.
            if (!parameter || parameter->kind != QZPParameter::Kind::Slider || !slider->isVisible())
                continue;
            const QPoint centre = slider->mapTo(panel, slider->rect().center());
            const int row = rows > 1 && centre.y() > panel->height() / 2 ? 1 : 0;
            painter.drawText(QRectF(centre.x() - 30, numbersTop + row * NumbersHeight, 60, NumbersHeight),
                             Qt::AlignCenter, scale.valueText(*parameter, patch.value(*parameter)));
        }
    }
    painter.drawText(QRectF(0, numbersTop + rows * NumbersHeight, own.width(), SwitchesHeight),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, switchesText());
    painter.restore();
}

bool QZPPatchSheet::write(const QString& path, QZPError* error) const {
    return QZPPageWriter::write(
        path, size(), [this](QPainter& painter, const QRectF& target) { paint(painter, target); }, error);
}
