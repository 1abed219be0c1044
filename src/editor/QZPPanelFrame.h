// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "editor/QZPMainView.h"

#include <QPointer>

class QZPEditorController;

// The space the front panel lives in, on the window's background: the panel is arranged and scaled to
// fill it (keeping its proportions) and shown in its middle, whatever the window's size; the frame
// never asks for less than the panel needs at its smallest scale, so nothing is ever cut off. A strip under
// the panel takes the room the panel does not need.
class QZPPanelFrame : public QZPMainView {
    Q_OBJECT

public:
    explicit QZPPanelFrame(QZPEditorController* editor, QWidget* parent = nullptr);
    // Hands the panel back to the editor, which owns it.
    ~QZPPanelFrame() override;

    // A strip under the panel (the envelope's picture, the keyboard), given the width of the panel and
    // shown only where the panel keeps at least its natural size beside it.
    void setBelowPanel(QWidget* strip);
    QWidget* belowPanel() const { return m_below; }

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Places the panel, and the strip under it where there is room, in the frame as it is now.
    void arrange();

    QZPEditorController* m_editor;
    QPointer<QWidget> m_panel;
    QPointer<QWidget> m_below;
};
