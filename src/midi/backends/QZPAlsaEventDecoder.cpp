// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/backends/QZPAlsaEventDecoder.h"

#include <alsa/asoundlib.h>

QZPAlsaEventDecoder::QZPAlsaEventDecoder() {
    if (snd_midi_event_new(sizeof m_buffer, &m_decoder) < 0)
        m_decoder = nullptr;
    else
        snd_midi_event_no_status(m_decoder, 1);
}

QZPAlsaEventDecoder::~QZPAlsaEventDecoder() {
    if (m_decoder)
        snd_midi_event_free(m_decoder);
}

QByteArrayView QZPAlsaEventDecoder::bytes(const snd_seq_event_t& event) {
    switch (event.type) {
    case SND_SEQ_EVENT_CLOCK:
    case SND_SEQ_EVENT_TICK:
    case SND_SEQ_EVENT_SENSING:
        return {};
    case SND_SEQ_EVENT_SYSEX:
        return {static_cast<const char*>(event.data.ext.ptr), qsizetype(event.data.ext.len)};
    default:
        break;
    }
    if (!m_decoder)
        return {};
    snd_midi_event_reset_decode(m_decoder);
    const long length = snd_midi_event_decode(m_decoder, m_buffer, sizeof m_buffer, &event);
    if (length <= 0)
        return {}; // not a MIDI message
    return {reinterpret_cast<const char*>(m_buffer), qsizetype(length)};
}
