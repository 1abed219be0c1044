// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "editor/QZPThreePartImage.h"

#include <QWidget>

// The bar behind a row of segment buttons; its labels follow the skin (light text on the dark skin).
class QZPJunoSegmentBackgroundView : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int preferredSkinIndex READ preferredSkinIndex WRITE setPreferredSkinIndex)

public:
    explicit QZPJunoSegmentBackgroundView(QWidget* parent = nullptr);
    int preferredSkinIndex() const { return m_skinIndex; }
    void setPreferredSkinIndex(int index);
    void updateAppearance();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QZPThreePartImage m_image;
    int m_skinIndex = 1;
};
