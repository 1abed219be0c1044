// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/QZPFolderAccessRequester.h"

#include <QPointer>

class QWidget;

// Asks the user, in a folder dialog over the main window, for the folder a move may write to. The
// moves that were refused run again once the user has chosen it (and perhaps changed its permissions).
class QZPFolderAccessDialog : public QZPFolderAccessRequester {
public:
    explicit QZPFolderAccessDialog(QWidget* parent = nullptr) : m_parent(parent) {}

    QString requestFolderAccess(const QString& startFolder, const QString& title, const QString& prompt,
                                const QString& message) override;

private:
    QPointer<QWidget> m_parent;
};
