// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/QZPMorphBar.h"

#include "model/QZPPatchMorph.h"
#include "model/QZPPreset.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

QZPMorphBar::QZPMorphBar(QWidget* parent)
    : QWidget(parent), m_slider(new QSlider(Qt::Horizontal, this)), m_title(new QLabel(this)),
      m_value(new QLabel(this)) {
    setObjectName(QStringLiteral("MorphBar"));
    m_slider->setRange(0, 100);
    m_slider->setAccessibleName(tr("Morph"));
    m_slider->setFocusPolicy(Qt::StrongFocus);
    m_value->setMinimumWidth(m_value->fontMetrics().horizontalAdvance(QStringLiteral("100 %")));
    auto* keepButton = new QPushButton(tr("&Keep"), this);
    auto* cancelButton = new QPushButton(tr("Cancel"), this);
    connect(m_slider, &QSlider::valueChanged, this, [this](int value) { setAmount(value / 100.0); });
    connect(keepButton, &QPushButton::clicked, this, &QZPMorphBar::keep);
    connect(cancelButton, &QPushButton::clicked, this, &QZPMorphBar::cancel);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(14, 6, 14, 6);
    row->addWidget(m_title);
    row->addWidget(m_slider, 1);
    row->addWidget(m_value);
    row->addWidget(keepButton);
    row->addWidget(cancelButton);
    hide();
}

void QZPMorphBar::start(QZPPreset* preset, const QZPPatch& reference, const QString& referenceName) {
    if (isMorphing())
        cancel();
    m_preset = preset;
    m_start = preset->patch();
    m_reference = reference;
    m_title->setText(tr("Morph to %1:").arg(referenceName));
    const QSignalBlocker quiet(m_slider);
    m_slider->setValue(0);
    m_value->setText(tr("%1 %").arg(0));
    QWidget::show();
    m_slider->setFocus();
}

void QZPMorphBar::setAmount(double amount) {
    if (!m_preset)
        return;
    const QSignalBlocker quiet(m_slider);
    m_slider->setValue(qRound(amount * 100));
    m_value->setText(tr("%1 %").arg(qRound(amount * 100)));
    show(QZPPatchMorph::between(m_start, m_reference, amount), false);
}

void QZPMorphBar::keep() {
    if (!m_preset)
        return;
    // The undo step leads back to A: A goes back silently (the instrument holds the result already),
    // then the result comes as one named step.
    const QZPPatch result = m_preset->patch();
    m_preset->setJunoSysexData(m_preset->messageFor(m_start, 0), false, false);
    show(result, true);
    finish();
}

void QZPMorphBar::cancel() {
    if (!m_preset)
        return;
    show(m_start, false);
    finish();
}

// The preset takes the patch: as an undo step named "Morph", or silently while the bar moves.
void QZPMorphBar::show(const QZPPatch& patch, bool registerUndo) {
    if (registerUndo)
        m_preset->replacePatch(patch, tr("Morph"));
    else
        m_preset->setJunoSysexData(m_preset->messageFor(patch, 0), false);
}

void QZPMorphBar::finish() {
    m_preset = nullptr;
    hide();
}

// Escape cancels; Return keeps, or presses the bar's button that has the focus.
void QZPMorphBar::keyPressEvent(QKeyEvent* event) {
    auto* button = qobject_cast<QPushButton*>(focusWidget());
    if (event->key() == Qt::Key_Escape)
        cancel();
    else if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && button)
        button->click();
    else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        keep();
    else
        QWidget::keyPressEvent(event);
}
