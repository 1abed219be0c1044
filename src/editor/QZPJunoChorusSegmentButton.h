// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "editor/QZPJunoSegmentButton.h"

// The chorus buttons: the segment button in the skin's coloured variant.
class QZPJunoChorusSegmentButton : public QZPJunoSegmentButton {
    Q_OBJECT

public:
    QZPJunoChorusSegmentButton(const QString& title, int tag, QWidget* parent = nullptr);
    void setPreferredSkinIndex(int index) override;
};
