// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/QZPFileMoveProgressWindow.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace {
// Copies over this quickly never show the window.
constexpr int ShowAfterMs = 500;
} // namespace

QZPFileMoveProgressWindow::QZPFileMoveProgressWindow(QWidget* parent) : m_parent(parent) {}

QZPFileMoveProgressWindow::~QZPFileMoveProgressWindow() {
    delete m_dialog;
}

void QZPFileMoveProgressWindow::moveProgressChanged(int done, int total) {
    if (!m_dialog) {
        m_dialog = new QProgressDialog(m_parent);
        m_dialog->setWindowTitle(QCoreApplication::translate("QZPFileMoveProgressWindow", "Moving Files"));
        m_dialog->setCancelButton(nullptr);
        m_dialog->setMinimumDuration(ShowAfterMs);
        m_dialog->setAutoClose(true);
        m_dialog->setAutoReset(true);
    }
    m_dialog->setLabelText(QCoreApplication::translate("QZPFileMoveProgressWindow", "Copying %1 of %2 files…")
                               .arg(std::min(done + 1, total))
                               .arg(total));
    m_dialog->setMaximum(total);
    m_dialog->setValue(done);
}
