// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/QZPJunoChorusSegmentButton.h"

#include "editor/QZPSkin.h"

QZPJunoChorusSegmentButton::QZPJunoChorusSegmentButton(const QString& title, int tag, QWidget* parent)
    : QZPJunoSegmentButton(title, tag, parent) {
    // The base's first skin delivery ran before this class existed: take the coloured images now.
    setPreferredSkinIndex(preferredSkinIndex());
}

void QZPJunoChorusSegmentButton::setPreferredSkinIndex(int index) {
    QZPJunoSegmentButton::setPreferredSkinIndex(index);
    const QZPSkin skin(index);
    m_normalImage = QZPThreePartImage::imageNamed(skin.chorusButtonImage(false), 5);
    m_pressedImage = QZPThreePartImage::imageNamed(skin.chorusButtonImage(true), 5);
    update();
}
