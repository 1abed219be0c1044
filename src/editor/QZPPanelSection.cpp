// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/QZPPanelSection.h"

#include "editor/QZPPanelScaler.h"
#include "editor/QZPSkin.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>

namespace {
constexpr int BandHeight = 18;
}

QZPPanelSection::QZPPanelSection(const QString& title, QWidget* parent) : QWidget(parent), m_title(title) {
    m_grid = new QGridLayout(this);
    m_grid->setContentsMargins(8, BandHeight + 10, 8, 6);
    m_grid->setHorizontalSpacing(6);
    m_grid->setVerticalSpacing(4);
}

namespace {

// The panel's lettering: small, bold, a little spaced.
QLabel* makeCaption(const QString& text, QWidget* parent, Qt::Alignment alignment) {
    auto* caption = new QLabel(text, parent);
    caption->setAlignment(alignment);
    caption->setObjectName(QStringLiteral("caption"));
    QFont font = caption->font();
    font.setPointSizeF(7.5);
    font.setBold(true);
    font.setLetterSpacing(QFont::PercentageSpacing, 106);
    caption->setFont(font);
    return caption;
}

} // namespace

void QZPPanelSection::addControl(QWidget* control, const QString& label, Qt::Alignment alignment) {
    m_grid->addWidget(control, 0, m_columns, alignment | Qt::AlignBottom);
    m_grid->addWidget(makeCaption(label, this, Qt::AlignHCenter | Qt::AlignTop), 1, m_columns,
                      Qt::AlignHCenter | Qt::AlignTop);
    ++m_columns;
    restyle();
}

void QZPPanelSection::addTwoPositionSwitch(QWidget* control, const QString& upperLabel,
                                           const QString& lowerLabel) {
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(1);
    grid->setVerticalSpacing(0);
    control->setParent(box);
    grid->addWidget(control, 0, 0, 2, 1);
    grid->addWidget(makeCaption(upperLabel, box, Qt::AlignLeft | Qt::AlignTop), 0, 1,
                    Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(makeCaption(lowerLabel, box, Qt::AlignLeft | Qt::AlignBottom), 1, 1,
                    Qt::AlignLeft | Qt::AlignBottom);
    m_grid->addWidget(box, 0, m_columns, Qt::AlignHCenter | Qt::AlignBottom);
    ++m_columns;
    restyle();
}

void QZPPanelSection::restyle() {
    const QZPSkin skin = QZPSkin::current();
    for (QLabel* caption : findChildren<QLabel*>(QStringLiteral("caption"))) {
        QPalette palette = caption->palette();
        palette.setColor(QPalette::WindowText, skin.panelText());
        caption->setPalette(palette);
    }
    update();
}

void QZPPanelSection::paintEvent(QPaintEvent*) {
    const QZPSkin skin = QZPSkin::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QZPPanelScaler::beginNaturalDrawing(painter, this);
    // The section's face, a shade off the panel, and its title band.
    QColor face = skin.isDark() ? QColor(255, 255, 255, 10) : QColor(0, 0, 0, 12);
    painter.setPen(Qt::NoPen);
    painter.setBrush(face);
    painter.drawRoundedRect(bounds.adjusted(1, 1, -1, -1), 4, 4);
    const QRectF band(1, 1, bounds.width() - 2, BandHeight);
    painter.setBrush(skin.sectionRule());
    painter.drawRoundedRect(band, 3, 3);
    painter.fillRect(QRectF(band.left(), band.bottom() - 3, band.width(), 3), skin.sectionRule());
    QFont font = painter.font();
    font.setPointSizeF(8.5);
    font.setBold(true);
    font.setLetterSpacing(QFont::PercentageSpacing, 130);
    painter.setFont(font);
    painter.setPen(skin.isDark() ? QColor(0x16, 0x12, 0x10) : QColor(0xFF, 0xF8, 0xF0));
    painter.drawText(band, Qt::AlignCenter, m_title);
}
