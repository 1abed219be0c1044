// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/QZPPanelFrame.h"

#include "editor/QZPEditorController.h"

#include <QResizeEvent>

namespace {
// Room left around the panel.
constexpr int Margin = 8;
} // namespace

QZPPanelFrame::QZPPanelFrame(QZPEditorController* editor, QWidget* parent)
    : QZPMainView(parent), m_editor(editor), m_panel(editor->view()) {
    m_panel->setParent(this);
}

QZPPanelFrame::~QZPPanelFrame() {
    if (m_panel && m_panel->parentWidget() == this)
        m_panel->setParent(nullptr);
}

QSize QZPPanelFrame::minimumSizeHint() const {
    return m_editor->smallestPanelSize() + QSize(2 * Margin, 2 * Margin);
}

QSize QZPPanelFrame::sizeHint() const {
    return minimumSizeHint() / QZPEditorController::MinimumScale;
}

void QZPPanelFrame::resizeEvent(QResizeEvent* event) {
    QZPMainView::resizeEvent(event);
    const QSize space = event->size();
    const QSize panel = m_editor->fitPanel(space - QSize(2 * Margin, 2 * Margin));
    QWidget* view = m_editor->view();
    view->setGeometry((space.width() - panel.width()) / 2, (space.height() - panel.height()) / 2,
                      panel.width(), panel.height());
}
