// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

// A panel light (LED): its opacity shows a switch state.
class QZPLightView : public QWidget {
    Q_OBJECT

public:
    QZPLightView(int tag, QWidget* parent = nullptr);
    int tag() const { return m_tag; }
    double opacity() const { return m_opacity; }
    void setOpacity(double opacity);
    QSize sizeHint() const override { return {10, 10}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_tag;
    double m_opacity = 0;
};
