// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <bitset>

// An on-screen keyboard of five octaves (C2–C7, notes 36–96): a click or a drag plays, the keys sounding
// from the computer keyboard or a MIDI keyboard light up, and a bar under the keys marks the notes the
// computer keyboard's letters play at its octave. From the keyboard alone: Left and Right move the key
// in focus, Space plays it while held.
class QZPKeyboardView : public QWidget {
    Q_OBJECT

public:
    static constexpr int FirstNote = 36;
    static constexpr int LastNote = 96;

    explicit QZPKeyboardView(QWidget* parent = nullptr);

    void setLit(int note, bool lit);
    bool isLit(int note) const { return note >= 0 && note < 128 && m_lit.test(size_t(note)); }
    // Unlights every key (all notes off).
    void clearLit();
    // The computer keyboard's notes: `count` notes from `first`.
    void setComputerKeys(int first, int count);
    int focusNote() const { return m_focusNote; }
    // The note under a point, or -1.
    int noteAt(const QPointF& point) const;
    // A key's rectangle (black keys over white ones).
    QRectF keyRect(int note) const;

    QSize sizeHint() const override { return {640, 90}; }
    QSize minimumSizeHint() const override { return {300, 50}; }

signals:
    void notePressed(int note);
    void noteReleased(int note);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    static bool isBlack(int note);
    void play(int note);
    void stop();
    void updateDescription();

    std::bitset<128> m_lit;
    int m_computerFirst = 60;
    int m_computerCount = 15;
    int m_focusNote = 60;
    // The note the pointer or Space holds down; -1 for none.
    int m_held = -1;
};
