// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/QZPSlider.h"

#include "model/QZPInvalidParameter.h"

#include "editor/QZPSliderAccessible.h"
#include "model/QZPParameter.h"
#include "model/QZPSettings.h"

#include "editor/QZPPanelScaler.h"
#include "editor/QZPSkin.h"

#include <QCoreApplication>
#include <QEasingCurve>
#include <QHash>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QSvgRenderer>
#include <QWheelEvent>
#include <cmath>
#include <stdexcept>

namespace {

constexpr double DebugKnobSize = 16;

// Halves away from zero, as the value mapping and the knob placement want.
double roundHalfAway(double value) {
    return std::round(value);
}

} // namespace

QZPSlider::QZPSlider(QWidget* parent) : QWidget(parent) {
    QZPSliderAccessible::install();
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setMouseTracking(false);
    // Tab reaches every slider in panel order; a click gives the focus too.
    setFocusPolicy(Qt::StrongFocus);
    updatePoints();
}

QZPSlider::~QZPSlider() = default;

QSize QZPSlider::sizeHint() const {
    return m_orientation == Horizontal ? QSize(120, 30) : QSize(30, 120);
}

// MARK: Value model

double QZPSlider::doubleValue() const {
    return roundHalfAway(((m_maxValue - m_minValue) * m_position + m_minValue) / m_precision) * m_precision;
}

void QZPSlider::placeKnobAt(double value) {
    value = std::clamp(value, m_minValue, m_maxValue);
    const double position = (value - m_minValue) / (m_maxValue - m_minValue);
    if (position != m_position) {
        m_position = position;
        moveKnob();
        emit doubleValueChanged();
    }
}

void QZPSlider::setDoubleValue(double value) {
    placeKnobAt(value);
    m_lastUpdatedRealWorldValue = doubleValue();
}

void QZPSlider::setValueAsUser(double value) {
    if (m_animation)
        m_animation->stop();
    placeKnobAt(value);
    emit trackingStarted();
    sendTargetActionIfNecessary();
    emit trackingEnded();
}

void QZPSlider::setPercentValue(double position) {
    position = std::clamp(position, 0.0, 1.0);
    if (position != m_position) {
        m_position = position;
        update();
        emit doubleValueChanged();
    }
    m_lastUpdatedRealWorldValue = doubleValue();
}

void QZPSlider::setDoubleValueAnimated(double value, bool animated) {
    // The value it shows already (the one just dragged to, say): the knob stays where the hand put it.
    if (std::clamp(value, m_minValue, m_maxValue) == doubleValue() &&
        (!m_animation || m_animation->state() != QAbstractAnimation::Running))
        return;
    if (m_animation)
        m_animation->stop();
    if (!animated) {
        setDoubleValue(value);
        return;
    }
    if (!m_animation) {
        m_animation = new QPropertyAnimation(this, "doubleValue", this);
        m_animation->setEasingCurve(QEasingCurve::OutCubic);
        m_animation->setDuration(AnimationMs);
    }
    m_animation->setStartValue(doubleValue());
    m_animation->setEndValue(std::clamp(value, m_minValue, m_maxValue));
    m_animation->start();
}

void QZPSlider::setMinValue(double value) {
    m_minValue = value;
    moveKnob();
}

void QZPSlider::setMaxValue(double value) {
    m_maxValue = value;
    moveKnob();
}

// MARK: Tick marks

void QZPSlider::setNumberOfTickMarks(qint64 count) {
    m_numberOfTickMarks = count;
    update();
}

double QZPSlider::tickMarkValueAtIndex(qint64 index) const {
    QZP_PRECONDITION(
        index >= 0 && index < m_numberOfTickMarks,
        QStringLiteral("TickMark index is out of bounds {0,%1}").arg(m_numberOfTickMarks).toStdString());
    return double(index) * distanceRatioBetweenTickMarks();
}

double QZPSlider::closestTickMarkValueToValue(double position) const {
    const double d = distanceRatioBetweenTickMarks();
    return d * roundHalfAway(position / d);
}

qint64 QZPSlider::indexOfTickMarkClosestToValue(double position) const {
    const double d = distanceRatioBetweenTickMarks();
    const double closest = closestTickMarkValueToValue(position);
    const double window = m_snapRatio / 100.0 * d;
    if (closest - window <= position && position <= closest + window)
        return qint64(closest / d + 1e-9);
    return NotFound;
}

QRectF QZPSlider::rectOfTickMarkAtIndex(qint64 index) const {
    const double t = tickMarkValueAtIndex(index);
    if (m_orientation != Horizontal)
        return QRectF(0, std::round(m_pointA.y() + t * (m_pointB.y() - m_pointA.y())), width(), 1);
    return QRectF(std::round(m_pointA.x() + t * (m_pointB.x() - m_pointA.x())), 0, 1, height());
}

// MARK: Geometry

void QZPSlider::updatePoints() {
    const QRectF bounds = rect();
    const double scale = QZPPanelScaler::scaleOf(this);
    const double inset = TrackInset * scale;
    if (!m_knobImageName.isEmpty() && m_knobScale != scale)
        setKnobImageName(m_knobImageName);
    switch (m_orientation) {
    case Vertical:
        m_rotationValue = 0;
        m_pointA = QPointF(bounds.center().x(), bounds.bottom() - inset);
        m_pointB = QPointF(bounds.center().x(), bounds.top() + inset);
        break;
    case Horizontal:
        m_rotationValue = M_PI / 2;
        m_pointA = QPointF(bounds.left() + inset, bounds.center().y());
        m_pointB = QPointF(bounds.right() - inset, bounds.center().y());
        break;
    case Diagonal:
        m_pointA = QPointF(inset, bounds.bottom() - inset);
        m_pointB = QPointF(bounds.right() - inset, bounds.top() + inset);
        m_rotationValue = std::atan2(m_pointB.x() - m_pointA.x(), m_pointA.y() - m_pointB.y());
        break;
    default:
        return;
    }
    moveKnob();
}

void QZPSlider::setLocked(bool locked) {
    if (locked == m_locked)
        return;
    m_locked = locked;
    update();
}

void QZPSlider::setGhostPosition(std::optional<double> position) {
    if (position)
        position = std::clamp(*position, 0.0, 1.0);
    if (position == m_ghostPosition)
        return;
    m_ghostPosition = position;
    update();
}

QPointF QZPSlider::knobCenter() const {
    return m_pointA * (1 - m_position) + m_pointB * m_position;
}

QRectF QZPSlider::knobRect() const {
    const QPointF center = knobCenter();
    const QSizeF size = m_knobImage.isNull() ? QSizeF(DebugKnobSize, DebugKnobSize)
                                             : QSizeF(m_knobImage.deviceIndependentSize());
    return QRectF(center.x() - size.width() / 2, center.y() - size.height() / 2, size.width(), size.height());
}

double QZPSlider::trackLength() const {
    return std::hypot(m_pointB.x() - m_pointA.x(), m_pointB.y() - m_pointA.y());
}

bool QZPSlider::sliderContainsPoint(const QPointF& point) const {
    const QPointF ab = m_pointB - m_pointA;
    const double length = trackLength();
    if (length == 0)
        return false;
    const QPointF ap = point - m_pointA;
    const double distance = std::abs(ab.x() * ap.y() - ab.y() * ap.x()) / length;
    return distance <= HitDistance;
}

double QZPSlider::valueForPoint(const QPointF& point) const {
    const QPointF ab = m_pointB - m_pointA;
    const double lengthSquared = ab.x() * ab.x() + ab.y() * ab.y();
    if (lengthSquared == 0)
        return 0;
    const QPointF ap = point - m_pointA;
    return (ap.x() * ab.x() + ap.y() * ab.y()) / lengthSquared;
}

void QZPSlider::moveKnob() {
    // The knob and the value bar under it both move: the control is painted again.
    update();
}

// MARK: Look

void QZPSlider::setDrawsBar(bool on) {
    m_drawsBar = on;
    update();
}

void QZPSlider::setDebugDrawEnabled(bool on) {
    m_debugDraw = on;
    update();
}

void QZPSlider::setOrientation(int orientation) {
    m_orientation = orientation;
    updatePoints();
}

void QZPSlider::setSliderTrackOpacity(double opacity) {
    m_sliderTrackOpacity = opacity;
    update();
}

void QZPSlider::setTrackSlotColor(const QColor& color, const QColor& scaleColor) {
    m_slotColor = color;
    m_scaleColor = scaleColor;
    update();
}

void QZPSlider::setKnobImage(const QPixmap& image) {
    m_knobImage = image;
    update();
}

// Drawn for the panel's scale and the screen's pixels, so the knob is as crisp as the rest; each knob of a
// size is drawn once for all the panel's sliders (main thread only, as every widget).
void QZPSlider::setKnobImageName(const QString& name) {
    static QHash<QPair<QString, qreal>, QPixmap> drawn;
    m_knobImageName = name;
    m_knobScale = QZPPanelScaler::scaleOf(this);
    const qreal ratio = devicePixelRatioF() * m_knobScale;
    const QPair<QString, qreal> key(name, ratio);
    auto known = drawn.constFind(key);
    if (known == drawn.constEnd()) {
        QZPSkin::initResources();
        QSvgRenderer renderer(QStringLiteral(":/images/%1.svg").arg(name));
        QPixmap pixmap;
        if (renderer.isValid()) {
            pixmap = QPixmap((QSizeF(renderer.defaultSize()) * ratio).toSize());
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            renderer.render(&painter);
            painter.end();
            pixmap.setDevicePixelRatio(ratio);
        }
        // A panel resized by dragging passes through many scales: only the last few are kept.
        if (drawn.size() >= 16)
            drawn.clear();
        known = drawn.insert(key, pixmap);
    }
    setKnobImage(*known);
}

void QZPSlider::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    updatePoints();
}

void QZPSlider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The track and the knob follow the widget's points; their strokes follow the panel's scale.
    const double scale = QZPPanelScaler::scaleOf(this);
    if (m_debugDraw) {
        painter.setPen(QColor::fromRgbF(0.8, 0.8, 0.8));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
        for (qint64 i = 0; i < m_numberOfTickMarks; ++i)
            painter.fillRect(rectOfTickMarkAtIndex(i), QColor::fromRgbF(0.9, 0.9, 0.9));
        painter.setPen(QPen(QColor::fromRgbF(0.9, 0.9, 0.9), 16));
        painter.drawLine(m_pointA, m_pointB);
    }
    if (m_slotColor.isValid()) {
        painter.setPen(QPen(m_slotColor, 4 * scale, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(m_pointA, m_pointB);
        const int marks = m_numberOfTickMarks > 0 ? int(m_numberOfTickMarks) : 11;
        painter.setPen(QPen(m_scaleColor, scale));
        const double gap = 9 * scale;
        for (int i = 0; i < marks; ++i) {
            const QPointF at = m_pointA + (m_pointB - m_pointA) * (double(i) / (marks - 1));
            const double half = ((i % 5 == 0 || m_numberOfTickMarks > 0) ? 5 : 3) * scale;
            if (m_orientation == Horizontal)
                painter.drawLine(QPointF(at.x(), at.y() - gap - half), QPointF(at.x(), at.y() - gap));
            else
                painter.drawLine(QPointF(at.x() - gap - half, at.y()), QPointF(at.x() - gap, at.y()));
        }
    }
    if (m_drawsBar && (m_numberOfTickMarks == 0 || m_numberOfTickMarks >= 3)) {
        QColor bar = QColor::fromRgbF(0.3, 0.3, 0.3);
        bar.setAlphaF(float(std::clamp(0.3 * m_sliderTrackOpacity, 0.0, 1.0)));
        painter.setPen(QPen(bar, 4 * scale, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(m_pointA.x(), m_pointA.y() + scale), knobCenter());
    }
    if (m_ghostPosition) {
        // The other patch's knob: an outline in the highlight colour, barely filled.
        const QRectF knob = knobRect();
        const QPointF at = m_pointA * (1 - *m_ghostPosition) + m_pointB * *m_ghostPosition;
        QColor ghost = palette().color(QPalette::Highlight);
        ghost.setAlphaF(0.85f);
        painter.setPen(QPen(ghost, 1.5 * scale, Qt::DashLine));
        ghost.setAlphaF(0.18f);
        painter.setBrush(ghost);
        painter.drawRoundedRect(knob.translated(at - knob.center()), 3 * scale, 3 * scale);
        painter.setBrush(Qt::NoBrush);
    }
    if (m_locked) {
        // A padlock at the top end of the track: a shackle over a body, in the scale marks' colour.
        const QColor ink = m_scaleColor.isValid() ? m_scaleColor : palette().color(QPalette::WindowText);
        const QPointF top = m_pointB + QPointF(9 * scale, -6 * scale);
        const QRectF body(top.x() - 3.5 * scale, top.y(), 7 * scale, 5 * scale);
        painter.setPen(QPen(ink, 1.2 * scale));
        painter.setBrush(Qt::NoBrush);
        painter.drawArc(QRectF(top.x() - 2.2 * scale, top.y() - 3.6 * scale, 4.4 * scale, 6 * scale), 0,
                        180 * 16);
        painter.setBrush(ink);
        painter.drawRoundedRect(body, 1 * scale, 1 * scale);
        painter.setBrush(Qt::NoBrush);
    }
    if (hasFocus())
        QZPSkin::drawFocusRing(painter, knobRect().adjusted(-3 * scale, -3 * scale, 3 * scale, 3 * scale),
                               palette(), 4 * scale);
    const QPointF center(std::round(knobCenter().x()), std::round(knobCenter().y()));
    painter.translate(center);
    if (m_rotationValue != 0)
        painter.rotate(-m_rotationValue * 180 / M_PI + (m_orientation == Horizontal ? 180 : 0));
    if (!m_knobImage.isNull()) {
        const QSizeF size = m_knobImage.deviceIndependentSize();
        painter.drawPixmap(QPointF(-size.width() / 2, -size.height() / 2), m_knobImage);
    } else if (m_debugDraw) {
        QLinearGradient gradient(0, -DebugKnobSize / 2, 0, DebugKnobSize / 2);
        gradient.setColorAt(0, QColor::fromRgbF(0.287, 0.287, 0.287));
        gradient.setColorAt(1, QColor::fromRgbF(0.115, 0.115, 0.115));
        painter.setPen(Qt::NoPen);
        painter.setBrush(gradient);
        painter.drawEllipse(QPointF(0, 0), DebugKnobSize / 2, DebugKnobSize / 2);
        painter.fillRect(QRectF(-8, -1, 16, 1), QColor(255, 255, 255, 13));
        painter.fillRect(QRectF(-8, 0, 16, 1), QColor(0, 0, 0, 38));
    }
}

// MARK: Mouse

void QZPSlider::mousePressEvent(QMouseEvent* event) {
    m_keyRunActive = false;
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPointF point = event->position();
    if (!knobRect().contains(point)) {
        if (!m_barInteractive || !sliderContainsPoint(point))
            return;
        if (m_animation)
            m_animation->stop();
        m_position = std::clamp(valueForPoint(point), 0.0, 1.0);
        if (m_numberOfTickMarks > 0 && m_allowsTickMarkValuesOnly && !m_snapEnabled)
            m_position = closestTickMarkValueToValue(m_position);
        moveKnob();
        emit doubleValueChanged();
        emit trackingStarted();
        if (m_continuous)
            sendTargetActionIfNecessary();
    } else {
        if (m_animation)
            m_animation->stop();
        emit trackingStarted();
    }
    setTracking(true);
    m_startPosition = m_position;
    m_startPointer = valueForPoint(point);
    m_fineHeld = event->modifiers() & Qt::ShiftModifier;
}

void QZPSlider::mouseMoveEvent(QMouseEvent* event) {
    if (m_tracking)
        track(event->position(), event->modifiers(), false);
}

void QZPSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_tracking || event->button() != Qt::LeftButton)
        return;
    track(event->position(), event->modifiers(), true);
    setTracking(false);
    emit trackingEnded();
}

void QZPSlider::hideEvent(QHideEvent* event) {
    // A slider hidden mid-drag gets no release: the drag ends here.
    if (m_tracking) {
        setTracking(false);
        emit trackingEnded();
    }
    QWidget::hideEvent(event);
}

void QZPSlider::setTracking(bool tracking) {
    if (tracking == m_tracking)
        return;
    m_tracking = tracking;
    if (tracking)
        QCoreApplication::instance()->installEventFilter(this);
    else
        QCoreApplication::instance()->removeEventFilter(this);
}

bool QZPSlider::eventFilter(QObject* watched, QEvent* event) {
    if (!m_tracking)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Wheel:
        return true;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride: {
        // Plain keys go on (the computer keyboard still plays notes); with a modifier key they are
        // dropped, shortcuts included (an accepted override keeps the shortcut from firing).
        constexpr Qt::KeyboardModifiers modifierKeys =
            Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
        if (!(static_cast<QKeyEvent*>(event)->modifiers() & modifierKeys))
            return false;
        event->accept();
        return true;
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void QZPSlider::track(const QPointF& point, Qt::KeyboardModifiers modifiers, bool mouseUp) {
    const double pointer = valueForPoint(point);
    const bool fine = modifiers & Qt::ShiftModifier;
    double delta = 0;
    // Pressing or releasing the fine key re-anchors the drag: the knob never jumps.
    if (fine != m_fineHeld) {
        m_startPosition = m_position;
        m_startPointer = pointer;
        m_fineHeld = fine;
    } else {
        delta = pointer - m_startPointer;
    }
    if (!(modifiers & Qt::ControlModifier) && m_numberOfTickMarks == 0)
        delta *= m_normalSpeedRatio;
    if (fine)
        delta *= m_altSpeedRatio / 100.0;
    double candidate = std::clamp(m_startPosition + delta, 0.0, 1.0);

    if (m_numberOfTickMarks > 0 && m_allowsTickMarkValuesOnly) {
        const qint64 index = indexOfTickMarkClosestToValue(candidate);
        bool report = false;
        if (index != NotFound) {
            report = m_continuous || mouseUp;
            candidate = tickMarkValueAtIndex(index);
        }
        if (!m_snapEnabled) {
            if (index == NotFound && !mouseUp)
                return;
            if (mouseUp)
                report = true;
            if (index != NotFound) {
                m_position = candidate;
                moveKnob();
                emit doubleValueChanged();
            }
        } else if (!mouseUp) {
            m_position = candidate;
            moveKnob();
            emit doubleValueChanged();
        } else {
            m_position = closestTickMarkValueToValue(candidate);
            moveKnob();
            emit doubleValueChanged();
            report = true;
        }
        if (report)
            sendTargetActionIfNecessary();
        return;
    }
    m_position = candidate;
    moveKnob();
    emit doubleValueChanged();
    if (m_continuous || mouseUp)
        sendTargetActionIfNecessary();
}

// MARK: Wheel and touchpad

void QZPSlider::wheelEvent(QWheelEvent* event) {
    event->accept();
    const Qt::ScrollPhase phase = event->phase();
    if (phase == Qt::ScrollMomentum)
        return;
    const double length = trackLength();
    if (length <= 0)
        return;
    const bool fine = event->modifiers() & Qt::ShiftModifier;
    const bool ticks = m_numberOfTickMarks > 0;
    if (m_animation)
        m_animation->stop();

    if (phase == Qt::ScrollBegin) {
        // The gesture's first event opens it; its own distance is not applied and nothing is reported
        // (touching a slider sends nothing).
        if (ticks)
            m_scrollOffsetAccumulator = m_position;
        emit trackingStarted();
        return;
    }
    if (phase == Qt::ScrollUpdate) {
        double distance =
            event->pixelDelta().isNull() ? event->angleDelta().y() / 8.0 : event->pixelDelta().y();
        double step = distance / length;
        if (event->inverted())
            step = -step;
        step *= m_altSpeedRatio / 70.0;
        if (fine)
            step *= m_altSpeedRatio / 50.0;
        bool changed = true;
        if (!ticks) {
            m_position = std::clamp(m_position + step, 0.0, 1.0);
        } else {
            m_scrollOffsetAccumulator = std::clamp(m_scrollOffsetAccumulator + step, 0.0, 1.0);
            const qint64 index = indexOfTickMarkClosestToValue(m_scrollOffsetAccumulator);
            if (index != NotFound) {
                m_position = tickMarkValueAtIndex(index);
            } else {
                m_position = m_scrollOffsetAccumulator;
                changed = false;
            }
        }
        moveKnob();
        emit doubleValueChanged();
        if (changed && m_continuous)
            sendTargetActionIfNecessary();
        return;
    }
    if (phase == Qt::ScrollEnd) {
        if (ticks) {
            m_position = closestTickMarkValueToValue(m_scrollOffsetAccumulator);
            moveKnob();
            emit doubleValueChanged();
        }
        sendTargetActionIfNecessary();
        emit trackingEnded();
        return;
    }
    // Without phases: a classic wheel (whole notches of 120), or a touchpad under X11 (small deltas,
    // no phases). One whole notch is one tick, or one point along the track.
    const double distance = event->angleDelta().y() / 120.0;
    if (ticks) {
        m_wheelNotches += distance;
        const double notches = std::trunc(m_wheelNotches);
        if (notches == 0)
            return;
        m_wheelNotches -= notches;
        m_position += notches * distanceRatioBetweenTickMarks();
    } else {
        double step = distance / length;
        if (fine)
            step *= m_altSpeedRatio / 100.0;
        m_position += step;
    }
    m_position = std::clamp(m_position, 0.0, 1.0);
    moveKnob();
    emit doubleValueChanged();
    emit trackingStarted();
    sendTargetActionIfNecessary();
    emit trackingEnded();
}

// MARK: Keyboard

void QZPSlider::keyPressEvent(QKeyEvent* event) {
    const bool ticks = m_numberOfTickMarks > 1;
    const int key = event->key();
    const bool up = key == Qt::Key_Up || key == Qt::Key_Right || key == Qt::Key_PageUp;
    const bool down = key == Qt::Key_Down || key == Qt::Key_Left || key == Qt::Key_PageDown;
    if (!up && !down && key != Qt::Key_Home && key != Qt::Key_End && (key != Qt::Key_Space || !ticks)) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    // A key pressed while the knob glides steps from where the glide ends.
    if (m_animation && m_animation->state() == QAbstractAnimation::Running) {
        m_animation->setCurrentTime(m_animation->totalDuration());
        m_animation->stop();
    }
    const double range = m_maxValue - m_minValue;
    const bool page = key == Qt::Key_PageUp || key == Qt::Key_PageDown;
    // One step: a position of a switch; a tenth of the track for the page keys; else a sixty-fourth,
    // and with Shift (or on a short range) the value's precision.
    const double step = ticks  ? distanceRatioBetweenTickMarks()
                        : page ? 0.1
                        : (event->modifiers() & Qt::ShiftModifier) || range <= 64 * m_precision
                            ? m_precision / range
                            : 1.0 / 64;
    double position = up ? m_position + step : down ? m_position - step : key == Qt::Key_End ? 1 : 0;
    if (key == Qt::Key_Space) // the next position, round from the last to the first
        position = m_position + step > 1 + step / 2 ? 0 : m_position + step;
    if (!m_keyRunActive) {
        ++m_keyRun;
        m_keyRunActive = true;
    }
    m_position = std::clamp(ticks ? closestTickMarkValueToValue(position) : position, 0.0, 1.0);
    moveKnob();
    emit doubleValueChanged();
    sendTargetActionIfNecessary();
}

void QZPSlider::focusOutEvent(QFocusEvent* event) {
    m_keyRunActive = false;
    QWidget::focusOutEvent(event); // repaints without the focus mark
}

// MARK: Reporting

void QZPSlider::sendTargetActionIfNecessary() {
    const double value = doubleValue();
    if (m_hasEverPushedUpdateToRealWorld && value == m_lastUpdatedRealWorldValue)
        return;
    m_hasEverPushedUpdateToRealWorld = true;
    m_lastUpdatedRealWorldValue = value;
    emit valueReported();
}

QString QZPSlider::displayString() const {
    const bool percent = QZPSettings::standard()->intValue(QZPSettings::ValueChangeDisplayModeKey) == 0;
    // The parameter the slider is bound to words its value; an unbound slider shows a plain percentage.
    const QString text = m_parameter ? m_parameter->displayText(m_position, doubleValue(), percent)
                                     : QZPParameter::percentText(m_position, doubleValue(), percent);
    return QStringLiteral("%1: %2").arg(m_identifier, text);
}
