// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPPatch.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QSlider;
class QZPPreset;

// The morph bar above the panel: a slider from the current preset as it was when the bar opened (0 %,
// A) to the comparison's reference (100 %, B). Moving it puts the patch between into the preset (no undo
// step yet), which the instrument follows as it follows a slider drag; Keep makes the result one undo
// step of the preset ("Morph"), Cancel puts A back.
class QZPMorphBar : public QWidget {
    Q_OBJECT

public:
    explicit QZPMorphBar(QWidget* parent = nullptr);

    void start(QZPPreset* preset, const QZPPatch& reference, const QString& referenceName);
    bool isMorphing() const { return m_preset != nullptr; }
    // 0–1, as the slider sets it.
    void setAmount(double amount);
    void keep();
    void cancel();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void show(const QZPPatch& patch, bool registerUndo);
    void finish();

    QPointer<QZPPreset> m_preset;
    QZPPatch m_start;
    QZPPatch m_reference;
    QSlider* m_slider;
    QLabel* m_title;
    QLabel* m_value;
};
