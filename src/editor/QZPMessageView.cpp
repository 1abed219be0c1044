// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/QZPMessageView.h"

#include "editor/QZPPanelScaler.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPainter>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QTimer>

QZPMessageView::QZPMessageView(QWidget* parent) : QWidget(parent) {
    m_label = makeLabel();
    m_tempLabel = makeLabel();
    m_labelOpacity = new QGraphicsOpacityEffect(m_label);
    m_labelOpacity->setOpacity(1);
    m_label->setGraphicsEffect(m_labelOpacity);
    m_tempOpacity = new QGraphicsOpacityEffect(m_tempLabel);
    m_tempOpacity->setOpacity(0);
    m_tempLabel->setGraphicsEffect(m_tempOpacity);
    m_fadeOutTimer = new QTimer(this);
    m_fadeOutTimer->setSingleShot(true);
    connect(m_fadeOutTimer, &QTimer::timeout, this, &QZPMessageView::tick);
    m_elapsed.start();
    setMinimumHeight(20);
}

void QZPMessageView::setClock(Clock clock) {
    m_clock = std::move(clock);
    m_externalClock = bool(m_clock);
    m_fadeOutTimer->stop();
}

qint64 QZPMessageView::now() const {
    return m_externalClock ? m_clock() : m_elapsed.elapsed();
}

void QZPMessageView::schedule(qint64 delayMs) {
    m_dismissAt = now() + delayMs;
    if (!m_externalClock)
        m_fadeOutTimer->start(int(std::max<qint64>(delayMs, 0)));
}

void QZPMessageView::tick() {
    if (!m_showingTemporary)
        return;
    const qint64 left = m_dismissAt - now();
    if (left > 0) {
        if (!m_externalClock)
            m_fadeOutTimer->start(int(left));
        return;
    }
    if (QApplication::mouseButtons() != Qt::NoButton) {
        schedule(DragRetryMs);
        return;
    }
    dismissTemporaryMessage();
}

QZPMessageView::~QZPMessageView() {
    m_fadeOutTimer->stop();
}

QLabel* QZPMessageView::makeLabel() {
    auto* label = new QLabel(this);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(11);
    label->setFont(font);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    label->setAttribute(Qt::WA_TranslucentBackground);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0xF2, 0x9A, 0x4A)); // "MessageViewText": amber display
    label->setPalette(palette);
    label->setGeometry(6, 0, width() - 8, height());
    return label;
}

void QZPMessageView::setMessage(const QString& message) {
    m_message = message;
    m_label->setText(message.toUpper());
    m_label->setToolTip(message.toUpper());
}

void QZPMessageView::showTemporaryMessage(const QString& text, double seconds) {
    m_labelOpacity->setOpacity(0);
    m_tempOpacity->setOpacity(1);
    m_tempLabel->setText(text);
    m_showingTemporary = true;
    schedule(qint64(seconds * 1000));
}

void QZPMessageView::dismissTemporaryMessage() {
    m_showingTemporary = false;
    m_fadeOutTimer->stop();
    auto* fade = new QParallelAnimationGroup(this);
    for (auto [effect, to] : {std::pair{m_tempOpacity, 0.0}, std::pair{m_labelOpacity, 1.0}}) {
        auto* animation = new QPropertyAnimation(effect, "opacity", fade);
        animation->setDuration(CrossFadeMs);
        animation->setEasingCurve(QEasingCurve::OutCubic);
        animation->setEndValue(to);
        fade->addAnimation(animation);
    }
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void QZPMessageView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // 6 points in from the left, 2 from the right, centred vertically.
    const double scale = QZPPanelScaler::scaleOf(this);
    for (QLabel* label : {m_label, m_tempLabel}) {
        const int h = label->sizeHint().height();
        label->setGeometry(int(6 * scale), (height() - h) / 2, width() - int(8 * scale), h);
    }
}

void QZPMessageView::paintEvent(QPaintEvent*) {
    // The display window the text sits in.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 0, 0, 200), 1));
    painter.setBrush(QColor(0x14, 0x0C, 0x08));
    painter.drawRoundedRect(QZPPanelScaler::beginNaturalDrawing(painter, this).adjusted(0.5, 0.5, -0.5, -0.5),
                            3, 3);
}

QString QZPMessageView::restingText() const {
    return m_label->text();
}
QString QZPMessageView::temporaryText() const {
    return m_tempLabel->text();
}
