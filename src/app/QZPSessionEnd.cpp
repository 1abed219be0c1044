// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QZPSessionEnd.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The write end for the handler, the read end for the main thread.
int s_pipe[2] = {-1, -1};

void handleSignal(int signalNumber) {
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // Async-signal-safe: one write, errno kept for the code the signal interrupted.
    const int saved = errno;
    [[maybe_unused]] const ssize_t written = ::write(s_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

QZPSessionEnd::QZPSessionEnd(QObject* parent) : QObject(parent) {
    if (s_pipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, s_pipe) != 0)
        s_pipe[0] = s_pipe[1] = -1;
    if (s_pipe[0] >= 0) {
        m_notifier = new QSocketNotifier(s_pipe[0], QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] {
            unsigned char byte = 0;
            int last = -1;
            while (::read(s_pipe[0], &byte, 1) == 1)
                last = byte;
            if (last >= 0)
                emit ending(last);
        });
        struct sigaction action {};
        action.sa_handler = handleSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP})
            ::sigaction(signalNumber, &action, nullptr);
    }
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        // The session manager asks to save before it ends the session: the edits are kept, no question.
        connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
            manager.release();
            emit ending(0);
        });
    }
}

QZPSessionEnd::~QZPSessionEnd() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signalNumber, &action, nullptr);
}
