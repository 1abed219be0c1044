// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/QZPInotifyReader.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

bool QZPInotifyReader::waitForEvents(int inotifyFd, int wakeFd) {
    for (;;) {
        pollfd fds[2] = {{inotifyFd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        return fds[1].revents == 0;
    }
}

void QZPInotifyReader::readPendingEvents(int inotifyFd,
                                         const std::function<void(const inotify_event&)>& handle) {
    alignas(inotify_event) char buffer[16 * 1024];
    for (;;) {
        const ssize_t length = ::read(inotifyFd, buffer, sizeof buffer);
        if (length <= 0)
            return;
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            handle(*event);
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
}
