// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/backends/QZPJackMessageQueue.h"

namespace {
constexpr size_t LengthBytes = sizeof(quint16);
} // namespace

QZPJackMessageQueue::QZPJackMessageQueue(size_t bytes) : m_ring(jack_ringbuffer_create(bytes)) {
    if (m_ring)
        jack_ringbuffer_mlock(m_ring);
}

QZPJackMessageQueue::~QZPJackMessageQueue() {
    if (m_ring)
        jack_ringbuffer_free(m_ring);
}

bool QZPJackMessageQueue::push(const void* bytes, size_t length) {
    if (length == 0 || length > 0xFFFF || jack_ringbuffer_write_space(m_ring) < LengthBytes + length)
        return false;
    const auto header = quint16(length);
    jack_ringbuffer_write(m_ring, reinterpret_cast<const char*>(&header), LengthBytes);
    jack_ringbuffer_write(m_ring, static_cast<const char*>(bytes), length);
    return true;
}

int QZPJackMessageQueue::nextLength() const {
    quint16 length = 0;
    if (jack_ringbuffer_peek(m_ring, reinterpret_cast<char*>(&length), LengthBytes) < LengthBytes ||
        jack_ringbuffer_read_space(m_ring) < LengthBytes + length)
        return -1;
    return length;
}

void QZPJackMessageQueue::pop(void* destination) {
    quint16 length = 0;
    jack_ringbuffer_read(m_ring, reinterpret_cast<char*>(&length), LengthBytes);
    jack_ringbuffer_read(m_ring, static_cast<char*>(destination), length);
}

bool QZPJackMessageQueue::isEmpty() const {
    return jack_ringbuffer_read_space(m_ring) == 0;
}
