// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>

// The application object. A broken precondition (QZPInvalidParameter, a programming error), or any other
// exception, that escapes an event handler or a slot is caught here, where events are delivered, instead
// of ending the program and every unsaved edit with it: it is logged with its text, the user is told once
// (through the shared error presenter, after the event is done with), and ToneBench keeps running.
class QZPApplication : public QApplication {
    Q_OBJECT

public:
    QZPApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
    int caughtErrorCount() const { return m_caught; }

private:
    void tellOnce(const QString& text);

    int m_caught = 0;
};
