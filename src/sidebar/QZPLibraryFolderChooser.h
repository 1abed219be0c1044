// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sidebar/QZPURLPopUpButtonDelegate.h"

#include <QObject>
#include <QPointer>

class QZPPresetsController;
class QZPURLPopUpButton;
class QWidget;

// Binds a folder chooser to the library's folder, both ways: a folder chosen in it becomes the library's,
// and a folder set on the library anywhere else (the sidebar, the preferences, the welcome assistant, the
// library following a moved folder) shows in it at once. The chooser offers folders only, and its
// panel may make new folders.
// Owned by the window's controller, not by the button: it may outlive the button, never the other way.
class QZPLibraryFolderChooser : public QObject, public QZPURLPopUpButtonDelegate {
    Q_OBJECT

public:
    QZPLibraryFolderChooser(QZPURLPopUpButton* button, QZPPresetsController* presets,
                            QObject* parent = nullptr);
    ~QZPLibraryFolderChooser() override;

    // A chooser of the library's folder for a window other than the sidebar: its browse item titled
    // "Select…", bound to the library by a binding owned by `owner`.
    static QZPURLPopUpButton* makeButton(QZPPresetsController* presets, QWidget* parent, QObject* owner);
    // Where a first library goes when the user names none: "ToneBench Presets" in the desktop's music
    // folder (XDG_MUSIC_DIR), or in the home folder without one.
    static QString suggestedFolder();

    QZPURLPopUpButton* button() const { return m_button; }
    // Shows the library's folder (and so puts it among the chooser's recents).
    void showLibraryFolder();

    void popUpButtonDidSelectURL(QZPURLPopUpButton* button, const QUrl& url) override;
    void popUpButtonWillDisplayOpenPanel(QZPURLPopUpButton* button, QFileDialog* panel) override;

private:
    QPointer<QZPURLPopUpButton> m_button;
    QPointer<QZPPresetsController> m_presets;
};
