// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QtGlobal>

// Collects the log lines written while it exists (and keeps them off the test's output).
class QZPLogCapture {
public:
    QZPLogCapture() {
        current() = this;
        m_previous = qInstallMessageHandler(&QZPLogCapture::handler);
    }
    ~QZPLogCapture() {
        qInstallMessageHandler(m_previous);
        current() = nullptr;
    }
    QStringList lines;

private:
    static QZPLogCapture*& current() {
        static QZPLogCapture* capture = nullptr;
        return capture;
    }
    static void handler(QtMsgType, const QMessageLogContext&, const QString& message) {
        if (current())
            current()->lines << message;
    }
    QtMessageHandler m_previous = nullptr;
};
