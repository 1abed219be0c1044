// SPDX-License-Identifier: GPL-3.0-or-later
#include "QZPTestMain.h"
#include "QZPVirtualInstrument.h"
#include "editor/QZPEditorController.h"
#include "editor/QZPJunoSegmentButton.h"
#include "editor/QZPLightView.h"
#include "editor/QZPMessageView.h"
#include "editor/QZPPanelFrame.h"
#include "editor/QZPPanelSection.h"
#include "editor/QZPSlider.h"
#include "midi/QZPInstrumentSync.h"
#include "midi/QZPMidiEngine.h"
#include "midi/QZPSysexMessage.h"
#include "midi/backends/QZPVirtualMidiBackend.h"
#include "model/QZPParameter.h"
#include "model/QZPPreset.h"
#include "model/QZPSettings.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QLabel>
#include <QPropertyAnimation>
#include <QUndoStack>
#include <limits>

using Id = QZPParameterId;

class TestEditor : public QObject {
    Q_OBJECT

    std::unique_ptr<QZPVirtualInstrument> m_instrument;
    std::unique_ptr<QZPEditorController> m_editor;
    std::unique_ptr<QZPPreset> m_preset;

    QList<QByteArray> sent() { return m_instrument->sent(); }
    static QByteArray control(quint8 parameter, quint8 value) {
        return QZPSysexMessage::controlMessage(0, parameter, value);
    }
    // The slider moved to a value by the user.
    void move(Id id, double value) {
        QZPSlider* slider = m_editor->sliderFor(id);
        slider->setDoubleValue(value);
        m_editor->sliderValueDidChange(slider);
    }

private slots:
    void init() {
        m_instrument = std::make_unique<QZPVirtualInstrument>();
        m_editor = std::make_unique<QZPEditorController>();
        m_preset = std::make_unique<QZPPreset>();
        m_editor->setDocument(m_preset.get());
        // The instrument follows the preset the panel edits, as in the main window.
        QZPInstrumentSync::of(m_instrument->engine.get())->setPreset(m_preset.get());
        sent();
    }
    void cleanup() {
        m_editor.reset();
        m_preset.reset();
        m_instrument.reset();
    }

    void slidersWriteAndSend() {
        move(Id::VCF_Cutoff, 100);
        QCOMPARE(m_preset->value(Id::VCF_Cutoff), 100);
        QCOMPARE(sent(), QList<QByteArray>{control(5, 100)});
        QVERIFY(m_editor->messageView()->isShowingTemporaryMessage());
        QCOMPARE(m_editor->messageView()->temporaryText(), QStringLiteral("VCF Freq: 79 %"));

        // The noise slider at its top switches MKS noise on; away from it, off.
        move(Id::DCO_NoiseLevel, 127);
        QVERIFY(m_preset->value(Id::MKS_Noise_ON));
        QCOMPARE(sent(), (QList<QByteArray>{control(4, 127), control(17, m_preset->byteAtLocation(17))}));
        move(Id::DCO_NoiseLevel, 126);
        QVERIFY(!m_preset->value(Id::MKS_Noise_ON));
        QCOMPARE(sent(), (QList<QByteArray>{control(4, 126), control(17, 0x1D)}));
        move(Id::DCO_NoiseLevel, 10);
        move(Id::DCO_NoiseLevel, 20);
        QCOMPARE(sent(), (QList<QByteArray>{control(4, 10), control(4, 20)}));

        move(Id::VCA_Mode, 0);
        QCOMPARE(m_preset->value(Id::VCA_Mode), 0);
        QCOMPARE(sent(), QList<QByteArray>{}); // gated already: nothing changed, nothing to send
        move(Id::VCA_Mode, 1);
        QCOMPARE(sent(), QList<QByteArray>{control(17, 0x19)});
        move(Id::HPF_Mode, 3);
        QCOMPARE(m_preset->value(Id::HPF_Mode), 3);
        QCOMPARE(sent(), QList<QByteArray>{control(17, m_preset->byteAtLocation(17))});
    }

    void segmentButtons() {
        m_editor->rangeClicked(1);
        QCOMPARE(m_preset->value(Id::DCO_Range), 8);
        m_editor->rangeClicked(0);
        QCOMPARE(m_preset->value(Id::DCO_Range), 16);
        m_editor->rangeClicked(3);
        m_editor->chorusModeClicked(3);
        // Only a click that changes the switch byte sends it: 8' was set already, 3 is no position.
        QCOMPARE(sent(), (QList<QByteArray>{control(16, 0x29)}));
        m_editor->oscillatorModeClicked(0);
        m_editor->oscillatorModeClicked(0);
        m_editor->oscillatorModeClicked(1);
        QVERIFY(m_preset->value(Id::DCO_Pulse_ON) && m_preset->value(Id::DCO_Saw_ON));
        QCOMPARE(sent(), (QList<QByteArray>{control(16, 0x21), control(16, 0x29), control(16, 0x39)}));
        m_editor->oscillatorModeClicked(1);
        m_editor->chorusModeClicked(2);
        QCOMPARE(m_preset->value(Id::chorusMode), 2);
        QCOMPARE(sent(), (QList<QByteArray>{control(16, 0x29), control(16, 0x09)}));
        // A real click on the button does the same.
        m_editor->chorusButtons().at(1)->click();
        QCOMPARE(m_preset->value(Id::chorusMode), 1);
        QCOMPARE(sent(), QList<QByteArray>{control(16, 0x49)});
        // So does Space on a button that has the focus (Tab reaches the buttons).
        QAbstractButton* off = m_editor->chorusButtons().at(0);
        QCOMPARE(off->focusPolicy(), Qt::StrongFocus);
        QTest::keyClick(off, Qt::Key_Space);
        QCOMPARE(m_preset->value(Id::chorusMode), 0);
        // The arrows choose the neighbouring position of a switch, and only move along the two waves.
        QTest::keyClick(off, Qt::Key_Right);
        QCOMPARE(m_preset->value(Id::chorusMode), 1);
        QVERIFY(m_editor->chorusButtons().at(1)->hasFocus() || !off->isVisible());
        QTest::keyClick(m_editor->chorusButtons().at(1), Qt::Key_Left);
        QCOMPARE(m_preset->value(Id::chorusMode), 0);
        const bool saw = m_preset->value(Id::DCO_Saw_ON);
        QTest::keyClick(m_editor->oscillatorButtons().at(0), Qt::Key_Right);
        QCOMPARE(m_preset->value(Id::DCO_Saw_ON), saw);
    }

    void dynamicsChangesSendParameter4() {
        QZPSettings* settings = QZPSettings::standard();
        settings->setValue(QZPSettings::DynamicsFilterKey, false);
        QCOMPARE(sent(), QList<QByteArray>{control(4, 32)});
        settings->setValue(QZPSettings::DynamicsFilterKey, true);
        QCOMPARE(sent(), QList<QByteArray>{control(4, 96)});
        settings->remove(QZPSettings::DynamicsFilterKey);
        QCOMPARE(sent(), QList<QByteArray>{control(4, 96)}); // back to the fallback, on
    }

    // A change of the preset from elsewhere moves the controls; the panel sends nothing itself (the
    // instrument follows the preset's change, whole).
    void updateDisplaySendsNothing() {
        QByteArray message = QByteArray("\xF0\x41\x30\x00\x00", 5) +
                             QByteArray::fromHex("0A0B0C0D0E0F101112131415161718192A1D") + char(0xF7);
        message[5 + 16] = char(0x2A);
        m_preset->setJunoSysexData(message);
        QCOMPARE(sent(), QList<QByteArray>{m_preset->junoSysexDataWithMidiChannel(0)});
        m_editor->updateDisplay(false);
        QCOMPARE(m_editor->sliderFor(Id::LFO_Rate)->doubleValue(), 10.0);
        QCOMPARE(m_editor->sliderFor(Id::DCO_SubLevel)->doubleValue(), 25.0);
        for (QZPLightView* light : m_editor->rangeLights())
            QCOMPARE(light->opacity(), light->tag() == 8 ? 1.0 : 0.0);
        for (QZPLightView* light : m_editor->chorusLights())
            QCOMPARE(light->opacity(), light->tag() == 0 ? 1.0 : 0.0);
        QCOMPARE((QList{m_editor->oscillatorLights().at(0)->opacity(),
                        m_editor->oscillatorLights().at(1)->opacity()}),
                 (QList{1.0, 0.0}));
        m_editor->updateDisplay(true);
        // The glides run to their end at once.
        for (QPropertyAnimation* glide : m_editor->view()->findChildren<QPropertyAnimation*>())
            glide->setCurrentTime(glide->duration());
        QVERIFY(sent().isEmpty());
        QVERIFY(m_editor->messageView()->restingText().startsWith(QStringLiteral("UNTITLED PRESET")));
    }

    // A drag is one undo step, and the message stays up while the mouse is held.
    void dragIsOneUndoStep() {
        QWidget* view = m_editor->view();
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view));
        QZPSlider* cutoff = m_editor->sliderFor(Id::VCF_Cutoff);
        const QPoint knob = cutoff->knobCenter().toPoint();
        QTest::mousePress(cutoff, Qt::LeftButton, {}, knob);
        for (int step = 1; step <= 5; ++step)
            QTest::mouseMove(cutoff, knob + QPoint(0, 8 * step));
        QTest::mouseRelease(cutoff, Qt::LeftButton, {}, knob + QPoint(0, 40));
        QVERIFY(m_preset->value(Id::VCF_Cutoff) < 127);
        QCOMPARE(m_preset->undoStack()->count(), 1);
        QVERIFY(sent().size() >= 2);
        m_preset->undoStack()->undo();
        QCOMPARE(m_preset->value(Id::VCF_Cutoff), 127);
        m_editor->updateDisplay(true); // as the window does after an undo: the knob glides back

        // From the keyboard: Tab reaches the sliders and switches in panel order; each key press is sent
        // at once, and a run of presses on one slider is one undo step, ended by the focus moving on.
        view->activateWindow();
        QApplication::setActiveWindow(view);
        QStringList order;
        QWidget* first = m_editor->sliderFor(Id::LFO_Rate);
        first->setFocus();
        for (QWidget* w = first; order.size() < 40 && (order.isEmpty() || w != first);
             w = w->nextInFocusChain())
            if (w->focusPolicy() & Qt::TabFocus)
                order << w->accessibleName();
        QVERIFY2(order.indexOf("LFO RATE") < order.indexOf("VCF FREQ") &&
                     order.indexOf("VCF FREQ") < order.indexOf("ENV R"),
                 qPrintable(order.join(", ")));
        cutoff->setFocus();
        sent();
        for (int press = 0; press < 3; ++press)
            QTest::keyClick(cutoff, Qt::Key_Down);
        QCOMPARE(sent().size(), 3);
        m_editor->sliderFor(Id::VCF_Resonance)->setFocus();
        QTest::keyClick(m_editor->sliderFor(Id::VCF_Resonance), Qt::Key_Up);
        cutoff->setFocus();
        QTest::keyClick(cutoff, Qt::Key_Down);
        QCOMPARE(m_preset->undoStack()->count(), 3);
        m_editor->sliderFor(Id::VCF_Resonance)
            ->setFocus(); // away and back without an edit: a new run all the same
        cutoff->setFocus();
        QTest::keyClick(cutoff, Qt::Key_Down);
        QCOMPARE(m_preset->undoStack()->count(), 4);
        for (const int expected : {119, 121, 121, 127}) {
            m_preset->undoStack()->undo();
            if (m_preset->undoStack()->index() == 1)
                QCOMPARE(m_preset->value(Id::VCF_Resonance), 0);
            QCOMPARE(int(m_preset->value(Id::VCF_Cutoff)), expected);
        }
        view->hide();
    }

    // The reference's values on the panel: a ghost where a slider differs (at its position on the
    // track), a dot on the button of a differing switch, both in the description; a lock shows on its
    // slider and in its description, kept in the settings.
    void referenceMarksAndLocks() {
        QZPPatch reference = m_preset->patch();
        reference.setValue(QZPParameter::of(Id::VCF_Cutoff), 0);
        reference.setValue(QZPParameter::of(Id::chorusMode), 2);
        m_editor->setReference(reference);
        QZPSlider* cutoff = m_editor->sliderFor(Id::VCF_Cutoff);
        QCOMPARE(cutoff->ghostPosition(), std::optional<double>(0.0));
        QVERIFY(!m_editor->sliderFor(Id::VCF_Resonance)->ghostPosition());
        QCOMPARE(cutoff->accessibleDescription(), QStringLiteral("Reference: 0.0"));
        QCOMPARE(
            (QList{m_editor->chorusButtons().at(0)->isMarked(), m_editor->chorusButtons().at(2)->isMarked()}),
            (QList{false, true}));
        QCOMPARE(m_editor->chorusButtons().at(2)->accessibleDescription(), QStringLiteral("Reference: II"));
        QZPEditorController::setParameterLocked(QZPParameter::of(Id::VCF_Cutoff), true);
        QVERIFY(cutoff->isLocked() && !m_editor->sliderFor(Id::VCF_Resonance)->isLocked());
        QCOMPARE(cutoff->accessibleDescription(), QStringLiteral("Reference: 0.0; Locked"));
        QZPEditorController::setParameterLocked(QZPParameter::of(Id::VCF_Cutoff), false);
        m_editor->setReference(std::nullopt);
        QVERIFY(!cutoff->isLocked() && !cutoff->ghostPosition() && cutoff->accessibleDescription().isEmpty());
        QVERIFY(!m_editor->chorusButtons().at(2)->isMarked());
    }

    // The panel as assistive technology sees it: every slider by the name printed on the panel, with its
    // value in the parameter's units; setting a value or pressing a button is an edit like a click.
    void accessibleFromOutside() {
        QWidget* view = m_editor->view();
        view->show();
        QHash<QString, QAccessibleInterface*> sliders;
        QHash<QString, QAccessibleInterface*> buttons;
        std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
            if (node->role() == QAccessible::Slider)
                sliders.insert(node->text(QAccessible::Name), node);
            if (node->role() == QAccessible::Button)
                buttons.insert(node->text(QAccessible::Name), node);
            for (int i = 0; i < node->childCount(); ++i)
                walk(node->child(i));
        };
        walk(QAccessible::queryAccessibleInterface(view));
        QCOMPARE(sliders.size(), 20);
        for (const char* name : {"VCF FREQ", "ENV A", "LFO RATE", "DCO LFO MAN", "HPF FREQ", "VCA ENV GATE"})
            QVERIFY2(sliders.contains(QLatin1String(name)), name);
        for (const char* name : {"DCO RANGE 16'", "DCO WAVE Saw", "CHORUS II"})
            QVERIFY2(buttons.contains(QLatin1String(name)), name);

        QAccessibleValueInterface* cutoff = sliders.value("VCF FREQ")->valueInterface();
        QVERIFY(cutoff);
        QCOMPARE(cutoff->maximumValue().toInt(), 127);
        QCOMPARE(cutoff->currentValue().toInt(), 127);
        cutoff->setCurrentValue(40);
        QCOMPARE(m_preset->value(Id::VCF_Cutoff), 40);
        QCOMPARE(sent(), QList<QByteArray>{control(5, 40)});
        QCOMPARE(m_preset->undoStack()->count(), 1);
        // A value that is not a number (any client may send one) moves nothing and sends nothing.
        cutoff->setCurrentValue(std::numeric_limits<double>::quiet_NaN());
        cutoff->setCurrentValue(QStringLiteral("loud"));
        QCOMPARE(m_preset->value(Id::VCF_Cutoff), 40);
        QCOMPARE(cutoff->currentValue().toInt(), 40);
        QCOMPARE(sent(), QList<QByteArray>{});
        QCOMPARE(m_preset->undoStack()->count(), 1);
        QCOMPARE(sliders.value("HPF FREQ")->valueInterface()->maximumValue().toInt(), 3);
        sliders.value("HPF FREQ")->valueInterface()->setCurrentValue(2);
        QCOMPARE(m_preset->value(Id::HPF_Mode), 2);
        QCOMPARE(sent(), QList<QByteArray>{control(17, m_preset->byteAtLocation(17))});

        // Qt's button press shows the button down for a moment, then clicks.
        buttons.value("CHORUS II")->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(m_preset->value(Id::chorusMode), 2);
        QCOMPARE(sent(), QList<QByteArray>{control(16, m_preset->byteAtLocation(16))});
        view->hide();
    }

    // The panel fills the space it has at one scale, keeping its proportions: in one row or two, whichever
    // comes out larger; never past its frame nor below the smallest scale; its controls drawn, lettered
    // and hit at that scale. Each row: the frame's size, the rows expected, and whether the scale is held
    // at its smallest or largest.
    void panelScalesToItsSpace() {
        QZPPanelFrame frame(m_editor.get());
        const QSize smallest = frame.minimumSizeHint();
        const QList<std::tuple<QSize, int, double>> rows{
            {smallest, 2, QZPEditorController::MinimumScale},
            {QSize(800, 600), 2, 0},
            {QSize(1200, 700), 2, 0},
            {QSize(1500, 420), 1, 0},
            {QSize(3000, 700), 1, 0},
            {QSize(6000, 3000), 1, QZPEditorController::MaximumScale},
            {QSize(700, 300), 2, QZPEditorController::MinimumScale}};
        for (const auto& [size, rowCount, heldAt] : rows) {
            frame.resize(size);
            frame.show();
            QCoreApplication::processEvents();
            const double scale = m_editor->panelScale();
            QZP_VERIFY(m_editor->panelRowCount() == rowCount && (heldAt == 0 || scale == heldAt),
                       size.width(), size.height(), scale);
            QVERIFY(scale >= QZPEditorController::MinimumScale && scale <= QZPEditorController::MaximumScale);
            const QRect panel = m_editor->view()->geometry();
            QVERIFY(heldAt == QZPEditorController::MinimumScale || frame.rect().contains(panel));
            for (const QWidget* section : m_editor->view()->findChildren<QZPPanelSection*>())
                QVERIFY(section->isVisible() && m_editor->view()->rect().contains(section->geometry()));
            const QZPSlider* cutoff = m_editor->sliderFor(Id::VCF_Cutoff);
            QCOMPARE(cutoff->size(), QSize(qRound(34 * scale), qRound(150 * scale)));
            QCOMPARE(cutoff->pointA().y() - cutoff->pointB().y(),
                     cutoff->height() - 2 * QZPSlider::TrackInset * scale);
            QCOMPARE(m_editor->view()->findChild<QLabel*>("caption")->font().pointSizeF(), 7.5 * scale);
        }
        // At a large scale a click on the top of the track still sets the top.
        QZPSlider* resonance = m_editor->sliderFor(Id::VCF_Resonance);
        QTest::mouseClick(resonance, Qt::LeftButton, {},
                          (resonance->pointB() + QPointF(5, -1) * m_editor->panelScale()).toPoint());
        QCOMPARE(m_preset->value(Id::VCF_Resonance), 127);
    }

    // Temporary messages: in their own letter case, each restarting the time, then back to the name.
    void messageView() {
        QZPMessageView view;
        view.setMessage(QStringLiteral("Soft Pad"));
        QCOMPARE(view.restingText(), QStringLiteral("SOFT PAD"));
        qint64 now = 0;
        view.setClock([&now] { return now; });
        const auto at = [&](qint64 ms) {
            now = ms;
            view.tick();
        };
        view.showTemporaryMessage(QStringLiteral("VCF Freq: 50 %"), 0.3);
        at(200);
        view.showTemporaryMessage(QStringLiteral("VCF Freq: 51 %"), 0.3);
        at(499);
        QVERIFY(view.isShowingTemporaryMessage()); // past the first's time, not the second's
        QCOMPARE(view.temporaryText(), QStringLiteral("VCF Freq: 51 %"));
        view.setMessage(QStringLiteral("Hard Pad"));
        at(500);
        QVERIFY(!view.isShowingTemporaryMessage());
        QCOMPARE(view.restingText(), QStringLiteral("HARD PAD"));
    }
};

QZP_TEST_WIDGETS_MAIN(TestEditor)
#include "tst_editor.moc"
