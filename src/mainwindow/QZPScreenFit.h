// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

// Keeps a window whole on its screen: no larger than the screen's free area (less the window's frame, and
// not below its minimum size), and moved in until no edge is off the screen. A window shown over another
// is centred over it first.
class QZPScreenFit {
public:
    static void fit(QWidget* window, const QWidget* over = nullptr);
};
