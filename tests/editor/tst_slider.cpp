#include "QZPTestMain.h"
#include "editor/QZPSlider.h"
#include "model/QZPSettings.h"

#include <QAction>
#include <QApplication>
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
    void valueMath_data() {
        QTest::addColumn<double>("set");
        QTest::addColumn<double>("position");
        QTest::addColumn<double>("value");
        QTest::newRow("middle rounds away from zero") << -1.0 << 0.5 << 64.0;
        QTest::newRow("above range") << 200.0 << 1.0 << 127.0;
        QTest::newRow("below range") << -3.0 << 0.0 << 0.0;
        QTest::newRow("in range") << 100.0 << 100.0 / 127 << 100.0;
    }

    void valueMath() {
        QFETCH(double, set);
        QFETCH(double, position);
        QFETCH(double, value);
        auto slider = makeSlider();
        QSignalSpy reported(slider.get(), &QZPSlider::valueReported);
        if (set < 0 && set != -3.0)
            slider->setPercentValue(position);
        else
            slider->setDoubleValue(set);
        QCOMPARE(slider->percentValue(), position);
        QCOMPARE(slider->doubleValue(), value);
        QCOMPARE(reported.count(), 0); // values from outside are never reported
    }

    // The keys, from a value of 64 (or the switch's second position): each row a key, the value it
    // leaves and whether it was reported.
    void keys() {
        struct Row {
            qint64 ticks;
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            double value;
        };
        const QList<Row> rows{{0, Qt::Key_Up, {}, 66},
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
                              {4, Qt::Key_End, {}, 3}};
        for (const Row& row : rows) {
            auto slider = makeSlider(row.ticks ? double(row.ticks - 1) : 127, row.ticks);
            slider->setDoubleValue(row.ticks ? 2 : 64);
            QSignalSpy reported(slider.get(), &QZPSlider::valueReported);
            QTest::keyClick(slider.get(), row.key, row.modifiers);
            QCOMPARE(slider->doubleValue(), row.value);
            QCOMPARE(reported.count(), row.value == (row.ticks ? 2 : 64) ? 0 : 1);
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

    void tickMarks() {
        auto slider = makeSlider(3, 4);
        QCOMPARE(slider->tickMarkValueAtIndex(2), 2.0 / 3);
        QCOMPARE(slider->indexOfTickMarkClosestToValue(0.38), qint64(1));
        QCOMPARE(slider->indexOfTickMarkClosestToValue(0.45), QZPSlider::NotFound);
        QCOMPARE(slider->closestTickMarkValueToValue(0.45), 1.0 / 3);
        try {
            slider->tickMarkValueAtIndex(4);
            QFAIL("no exception");
        } catch (const std::out_of_range& e) {
            QCOMPARE(QString::fromLatin1(e.what()), QStringLiteral("TickMark index is out of bounds {0,4}"));
        }
    }

    void dragSpeeds_data() {
        QTest::addColumn<double>("normalSpeed");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<double>("travel"); // of the track, pointer moved over its whole length
        QTest::newRow("one to one") << 1.0 << int(Qt::NoModifier) << 1.0;
        QTest::newRow("finer tracking") << 0.65 << int(Qt::NoModifier) << 0.65;
        QTest::newRow("ctrl restores one to one") << 0.65 << int(Qt::ControlModifier) << 1.0;
        QTest::newRow("shift is fine") << 1.0 << int(Qt::ShiftModifier) << 0.2;
    }

    // Dragging is relative to where the knob was grabbed, scaled by the speed factors.
    void dragSpeeds() {
        QFETCH(double, normalSpeed);
        QFETCH(int, modifiers);
        QFETCH(double, travel);
        auto slider = makeSlider();
        slider->setNormalSpeedRatio(normalSpeed);
        QSignalSpy reported(slider.get(), &QZPSlider::valueReported);
        const auto mods = Qt::KeyboardModifiers(modifiers);
        QTest::mousePress(slider.get(), Qt::LeftButton, mods, at(*slider, 0) + QPoint(0, -3));
        QVERIFY(reported.isEmpty()); // grabbing the knob does not move it
        moveTo(*slider, at(*slider, 0.5) + QPoint(0, -3), mods);
        QTest::mouseRelease(slider.get(), Qt::LeftButton, mods, at(*slider, 1.0) + QPoint(0, -3));
        QCOMPARE(slider->percentValue(), travel);
        QVERIFY(reported.count() >= 1);
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
    void wheelWithoutPhases_data() {
        QTest::addColumn<QList<int>>("deltas");
        QTest::addColumn<QList<double>>("values");
        QTest::newRow("wheel notches") << QList<int>{120, 120, -120} << QList<double>{1, 2, 1};
        QTest::newRow("sideways") << QList<int>{120, 0, 0} << QList<double>{1, 1, 1};
        QTest::newRow("touchpad under X11")
            << QList<int>{40, 40, 39, 1, 100, 30, -140} << QList<double>{0, 0, 0, 1, 1, 2, 1};
        QTest::newRow("touchpad turning back") << QList<int>{100, -100, 100} << QList<double>{0, 0, 0};
    }

    void wheelWithoutPhases() {
        QFETCH(QList<int>, deltas);
        QFETCH(QList<double>, values);
        auto slider = makeSlider(3, 4);
        QList<double> seen;
        for (const int delta : deltas) {
            wheel(*slider, Qt::NoScrollPhase, {}, QPoint(0, delta));
            seen << slider->doubleValue();
        }
        QCOMPARE(seen, values);
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

    void displayStrings_data() {
        QTest::addColumn<int>("tag");
        QTest::addColumn<double>("position");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("text");
        QTest::newRow("level middle") << 10 << 0.5 << 0 << "Level: 0 %";
        QTest::newRow("level up") << 10 << 0.75 << 0 << "Level: +25 %";
        QTest::newRow("level down") << 10 << 0.2 << 0 << "Level: -30 %";
        QTest::newRow("raw") << 5 << 96.0 / 127 << 1 << "Level: 96";
        QTest::newRow("percent") << 5 << 0.79 << 0 << "Level: 79 %";
        QTest::newRow("pwm source") << 171 << 1.0 << 0 << "Level: LFO Modulated";
        QTest::newRow("vca gated") << 174 << 0.0 << 1 << "Level: Gated";
    }

    void displayStrings() {
        QFETCH(int, tag);
        QFETCH(double, position);
        QFETCH(int, mode);
        QFETCH(QString, text);
        QZPSettings::standard()->setValue(QZPSettings::ValueChangeDisplayModeKey, mode);
        auto slider = makeSlider();
        slider->setTag(tag);
        slider->setIdentifier(QStringLiteral("Level"));
        slider->setPercentValue(position);
        QCOMPARE(slider->displayString(), text);
        QZPSettings::standard()->remove(QZPSettings::ValueChangeDisplayModeKey);
    }
};

QZP_TEST_WIDGETS_MAIN(TestSlider)
#include "tst_slider.moc"
