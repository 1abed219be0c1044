// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPParameterId.h"

#include <QList>
#include <QString>

class QZPPreset;

// One synthesizer parameter of a preset, with every fact about it: its identity and property name, where
// it lives in the patch data and which bits it holds, the values its setter accepts and the bits each one
// writes, what the front panel prints for it, how its value reads, how much it counts when two sounds
// are compared, the short words a query knows it by, and how to read and change it. The model, the
// sound, the command-line tool and the editor all read this one table; where a control sits on the
// panel is the editor's panel layout.
class QZPParameter {
public:
    using Id = QZPParameterId;
    static constexpr int Count = int(Id::MKS_Noise_ON) + 1;
    enum class Kind { Slider, Switch };
    // How the editor words a value while it changes.
    enum class Display {
        Percent,         // the position in percent, or the raw value
        CenteredPercent, // −50 % to +50 % around the middle, or the raw value
        Raw,             // the raw value in both modes
        Named            // the name of the value
    };
    // One value of a switch: the bits it sets and the bits it clears in the switch byte, and its name.
    struct SwitchValue {
        int value;
        quint8 set;
        quint8 clear;
        const char* name = nullptr;
    };

    static constexpr int MaximumDataByte = 127;
    static constexpr int SwitchByte1 = 16;
    static constexpr int SwitchByte2 = 17;
    // The bits of switch byte 1 that hold the range.
    static constexpr quint8 RangeMask = 0x07;
    // A Control message with this number and the dynamics byte tells the instrument the dynamics
    // settings (beside its meaning for the noise slider).
    static constexpr int DynamicsControlNumber = 4;
    static constexpr quint8 DynamicsAmplifierBit = 0x20;
    static constexpr quint8 DynamicsFilterBit = 0x40;

    Id id;
    const char* name;
    // The patch-data byte that holds the value; also the Control message number that carries it.
    int byteIndex;
    Kind kind;
    // The panel section ("VCF"), the label under the control ("FREQ", several lines for a switch) and
    // the name its value is shown under ("VCF Freq"); null when the panel has no slider for it.
    const char* section;
    const char* label;
    const char* identifier;
    Display display;
    // Switches: the bits of the switch byte that hold the value, and the accepted values.
    quint8 mask;
    QList<SwitchValue> values;
    // Switches: the condition a value must satisfy, as users of the preset know it; none for a switch that
    // takes any value (non-zero meaning on).
    const char* condition;
    // How much a whole-range difference in this parameter counts in the distance between two sounds: the
    // oscillator's range and waves and the cutoff most, the LFO's speed and delay least.
    double weight;
    // Short words a query names the parameter by ("vcf", "cutoff"), beside its own and the panel's names.
    QList<const char*> queryWords;
    // The Control Change number a sequencer moves the control by: the number the instrument's modern
    // re-creation (the JU-06A) uses where it has the control, a free one otherwise; -1 for none.
    int controller;

    // The value in the preset's patch.
    int get(const QZPPreset& preset) const;
    // Changes the preset (undoable). A switch's value must be accepted.
    void set(QZPPreset& preset, int value) const;

    bool accepts(int value) const;
    // "0–127" or "16, 8, 4": for messages.
    QString acceptedValuesText() const;
    // A Control Change value (0–127) as a value of the parameter: a slider's own; a switch's positions take
    // even shares of 0–127, in the order of its values.
    int valueForController(int controllerValue) const;
    // The Control Change value that stands for `value`: a slider's own; the lowest of a switch position's
    // share.
    int controllerValueFor(int value) const;
    // The parameter a Control Change number moves; null for none.
    static const QZPParameter* forController(int controller);
    // The lowest and highest accepted value.
    int minimum() const;
    int maximum() const;
    // The switch byte after this switch takes `value` (which must be accepted).
    quint8 switchByte(quint8 byte, int value) const;
    // The value a switch byte holds: the one whose bits it has; for a pattern no setter writes, the first
    // value (in table order) whose set bits are all there.
    int switchValue(quint8 byte) const;
    // "<value text>" for a control at `position` (0–1) showing `value`, in percent or raw.
    QString displayText(double position, double value, bool percent) const;
    // The plain wording: the position in whole percent, or the raw value.
    static QString percentText(double position, double value, bool percent);

    // All 25 parameters in the order of their identities: the 16 sliders in byte order, then the switches
    // of bytes 16 and 17.
    static const QList<QZPParameter>& all();
    static const QZPParameter& of(Id id) { return all()[int(id)]; }
    // The parameter a user's text names (its property name, "VCF_Cutoff"); null for none.
    static const QZPParameter* named(const QString& name);
    // The slider of a patch-data byte (0–15); null for the switch bytes.
    static const QZPParameter* sliderAt(int byteIndex);
    // The name the panel prints for the control: its section and label ("VCF FREQ", "DCO LFO MAN"); the
    // name of an undo step that changes it.
    QString panelName() const;
    // The dynamics byte: byte 4 of a Patch message sent, and the value of the dynamics Control message.
    static quint8 dynamicsByte(bool amplifier, bool filter);
};
