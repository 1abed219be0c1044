// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

// The messages for the built-in sound, from the thread that sends MIDI to the audio thread: a fixed ring
// of whole messages (up to a Patch message's 24 bytes) with one writer and one reader, no lock and no
// allocation on either side. A message that does not fit (the ring full) is refused, never half written.
class QZPSoundEventQueue {
public:
    static constexpr size_t MaximumMessageLength = 24;
    static constexpr size_t Capacity = 1024;

    struct Event {
        uint8_t length = 0;
        std::array<uint8_t, MaximumMessageLength> bytes{};
    };

    // The writer's side. Answers false when the message is too long or the ring is full.
    bool push(const uint8_t* bytes, size_t length) {
        if (length == 0 || length > MaximumMessageLength)
            return false;
        const size_t head = m_head.load(std::memory_order_relaxed);
        const size_t next = (head + 1) % Capacity;
        if (next == m_tail.load(std::memory_order_acquire))
            return false;
        Event& event = m_events[head];
        event.length = uint8_t(length);
        for (size_t i = 0; i < length; ++i)
            event.bytes[i] = bytes[i];
        m_head.store(next, std::memory_order_release);
        return true;
    }

    // The reader's side: the oldest message, or false when there is none.
    bool pop(Event& event) {
        const size_t tail = m_tail.load(std::memory_order_relaxed);
        if (tail == m_head.load(std::memory_order_acquire))
            return false;
        event = m_events[tail];
        m_tail.store((tail + 1) % Capacity, std::memory_order_release);
        return true;
    }

private:
    std::array<Event, Capacity> m_events{};
    alignas(64) std::atomic<size_t> m_head{0};
    alignas(64) std::atomic<size_t> m_tail{0};
};
