// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <sys/inotify.h>

// The waiting and reading an inotify thread does: wait until events are pending or the thread is woken
// (an eventfd written by whoever stops it), then take every event pending now.
class QZPInotifyReader {
public:
    // Waits for events on `inotifyFd` (not watched when negative) or a wake-up on `wakeFd`. Answers
    // false when woken (or when waiting failed): the thread should end.
    static bool waitForEvents(int inotifyFd, int wakeFd);
    // Hands every event pending now to `handle`, in order, without blocking.
    static void readPendingEvents(int inotifyFd,
                                  const std::function<void(const inotify_event& event)>& handle);
};
