// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/QZPFileMoveProgressReporter.h"

#include <QPointer>

class QProgressDialog;
class QWidget;

// The window that shows how far the file moves that copy across file systems have come. It appears
// only when copying takes a moment, and goes when the last copy is over.
class QZPFileMoveProgressWindow : public QZPFileMoveProgressReporter {
public:
    explicit QZPFileMoveProgressWindow(QWidget* parent = nullptr);
    ~QZPFileMoveProgressWindow() override;

    void moveProgressChanged(int done, int total) override;

private:
    QPointer<QWidget> m_parent;
    QPointer<QProgressDialog> m_dialog;
};
