// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPErrorSolver.h"

#include <QMessageBox>
#include <memory>

class QWidget;

// Presents errors and error solvers as message boxes: application-modal (the answer comes back at once)
// or window-modal on a window (a sheet; the answer goes to a completion handler).
class QZPErrorHandler {
public:
    // A message box for the error: its description, then its failure reason and recovery suggestion, and
    // one button per recovery option in order (the first the default), or OK without options.
    static QMessageBox* messageBoxForError(const QZPError& error, QWidget* parent);

    // Application-modal: answers the chosen option's recovery result (false for "Cancel").
    static bool presentErrorSolver(const std::shared_ptr<QZPErrorSolver>& solver, QWidget* parent = nullptr);
    // Window-modal on `window`: `onCompletion` later receives the chosen option's result, once.
    static void presentErrorSolverModalForWindow(const std::shared_ptr<QZPErrorSolver>& solver,
                                                 QWidget* window,
                                                 QZPErrorSolver::CompletionHandler onCompletion);
    // Plain errors: window-modal on `window` when there is one, application-modal otherwise.
    static void presentError(const QZPError& error, QWidget* window = nullptr);
};
