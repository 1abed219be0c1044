// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>
#include <jack/ringbuffer.h>

// Whole MIDI messages between one writer thread and one reader thread, one of them JACK's process thread:
// lock-free, with room fixed at creation (nothing is allocated afterwards). Each message is kept as its
// length (two bytes) and its bytes, and is read whole or not at all.
class QZPJackMessageQueue {
public:
    explicit QZPJackMessageQueue(size_t bytes);
    ~QZPJackMessageQueue();
    QZPJackMessageQueue(const QZPJackMessageQueue&) = delete;
    QZPJackMessageQueue& operator=(const QZPJackMessageQueue&) = delete;

    bool isValid() const { return m_ring != nullptr; }
    // Writer: answers false (and keeps nothing) when the message does not fit.
    bool push(const void* bytes, size_t length);
    // Reader: the length of the next whole message, or -1 when none waits.
    int nextLength() const;
    // Reader: moves the next message (of nextLength() bytes) into `destination`.
    void pop(void* destination);
    bool isEmpty() const;

private:
    jack_ringbuffer_t* m_ring;
};
