// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/QZPKeyboardView.h"

#include "editor/QZPSkin.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <utility>

namespace {

constexpr int WhiteKeys = 36; // five octaves and the top C
constexpr const char* NoteNames[12] = {"C", "C♯", "D", "D♯", "E", "F", "F♯", "G", "G♯", "A", "A♯", "B"};

// The note's white-key index from C2 (a black key: the white key left of it).
int whiteIndex(int note) {
    static constexpr int InOctave[12] = {0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 5, 6};
    const int offset = note - QZPKeyboardView::FirstNote;
    return offset / 12 * 7 + InOctave[offset % 12];
}

QString noteName(int note) {
    return QString::fromUtf8(NoteNames[note % 12]) + QString::number(note / 12 - 1);
}

} // namespace

QZPKeyboardView::QZPKeyboardView(QWidget* parent) : QWidget(parent) {
    setAccessibleName(tr("Keyboard"));
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    updateDescription();
}

bool QZPKeyboardView::isBlack(int note) {
    const int n = note % 12;
    return n == 1 || n == 3 || n == 6 || n == 8 || n == 10;
}

QRectF QZPKeyboardView::keyRect(int note) const {
    const double white = double(width() - 1) / WhiteKeys;
    const double keysHeight = height() - 6; // a bar under the keys for the computer keyboard's notes
    if (!isBlack(note))
        return QRectF(whiteIndex(note) * white, 0, white, keysHeight);
    const double blackWidth = white * 0.62;
    return QRectF((whiteIndex(note) + 1) * white - blackWidth / 2, 0, blackWidth, keysHeight * 0.6);
}

int QZPKeyboardView::noteAt(const QPointF& point) const {
    for (int note = FirstNote; note <= LastNote; ++note)
        if (isBlack(note) && keyRect(note).contains(point))
            return note;
    for (int note = FirstNote; note <= LastNote; ++note)
        if (!isBlack(note) && keyRect(note).contains(point))
            return note;
    return -1;
}

void QZPKeyboardView::setLit(int note, bool lit) {
    if (note < 0 || note > 127 || m_lit.test(size_t(note)) == lit)
        return;
    m_lit.set(size_t(note), lit);
    if (note >= FirstNote && note <= LastNote)
        update(keyRect(note).toAlignedRect().adjusted(-1, -1, 1, 1));
}

void QZPKeyboardView::clearLit() {
    if (m_lit.none())
        return;
    m_lit.reset();
    update();
}

void QZPKeyboardView::setComputerKeys(int first, int count) {
    if (first == m_computerFirst && count == m_computerCount)
        return;
    m_computerFirst = first;
    m_computerCount = count;
    updateDescription();
    update();
}

void QZPKeyboardView::updateDescription() {
    setAccessibleDescription(tr("%1 to %2; the computer keyboard plays %3 to %4; %5 in focus")
                                 .arg(noteName(FirstNote), noteName(LastNote), noteName(m_computerFirst),
                                      noteName(m_computerFirst + m_computerCount - 1),
                                      noteName(m_focusNote)));
}

void QZPKeyboardView::play(int note) {
    if (note == m_held)
        return;
    stop();
    if (note < 0)
        return;
    m_held = note;
    setLit(note, true);
    emit notePressed(note);
}

void QZPKeyboardView::stop() {
    if (m_held < 0)
        return;
    const int note = std::exchange(m_held, -1);
    setLit(note, false);
    emit noteReleased(note);
}

void QZPKeyboardView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    play(noteAt(event->position()));
}

void QZPKeyboardView::mouseMoveEvent(QMouseEvent* event) {
    // A drag glides from key to key.
    if (event->buttons() & Qt::LeftButton && m_held >= 0)
        play(noteAt(event->position()));
}

void QZPKeyboardView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        stop();
}

void QZPKeyboardView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const int step = event->key() == Qt::Key_Left ? -1 : 1;
        m_focusNote = std::clamp(m_focusNote + step, FirstNote, LastNote);
        updateDescription();
        update();
        return;
    }
    case Qt::Key_Space:
        if (!event->isAutoRepeat())
            play(m_focusNote);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void QZPKeyboardView::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat())
        return stop();
    QWidget::keyReleaseEvent(event);
}

void QZPKeyboardView::focusOutEvent(QFocusEvent* event) {
    stop(); // a note never hangs because the focus went elsewhere
    QWidget::focusOutEvent(event);
}

void QZPKeyboardView::paintEvent(QPaintEvent*) {
    const QZPSkin skin = QZPSkin::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor lit = skin.sectionRule();
    const auto drawKey = [&](int note) {
        const QRectF key = keyRect(note).adjusted(0.5, 0, -0.5, 0);
        const bool black = isBlack(note);
        QColor face = black ? QColor(0x1A, 0x1A, 0x1C) : QColor(0xF4, 0xF1, 0xEA);
        if (isLit(note))
            face = black ? lit.darker(115) : lit.lighter(120);
        QPainterPath path;
        path.addRoundedRect(key, 2, 2);
        painter.fillPath(path, face);
        painter.setPen(QPen(QColor(0, 0, 0, 140), 0.8));
        painter.drawPath(path);
        if (note == m_focusNote && hasFocus())
            QZPSkin::drawFocusRing(painter, key.adjusted(1.5, 1.5, -1.5, -1.5), palette(), 2);
    };
    for (int note = FirstNote; note <= LastNote; ++note)
        if (!isBlack(note))
            drawKey(note);
    for (int note = FirstNote; note <= LastNote; ++note)
        if (isBlack(note))
            drawKey(note);
    // The computer keyboard's notes, as a bar under their keys, with the C of its octave named.
    const int first = std::max(m_computerFirst, FirstNote);
    const int last = std::min(m_computerFirst + m_computerCount - 1, LastNote);
    if (first <= last) {
        const double left = keyRect(isBlack(first) ? first - 1 : first).left();
        const QRectF lastKey = keyRect(isBlack(last) ? last + 1 : last);
        painter.fillRect(QRectF(left, height() - 4, lastKey.right() - left, 3), skin.activeRow());
    }
    QFont small = font();
    small.setPointSizeF(std::max(6.0, keyRect(FirstNote).width() * 0.32));
    painter.setFont(small);
    painter.setPen(QColor(0, 0, 0, 150));
    for (int note = FirstNote; note <= LastNote; note += 12) {
        const QRectF key = keyRect(note);
        painter.drawText(key.adjusted(0, 0, 0, -3), Qt::AlignHCenter | Qt::AlignBottom, noteName(note));
    }
}
