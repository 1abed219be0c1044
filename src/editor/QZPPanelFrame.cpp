// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/QZPPanelFrame.h"

#include "editor/QZPEditorController.h"

#include <QResizeEvent>
#include <algorithm>

namespace {
// Room left around the panel, and between it and the strip under it.
constexpr int Margin = 8;
constexpr int Gap = 10;
// The strip's height: what the keyboard and the envelope's picture need to read well, and at most.
constexpr int StripHeight = 96;
constexpr int TallestStrip = 150;
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

void QZPPanelFrame::setBelowPanel(QWidget* strip) {
    m_below = strip;
    strip->setParent(this);
    strip->hide();
    if (!size().isEmpty())
        arrange();
}

void QZPPanelFrame::resizeEvent(QResizeEvent* event) {
    QZPMainView::resizeEvent(event);
    arrange();
}

void QZPPanelFrame::arrange() {
    const QSize space = size();
    const QSize inner = space - QSize(2 * Margin, 2 * Margin);
    // The strip comes where the panel keeps its natural size or more above it; then it takes what is left
    // of the height, up to its tallest.
    QSize panelSpace = inner;
    bool strip = false;
    if (m_below) {
        const QSize above(inner.width(), inner.height() - StripHeight - Gap);
        strip = above.height() > 0 && m_editor->planPanel(above).scale >= 1.0;
        if (strip)
            panelSpace = above;
    }
    const QSize panel = m_editor->fitPanel(panelSpace);
    const int stripHeight = strip ? std::min(TallestStrip, inner.height() - panel.height() - Gap) : 0;
    const int total = panel.height() + (strip ? Gap + stripHeight : 0);
    const int left = (space.width() - panel.width()) / 2;
    const int top = (space.height() - total) / 2;
    m_editor->view()->setGeometry(left, top, panel.width(), panel.height());
    if (m_below) {
        m_below->setVisible(strip);
        if (strip)
            m_below->setGeometry(left, top + panel.height() + Gap, panel.width(), stripHeight);
    }
}
