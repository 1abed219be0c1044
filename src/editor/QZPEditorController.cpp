#include "editor/QZPEditorController.h"

#include "editor/QZPJunoChorusSegmentButton.h"
#include "editor/QZPJunoSegmentBackgroundView.h"
#include "editor/QZPLightView.h"
#include "editor/QZPMessageView.h"
#include "editor/QZPPanelSection.h"
#include "editor/QZPSkin.h"
#include "editor/QZPSlider.h"
#include "midi/QZPMidiEngine.h"
#include "model/QZPInvalidParameter.h"
#include "model/QZPPreset.h"
#include "model/QZPSettings.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>

namespace {

constexpr int ParameterPWMSource = 171;
constexpr int ParameterHPF = 172;
constexpr int ParameterVCFEnvelope = 173;
constexpr int ParameterVCAMode = 174;
constexpr quint8 SwitchByte1 = 16;
constexpr quint8 SwitchByte2 = 17;
constexpr int NoiseTag = 4;

bool isModeSwitch(int tag) {
    return tag >= ParameterPWMSource && tag <= ParameterVCAMode;
}

} // namespace

QZPEditorController::QZPEditorController(QZPMidiEngine* engine, QObject* parent)
    : QObject(parent), m_engine(engine ? engine : QZPMidiEngine::sharedInstance()) {
    connect(QZPSettings::standard(), &QZPSettings::valueChanged, this, [this](const QString& key) {
        if (key == QLatin1String(QZPSettings::DynamicsAmplifierKey) ||
            key == QLatin1String(QZPSettings::DynamicsFilterKey))
            dynamicsChanged();
        else if (key == QLatin1String(QZPSettings::AppearanceIndexKey))
            restyle();
    });
}

QZPEditorController::~QZPEditorController() {
    delete m_view;
}

QWidget* QZPEditorController::view() {
    if (!m_view)
        buildView();
    return m_view;
}

// MARK: Panel

void QZPEditorController::buildView() {
    m_view = new QWidget;
    m_view->setObjectName(QStringLiteral("QZPEditorController"));
    auto* column = new QVBoxLayout(m_view);
    column->setContentsMargins(14, 12, 14, 14);
    column->setSpacing(10);

    auto* header = new QHBoxLayout;
    auto* brand = new QLabel(QStringLiteral("JUNO-106  ·  TONEBENCH"), m_view);
    brand->setObjectName(QStringLiteral("brand"));
    QFont brandFont = brand->font();
    brandFont.setPointSizeF(10);
    brandFont.setBold(true);
    brandFont.setLetterSpacing(QFont::PercentageSpacing, 140);
    brand->setFont(brandFont);
    header->addWidget(brand);
    header->addStretch();
    m_messageView = new QZPMessageView(m_view);
    m_messageView->setFixedSize(300, 24);
    header->addWidget(m_messageView);
    column->addLayout(header);

    auto* panel = new QHBoxLayout;
    panel->setSpacing(6);
    column->addLayout(panel);
    const auto section = [&](const QString& title) {
        auto* s = new QZPPanelSection(title, m_view);
        m_sections.append(s);
        panel->addWidget(s);
        return s;
    };

    QZPPanelSection* lfo = section(tr("LFO"));
    addSlider(lfo, 0, tr("LFO Rate"), tr("RATE"));
    addSlider(lfo, 1, tr("LFO Delay"), tr("DELAY"));

    QZPPanelSection* dco = section(tr("DCO"));
    addSlider(dco, 2, tr("DCO LFO"), tr("LFO"));
    addSlider(dco, 3, tr("DCO PWM"), tr("PWM"));
    addSwitch(dco, ParameterPWMSource, tr("PWM Source"), tr("LFO\nMAN"), 2);

    // Range and waveform: segment buttons with their lights above.
    const auto buttonRow = [&](const QStringList& titles, const QList<int>& lightTags, bool chorus,
                               QList<QZPJunoSegmentButton*>* buttons, QList<QZPLightView*>* lights,
                               void (QZPEditorController::*action)(int)) {
        auto* box = new QWidget(m_view);
        auto* grid = new QGridLayout(box);
        grid->setContentsMargins(0, 0, 0, 0);
        grid->setHorizontalSpacing(0);
        grid->setVerticalSpacing(8);
        auto* bar = new QZPJunoSegmentBackgroundView(box);
        auto* barLayout = new QHBoxLayout(bar);
        barLayout->setContentsMargins(3, 2, 3, 2);
        barLayout->setSpacing(2);
        for (qsizetype i = 0; i < titles.size(); ++i) {
            auto* light = new QZPLightView(lightTags.at(i), box);
            grid->addWidget(light, 0, int(i), Qt::AlignHCenter);
            lights->append(light);
            QZPJunoSegmentButton* button = chorus ? new QZPJunoChorusSegmentButton(titles.at(i), int(i), bar)
                                                  : new QZPJunoSegmentButton(titles.at(i), int(i), bar);
            button->setFixedSize(34, 22);
            barLayout->addWidget(button);
            buttons->append(button);
            connect(button, &QAbstractButton::clicked, this,
                    [this, action, tag = int(i)] { (this->*action)(tag); });
        }
        grid->addWidget(bar, 1, 0, 1, int(titles.size()));
        return box;
    };
    dco->addControl(buttonRow({QStringLiteral("16'"), QStringLiteral("8'"), QStringLiteral("4'")}, {16, 8, 4},
                              false, &m_rangeButtons, &m_rangeLights, &QZPEditorController::rangeClicked),
                    tr("RANGE"));
    dco->addControl(buttonRow({tr("Pulse"), tr("Saw")}, {0, 1}, false, &m_oscillatorButtons,
                              &m_oscillatorLights, &QZPEditorController::oscillatorModeClicked),
                    tr("WAVE"));
    m_oscillatorButtons.at(0)->setGlyph(QZPJunoSegmentButton::Glyph::Pulse);
    m_oscillatorButtons.at(1)->setGlyph(QZPJunoSegmentButton::Glyph::Saw);
    addSlider(dco, 15, tr("DCO Sub"), tr("SUB"));
    addSlider(dco, NoiseTag, tr("DCO Noise"), tr("NOISE"));

    QZPPanelSection* hpf = section(tr("HPF"));
    addSwitch(hpf, ParameterHPF, tr("HPF"), tr("FREQ"), 4);

    QZPPanelSection* vcf = section(tr("VCF"));
    addSlider(vcf, 5, tr("VCF Freq"), tr("FREQ"));
    addSlider(vcf, 6, tr("VCF Res"), tr("RES"));
    addSwitch(vcf, ParameterVCFEnvelope, tr("VCF Env"), tr("+\n−"), 2);
    addSlider(vcf, 7, tr("VCF Env"), tr("ENV"));
    addSlider(vcf, 8, tr("VCF LFO"), tr("LFO"));
    addSlider(vcf, 9, tr("VCF Kybd"), tr("KYBD"));

    QZPPanelSection* vca = section(tr("VCA"));
    addSwitch(vca, ParameterVCAMode, tr("VCA Mode"), tr("ENV\nGATE"), 2);
    addSlider(vca, 10, tr("VCA Level"), tr("LEVEL"));

    QZPPanelSection* env = section(tr("ENV"));
    addSlider(env, 11, tr("Attack"), tr("A"));
    addSlider(env, 12, tr("Decay"), tr("D"));
    addSlider(env, 13, tr("Sustain"), tr("S"));
    addSlider(env, 14, tr("Release"), tr("R"));

    QZPPanelSection* chorus = section(tr("CHORUS"));
    chorus->addControl(buttonRow({tr("OFF"), QStringLiteral("I"), QStringLiteral("II")}, {0, 1, 2}, true,
                                 &m_chorusButtons, &m_chorusLights, &QZPEditorController::chorusModeClicked),
                       tr("MODE"));
    panel->addStretch();
    restyle();
    if (m_document)
        updateDisplay(false);
}

QZPSlider* QZPEditorController::addSlider(QZPPanelSection* section, int tag, const QString& identifier,
                                          const QString& label) {
    auto* slider = new QZPSlider(section);
    slider->setTag(tag);
    slider->setIdentifier(identifier);
    slider->setMinValue(0);
    slider->setMaxValue(127);
    slider->setDrawsBar(true);
    slider->setKnobImageName(QStringLiteral("SliderKnob"));
    slider->setFixedSize(34, 150);
    section->addControl(slider, label);
    wire(slider);
    return slider;
}

QZPSlider* QZPEditorController::addSwitch(QZPPanelSection* section, int tag, const QString& identifier,
                                          const QString& label, int positions) {
    auto* slider = new QZPSlider(section);
    slider->setTag(tag);
    slider->setIdentifier(identifier);
    slider->setMinValue(0);
    slider->setMaxValue(positions - 1);
    slider->setNumberOfTickMarks(positions);
    slider->setKnobImageName(QStringLiteral("SwitchKnob"));
    slider->setFixedSize(34, positions == 2 ? 58 : 90);
    section->addControl(slider, label);
    wire(slider);
    return slider;
}

void QZPEditorController::wire(QZPSlider* slider) {
    m_sliders.append(slider);
    connect(slider, &QZPSlider::valueReported, this, [this, slider] { sliderValueDidChange(slider); });
    // One drag is one undo step.
    connect(slider, &QZPSlider::trackingStarted, this, [this] {
        if (m_document)
            m_document->beginUndoGrouping();
    });
    connect(slider, &QZPSlider::trackingEnded, this, [this] {
        if (m_document)
            m_document->endUndoGrouping();
    });
    // The tool tip tells the value and the drag keys (Shift and Ctrl stand in for Option and Command:
    // window managers take Alt-drag for moving windows).
    connect(slider, &QZPSlider::doubleValueChanged, slider, [slider] {
        slider->setToolTip(slider->displayString() + QLatin1Char('\n') +
                           tr("Shift-drag: fine · Ctrl-drag: one to one"));
    });
    QZPSettings* settings = QZPSettings::standard();
    settings->bind(slider, "sliderTrackOpacity", QZPSettings::SliderTrackOpacityKey);
    const auto applyTracking = [slider, settings] {
        slider->setNormalSpeedRatio(
            QZPSlider::finerTrackingSpeedRatio(settings->boolValue(QZPSettings::FinerTrackingKey)));
    };
    applyTracking();
    connect(settings, &QZPSettings::valueChanged, slider, [applyTracking](const QString& key) {
        if (key == QLatin1String(QZPSettings::FinerTrackingKey))
            applyTracking();
    });
}

void QZPEditorController::restyle() {
    if (!m_view)
        return;
    const QZPSkin skin = QZPSkin::current();
    for (QZPSlider* slider : m_sliders)
        slider->setTrackSlotColor(skin.slot(), skin.panelDimText());
    for (QZPPanelSection* section : m_sections)
        section->restyle();
    if (auto* brand = m_view->findChild<QLabel*>(QStringLiteral("brand"))) {
        QPalette palette = brand->palette();
        palette.setColor(QPalette::WindowText, skin.panelText());
        brand->setPalette(palette);
    }
}

// MARK: Document

void QZPEditorController::setDocument(QZPPreset* preset) {
    disconnect(m_nameConnection);
    m_document = preset;
    if (!preset)
        return;
    view();
    m_messageView->setMessage(preset->displayName());
    m_nameConnection = connect(preset, &QZPDocument::displayNameChanged, m_messageView,
                               [this, preset] { m_messageView->setMessage(preset->displayName()); });
    updateDisplay(true);
}

void QZPEditorController::updateDisplay(bool animated) {
    QZP_PRECONDITION(m_document, "preset");
    view();
    QZPPreset& preset = *m_document;
    for (int tag = 0; tag < 16; ++tag)
        sliderWithTag(tag)->setDoubleValueAnimated(preset.byteAtLocation(uint(tag)), animated);
    sliderWithTag(ParameterPWMSource)->setDoubleValueAnimated(preset.DCO_PWM_Mode(), animated);
    sliderWithTag(ParameterVCFEnvelope)->setDoubleValueAnimated(preset.VCF_ENV_Mode(), animated);
    sliderWithTag(ParameterVCAMode)->setDoubleValueAnimated(preset.VCA_Mode(), animated);
    sliderWithTag(ParameterHPF)->setDoubleValueAnimated(preset.HPF_Mode(), false);
    for (QZPLightView* light : m_rangeLights)
        light->setOpacity(light->tag() == preset.DCO_Range() ? 1.0 : 0.0);
    for (QZPLightView* light : m_chorusLights)
        light->setOpacity(light->tag() == preset.chorusMode() ? 1.0 : 0.0);
    for (QZPLightView* light : m_oscillatorLights)
        light->setOpacity(light->tag() == 0 ? preset.DCO_Pulse_ON() : preset.DCO_Saw_ON());
}

QZPSlider* QZPEditorController::sliderWithTag(int tag) const {
    for (QZPSlider* slider : m_sliders)
        if (slider->tag() == tag)
            return slider;
    return nullptr;
}

// MARK: Actions

void QZPEditorController::sliderValueDidChange(QZPSlider* sender) {
    if (!m_document)
        return;
    QZPPreset& preset = *m_document;
    const int tag = sender->tag();
    const int value = int(sender->doubleValue());
    if (isModeSwitch(tag)) {
        // Values from outside are clamped by the control; the setters' own checks are never reached.
        switch (tag) {
        case ParameterPWMSource:
            preset.setDCO_PWM_Mode(std::clamp(value, 0, 1));
            break;
        case ParameterHPF:
            preset.setHPF_Mode(std::clamp(value, 0, 3));
            break;
        case ParameterVCFEnvelope:
            preset.setVCF_ENV_Mode(std::clamp(value, 0, 1));
            break;
        case ParameterVCAMode:
            preset.setVCA_Mode(std::clamp(value, 0, 1));
            break;
        }
        m_engine->sendSysexControl(SwitchByte2, preset.byteAtLocation(SwitchByte2));
    } else {
        preset.setByte(quint8(value), uint(tag));
        m_engine->sendSysexControl(quint8(tag), quint8(value));
    }
    if (tag == NoiseTag) {
        // The noise slider at its top switches the MKS noise on; anywhere else, off.
        const bool full = sender->percentValue() == 1.0;
        if (preset.MKS_Noise_ON() != full) {
            preset.setMKS_Noise_ON(full);
            m_engine->sendSysexControl(SwitchByte2, preset.byteAtLocation(SwitchByte2));
        }
    }
    showTemporaryMessage(sender->displayString(), SliderMessageSeconds);
}

void QZPEditorController::rangeClicked(int tag) {
    static constexpr int ranges[] = {16, 8, 4};
    if (m_document && tag >= 0 && tag < 3)
        m_document->setDCO_Range(ranges[tag]);
    sendModeUpdate();
}

void QZPEditorController::oscillatorModeClicked(int tag) {
    if (m_document && tag == 0)
        m_document->setDCO_Pulse_ON(!m_document->DCO_Pulse_ON());
    else if (m_document && tag == 1)
        m_document->setDCO_Saw_ON(!m_document->DCO_Saw_ON());
    sendModeUpdate();
}

void QZPEditorController::chorusModeClicked(int tag) {
    if (m_document && tag >= 0 && tag < 3)
        m_document->setChorusMode(tag);
    sendModeUpdate();
}

void QZPEditorController::sendModeUpdate() {
    if (m_document)
        m_engine->sendSysexControl(SwitchByte1, m_document->byteAtLocation(SwitchByte1));
}

void QZPEditorController::showTemporaryMessage(const QString& text, double seconds) {
    view();
    m_messageView->showTemporaryMessage(text, seconds);
}

void QZPEditorController::dynamicsChanged() {
    QZPSettings* settings = QZPSettings::standard();
    const quint8 value = (settings->boolValue(QZPSettings::DynamicsAmplifierKey) ? 0x20 : 0) |
                         (settings->boolValue(QZPSettings::DynamicsFilterKey) ? 0x40 : 0);
    m_engine->sendSysexControl(NoiseTag, value);
}
