// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

// Tells the program that the session is ending: SIGTERM, SIGINT or SIGHUP (what a logout, systemd or
// `kill` sends) and the session manager's request to save (Qt's commitDataRequest). The signal handler
// only writes a byte to a socket; the main thread hears it there and ends the program as Quit does,
// without questions.
class QZPSessionEnd : public QObject {
    Q_OBJECT

public:
    explicit QZPSessionEnd(QObject* parent = nullptr);
    ~QZPSessionEnd() override;

signals:
    // `signalNumber` is 0 for the session manager's request.
    void ending(int signalNumber);

private:
    QSocketNotifier* m_notifier = nullptr;
};
