// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>

class QObject;
class QZPDocumentControllerBase;
class QZPError;
class QZPSettings;

// What a preset needs from the program around it: the settings it reads (the dynamics), the document
// controller that knows the main window and the library folder, where errors go, and how its file is
// renamed. A preset is given one when it is made; nothing else outside reaches into a preset.
//
// This base serves the program's shared settings, document controller and error presenter, and renames
// a file at once on the calling thread. The library installs one whose renames go through the file move
// queue (repairs, access requests); tests give their own.
class QZPPresetEnvironment {
public:
    virtual ~QZPPresetEnvironment();

    virtual QZPSettings* settings() const;
    // Null while the application has none (the command-line tool, most tests).
    virtual QZPDocumentControllerBase* documentController() const;
    virtual void presentError(const QZPError& error);
    // Moves the file at `from` to `to`, never replacing a file there. On success `moved` runs on
    // `context`'s thread, after this call returned; a failure is presented and `moved` never runs.
    virtual void moveFile(const QString& from, const QString& to, QObject* context,
                          std::function<void()> moved);

    // The environment a preset gets when it is made without one: the one installed, else the base.
    static QZPPresetEnvironment* defaultEnvironment();
    // Installs `environment` (not owned) for the presets made from now on; null restores the base.
    static void setDefaultEnvironment(QZPPresetEnvironment* environment);
};
