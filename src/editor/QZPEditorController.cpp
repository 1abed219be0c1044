// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/QZPEditorController.h"
#include "editor/QZPEnvelopeView.h"

#include "editor/QZPJunoChorusSegmentButton.h"
#include "editor/QZPJunoSegmentBackgroundView.h"
#include "editor/QZPLightView.h"
#include "editor/QZPMessageView.h"
#include "editor/QZPPanelScaler.h"
#include "editor/QZPPanelSection.h"
#include "editor/QZPSkin.h"
#include "editor/QZPSlider.h"
#include "model/QZPInvalidParameter.h"
#include "model/QZPParameter.h"
#include "model/QZPPatchDifference.h"
#include "model/QZPPreset.h"
#include "model/QZPSettings.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QToolButton>
#include <cmath>
#include <functional>

namespace {

using Id = QZPParameter::Id;

// The front panel, left to right: sections, and in each the parameters in the order of their controls.
// A group of several parameters is one row of buttons (one toggle per parameter); a switch the panel
// shows as buttons gets one button per value; every other parameter is a slider. Everything else about a
// control (range, positions, labels, value names) comes from the parameter table.
const QList<QList<QList<Id>>>& panelLayout() {
    static const QList<QList<QList<Id>>> layout{
        {{Id::LFO_Rate}, {Id::LFO_Delay}},
        {{Id::DCO_LFO},
         {Id::DCO_PWM},
         {Id::DCO_PWM_Mode},
         {Id::DCO_Range},
         {Id::DCO_Pulse_ON, Id::DCO_Saw_ON},
         {Id::DCO_SubLevel},
         {Id::DCO_NoiseLevel}},
        {{Id::HPF_Mode}},
        {{Id::VCF_Cutoff},
         {Id::VCF_Resonance},
         {Id::VCF_ENV_Mode},
         {Id::VCF_ENV},
         {Id::VCF_LFO},
         {Id::VCF_KYBD}},
        {{Id::VCA_Mode}, {Id::VCA_Level}},
        {{Id::ENV_Attack}, {Id::ENV_Decay}, {Id::ENV_Sustain}, {Id::ENV_Release}},
        {{Id::chorusMode}},
    };
    return layout;
}

// The switches the panel shows as a row of buttons with lights: the range, the waves and the chorus.
bool isButtonRow(Id id) {
    return id == Id::DCO_Range || id == Id::DCO_Pulse_ON || id == Id::DCO_Saw_ON || id == Id::chorusMode;
}

QString panelText(const char* text) {
    return QCoreApplication::translate("QZPParameter", text);
}

// The panel section a parameter belongs to; the MKS noise bit, which has no control of its own, goes
// with the DCO's noise slider.
QString sectionOf(const QZPParameter& parameter) {
    return QString::fromLatin1(parameter.section ? parameter.section : "DCO");
}

} // namespace

QZPEditorController::QZPEditorController(QObject* parent) : QObject(parent) {
    connect(QZPSettings::standard(), &QZPSettings::valueChanged, this, [this](const QString& key) {
        if (key == QLatin1String(QZPSettings::AppearanceIndexKey))
            restyle();
        else if (key == QLatin1String(QZPSettings::LockedParametersKey) && m_view)
            updateMarks();
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

    auto* header = m_header = new QHBoxLayout;
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

    // The sections in one row, as on the instrument, or in two where the space is narrow.
    for (QHBoxLayout*& row : m_rows) {
        row = new QHBoxLayout;
        row->setSpacing(6);
        column->addLayout(row);
    }
    const auto section = [&](const QString& title) {
        auto* s = new QZPPanelSection(title, m_view);
        m_sections.append(s);
        // A section's context menu takes it from the reference of a comparison.
        s->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(s, &QWidget::customContextMenuRequested, this,
                [this, s](const QPoint& at) { showSectionMenu(s, at); });
        return s;
    };

    // A row of segment buttons with their lights above.
    // Each button is named for assistive technology by `namePrefix` and its title ("DCO RANGE 16'").
    const auto buttonRow = [&](const QString& namePrefix, const QStringList& titles,
                               const QList<int>& lightTags, bool chorus,
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
            button->setAccessibleName(namePrefix + QLatin1Char(' ') + titles.at(i));
            // The range and the chorus are one switch each: the arrows choose; the two waves are two.
            button->setChoosesWithArrows(action != &QZPEditorController::oscillatorModeClicked);
            barLayout->addWidget(button);
            buttons->append(button);
            connect(button, &QAbstractButton::clicked, this,
                    [this, action, tag = int(i)] { (this->*action)(tag); });
        }
        grid->addWidget(bar, 1, 0, 1, int(titles.size()));
        return box;
    };

    for (const QList<QList<Id>>& groups : panelLayout()) {
        QZPPanelSection* panelSection = section(panelText(QZPParameter::of(groups.first().first()).section));
        for (const QList<Id>& group : groups) {
            const QZPParameter& parameter = QZPParameter::of(group.first());
            if (!isButtonRow(parameter.id)) {
                addSlider(panelSection, parameter);
                continue;
            }
            QStringList titles;
            QList<int> lightTags;
            if (group.size() > 1) {
                for (const Id id : group) {
                    titles << panelText(QZPParameter::of(id).identifier);
                    lightTags << int(lightTags.size());
                }
            } else {
                for (const QZPParameter::SwitchValue& value : parameter.values) {
                    titles << panelText(value.name);
                    lightTags << value.value;
                }
            }
            // A section with one control needs no label in the name ("CHORUS II").
            const QString sectionName = panelText(parameter.section);
            const QString prefix =
                groups.size() > 1 ? sectionName + QLatin1Char(' ') + panelText(parameter.label) : sectionName;
            if (parameter.id == Id::DCO_Range)
                panelSection->addControl(buttonRow(prefix, titles, lightTags, false, &m_rangeButtons,
                                                   &m_rangeLights, &QZPEditorController::rangeClicked),
                                         panelText(parameter.label));
            else if (parameter.id == Id::chorusMode)
                panelSection->addControl(buttonRow(prefix, titles, lightTags, true, &m_chorusButtons,
                                                   &m_chorusLights, &QZPEditorController::chorusModeClicked),
                                         panelText(parameter.label));
            else
                panelSection->addControl(buttonRow(prefix, titles, lightTags, false, &m_oscillatorButtons,
                                                   &m_oscillatorLights,
                                                   &QZPEditorController::oscillatorModeClicked),
                                         panelText(parameter.label));
        }
    }
    m_oscillatorButtons.at(0)->setGlyph(QZPJunoSegmentButton::Glyph::Pulse);
    m_oscillatorButtons.at(1)->setGlyph(QZPJunoSegmentButton::Glyph::Saw);
    arrangeSections(1);
    restyle();
    if (m_document)
        updateDisplay(false);
}

// The sections in `rows` rows, each row centred; two rows split where their widths come closest.
void QZPEditorController::arrangeSections(int rows) {
    for (QHBoxLayout* row : m_rows)
        while (QLayoutItem* item = row->takeAt(0))
            delete item;
    qsizetype split = m_sections.size();
    if (rows > 1) {
        int total = 0;
        for (const QZPPanelSection* section : m_sections)
            total += section->sizeHint().width();
        int first = 0;
        for (split = 0; split < m_sections.size(); ++split) {
            const int next = first + m_sections.at(split)->sizeHint().width();
            if (std::abs(total - 2 * next) > std::abs(total - 2 * first))
                break;
            first = next;
        }
    }
    for (qsizetype i = 0; i < m_sections.size(); ++i) {
        QHBoxLayout* row = m_rows[i < split ? 0 : 1];
        if (row->isEmpty())
            row->addStretch();
        row->addWidget(m_sections.at(i));
    }
    for (QHBoxLayout* row : m_rows)
        if (!row->isEmpty())
            row->addStretch();
    m_rowCount = rows;
}

QSize QZPEditorController::panelSize(int rows) {
    view();
    if (m_naturalSizes.isEmpty()) {
        const double scale = m_scale;
        const int rowCount = m_rowCount;
        QZPPanelScaler::setScale(m_view, 1);
        for (const int arrangement : {1, 2}) {
            arrangeSections(arrangement);
            m_view->layout()->activate();
            m_naturalSizes << m_view->sizeHint();
        }
        arrangeSections(rowCount);
        QZPPanelScaler::setScale(m_view, scale);
    }
    return m_naturalSizes.at(rows - 1);
}

QSize QZPEditorController::smallestPanelSize() {
    return panelSize(2) * MinimumScale;
}

QZPEditorController::PanelFit QZPEditorController::planPanel(const QSize& space) {
    const auto fit = [&space](const QSize& natural) {
        return std::min(double(space.width()) / natural.width(), double(space.height()) / natural.height());
    };
    const double oneRow = std::min(fit(panelSize(1)), MaximumScale);
    const double twoRows = std::min(fit(panelSize(2)), MaximumScale);
    // The layout that is larger in this space: one row where the window is wide, two where the editor
    // has height to spare; one row, as on the instrument, when both reach the largest scale.
    const int rows = oneRow >= twoRows ? 1 : 2;
    // In whole hundredths: a window being dragged larger rescales the panel once a percent, not at every
    // pixel.
    const double scale =
        std::clamp(std::floor((rows == 1 ? oneRow : twoRows) * 100) / 100, MinimumScale, MaximumScale);
    const QSize natural = panelSize(rows);
    return {rows, scale, QSize(int(natural.width() * scale), int(natural.height() * scale))};
}

QSize QZPEditorController::fitPanel(const QSize& space) {
    const PanelFit plan = planPanel(space);
    if (plan.rows != m_rowCount)
        arrangeSections(plan.rows);
    if (plan.scale != m_scale) {
        m_scale = plan.scale;
        QZPPanelScaler::setScale(m_view, plan.scale);
    }
    return plan.size;
}

// A slider for a byte, or a switch with a sticky position per value.
QZPSlider* QZPEditorController::addSlider(QZPPanelSection* section, const QZPParameter& parameter) {
    auto* slider = new QZPSlider(section);
    slider->setParameter(&parameter);
    slider->setIdentifier(panelText(parameter.identifier));
    // Named as the panel prints it: section and label ("VCF FREQ", "DCO LFO MAN").
    slider->setAccessibleName(parameter.panelName());
    slider->setMinValue(parameter.minimum());
    slider->setMaxValue(parameter.maximum());
    if (parameter.kind == QZPParameter::Kind::Slider) {
        slider->setDrawsBar(true);
        slider->setKnobImageName(QStringLiteral("SliderKnob"));
        slider->setFixedSize(34, 150);
    } else {
        const int positions = int(parameter.values.size());
        slider->setNumberOfTickMarks(positions);
        slider->setKnobImageName(QStringLiteral("SwitchKnob"));
        slider->setFixedSize(34, positions == 2 ? 58 : 90);
    }
    const QStringList positions = panelText(parameter.label).split(QLatin1Char('\n'));
    if (parameter.kind != QZPParameter::Kind::Slider && parameter.values.size() == 2 && positions.size() == 2)
        section->addTwoPositionSwitch(slider, positions.at(0), positions.at(1)); // the upper position first
    else
        section->addControl(slider, panelText(parameter.label));
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
    const QZPPatch& patch = displayedPatch();
    for (QZPSlider* slider : m_sliders) {
        const QZPParameter* parameter = slider->parameter();
        // The four-position high-pass switch jumps; sliders and two-way switches glide.
        slider->setDoubleValueAnimated(patch.value(*parameter), animated && parameter->values.size() <= 2);
    }
    for (QZPLightView* light : m_rangeLights)
        light->setOpacity(light->tag() == patch.value(Id::DCO_Range) ? 1.0 : 0.0);
    for (QZPLightView* light : m_chorusLights)
        light->setOpacity(light->tag() == patch.value(Id::chorusMode) ? 1.0 : 0.0);
    for (QZPLightView* light : m_oscillatorLights)
        light->setOpacity(light->tag() == 0 ? patch.value(Id::DCO_Pulse_ON) : patch.value(Id::DCO_Saw_ON));
    updateMarks();
}

// MARK: Comparing

const QZPPatch& QZPEditorController::displayedPatch() const {
    return m_showsReference && m_reference ? *m_reference : m_document->patch();
}

void QZPEditorController::setReference(const std::optional<QZPPatch>& reference) {
    const bool wasShown = m_showsReference;
    m_reference = reference;
    if (!m_reference)
        m_showsReference = false;
    // Only the marks change, unless the reference itself is (or was) on the panel.
    if (m_document && wasShown)
        updateDisplay(false);
    else if (m_document && m_view)
        updateMarks();
}

void QZPEditorController::setShowsReference(bool shows, const QString& mark) {
    shows = shows && m_reference && m_document;
    m_showsReference = shows;
    view();
    // Read-only while the reference shows: the sections take no clicks, keys or drags.
    for (QZPPanelSection* section : m_sections)
        section->setEnabled(!shows);
    m_messageView->setMessage(shows ? mark : m_document ? m_document->displayName() : QString());
    // A and B swap at once: hearing the difference wants no glide between them.
    if (m_document)
        updateDisplay(false);
}

// The other patch's values on the controls: a ghost on a slider, a dot on a button, and in words for
// screen readers.
QZPEnvelopeView* QZPEditorController::envelopeView() {
    if (!m_envelopeView) {
        m_envelopeView = new QZPEnvelopeView;
        if (m_document)
            updateMarks();
    }
    return m_envelopeView;
}

void QZPEditorController::updateMarks() {
    const std::optional<QZPPatch> other = !m_reference || !m_document ? std::nullopt
                                          : m_showsReference ? std::optional<QZPPatch>(m_document->patch())
                                                             : m_reference;
    const QZPPatch& shown = displayedPatch();
    if (m_envelopeView)
        m_envelopeView->setPatches(shown, other);
    const QString otherName = m_showsReference ? tr("Edit") : tr("Reference");
    const QStringList locked =
        QZPSettings::standard()->value(QString::fromLatin1(QZPSettings::LockedParametersKey)).toStringList();
    const QZPValueScale scale = QZPValueScale::chosen();
    // Said to a screen reader only when it changes: each change is an accessibility event, and this runs
    // at every edit.
    const auto describe = [](QWidget* control, const QString& text) {
        if (control->accessibleDescription() != text)
            control->setAccessibleDescription(text);
    };
    // What a screen reader adds to the control's name: the other patch's value, and the lock.
    const auto description = [&](const QZPParameter& parameter, bool differs) {
        QStringList parts;
        if (differs)
            parts << QStringLiteral("%1: %2").arg(
                otherName, QZPPatchDifference::valueText(parameter, other->value(parameter), scale));
        if (locked.contains(QLatin1String(parameter.name)))
            parts << tr("Locked");
        return parts.join(QStringLiteral("; "));
    };
    for (QZPSlider* slider : m_sliders) {
        const QZPParameter& parameter = *slider->parameter();
        const bool differs = other && other->value(parameter) != shown.value(parameter);
        const double span = slider->maxValue() - slider->minValue();
        slider->setGhostPosition(
            differs && span > 0 ? std::optional<double>((other->value(parameter) - slider->minValue()) / span)
                                : std::nullopt);
        describe(slider, description(parameter, differs));
        slider->setLocked(locked.contains(QLatin1String(parameter.name)));
    }
    const auto markButtons = [&](const QList<QZPJunoSegmentButton*>& buttons, Id id,
                                 const std::function<bool(int index, int otherValue)>& marks) {
        const QZPParameter& parameter = QZPParameter::of(id);
        const bool differs = other && other->value(parameter) != shown.value(parameter);
        for (QZPJunoSegmentButton* button : buttons) {
            const bool marked = differs && marks(button->tag(), other->value(parameter));
            button->setMarked(marked);
            describe(button, description(parameter, marked));
            const QString tip = locked.contains(QLatin1String(parameter.name)) ? tr("Locked") : QString();
            if (button->toolTip() != tip)
                button->setToolTip(tip);
        }
    };
    const auto isValueAt = [](Id id) {
        return [id](int index, int otherValue) {
            return QZPParameter::of(id).values.value(index).value == otherValue;
        };
    };
    markButtons(m_rangeButtons, Id::DCO_Range, isValueAt(Id::DCO_Range));
    markButtons(m_chorusButtons, Id::chorusMode, isValueAt(Id::chorusMode));
    markButtons(m_oscillatorButtons.mid(0, 1), Id::DCO_Pulse_ON, [](int, int) { return true; });
    markButtons(m_oscillatorButtons.mid(1, 1), Id::DCO_Saw_ON, [](int, int) { return true; });
}

void QZPEditorController::addHeaderAction(QAction* action) {
    view();
    auto* button = new QToolButton(m_view);
    button->setDefaultAction(action);
    button->setAccessibleName(QString(action->text()).remove(QLatin1Char('&')));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::StrongFocus);
    // Before the message view: the brand, its stretch, then the buttons.
    m_header->insertWidget(m_header->count() - 1, button);
}

QStringList QZPEditorController::sectionNames() const {
    QStringList names;
    for (const QList<QList<Id>>& groups : panelLayout())
        names << QString::fromLatin1(QZPParameter::of(groups.first().first()).section);
    return names;
}

bool QZPEditorController::takeSectionFromReference(const QString& section) {
    if (!m_document || !m_reference)
        return false;
    QZPPreset& preset = *m_document;
    bool changed = false;
    preset.beginUndoGrouping();
    for (const QZPParameter& parameter : QZPParameter::all()) {
        const int value = m_reference->value(parameter);
        if (sectionOf(parameter) != section || parameter.get(preset) == value || !parameter.accepts(value))
            continue;
        parameter.set(preset, value);
        changed = true;
    }
    preset.endUndoGrouping();
    if (changed)
        preset.setUndoActionName(tr("Take %1 from Reference").arg(panelText(section.toLatin1().constData())));
    return changed;
}

// The parameter of the control at a point of a section, if any.
const QZPParameter* QZPEditorController::parameterAt(QWidget* section, const QPoint& at) const {
    for (QWidget* widget = section->childAt(at); widget && widget != section;
         widget = widget->parentWidget()) {
        if (auto* slider = qobject_cast<QZPSlider*>(widget))
            return slider->parameter();
        auto* button = qobject_cast<QZPJunoSegmentButton*>(widget);
        if (!button)
            continue;
        if (m_rangeButtons.contains(button))
            return &QZPParameter::of(Id::DCO_Range);
        if (m_chorusButtons.contains(button))
            return &QZPParameter::of(Id::chorusMode);
        if (m_oscillatorButtons.contains(button))
            return &QZPParameter::of(button->tag() == 0 ? Id::DCO_Pulse_ON : Id::DCO_Saw_ON);
    }
    return nullptr;
}

void QZPEditorController::setParameterLocked(const QZPParameter& parameter, bool locked) {
    QZPSettings* settings = QZPSettings::standard();
    const QString key = QString::fromLatin1(QZPSettings::LockedParametersKey);
    QStringList names = settings->value(key).toStringList();
    names.removeAll(QLatin1String(parameter.name));
    if (locked)
        names << QLatin1String(parameter.name);
    settings->setValue(key, names);
}

void QZPEditorController::showSectionMenu(QZPPanelSection* section, const QPoint& at) {
    const QString name = sectionNames().value(m_sections.indexOf(section));
    QMenu menu(section);
    // The control under the pointer can be locked against Mutate and Randomise.
    if (const QZPParameter* parameter = parameterAt(section, at)) {
        QAction* lock = menu.addAction(tr("Lock %1").arg(QZPPatchDifference::parameterText(*parameter)));
        lock->setCheckable(true);
        lock->setChecked(QZPSettings::standard()
                             ->value(QString::fromLatin1(QZPSettings::LockedParametersKey))
                             .toStringList()
                             .contains(QLatin1String(parameter->name)));
        connect(lock, &QAction::toggled, this, [parameter](bool on) { setParameterLocked(*parameter, on); });
        menu.addSeparator();
    }
    QAction* take = menu.addAction(tr("Take %1 from Reference").arg(panelText(name.toLatin1().constData())));
    bool differs = false;
    if (m_reference && m_document && !m_showsReference)
        for (const QZPPatchDifference& difference :
             QZPPatchDifference::between(m_document->patch(), *m_reference))
            differs = differs || sectionOf(*difference.parameter) == name;
    take->setEnabled(differs);
    connect(take, &QAction::triggered, this, [this, name] { takeSectionFromReference(name); });
    menu.exec(section->mapToGlobal(at));
}

QZPSlider* QZPEditorController::sliderFor(QZPParameterId id) const {
    for (QZPSlider* slider : m_sliders)
        if (slider->parameter()->id == id)
            return slider;
    return nullptr;
}

// MARK: Actions

void QZPEditorController::sliderValueDidChange(QZPSlider* sender) {
    const QZPParameter* parameter = sender->parameter();
    if (!m_document || !parameter)
        return;
    QZPPreset& preset = *m_document;
    // A run of key presses on one slider is one undo step: its changes share a coalescing key.
    const int keyRun = sender->keyRun();
    preset.setUndoCoalescingKey(keyRun ? KeyRunUndoKeyBase + (keyRun % 4096) * 256 + int(parameter->id) : -1);
    // Values from outside are clamped by the control; the setters' own checks are never reached.
    parameter->set(preset,
                   std::clamp(int(sender->doubleValue()), parameter->minimum(), parameter->maximum()));
    preset.setUndoCoalescingKey(-1);
    showTemporaryMessage(sender->displayString(), SliderMessageSeconds);
}

void QZPEditorController::rangeClicked(int tag) {
    const QZPParameter& range = QZPParameter::of(Id::DCO_Range);
    if (m_document && tag >= 0 && tag < range.values.size())
        range.set(*m_document, range.values.at(tag).value);
}

void QZPEditorController::oscillatorModeClicked(int tag) {
    if (m_document && tag == 0)
        m_document->setValue(Id::DCO_Pulse_ON, !m_document->value(Id::DCO_Pulse_ON));
    else if (m_document && tag == 1)
        m_document->setValue(Id::DCO_Saw_ON, !m_document->value(Id::DCO_Saw_ON));
}

void QZPEditorController::chorusModeClicked(int tag) {
    const QZPParameter& chorus = QZPParameter::of(Id::chorusMode);
    if (m_document && tag >= 0 && tag < chorus.values.size())
        chorus.set(*m_document, chorus.values.at(tag).value);
}

void QZPEditorController::showTemporaryMessage(const QString& text, double seconds) {
    view();
    m_messageView->showTemporaryMessage(text, seconds);
}
