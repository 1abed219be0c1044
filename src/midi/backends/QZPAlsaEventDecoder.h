// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>

typedef struct snd_midi_event snd_midi_event_t;
typedef struct snd_seq_event snd_seq_event_t;

// The MIDI bytes of an ALSA sequencer event: a SysEx piece as it came, any other MIDI message with its
// own status byte (no running status), and nothing for clock, active sensing and the sequencer's own
// notices, which ToneBench does not take.
class QZPAlsaEventDecoder {
public:
    QZPAlsaEventDecoder();
    ~QZPAlsaEventDecoder();
    QZPAlsaEventDecoder(const QZPAlsaEventDecoder&) = delete;
    QZPAlsaEventDecoder& operator=(const QZPAlsaEventDecoder&) = delete;

    bool isValid() const { return m_decoder != nullptr; }
    // Valid until the next call (and, for a SysEx piece, as long as the event).
    QByteArrayView bytes(const snd_seq_event_t& event);

private:
    snd_midi_event_t* m_decoder = nullptr;
    unsigned char m_buffer[16] = {};
};
