// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

class QZPSlider;

// What assistive technology sees of a slider: role Slider, the name printed on the panel ("VCF FREQ"),
// and its value in the parameter's own units (0–127, or the switch positions). Setting the value is an
// edit like one with the mouse: one undo step, one report to the editor.
class QZPSliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit QZPSliderAccessible(QZPSlider* slider);

    // Makes every QZPSlider answer with this interface (once per process).
    static void install();

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text text) const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    QZPSlider* slider() const;
};
