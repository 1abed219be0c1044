#pragma once

#include <QList>
#include <QString>

class QZPPreset;

// One synthesizer parameter of a preset, with every fact about it: its property name, where it lives in
// the patch data and which bits it holds, the values its setter accepts and the bits each one writes,
// where it sits on the front panel and what the panel prints, how its value reads, and how to read and
// change it. The model, the command-line tool and the editor all read this one table.
class QZPParameter {
public:
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

    const char* name;
    // Editor control tag: the byte for a slider, 171–174 for the four mode switches of byte 17, -1 for
    // the switches the panel shows as buttons (or not at all).
    int tag;
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

    // The value in the preset's patch.
    int get(const QZPPreset& preset) const;
    // Changes the preset (undoable). A switch's value must be accepted.
    void set(QZPPreset& preset, int value) const;

    bool accepts(int value) const;
    // "0–127" or "16, 8, 4": for messages.
    QString acceptedValuesText() const;
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

    // All 25 parameters: the 16 sliders in byte order, then the switches of bytes 16 and 17.
    static const QList<QZPParameter>& all();
    static const QZPParameter* named(const QString& name);
    static const QZPParameter* forTag(int tag);
    // The name the panel prints for the control: its section and label ("VCF FREQ", "DCO LFO MAN"); the
    // name of an undo step that changes it.
    QString panelName() const;
    // The dynamics byte: byte 4 of a Patch message sent, and the value of the dynamics Control message.
    static quint8 dynamicsByte(bool amplifier, bool filter);
};
