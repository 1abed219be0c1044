// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QUrl>

class QFileDialog;
class QZPURLPopUpButton;

// Told by a folder chooser what the user chose. Both operations may be left as they are.
class QZPURLPopUpButtonDelegate {
public:
    virtual ~QZPURLPopUpButtonDelegate() = default;
    // The user chose a location (an empty URL: none), or the recents commands changed it.
    virtual void popUpButtonDidSelectURL(QZPURLPopUpButton* button, const QUrl& url) {
        Q_UNUSED(button);
        Q_UNUSED(url);
    }
    // The open panel is about to be shown and may be set up further.
    virtual void popUpButtonWillDisplayOpenPanel(QZPURLPopUpButton* button, QFileDialog* panel) {
        Q_UNUSED(button);
        Q_UNUSED(panel);
    }
};
