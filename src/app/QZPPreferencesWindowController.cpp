// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QZPPreferencesWindowController.h"
#include "mainwindow/QZPScreenFit.h"

#include "app/QZPMidiEndpointPopUp.h"
#include "library/QZPPresetsController.h"
#include "midi/QZPMidiEngine.h"
#include "model/QZPSettings.h"
#include "model/QZPValueScale.h"
#include "sidebar/QZPLibraryFolderChooser.h"
#include "sidebar/QZPURLPopUpButton.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QMainWindow>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QStackedWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

QCheckBox* boundCheckBox(const QString& title, const char* key, QZPSettings* settings, QWidget* parent) {
    auto* box = new QCheckBox(title, parent);
    settings->bind(box, "checked", QString::fromLatin1(key));
    return box;
}

QLabel* note(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    label->setFont(font);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

// A control with a short title and, under it, what it does in words that wrap with the window (a check
// box's own title never wraps); the same words are its tooltip and what a screen reader adds.
QWidget* described(QWidget* control, const QString& explanation, QWidget* parent) {
    control->setToolTip(explanation);
    control->setAccessibleDescription(explanation);
    auto* box = new QWidget(parent);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    column->addWidget(control);
    column->addWidget(note(explanation, box));
    return box;
}

// A control that says what it does in its tooltip (and to a screen reader) only.
template <typename Control> Control* explained(Control* control, const QString& explanation) {
    control->setToolTip(explanation);
    control->setAccessibleDescription(explanation);
    return control;
}

} // namespace

QZPPreferencesWindowController::QZPPreferencesWindowController(QZPPresetsController* presets,
                                                               QZPMidiEngine* engine, QZPSettings* settings,
                                                               QObject* parent)
    : QObject(parent), m_presets(presets), m_engine(engine), m_settings(settings) {
    m_window = new QMainWindow;
    m_window->setObjectName(QStringLiteral("QZPPreferencesWindow"));
    m_window->setWindowTitle(tr("Preferences"));
    m_window->setMinimumSize(460, 340);
    m_window->resize(520, 380);

    m_toolBar = m_window->addToolBar(tr("Panes"));
    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    auto* group = new QActionGroup(m_toolBar);
    m_tabView = new QStackedWidget(m_window);
    m_tabView->setObjectName(QStringLiteral("tabView"));
    m_window->setCentralWidget(m_tabView);
    const std::pair<const char*, QString> panes[] = {
        {GeneralPane, tr("General")}, {RecordPane, tr("Record")}, {MidiPane, tr("MIDI")}};
    for (const auto& [identifier, title] : panes) {
        QAction* item = m_toolBar->addAction(title);
        item->setObjectName(QString::fromLatin1(identifier));
        item->setData(int(m_items.size())); // the tag: the index of its pane
        item->setCheckable(true);
        group->addAction(item);
        m_items << item;
    }
    m_tabView->addWidget(makeGeneralView());
    m_tabView->addWidget(makeRecordView());
    m_tabView->addWidget(makeMidiView());
    connect(group, &QActionGroup::triggered, this, &QZPPreferencesWindowController::toolbarItemPressed);
    // From the keyboard: Escape and Ctrl+W close the window, Ctrl+Tab and Ctrl+Shift+Tab go round the panes.
    auto* close = new QAction(tr("Close"), m_window);
    close->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)});
    connect(close, &QAction::triggered, m_window, &QWidget::close);
    for (const auto& [keys, step] : {std::pair{QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
                                     std::pair{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1}}) {
        auto* turn = new QAction(m_window);
        turn->setShortcut(keys);
        connect(turn, &QAction::triggered, this, [this, step = step] {
            const qsizetype count = m_items.size();
            toolbarItemPressed(m_items.at((m_tabView->currentIndex() + step + count) % count));
        });
        m_window->addAction(turn);
    }
    m_window->addAction(close);

    // The pane shown last; an identifier no item has (another version's) is ignored.
    const QString stored = m_settings->value(QString::fromLatin1(QZPSettings::PreferencesPaneKey)).toString();
    QAction* item = toolbarItem(stored);
    selectPane(item ? item->data().toInt() : 0);
}

QZPPreferencesWindowController::~QZPPreferencesWindowController() {
    delete m_window;
}

void QZPPreferencesWindowController::showWindow(const QWidget* over) {
    QZPScreenFit::fit(m_window, over);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

QString QZPPreferencesWindowController::selectedPane() const {
    return m_items.at(m_tabView->currentIndex())->objectName();
}

QAction* QZPPreferencesWindowController::toolbarItem(const QString& identifier) const {
    for (QAction* item : m_items)
        if (item->objectName() == identifier)
            return item;
    return nullptr;
}

void QZPPreferencesWindowController::selectPane(int index) {
    m_items.at(index)->setChecked(true);
    m_tabView->setCurrentIndex(index);
}

void QZPPreferencesWindowController::toolbarItemPressed(QAction* item) {
    selectPane(item->data().toInt());
    m_settings->setValue(QString::fromLatin1(QZPSettings::PreferencesPaneKey), item->objectName());
}

void QZPPreferencesWindowController::bindChoice(QComboBox* box, const QString& key,
                                                const QVariantList& values) {
    const auto show = [this, box, key, values] {
        // A value none of the items stands for reads as the last item ("any other value").
        const qsizetype index = values.indexOf(m_settings->value(key));
        const QSignalBlocker blocker(box);
        box->setCurrentIndex(int(index < 0 ? values.size() - 1 : index));
    };
    show();
    connect(m_settings, &QZPSettings::valueChanged, box, [show, key](const QString& changed) {
        if (changed == key)
            show();
    });
    connect(box, &QComboBox::activated, this,
            [this, key, values](int index) { m_settings->setValue(key, values.at(index)); });
}

QWidget* QZPPreferencesWindowController::makeGeneralView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("generalView"));
    auto* form = new QFormLayout(view);

    form->addRow(tr("Presets folder:"), explained(QZPLibraryFolderChooser::makeButton(m_presets, view, this),
                                                  tr("The folder whose presets the library lists")));

    auto* skin = new QComboBox(view);
    skin->setAccessibleName(tr("Skin"));
    skin->addItems({tr("Neutral"), tr("Classic")});
    bindChoice(skin, QString::fromLatin1(QZPSettings::AppearanceIndexKey), {1, 2});
    form->addRow(tr("Skin:"), explained(skin, tr("How the panel looks: Neutral, or Classic in the "
                                                 "instrument’s own colours")));

    auto* display = new QComboBox(view);
    display->setAccessibleName(tr("Moving Slider Shows"));
    display->addItems({tr("Percent"), tr("Parameter Value")});
    bindChoice(display, QString::fromLatin1(QZPSettings::ValueChangeDisplayModeKey), {0, 1});
    form->addRow(tr("Moving slider shows:"),
                 explained(display, tr("What the message view shows while a slider moves: its position in "
                                       "percent, or the value the instrument stores")));

    auto* scale = new QComboBox(view);
    scale->setAccessibleName(tr("Values In Readouts And Filter"));
    scale->addItems({tr("Panel Scale (0–10)"), tr("Percent"), tr("Parameter Value (0–127)")});
    bindChoice(scale, QString::fromLatin1(QZPSettings::ValueScaleKey),
               {QZPValueScale::Panel, QZPValueScale::Percent, QZPValueScale::Byte});
    form->addRow(
        tr("Values:"),
        explained(scale, tr("How the compare readouts show a slider’s value and how the filter reads "
                            "one (vcf>7.5): the panel’s printed 0–10, percent, or the value the "
                            "instrument stores")));

    auto* phrase = new QComboBox(view);
    phrase->setAccessibleName(tr("Audition Phrase"));
    phrase->addItems({tr("A single note"), tr("A chord"), tr("A bass figure")});
    bindChoice(phrase, QString::fromLatin1(QZPSettings::AuditionPhraseKey), {0, 1, 2});
    form->addRow(tr("Audition plays:"),
                 explained(phrase, tr("What Preset ▸ Audition (Space in the list) plays of the selected "
                                      "preset, for at most two seconds")));

    auto* opacity = new QSlider(Qt::Horizontal, view);
    opacity->setAccessibleName(tr("Value Bar Strength"));
    opacity->setRange(0, 100);
    const QString opacityKey = QString::fromLatin1(QZPSettings::SliderTrackOpacityKey);
    const auto showOpacity = [this, opacity, opacityKey] {
        const QSignalBlocker blocker(opacity);
        opacity->setValue(int(std::lround(m_settings->value(opacityKey).toDouble() * 100)));
    };
    showOpacity();
    connect(m_settings, &QZPSettings::valueChanged, opacity, [showOpacity, opacityKey](const QString& key) {
        if (key == opacityKey)
            showOpacity();
    });
    connect(opacity, &QSlider::valueChanged, this,
            [this, opacityKey](int value) { m_settings->setValue(opacityKey, value / 100.0); });
    form->addRow(
        tr("Value bars:"),
        explained(opacity, tr("How strongly the bar under each slider’s knob shows how far up it is")));

    form->addRow(QString(),
                 explained(boundCheckBox(tr("Finer tracking when dragging sliders"),
                                         QZPSettings::FinerTrackingKey, m_settings, view),
                           tr("A drag moves the knob more slowly than the pointer, for finer changes")));
    form->addRow(QString(),
                 explained(boundCheckBox(tr("Play notes from the computer keyboard"),
                                         QZPSettings::ClaviatureEnabledKey, m_settings, view),
                           tr("The letter keys play notes while the list or the panel has the focus")));
    form->addRow(QString(),
                 explained(boundCheckBox(tr("A click in the list makes the preset current"),
                                         QZPSettings::ClickMakesCurrentKey, m_settings, view),
                           tr("Off, a click selects (Space auditions, Return makes current); on, a click "
                              "sends the preset as a double click does")));
    return view;
}

QWidget* QZPPreferencesWindowController::makeRecordView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("recordView"));
    auto* layout = new QVBoxLayout(view);
    layout->addWidget(described(
        boundCheckBox(tr("Record into a new draft"), QZPSettings::DraftOnRecordKey, m_settings, view),
        tr("Off: Record puts the patch the instrument sends into the current preset."), view));
    layout->addWidget(
        described(boundCheckBox(tr("Send a collected preset when it is selected"),
                                QZPSettings::SendsPresetsOnSelectionChangeKey, m_settings, view),
                  tr("In Record Multiple Presets: the instrument plays the preset you select in "
                     "the collection."),
                  view));
    layout->addStretch(1);
    return view;
}

QWidget* QZPPreferencesWindowController::makeMidiView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("midiView"));
    auto* form = new QFormLayout(view);
    if (m_engine) {
        form->addRow(tr("Receive from:"),
                     explained(new QZPMidiEndpointPopUp(m_engine, QZPMidiEndpoint::Direction::Source, view),
                               tr("The MIDI input the instrument’s messages come from")));
        form->addRow(tr("Send to:"), explained(new QZPMidiEndpointPopUp(
                                                   m_engine, QZPMidiEndpoint::Direction::Destination, view),
                                               tr("The MIDI output to the instrument, or ToneBench Sound")));
    }
    form->addRow(
        QString(),
        described(boundCheckBox(tr("Hardware control"), QZPSettings::HardwareControlKey, m_settings, view),
                  tr("The instrument’s knobs and switches change the current preset."), view));
    form->addRow(
        QString(),
        described(boundCheckBox(tr("“ToneBench DAW” ports"), QZPSettings::DawPortsKey, m_settings, view),
                  tr("A sequencer records and plays the instrument’s controls as Control Changes "
                     "(the numbers are on the help page)."),
                  view));
    form->addRow(tr("Dynamics:"),
                 explained(boundCheckBox(tr("Key velocity affects the VCA"),
                                         QZPSettings::DynamicsAmplifierKey, m_settings, view),
                           tr("How hard a key is played changes the loudness")));
    form->addRow(QString(), explained(boundCheckBox(tr("Key velocity affects the VCF"),
                                                    QZPSettings::DynamicsFilterKey, m_settings, view),
                                      tr("How hard a key is played changes the brightness")));
    return view;
}
