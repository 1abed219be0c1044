// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QObject;
class QZPSidebarController;

// Told when a row is double-clicked or Return is pressed in the list (the main window makes the chosen
// preset current and sends it), when Space asks to hear the selected one, and when the user moves the
// selection (the main window may audition each preset it comes to).
class QZPSidebarControllerDelegate {
public:
    virtual ~QZPSidebarControllerDelegate() = default;
    virtual void sidebarControllerDoubleClickAction(QZPSidebarController* sidebar, QObject* sender) = 0;
    virtual void sidebarControllerReturnKeyAction(QZPSidebarController* sidebar, QObject* sender) = 0;
    virtual void sidebarControllerSpaceKeyAction(QZPSidebarController* sidebar) = 0;
    virtual void sidebarControllerBrowsed(QZPSidebarController* sidebar) = 0;
};
