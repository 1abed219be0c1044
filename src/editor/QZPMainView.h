// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QSvgRenderer;

// The window's background: the skin's background artwork (or, drawing the title band itself where the
// platform lets a window hide its title, the band and the content colours with the two hairlines), the
// band lighter while the window is not active.
class QZPMainView : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int preferredSkinIndex READ preferredSkinIndex WRITE setPreferredSkinIndex)

public:
    explicit QZPMainView(QWidget* parent = nullptr);
    ~QZPMainView() override;

    bool allowsModernToolbar() const { return m_allowsModernToolbar; }
    void setAllowsModernToolbar(bool on) { m_allowsModernToolbar = on; }
    // The height of the band the view paints at its top when it draws the title band itself.
    void setBandHeight(int height) { m_bandHeight = height; }
    QColor drawingColor() const { return m_drawingColor; }
    int preferredSkinIndex() const { return m_skinIndex; }
    void setPreferredSkinIndex(int index);

    static const QColor contentBackgroundColor;
    static const QColor backgroundColor;
    static const QColor backgroundNonKeyColor;

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_allowsModernToolbar = false;
    int m_bandHeight = 0;
    int m_skinIndex = -1;
    QColor m_drawingColor;
    QSvgRenderer* m_background = nullptr;
};
