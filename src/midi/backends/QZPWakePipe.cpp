// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/backends/QZPWakePipe.h"

#include <fcntl.h>
#include <unistd.h>

QZPWakePipe::~QZPWakePipe() {
    close();
}

// A new pipe each time: a wake left in the old one is not taken by the next reader.
bool QZPWakePipe::open() {
    close();
    return ::pipe2(m_ends, O_CLOEXEC | O_NONBLOCK) == 0;
}

void QZPWakePipe::close() {
    for (int& end : m_ends)
        if (end >= 0) {
            ::close(end);
            end = -1;
        }
}

void QZPWakePipe::wake() {
    if (m_ends[1] < 0)
        return;
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = ::write(m_ends[1], &byte, 1);
}
