// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/QZPDialogErrorPresenter.h"

#include "mainwindow/QZPErrorHandler.h"
#include "model/QZPError.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

bool QZPDialogErrorPresenter::presentError(const QZPError& error) {
    QZPErrorHandler::presentError(error, nullptr);
    return false;
}

int QZPDialogErrorPresenter::presentCriticalAlert(const QString& message, const QStringList& buttons) {
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), message, QMessageBox::NoButton,
                    m_window);
    QList<QAbstractButton*> made;
    for (const QString& title : buttons)
        made << box.addButton(title, made.isEmpty() ? QMessageBox::AcceptRole : QMessageBox::RejectRole);
    box.exec();
    return int(made.indexOf(box.clickedButton()));
}
