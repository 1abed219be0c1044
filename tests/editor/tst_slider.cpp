// SPDX-License-Identifier: GPL-3.0-or-later
#include "QZPTestMain.h"
#include "editor/QZPSlider.h"
#include "model/QZPParameter.h"
#include "model/QZPSettings.h"

#include <QAction>
#include <QSignalSpy>
#include <QWheelEvent>

namespace {

// A vertical slider whose track is 200 points long: pointA (20, 211) at the bottom, pointB (20, 11).
std::unique_ptr<QZPSlider> makeSlider(double max = 127, qint64 ticks = 0) {
    auto slider = std::make_unique<QZPSlider>();
    slider->resize(40, 222);
    slider->show(); // the geometry takes effect
    slider->setMaxValue(max);
    slider->setNumberOfTickMarks(ticks);
    return slider;
}

QPoint at(const QZPSlider& slider, double position, double beside = 0) {
    const QPointF p = slider.pointA() + (slider.pointB() - slider.pointA()) * position;
    return QPoint(int(std::round(p.x() + beside)), int(std::round(p.y())));
}

void moveTo(QZPSlider& slider, const QPoint& point, Qt::KeyboardModifiers modifiers) {
    QMouseEvent event(QEvent::MouseMove, QPointF(point), slider.mapToGlobal(QPointF(point)), Qt::NoButton,
                      Qt::LeftButton, modifiers);
    QCoreApplication::sendEvent(&slider, &event);
}

void wheel(QZPSlider& slider, Qt::ScrollPhase phase, QPoint pixels, QPoint angle = {},
           Qt::KeyboardModifiers modifiers = {}, bool inverted = false) {
    QWheelEvent event(QPointF(20, 100), QPointF(20, 100), pixels, angle, Qt::NoButton, modifiers, phase,
                      inverted);
    QCoreApplication::sendEvent(&slider, &event);
}

} // namespace

class TestSlider : public QObject {
    Q_OBJECT

private slots:
    // Values set from outside: clamped, the middle rounding away from zero, and never reported.
    void valueMath() {
        // Each row: the value set (-1: the position set instead), the position and the value read.
        for (const auto& [set, position, value] : {std::tuple{-1.0, 0.5, 64.0},
                                                   {200.0, 1.0, 127.0},
                                                   {-3.0, 0.0, 0.0},
                                                   {100.0, 100.0 / 127, 100.0}}) {
            auto slider = makeSlider();
            QSignalSpy reported(slider.get(), &QZPSlider::valueReported);
            if (set == -1.0)
                slider->setPercentValue(position);
            else
                slider->setDoubleValue(set);
            QCOMPARE(slider->percentValue(), position);
            QCOMPARE(slider->doubleValue(), value);
            QCOMPARE(reported.count(), 0);
        }
    }

    // The keys, from a value of 64 (or the switch's second position): each row a key, the value it
    // leaves and whether it was reported.
    void keys() {
        for (const auto& [ticks, key, modifiers, value] :
             QList<std::tuple<qint64, Qt::Key, Qt::KeyboardModifiers, double>>{
                 {0, Qt::Key_Up, {}, 66},
                 {0, Qt::Key_Right, {}, 66},
                 {0, Qt::Key_Down, {}, 62},
                 {0, Qt::Key_Left, {}, 62},
                 {0, Qt::Key_Up, Qt::ShiftModifier, 65},
                 {0, Qt::Key_PageUp, {}, 77},
                 {0, Qt::Key_PageDown, {}, 51},
                 {0, Qt::Key_Home, {}, 0},
                 {0, Qt::Key_End, {}, 127},
                 {0, Qt::Key_Space, {}, 64},
                 {4, Qt::Key_Up, {}, 3},
                 {4, Qt::Key_Down, {}, 1},
                 {4, Qt::Key_Space, {}, 3},
                 {4, Qt::Key_End, {}, 3}}) {
            auto slider = makeSlider(ticks ? double(ticks - 1) : 127, ticks);
            slider->setDoubleValue(ticks ? 2 : 64);
            QSignalSpy reported(slider.get(), &QZPSlider::valueReported);
            QTest::keyClick(slider.get(), key, modifiers);
            QCOMPARE(slider->doubleValue(), value);
            QCOMPARE(reported.count(), value == (ticks ? 2 : 64) ? 0 : 1);
            QCOMPARE(slider->keyRun() != 0, reported.count() != 0);
        }
        // Space on the last position of a switch goes round to the first; the ends hold.
        auto ticks = makeSlider(3, 4);
        ticks->setDoubleValue(3);
        QTest::keyClick(ticks.get(), Qt::Key_Space);
        QCOMPARE(ticks->doubleValue(), 0.0);
        QTest::keyClick(ticks.get(), Qt::Key_Down);
        QCOMPARE(ticks->doubleValue(), 0.0);
        QCOMPARE(ticks->focusPolicy(), Qt::StrongFocus);
    }

    // Dragging is relative to where the knob was grabbed, scaled by the speed factors: each row the
    // normal speed, the modifiers and how far the knob travels for the whole track.
    void dragSpeeds() {
        for (const auto& [normalSpeed, mods, travel] :
             {std::tuple{1.0, Qt::KeyboardModifiers(), 1.0},
              {0.65, Qt::KeyboardModifiers(), 0.65},
              {0.65, Qt::KeyboardModifiers(Qt::ControlModifier), 1.0},
              {1.0, Qt::KeyboardModifiers(Qt::ShiftModifier), 0.2}}) {
            auto slider = makeSlider();
            slider->setNormalSpeedRatio(normalSpeed);
            QSignalSpy reported(slider.get(), &QZPSlider::valueReported);
            QTest::mousePress(slider.get(), Qt::LeftButton, mods, at(*slider, 0) + QPoint(0, -3));
            QVERIFY(reported.isEmpty()); // grabbing the knob does not move it
            moveTo(*slider, at(*slider, 0.5) + QPoint(0, -3), mods);
            QTest::mouseRelease(slider.get(), Qt::LeftButton, mods, at(*slider, 1.0) + QPoint(0, -3));
            QCOMPARE(slider->percentValue(), travel);
            QVERIFY(reported.count() >= 1);
        }
    }

    void fineKeyMidDragDoesNotJump() {
        auto slider = makeSlider();
        QTest::mousePress(slider.get(), Qt::LeftButton, {}, at(*slider, 0));
        QTest::mouseMove(slider.get(), at(*slider, 0.5));
        const double before = slider->percentValue();
        moveTo(*slider, at(*slider, 0.5), Qt::ShiftModifier);
        QCOMPARE(slider->percentValue(), before);
        QTest::mouseRelease(slider.get(), Qt::LeftButton, Qt::ShiftModifier, at(*slider, 1.0));
        QCOMPARE(slider->percentValue(), before + 0.5 * 0.2);
    }

    // While a drag runs the wheel and keys with a modifier are dropped everywhere (no undo while the
    // drag's step is open, no jump back on release); plain keys still reach the window.
    void dragDropsWheelAndModifiedKeys() {
        QWidget window;
        auto* slider = new QZPSlider(&window);
        slider->setGeometry(0, 0, 40, 222);
        slider->setMaxValue(127);
        QAction undo(&window);
        undo.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
        window.addAction(&undo);
        QSignalSpy undone(&undo, &QAction::triggered);
        struct KeyCounter : QObject {
            int keys = 0;
            bool eventFilter(QObject*, QEvent* event) override {
                keys += event->type() == QEvent::KeyPress;
                return false;
            }
        } counter;
        window.installEventFilter(&counter);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        QTest::mousePress(slider, Qt::LeftButton, {}, at(*slider, 0));
        QTest::mouseMove(slider, at(*slider, 0.5));
        const double dragged = slider->percentValue();
        QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(undone.count(), 0);
        wheel(*slider, Qt::NoScrollPhase, {}, QPoint(0, 120 * 20));
        QCOMPARE(slider->percentValue(), dragged);
        QTest::keyClick(&window, Qt::Key_A);
        QCOMPARE(counter.keys, 1);
        QTest::mouseRelease(slider, Qt::LeftButton, {}, at(*slider, 0.5));
        QCOMPARE(slider->percentValue(), dragged);

        // After the drag both work again.
        QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(undone.count(), 1);
        wheel(*slider, Qt::NoScrollPhase, {}, QPoint(0, 120 * 20));
        QVERIFY(slider->percentValue() > dragged);
    }

    void trackClicks() {
        auto slider = makeSlider();
        QSignalSpy reported(slider.get(), &QZPSlider::valueReported);
        QTest::mouseClick(slider.get(), Qt::LeftButton, {}, at(*slider, 0.5, 20));
        QCOMPARE(slider->percentValue(), 0.0);
        QTest::mouseClick(slider.get(), Qt::LeftButton, {}, at(*slider, 0.5, 5));
        QCOMPARE(slider->percentValue(), 0.5);
        QCOMPARE(reported.count(), 1);
        slider->setBarInteractive(false);
        QTest::mouseClick(slider.get(), Qt::LeftButton, {}, at(*slider, 0.25, 5));
        QCOMPARE(slider->percentValue(), 0.5);
    }

    // A ticks-only switch stays on its tick until the pointer comes within a fifth of the next one;
    // released between ticks it reports the tick it is on.
    void tickSwitchDrag() {
        auto slider = makeSlider(3, 4);
        QSignalSpy reported(slider.get(), &QZPSlider::valueReported);
        QTest::mousePress(slider.get(), Qt::LeftButton, {}, at(*slider, 0));
        QTest::mouseMove(slider.get(), at(*slider, 0.25));
        QCOMPARE(slider->percentValue(), 0.0);
        QTest::mouseMove(slider.get(), at(*slider, 0.3));
        QCOMPARE(slider->doubleValue(), 1.0);
        QTest::mouseRelease(slider.get(), Qt::LeftButton, {}, at(*slider, 0.5));
        QCOMPARE(slider->doubleValue(), 1.0);
        QCOMPARE(reported.count(), 1); // 1 once: the release repeats no value
    }

    // A mouse wheel, and a touchpad as X11 delivers it (no phases, small deltas in 120ths of a notch):
    // a switch moves one position per whole notch, and a sideways scroll moves nothing.
    void wheelWithoutPhases() {
        const QList<std::pair<QList<int>, QList<double>>> rows{
            {{120, 120, -120}, {1, 2, 1}},                           // wheel notches
            {{120, 0, 0}, {1, 1, 1}},                                // sideways
            {{40, 40, 39, 1, 100, 30, -140}, {0, 0, 0, 1, 1, 2, 1}}, // a touchpad under X11
            {{100, -100, 100}, {0, 0, 0}}};                          // a touchpad turning back
        for (const auto& [deltas, values] : rows) {
            auto slider = makeSlider(3, 4);
            QList<double> seen;
            for (const int delta : deltas) {
                wheel(*slider, Qt::NoScrollPhase, {}, QPoint(0, delta));
                seen << slider->doubleValue();
            }
            QCOMPARE(seen, values);
        }
    }

    void wheelAndTouchpad() {
        auto ticks = makeSlider(3, 4);
        QSignalSpy reported(ticks.get(), &QZPSlider::valueReported);

        // A gesture (as Wayland and other systems with phases deliver it) floats between ticks, reports
        // only ticks, and lands on the nearest at the end. Touching a slider that never reported sends
        // nothing.
        wheel(*ticks, Qt::ScrollBegin, QPoint(0, 500));
        QCOMPARE(ticks->percentValue(), 0.0);
        QCOMPARE(reported.count(), 0);
        wheel(*ticks, Qt::ScrollUpdate, QPoint(0, 140)); // 140/200 × 20/70 = 0.2: between ticks
        QCOMPARE(ticks->percentValue(), 0.2);
        QCOMPARE(reported.count(), 0);
        wheel(*ticks, Qt::ScrollUpdate, QPoint(0, 70)); // 0.3: captured by tick 1
        QCOMPARE(ticks->doubleValue(), 1.0);
        QCOMPARE(reported.count(), 1);
        wheel(*ticks, Qt::ScrollMomentum, QPoint(0, 700));
        wheel(*ticks, Qt::ScrollUpdate, QPoint(0, 42), {}, {}, true); // natural scrolling: back to 0.24
        wheel(*ticks, Qt::ScrollEnd, {});
        QCOMPARE(ticks->doubleValue(), 1.0);

        auto plain = makeSlider();
        wheel(*plain, Qt::NoScrollPhase, {}, QPoint(0, 120 * 20));
        QCOMPARE(plain->percentValue(), 0.1);
    }

    // What the message view says while a slider moves: its identifier and the value as the setting asks.
    void displayStrings() {
        using Id = QZPParameter::Id;
        const QList<std::tuple<Id, double, int, const char*>> rows{
            {Id::VCA_Level, 0.5, 0, "Level: 0 %"},    {Id::VCA_Level, 0.75, 0, "Level: +25 %"},
            {Id::VCA_Level, 0.2, 0, "Level: -30 %"},  {Id::VCF_Cutoff, 96.0 / 127, 1, "Level: 96"},
            {Id::VCF_Cutoff, 0.79, 0, "Level: 79 %"}, {Id::DCO_PWM_Mode, 1.0, 0, "Level: LFO Modulated"},
            {Id::VCA_Mode, 0.0, 1, "Level: Gated"}};
        for (const auto& [id, position, mode, text] : rows) {
            QZPSettings::standard()->setValue(QZPSettings::ValueChangeDisplayModeKey, mode);
            auto slider = makeSlider();
            slider->setParameter(&QZPParameter::of(id));
            slider->setIdentifier(QStringLiteral("Level"));
            slider->setPercentValue(position);
            QCOMPARE(slider->displayString(), QString::fromUtf8(text));
        }
        QZPSettings::standard()->remove(QZPSettings::ValueChangeDisplayModeKey);
    }
};

QZP_TEST_WIDGETS_MAIN(TestSlider)
#include "tst_slider.moc"
