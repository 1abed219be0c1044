// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/QZPBankFile.h"

#include <QObject>

class QWidget;

// Imports a bank the way the window does: the files are written on a worker thread while the window
// stays responsive and shows the progress with a Cancel button (after a moment, so a small bank shows
// nothing). Returns when the import has ended; the caller's event loop runs meanwhile.
class QZPBankImportRunner : public QObject {
    Q_OBJECT

public:
    // Shown after this long, if the import is still running.
    static constexpr int ProgressDelayMs = 300;

    static QZPBankFile::ImportResult run(QWidget* window, const QString& bankPath, const QString& folder);
};
