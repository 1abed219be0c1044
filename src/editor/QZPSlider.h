// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPixmap>
#include <QPointF>
#include <QWidget>
#include <optional>

class QPropertyAnimation;

// The editor's slider: a knob moving along a straight track (vertical, horizontal or diagonal), its
// position mapped onto a value range with a precision. Tick marks make it a switch with sticky
// positions. It is moved by a click on the track, by dragging the knob relative to where it was
// grabbed (Shift: fine, at altSpeedRatio; Ctrl: one to one, ignoring normalSpeedRatio; window managers
// take Alt+drag for moving windows, so Shift and Ctrl stand in for the Option and Command keys), and
// by the wheel or a touchpad gesture, and from the keyboard once it has the focus (Tab, or a click):
// Up/Right and Down/Left one step (Shift: the finest step the value has), Page Up/Down a tenth of the
// track, Home/End the ends; a switch (tick marks) moves one position, Space to the next one round. It reports
// (valueReported) only a value that differs from the last one reported; values set from outside are never
// reported.
class QZPParameter;

class QZPSlider : public QWidget {
    Q_OBJECT
    Q_PROPERTY(double doubleValue READ doubleValue WRITE setDoubleValue NOTIFY doubleValueChanged)
    Q_PROPERTY(double percentValue READ percentValue WRITE setPercentValue NOTIFY doubleValueChanged)
    Q_PROPERTY(double sliderTrackOpacity READ sliderTrackOpacity WRITE setSliderTrackOpacity)
    Q_PROPERTY(double normalSpeedRatio READ normalSpeedRatio WRITE setNormalSpeedRatio)

public:
    static constexpr qint64 NotFound = std::numeric_limits<qint64>::max();
    static constexpr double TrackInset = 11;
    static constexpr double HitDistance = 16;
    static constexpr int AnimationMs = 132;

    enum Orientation { Vertical = 0, Horizontal = 1, Diagonal = 2 };

    explicit QZPSlider(QWidget* parent = nullptr);
    ~QZPSlider() override;

    // Value model.
    double doubleValue() const;
    void setDoubleValue(double value);
    double percentValue() const { return m_position; }
    void setPercentValue(double position);
    // The value set as the user would (through accessibility, say): one tracking gesture that reports
    // the new value when it differs.
    void setValueAsUser(double value);
    // Glides to the value in 0.132 s with ease-out (or jumps, when not animated); never reports.
    void setDoubleValueAnimated(double value, bool animated);
    double minValue() const { return m_minValue; }
    void setMinValue(double value);
    double maxValue() const { return m_maxValue; }
    void setMaxValue(double value);
    double precision() const { return m_precision; }
    void setPrecision(double precision) { m_precision = precision; }

    // Tick marks.
    qint64 numberOfTickMarks() const { return m_numberOfTickMarks; }
    void setNumberOfTickMarks(qint64 count);
    bool allowsTickMarkValuesOnly() const { return m_allowsTickMarkValuesOnly; }
    void setAllowsTickMarkValuesOnly(bool only) { m_allowsTickMarkValuesOnly = only; }
    bool isSnapEnabled() const { return m_snapEnabled; }
    void setSnapEnabled(bool on) { m_snapEnabled = on; }
    double snapRatio() const { return m_snapRatio; }
    void setSnapRatio(double ratio) { m_snapRatio = ratio; }
    double distanceRatioBetweenTickMarks() const { return 1.0 / double(m_numberOfTickMarks - 1); }
    // An index outside 0 to n − 1 breaks the precondition "TickMark index is out of bounds {0,n}".
    double tickMarkValueAtIndex(qint64 index) const;
    qint64 indexOfTickMarkClosestToValue(double position) const;
    double closestTickMarkValueToValue(double position) const;
    QRectF rectOfTickMarkAtIndex(qint64 index) const;

    // Tracking.
    double normalSpeedRatio() const { return m_normalSpeedRatio; }
    void setNormalSpeedRatio(double ratio) { m_normalSpeedRatio = ratio; }
    double altSpeedRatio() const { return m_altSpeedRatio; }
    void setAltSpeedRatio(double ratio) { m_altSpeedRatio = ratio; }
    bool isContinuous() const { return m_continuous; }
    void setContinuous(bool on) { m_continuous = on; }
    bool isBarInteractive() const { return m_barInteractive; }
    void setBarInteractive(bool on) { m_barInteractive = on; }

    // Look.
    bool drawsBar() const { return m_drawsBar; }
    void setDrawsBar(bool on);
    // A faint mark on the track at `position` (0–1): where the other patch of a comparison has this
    // control; none without one.
    void setGhostPosition(std::optional<double> position);
    std::optional<double> ghostPosition() const { return m_ghostPosition; }
    // A small padlock beside the track: mutation leaves this control's parameter alone.
    void setLocked(bool locked);
    bool isLocked() const { return m_locked; }
    bool isDebugDrawEnabled() const { return m_debugDraw; }
    void setDebugDrawEnabled(bool on);
    int orientation() const { return m_orientation; }
    void setOrientation(int orientation);
    double sliderTrackOpacity() const { return m_sliderTrackOpacity; }
    void setSliderTrackOpacity(double opacity);
    // The slot the knob runs in, drawn along the track when set (with a scale beside it for sliders
    // without tick marks).
    void setTrackSlotColor(const QColor& color, const QColor& scaleColor);
    QPixmap knobImage() const { return m_knobImage; }
    void setKnobImage(const QPixmap& image);
    // Loads the named knob image from the application's resources (":/images/<name>.svg").
    void setKnobImageName(const QString& name);
    QString knobImageName() const { return m_knobImageName; }

    // The parameter the editor binds it to, and the label its display text starts with.
    // The parameter the slider shows and changes; null for a slider bound to none.
    const QZPParameter* parameter() const { return m_parameter; }
    void setParameter(const QZPParameter* parameter) { m_parameter = parameter; }
    QString identifier() const { return m_identifier; }
    void setIdentifier(const QString& identifier) { m_identifier = identifier; }

    // Geometry.
    QPointF pointA() const { return m_pointA; }
    QPointF pointB() const { return m_pointB; }
    QPointF knobCenter() const;
    QRectF knobRect() const;
    bool sliderContainsPoint(const QPointF& point) const;
    double valueForPoint(const QPointF& point) const;

    // "<identifier>: <value text>", in percent or raw as the display-mode setting says.
    QString displayString() const;
    // Finer tracking on gives the drag factor 0.65, off 1.0.
    static double finerTrackingSpeedRatio(bool finerTracking) { return finerTracking ? 0.65 : 1.0; }

    QSize sizeHint() const override;

    // The run of key presses the last reported value came from: the same number for every press on this
    // slider until it loses the focus or is moved another way; 0 when the last value was not set by key.
    int keyRun() const { return m_keyRunActive ? m_keyRun : 0; }

signals:
    void doubleValueChanged();
    // A changed value to act on: the slider's action.
    void valueReported();
    // A press and its release: the editor makes one undo step of everything in between.
    void trackingStarted();
    void trackingEnded();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // While a drag runs: drops wheel events and key events made with a modifier key, anywhere in the
    // application, so neither moves the knob nor undoes the step the drag holds open.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setTracking(bool tracking);
    void updatePoints();
    // Moves the knob to the (clamped) value without changing what counts as reported.
    void placeKnobAt(double value);
    void moveKnob();
    void sendTargetActionIfNecessary();
    void track(const QPointF& point, Qt::KeyboardModifiers modifiers, bool mouseUp);
    double trackLength() const;

    double m_position = 0;
    double m_lastUpdatedRealWorldValue = 0;
    bool m_hasEverPushedUpdateToRealWorld = false;
    double m_scrollOffsetAccumulator = 0;
    // Wheel notches (120ths of a click) not yet turned into a tick: a touchpad without scroll phases
    // (X11) sends many small deltas, and a switch moves one position per whole notch.
    double m_wheelNotches = 0;
    double m_minValue = 0;
    double m_maxValue = 1;
    double m_precision = 1.0;
    qint64 m_numberOfTickMarks = 0;
    bool m_allowsTickMarkValuesOnly = true;
    bool m_snapEnabled = false;
    double m_snapRatio = 20;
    double m_normalSpeedRatio = 1.0;
    double m_altSpeedRatio = 20;
    bool m_continuous = true;
    bool m_barInteractive = true;
    bool m_drawsBar = false;
    bool m_debugDraw = false;
    std::optional<double> m_ghostPosition;
    bool m_locked = false;
    int m_orientation = Vertical;
    double m_sliderTrackOpacity = 0;
    QPixmap m_knobImage;
    QString m_knobImageName;
    double m_knobScale = 1; // the panel scale the knob image was drawn for
    QColor m_slotColor;
    QColor m_scaleColor;
    const QZPParameter* m_parameter = nullptr;
    QString m_identifier;
    double m_rotationValue = 0;
    QPointF m_pointA;
    QPointF m_pointB;

    // Drag state.
    bool m_tracking = false;
    double m_startPosition = 0;
    double m_startPointer = 0;
    bool m_fineHeld = false;
    QPropertyAnimation* m_animation = nullptr;
    int m_keyRun = 0;
    bool m_keyRunActive = false;
};
