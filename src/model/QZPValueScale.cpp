// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/QZPValueScale.h"

#include "model/QZPParameter.h"
#include "model/QZPSettings.h"

#include <QCoreApplication>
#include <cmath>

namespace {

// What a whole slider spans on each scale.
double top(QZPValueScale::Kind kind) {
    switch (kind) {
    case QZPValueScale::Panel:
        return 10;
    case QZPValueScale::Percent:
        return 100;
    case QZPValueScale::Byte:
        break;
    }
    return QZPParameter::MaximumDataByte;
}

} // namespace

QZPValueScale QZPValueScale::chosen(const QZPSettings* settings) {
    const int stored = (settings ? settings : QZPSettings::standard())->intValue(QZPSettings::ValueScaleKey);
    return stored == Percent || stored == Byte ? QZPValueScale(Kind(stored)) : QZPValueScale(Panel);
}

double QZPValueScale::shown(int byte) const {
    switch (m_kind) {
    case Panel:
        return std::round(byte * 100.0 / QZPParameter::MaximumDataByte) / 10;
    case Percent:
        return std::round(byte * 100.0 / QZPParameter::MaximumDataByte);
    case Byte:
        break;
    }
    return byte;
}

QString QZPValueScale::text(int byte) const {
    switch (m_kind) {
    case Panel:
        return QString::number(shown(byte), 'f', 1);
    case Percent:
        return QStringLiteral("%1 %").arg(shown(byte));
    case Byte:
        break;
    }
    return QString::number(byte);
}

QString QZPValueScale::valueText(const QZPParameter& parameter, int value) const {
    if (parameter.kind == QZPParameter::Kind::Slider)
        return text(value);
    for (const QZPParameter::SwitchValue& accepted : parameter.values)
        if (accepted.value == value && accepted.name)
            return QCoreApplication::translate("QZPParameter", accepted.name);
    // An on/off switch without names of its own (a wave, the MKS noise bit).
    if (parameter.values.size() == 2 && parameter.minimum() == 0 && parameter.maximum() == 1)
        return value ? QCoreApplication::translate("QZPValueScale", "on")
                     : QCoreApplication::translate("QZPValueScale", "off");
    return QString::number(value);
}

std::optional<double> QZPValueScale::read(QStringView word) const {
    if (m_kind == Percent && word.endsWith(QLatin1Char('%')))
        word.chop(1);
    bool number = false;
    // The byte is whole; the panel's scale takes one decimal, percent whole or not.
    const double value = m_kind == Byte ? double(word.toInt(&number)) : word.toDouble(&number);
    if (!number || !std::isfinite(value) || value < 0 || value > top(m_kind))
        return std::nullopt;
    return value;
}

QString QZPValueScale::rangeText() const {
    return m_kind == Percent ? QStringLiteral("0–100 %") : QStringLiteral("0–%1").arg(top(m_kind));
}
