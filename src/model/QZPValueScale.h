// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>
#include <optional>

class QZPParameter;
class QZPSettings;

// The scale a slider's value is read and typed in outside the slider being moved (the compare readouts,
// the filter's query words, the differences of a write): the panel's printed 0–10 with one decimal, the
// position in percent, or the byte the instrument stores (0–127, what scripts and the command line use).
// A switch's values keep their own names on every scale.
class QZPValueScale {
public:
    enum Kind { Panel, Percent, Byte };

    constexpr QZPValueScale(Kind kind = Byte) : m_kind(kind) {}
    // The scale the user chose (the value scale setting, in the user's settings unless told); the panel's
    // by default.
    static QZPValueScale chosen(const QZPSettings* settings = nullptr);

    Kind kind() const { return m_kind; }
    // A slider's byte (0–127) as this scale shows it, rounded as it is shown.
    double shown(int byte) const;
    // The shown value as text: "7.9", "62 %", "100".
    QString text(int byte) const;
    // A value of a parameter: a slider's on this scale, a switch's name ("8'", "II", "on").
    QString valueText(const QZPParameter& parameter, int value) const;
    // A typed number on this scale ("7.5", "75", "75%"); none for text that is not one, or out of range.
    std::optional<double> read(QStringView word) const;
    // The range a slider takes on this scale: "0–10", "0–100 %", "0–127".
    QString rangeText() const;

    bool operator==(const QZPValueScale&) const = default;

private:
    Kind m_kind;
};
