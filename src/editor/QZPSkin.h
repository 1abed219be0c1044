// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

// The looks the editor can take, chosen by the setting "com.quorlane.tonebench.appearanceindex":
// 1 is the dark neutral skin, anything else the light classic one.
class QPainter;
class QPalette;

class QZPSkin {
public:
    explicit QZPSkin(int index) : m_index(index) {}
    // The skin of the current setting.
    static QZPSkin current();
    // Makes the artwork (":/images/...") available; the library holding it is linked statically.
    static void initResources();
    // The mark of the control that has the keyboard's focus, in either skin: a ring in the desktop's
    // highlight colour.
    static void drawFocusRing(QPainter& painter, const QRectF& rect, const QPalette& palette, qreal radius);

    int index() const { return m_index; }
    bool isDark() const { return m_index == 1; }
    QString segmentButtonImage(bool pressed) const;
    QString chorusButtonImage(bool pressed) const;
    bool titlesHaveShadow() const { return isDark(); }
    // The window background image: the neutral grey for the neutral skin, the classic light panel for
    // every other index (dark lettering on the grey would not read).
    static QString backgroundImageName(int index) {
        return index == 1 ? QStringLiteral("UIBackgroundGrey") : QStringLiteral("UIBackgroundClassic");
    }

    // The colours of the whole window and its dialogs (menus, the status bar, every dialog): the desktop's
    // own for the classic skin, dark ones that meet the panel for the neutral skin.
    QPalette windowPalette(const QPalette& desktop) const;

    // Panel colours of the skin.
    QColor panelText() const;
    QColor panelDimText() const;
    QColor sectionRule() const;
    QColor slot() const;
    QColor light() const;

    // Library pane colours of the skin: the pane ("SidebarPanelColor"), the active row ("ModernBlue"),
    // the selection ("RetroSelection"), the idle filter field and the edited-preset marker.
    QColor sidebarBackground() const;
    QColor activeRow() const;
    QColor selection() const;
    QColor filterBackground() const;
    QColor editedMarker() const;

private:
    int m_index;
};
