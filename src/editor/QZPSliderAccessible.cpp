// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/QZPSliderAccessible.h"

#include "editor/QZPAccessibleFactory.h"
#include "editor/QZPSlider.h"

#include <cmath>

QZPSliderAccessible::QZPSliderAccessible(QZPSlider* slider)
    : QAccessibleWidget(slider, QAccessible::Slider) {}

void QZPSliderAccessible::install() {
    qzpInstallAccessibleFactory<QZPSlider, QZPSliderAccessible>();
}

QZPSlider* QZPSliderAccessible::slider() const {
    return static_cast<QZPSlider*>(widget());
}

void* QZPSliderAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString QZPSliderAccessible::text(QAccessible::Text text) const {
    if (text == QAccessible::Value)
        return slider()->displayString();
    return QAccessibleWidget::text(text);
}

QVariant QZPSliderAccessible::currentValue() const {
    return slider()->doubleValue();
}

void QZPSliderAccessible::setCurrentValue(const QVariant& value) {
    // Any assistive client may write here: only a number is a value ("loud" would read as 0).
    bool isNumber = false;
    const double number = value.toDouble(&isNumber);
    if (isNumber && std::isfinite(number))
        slider()->setValueAsUser(number);
}

QVariant QZPSliderAccessible::maximumValue() const {
    return slider()->maxValue();
}

QVariant QZPSliderAccessible::minimumValue() const {
    return slider()->minValue();
}

QVariant QZPSliderAccessible::minimumStepSize() const {
    return slider()->precision();
}
