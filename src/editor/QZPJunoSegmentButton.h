// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "editor/QZPThreePartImage.h"

#include <QAbstractButton>

// A push button drawn as one segment of a bar, in the look of the current skin: the pressed image while
// held, the title (with a shadow in the dark skin) and image sinking one point with it. Follows the
// skin setting live.
class QZPJunoSegmentButton : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(int preferredSkinIndex READ preferredSkinIndex WRITE setPreferredSkinIndex)

public:
    explicit QZPJunoSegmentButton(const QString& title, int tag, QWidget* parent = nullptr);

    // A waveform drawn instead of the title (the panel's pulse and saw symbols).
    enum class Glyph { None, Pulse, Saw };
    void setGlyph(Glyph glyph) {
        m_glyph = glyph;
        update();
    }
    int tag() const { return m_tag; }
    int preferredSkinIndex() const { return m_skinIndex; }
    virtual void setPreferredSkinIndex(int index);
    QSize sizeHint() const override { return {36, 22}; }
    // The arrow keys move to the neighbouring button of the bar; in a bar that is one switch (a choice
    // of positions) they also choose it, as a click would.
    void setChoosesWithArrows(bool on) { m_choosesWithArrows = on; }
    // A small dot in the corner: the other patch of a comparison has this position.
    void setMarked(bool marked);
    bool isMarked() const { return m_marked; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    QZPThreePartImage m_normalImage;
    QZPThreePartImage m_pressedImage;

private:
    int m_tag;
    int m_skinIndex = -1;
    Glyph m_glyph = Glyph::None;
    bool m_choosesWithArrows = false;
    bool m_marked = false;
};
