// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPParameterId.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <optional>

#include "model/QZPPreset.h"

class QAction;
class QHBoxLayout;
class QWidget;
class QZPParameter;
class QZPJunoSegmentButton;
class QZPLightView;
class QZPMessageView;
class QZPEnvelopeView;
class QZPPanelSection;
class QZPSlider;

// The editor panel: the Juno-106's front panel, every control bound to one parameter of the current
// preset. An edit is written into the preset (undoable; one drag or click is one undo step), which the
// instrument follows (QZPInstrumentSync); a change of the preset from elsewhere moves the controls
// (gliding when animated). The preset is the only store of values; the panel sends nothing itself.
class QZPEditorController : public QObject {
    Q_OBJECT

public:
    static constexpr double SliderMessageSeconds = 1.0;
    // The undo coalescing keys of key runs on the sliders (above the instrument's knob gestures').
    static constexpr int KeyRunUndoKeyBase = 0x200000;

    // The panel's scale: never so small that its lettering is hard to read (the captions' 7.5 points stay
    // above 5.8, 8 pixels on a common screen), nor so large that a control outgrows the hand.
    static constexpr double MinimumScale = 0.78;
    static constexpr double MaximumScale = 2.5;

    explicit QZPEditorController(QObject* parent = nullptr);
    ~QZPEditorController() override;

    // The panel, built on first use.
    QWidget* view();
    QZPPreset* document() const { return m_document; }
    // How the panel would fit a space: in one row or two, whichever comes out larger (one row on a tie,
    // as on the instrument), at that scale and size.
    struct PanelFit {
        int rows = 1;
        double scale = 1;
        QSize size;
    };
    PanelFit planPanel(const QSize& space);
    // Arranges and scales the panel for the space it has (as planPanel plans) and answers its size.
    QSize fitPanel(const QSize& space);
    // The smallest space the panel fits at its smallest scale.
    QSize smallestPanelSize();
    double panelScale() const { return m_scale; }
    int panelRowCount() const { return m_rowCount; }
    void setDocument(QZPPreset* preset);
    // Sets every control to the preset (or to the reference while it is shown); animated, the knobs glide
    // for 0.132 s with ease-out.
    void updateDisplay(bool animated);

    // Comparing. The reference is the other patch (B) of a comparison, or none. Where it differs from
    // the patch shown, a slider shows the other's position as a ghost mark and a switch button a dot, and
    // the control's description (what a screen reader adds) gives the other's value.
    void setReference(const std::optional<QZPPatch>& reference);
    const std::optional<QZPPatch>& reference() const { return m_reference; }
    // Shows the reference instead of the preset, read-only, with `mark` in the message view
    // ("Comparing: saved"); or the preset again.
    void setShowsReference(bool shows, const QString& mark = {});
    bool showsReference() const { return m_showsReference; }
    // A button in the panel's header for a command of the window (Compare with Saved): its title, state
    // and accessible name are the action's.
    void addHeaderAction(QAction* action);
    // The panel's sections ("LFO", "DCO", …), in panel order.
    QStringList sectionNames() const;
    // Takes the section's parameters from the reference: one undo step.
    // Answers whether anything changed.
    bool takeSectionFromReference(const QString& section);
    // Locks a parameter against Mutate and Randomise (in the settings; a padlock on its slider), or
    // unlocks it.
    static void setParameterLocked(const QZPParameter& parameter, bool locked);

    // Actions.
    void sliderValueDidChange(QZPSlider* sender);
    void rangeClicked(int tag);
    void oscillatorModeClicked(int tag);
    void chorusModeClicked(int tag);
    void showTemporaryMessage(const QString& text, double seconds);

    // The parts (for the main window and for tests): the slider of a parameter, null for one the panel
    // shows as buttons.
    QZPSlider* sliderFor(QZPParameterId id) const;
    QList<QZPSlider*> sliders() const { return m_sliders; }
    QZPMessageView* messageView() const { return m_messageView; }
    // The picture of the envelope and the LFO the shown patch makes (with the reference's dashed), for
    // the window to place where there is room; made on first use.
    QZPEnvelopeView* envelopeView();
    QList<QZPLightView*> rangeLights() const { return m_rangeLights; }
    QList<QZPLightView*> oscillatorLights() const { return m_oscillatorLights; }
    QList<QZPLightView*> chorusLights() const { return m_chorusLights; }
    QList<QZPJunoSegmentButton*> rangeButtons() const { return m_rangeButtons; }
    QList<QZPJunoSegmentButton*> oscillatorButtons() const { return m_oscillatorButtons; }
    QList<QZPJunoSegmentButton*> chorusButtons() const { return m_chorusButtons; }

private:
    void buildView();
    void arrangeSections(int rows);
    // The panel's size at scale 1 in one row or two.
    QSize panelSize(int rows);
    QZPSlider* addSlider(QZPPanelSection* section, const QZPParameter& parameter);
    void wire(QZPSlider* slider);
    void restyle();
    const QZPPatch& displayedPatch() const;
    void updateMarks();
    void showSectionMenu(QZPPanelSection* section, const QPoint& at);
    const QZPParameter* parameterAt(QWidget* section, const QPoint& at) const;

    QPointer<QZPPreset> m_document;
    QWidget* m_view = nullptr;
    QZPMessageView* m_messageView = nullptr;
    QPointer<QZPEnvelopeView> m_envelopeView;
    QList<QZPSlider*> m_sliders;
    QList<QZPPanelSection*> m_sections;
    QHBoxLayout* m_rows[2] = {};
    QHBoxLayout* m_header = nullptr;
    int m_rowCount = 1;
    double m_scale = 1;
    QList<QSize> m_naturalSizes;
    QList<QZPLightView*> m_rangeLights;
    QList<QZPLightView*> m_oscillatorLights;
    QList<QZPLightView*> m_chorusLights;
    QList<QZPJunoSegmentButton*> m_rangeButtons;
    QList<QZPJunoSegmentButton*> m_oscillatorButtons;
    QList<QZPJunoSegmentButton*> m_chorusButtons;
    QMetaObject::Connection m_nameConnection;
    std::optional<QZPPatch> m_reference;
    bool m_showsReference = false;
};
