// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QWidget>

// The library pane's background: its own colour, or the skin's pane colour when none is set.
class QZPSidebarView : public QWidget {
    Q_OBJECT

public:
    explicit QZPSidebarView(QWidget* parent = nullptr);

    QColor contentBackgroundColor() const;
    void setContentBackgroundColor(const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_contentBackgroundColor;
};
