// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

class QZPError;

// Shows errors and alerts to the user. The application installs its dialog-based presenter at launch;
// until then (and in the command-line tool, which installs its own) errors go to the log.
class QZPErrorPresenter {
public:
    virtual ~QZPErrorPresenter();

    // Presents the error application-modally. Answers whether a recovery was made (false when the
    // error offers none).
    virtual bool presentError(const QZPError& error) = 0;
    // A modal critical alert with a message and the given buttons; answers the index of the button chosen.
    virtual int presentCriticalAlert(const QString& message, const QStringList& buttons) = 0;

    // The presenter in charge; never null.
    static QZPErrorPresenter* shared();
    // Installs `presenter` (not owned); null restores the logging presenter.
    static void setShared(QZPErrorPresenter* presenter);
};
