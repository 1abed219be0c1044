// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/QZPErrorHandler.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileInfo>
#include <QPushButton>

QMessageBox* QZPErrorHandler::messageBoxForError(const QZPError& error, QWidget* parent) {
    auto* box = new QMessageBox(QMessageBox::Warning, QApplication::applicationName(),
                                error.localizedDescription(), QMessageBox::NoButton, parent);
    QStringList details;
    // Errors about a file say which file, even when their texts do not.
    const QString path = error.userInfo().value(QString::fromLatin1(QZPError::FilePathKey)).toString();
    const QString fileName = QFileInfo(path).fileName();
    if (!fileName.isEmpty() && !error.localizedDescription().contains(fileName) &&
        !error.localizedFailureReason().contains(fileName))
        details << QApplication::translate("QZPErrorHandler", "File: “%1”").arg(path);
    for (const QString& text : {error.localizedFailureReason(), error.localizedRecoverySuggestion()})
        if (!text.isEmpty())
            details << text;
    box->setInformativeText(details.join(QLatin1Char('\n')));
    const QStringList options =
        error.userInfo().value(QString::fromLatin1(QZPErrorSolver::RecoveryOptionsKey)).toStringList();
    if (options.isEmpty()) {
        box->setStandardButtons(QMessageBox::Ok);
        return box;
    }
    for (qsizetype i = 0; i < options.size(); ++i) {
        QPushButton* button = box->addButton(options.at(i), QMessageBox::ActionRole);
        button->setProperty("QZPRecoveryOptionIndex", int(i));
        if (i == 0)
            box->setDefaultButton(button);
    }
    return box;
}

namespace {

// The index of the option the user chose; the last option (by convention "Cancel") when the box was
// closed otherwise.
int chosenOption(const QMessageBox* box, const QZPErrorSolver& solver) {
    const QAbstractButton* clicked = box->clickedButton();
    const QVariant index = clicked ? clicked->property("QZPRecoveryOptionIndex") : QVariant();
    return index.isValid() ? index.toInt() : int(solver.recoveryOptions().size()) - 1;
}

} // namespace

bool QZPErrorHandler::presentErrorSolver(const std::shared_ptr<QZPErrorSolver>& solver, QWidget* parent) {
    std::unique_ptr<QMessageBox> box(messageBoxForError(solver->error(), parent));
    box->setWindowModality(Qt::ApplicationModal);
    box->exec();
    const int option = chosenOption(box.get(), *solver);
    return option >= 0 && solver->attemptRecoveryFromError(option);
}

void QZPErrorHandler::presentErrorSolverModalForWindow(const std::shared_ptr<QZPErrorSolver>& solver,
                                                       QWidget* window,
                                                       QZPErrorSolver::CompletionHandler onCompletion) {
    solver->setCompletionHandler(std::move(onCompletion));
    QMessageBox* box = messageBoxForError(solver->error(), window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // The box holds the solver (and its blocks) until the user has chosen.
    QObject::connect(box, &QMessageBox::finished, box, [box, solver] {
        const int option = chosenOption(box, *solver);
        if (option >= 0)
            solver->attemptRecoveryWithCompletion(option);
        else if (solver->completionHandler())
            solver->completionHandler()(false);
    });
    box->open();
}

void QZPErrorHandler::presentError(const QZPError& error, QWidget* window) {
    QMessageBox* box = messageBoxForError(error, window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (window) {
        box->open();
        return;
    }
    box->setWindowModality(Qt::ApplicationModal);
    box->exec();
}
