// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>
#include <vector>

// Renders a patch offline: notes at given times through the built-in sound, to samples or a 24-bit
// stereo WAV file. Used by the command-line tool and by the tests that measure the sound.
class QZPSoundRenderer {
public:
    struct Note {
        int note = 60;
        double start = 0;  // seconds
        double length = 1; // seconds
        int velocity = 100;
    };

    // "C4:0:1.5 E4:0.5:1": note (a name such as C4, F#3, Bb2, or a MIDI number), start and length in
    // seconds; an optional fourth field is the velocity. Nothing on an error, with the reason.
    static std::optional<QList<Note>> parseNotes(const QString& text, QString* error);
    // A note name or number: C4 is 60; nothing when it is neither.
    static std::optional<int> parseNoteName(const QString& name);

    // Interleaved stereo samples of `seconds` seconds: the patch (a 24-byte Patch message or the 18
    // patch-data bytes) played with the notes; `controls` (Control messages, each with its time) change
    // it on the way. Each message lands on its exact sample.
    struct TimedMessage {
        double time = 0;
        QByteArray bytes;
    };
    static std::vector<float> render(const QByteArray& patch, const QList<Note>& notes, double seconds,
                                     int sampleRate, const QList<TimedMessage>& controls = {});
    // The level below which a render counts as faded (−90 dBFS), and for how long it must stay there.
    static constexpr float FadedLevel = 3.1623e-5f;
    static constexpr double FadedSeconds = 0.05;
    // The same until the sound has faded: after the last note has ended the output stays below
    // FadedLevel for FadedSeconds; at most `longestSeconds` in all.
    static std::vector<float> renderUntilFaded(const QByteArray& patch, const QList<Note>& notes,
                                               int sampleRate, double longestSeconds);
    // The same as the bytes of a 24-bit stereo WAV file; nothing, with the reason, on failure.
    static std::optional<QByteArray> wavData(const std::vector<float>& samples, int sampleRate,
                                             QString* error);
};
