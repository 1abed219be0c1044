// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Asks the user for a folder the program may write to. The application shows a folder dialog with the
// given texts; tests answer for the user.
class QZPFolderAccessRequester {
public:
    virtual ~QZPFolderAccessRequester() = default;
    // The folder the user chose, or an empty string when the request was cancelled.
    virtual QString requestFolderAccess(const QString& startFolder, const QString& title,
                                        const QString& prompt, const QString& message) = 0;
};
