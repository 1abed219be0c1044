// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "editor/QZPMainView.h"

#include <QPointer>

class QZPEditorController;

// The space the front panel lives in, on the window's background: the panel is arranged and scaled to
// fill it (keeping its proportions) and shown in its middle, whatever the window's size; the frame
// never asks for less than the panel needs at its smallest scale, so nothing is ever cut off.
class QZPPanelFrame : public QZPMainView {
    Q_OBJECT

public:
    explicit QZPPanelFrame(QZPEditorController* editor, QWidget* parent = nullptr);
    // Hands the panel back to the editor, which owns it.
    ~QZPPanelFrame() override;

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QZPEditorController* m_editor;
    QPointer<QWidget> m_panel;
};
