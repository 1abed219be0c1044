// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QObject;
class QZPSidebarController;

// Told when a row is double-clicked or Return is pressed in the list; the main window answers both by
// making the chosen preset current and sending it.
class QZPSidebarControllerDelegate {
public:
    virtual ~QZPSidebarControllerDelegate() = default;
    virtual void sidebarControllerDoubleClickAction(QZPSidebarController* sidebar, QObject* sender) = 0;
    virtual void sidebarControllerReturnKeyAction(QZPSidebarController* sidebar, QObject* sender) = 0;
};
