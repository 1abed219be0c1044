#pragma once

#include <QList>
#include <QString>

class QZPPreset;

// One synthesizer parameter of a preset: its property name, the control tag of the editor, where it
// lives in the patch data, which values its setter accepts, and how to read and change it. The model,
// the command-line tool and the editor all read this one table.
class QZPParameter {
public:
    enum class Kind { Slider, Switch };

    const char* name;
    // Editor control tag: the byte for a slider, 171–174 for the four mode switches of byte 17, -1 else.
    int tag;
    // The patch-data byte that holds the value.
    int byteIndex;
    Kind kind;
    // The values the setter accepts; empty for sliders, which take 0–127 (MIDI data bytes).
    QList<int> acceptedValues;
    int (*get)(const QZPPreset& preset);
    // Changes the preset through its typed setter (undoable). The value must be accepted.
    void (*set)(QZPPreset& preset, int value);

    bool accepts(int value) const;
    // "0–127" or "16, 8, 4": for messages.
    QString acceptedValuesText() const;

    // All 25 parameters: the 16 sliders in byte order, then the switches of bytes 16 and 17.
    static const QList<QZPParameter>& all();
    static const QZPParameter* named(const QString& name);
    static const QZPParameter* forTag(int tag);
};
