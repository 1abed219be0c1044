// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QZPOnboardingWindowController.h"

#include "app/QZPMidiEndpointPopUp.h"
#include "library/QZPFactoryPresetInstaller.h"
#include "library/QZPPresetsController.h"
#include "midi/QZPMidiBackend.h"
#include "midi/QZPMidiEngine.h"
#include "model/QZPError.h"
#include "model/QZPErrorPresenter.h"
#include "model/QZPPlural.h"
#include "model/QZPSettings.h"
#include "sidebar/QZPLibraryFolderChooser.h"
#include "sidebar/QZPURLPopUpButton.h"
#include "sound/QZPSoundMidiBackend.h"

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QLabel* wrappedLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QLabel* titleLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 1.5);
    font.setBold(true);
    label->setFont(font);
    label->setWordWrap(true);
    label->setAccessibleName(text);
    return label;
}

// A page's title and the text under it.
void addIntroduction(QVBoxLayout* layout, QWidget* page, const QString& title, const QString& text) {
    layout->addWidget(titleLabel(title, page));
    layout->addWidget(wrappedLabel(text, page));
}

} // namespace

bool QZPOnboardingWindowController::showOnboardingIfNecessary(QZPSettings* settings, QObject* context,
                                                              std::function<void()> show) {
    const QString key = QString::fromLatin1(QZPSettings::OnboardingShownKey);
    if (settings->boolValue(key))
        return false;
    settings->setValue(key, true);
    // A timer of the context's own, so that it ends with the context (and can be found there).
    auto* delay = new QTimer(context);
    delay->setObjectName(QStringLiteral("onboardingDelay"));
    delay->setSingleShot(true);
    delay->setInterval(FirstLaunchDelayMs);
    QObject::connect(delay, &QTimer::timeout, context, [delay, show = std::move(show)] {
        delay->deleteLater();
        show();
    });
    delay->start();
    return true;
}

QZPOnboardingWindowController::QZPOnboardingWindowController(QZPPresetsController* presets,
                                                             QZPMidiEngine* engine, QWidget* mainWindow,
                                                             QObject* parent)
    : QObject(parent), m_presets(presets), m_engine(engine), m_mainWindow(mainWindow),
      m_installer(new QZPFactoryPresetInstaller(this)) {
    m_window = new QDialog(mainWindow, Qt::Dialog);
    m_window->setObjectName(QStringLiteral("QZPOnboardingWindow"));
    m_window->setWindowTitle(tr("Welcome to ToneBench"));
    m_window->setMinimumSize(520, 380);
    m_window->resize(560, 400);

    auto* layout = new QVBoxLayout(m_window);
    m_pages = new QStackedWidget(m_window);
    for (int page = 0; page < PageCount; ++page)
        m_pages->addWidget(makePage(Page(page)));
    layout->addWidget(m_pages, 1);

    // The buttons under the pages: Skip on the left; Back, and Next (Finish, Done) on the right.
    m_skipButton = new QPushButton(tr("Skip"), m_window);
    m_skipButton->setObjectName(QStringLiteral("skipButton"));
    m_skipButton->setToolTip(tr("Close the assistant: everything it sets can be changed later"));
    m_backButton = new QPushButton(tr("Back"), m_window);
    m_backButton->setObjectName(QStringLiteral("backButton"));
    m_nextButton = new QPushButton(tr("Next"), m_window);
    m_nextButton->setObjectName(QStringLiteral("nextButton"));
    m_nextButton->setDefault(true);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_skipButton);
    bottom->addStretch(1);
    bottom->addWidget(m_backButton);
    bottom->addWidget(m_nextButton);
    layout->addLayout(bottom);
    connect(m_skipButton, &QPushButton::clicked, this, &QZPOnboardingWindowController::close);
    connect(m_backButton, &QPushButton::clicked, this, &QZPOnboardingWindowController::navigateBack);
    connect(m_nextButton, &QPushButton::clicked, this, [this] {
        if (currentPage() == FinalPage)
            finalizeOnboarding();
        else
            navigateForward();
    });
    connect(m_pages, &QStackedWidget::currentChanged, this, &QZPOnboardingWindowController::updateNavigation);
    if (m_presets)
        connect(m_presets, &QZPPresetsController::presetsFolderURLChanged, this,
                &QZPOnboardingWindowController::updateNavigation);
    if (m_engine)
        connect(m_engine, &QZPMidiEngine::setupChanged, this,
                &QZPOnboardingWindowController::updateMidiStatus);
    connect(m_installer, &QZPFactoryPresetInstaller::progressChanged, this, [this](int done, int total) {
        m_progressIndic->setRange(0, total);
        m_progressIndic->setValue(done);
    });
    connect(m_installer, &QZPFactoryPresetInstaller::finished, this, [this] {
        const QString summary = m_installer->summary();
        if (!summary.isEmpty())
            QZPErrorPresenter::shared()->presentError(
                QZPError::make(QString::fromLatin1(QZPError::ToneBenchDomain), -1, summary,
                               m_installer->failures().mid(0, 10).join(QLatin1Char('\n'))));
        if (!summary.isEmpty())
            return close();
        // What went in (and which of the user's own files were left alone) is said here; Done closes.
        const QString kept = m_installer->skippedSummary();
        m_progressIndic->hide();
        m_progressLabel->setText(qzpPlural(m_installer->writtenCount(), tr("1 factory preset was installed."),
                                           tr("%1 factory presets were installed.")) +
                                 (kept.isEmpty() ? QString() : QLatin1Char(' ') + kept));
        m_installed = true;
        updateNavigation();
        m_nextButton->setFocus();
    });
    updateMidiStatus();
    updateNavigation();
}

QZPOnboardingWindowController::~QZPOnboardingWindowController() {
    delete m_window;
}

QWidget* QZPOnboardingWindowController::makePage(Page page) {
    auto* view = new QWidget;
    view->setObjectName(QString::fromLatin1(PageIdentifiers[page]));
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(24, 20, 24, 8);
    layout->setSpacing(12);
    switch (page) {
    case WelcomePage: {
        addIntroduction(
            layout, view, tr("Welcome to ToneBench"),
            tr("ToneBench edits the sounds of your Juno-106 on screen, keeps them as a library of preset "
               "files, and records the sounds the instrument sends.\n\nA few steps set it up: the MIDI "
               "connection, a switch on the instrument, and the folder for your presets."));
        layout->addStretch(1);
        break;
    }
    case MidiSetupPage: {
        addIntroduction(
            layout, view, tr("Connect the Juno-106"),
            tr("Connect the instrument’s MIDI OUT to the input of your MIDI interface and its MIDI IN to "
               "the interface’s output. Then choose them here; you can change them later in the MIDI menu "
               "and in the preferences."));
        auto* form = new QFormLayout;
        if (m_engine) {
            form->addRow(tr("Receive from:"),
                         new QZPMidiEndpointPopUp(m_engine, QZPMidiEndpoint::Direction::Source, view));
            form->addRow(tr("Send to:"),
                         new QZPMidiEndpointPopUp(m_engine, QZPMidiEndpoint::Direction::Destination, view));
        }
        layout->addLayout(form);
        m_midiStatus = wrappedLabel(QString(), view);
        m_midiStatus->setObjectName(QStringLiteral("midiStatus"));
        layout->addWidget(m_midiStatus);
        layout->addStretch(1);
        break;
    }
    case FunctionSwitchPage:
        addIntroduction(
            layout, view, tr("Set the MIDI function switch"),
            tr("On the back of the Juno-106, beside the MIDI sockets, the MIDI FUNCTION switch chooses what "
               "the instrument sends and receives:\n\n"
               "•  I: the keys only.\n"
               "•  II: the keys and program changes.\n"
               "•  III: everything, including the sound itself: every slider and switch you move, and the "
               "whole patch when you choose a program.\n\n"
               "Set it to III. Then ToneBench can send its presets to the instrument, follow the knobs you "
               "move, and record the sounds you choose on the instrument. ToneBench sends on the MIDI "
               "channel chosen in its MIDI menu: set the instrument to the same channel."));
        layout->addStretch(1);
        break;
    case PresetsFolderPage: {
        addIntroduction(
            layout, view, tr("Choose your presets folder"),
            tr("ToneBench keeps your presets as files in one folder and lists them beside the editor. "
               "Choose a folder that holds presets already, or make a new one."));
        layout->addWidget(QZPLibraryFolderChooser::makeButton(m_presets, view, this));
        m_suggestionLabel = wrappedLabel(QString(), view);
        m_suggestionLabel->setObjectName(QStringLiteral("suggestionLabel"));
        layout->addWidget(m_suggestionLabel);
        layout->addStretch(1);
        break;
    }
    case FinalPage: {
        addIntroduction(
            layout, view, tr("You’re all set"),
            tr("ToneBench can put its factory presets into your presets folder: sounds to start from, "
               "from basses to effects. A file of the same name there is kept as it is."));
        m_installFactoryCheckbox = new QCheckBox(tr("Install the factory presets"), view);
        m_installFactoryCheckbox->setObjectName(QStringLiteral("installFactoryCheckbox"));
        layout->addWidget(m_installFactoryCheckbox);
        m_destinationLabel = wrappedLabel(QString(), view);
        m_destinationLabel->setObjectName(QStringLiteral("destinationLabel"));
        layout->addWidget(m_destinationLabel);
        connect(m_installFactoryCheckbox, &QCheckBox::toggled, this,
                &QZPOnboardingWindowController::updateNavigation);
        m_progressLabel = new QLabel(tr("Installing the factory presets…"), view);
        m_progressLabel->setObjectName(QStringLiteral("progressLabel"));
        m_progressIndic = new QProgressBar(view);
        m_progressIndic->setObjectName(QStringLiteral("progressIndic"));
        m_progressIndic->setAccessibleName(tr("Installing the factory presets"));
        layout->addWidget(m_progressLabel);
        layout->addWidget(m_progressIndic);
        layout->addStretch(1);
        break;
    }
    case PageCount:
        break;
    }
    return view;
}

void QZPOnboardingWindowController::showWindow() {
    showPage(WelcomePage);
    if (m_mainWindow) {
        const QRect frame = m_mainWindow->frameGeometry();
        m_window->move(frame.center() - QPoint(m_window->width() / 2, m_window->height() / 2));
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

QZPOnboardingWindowController::Page QZPOnboardingWindowController::currentPage() const {
    return Page(m_pages->currentIndex());
}

void QZPOnboardingWindowController::showPage(int index) {
    m_pages->setCurrentIndex(std::clamp(index, 0, PageCount - 1));
    // The way on is where the keyboard starts.
    m_nextButton->setFocus();
    if (currentPage() == FinalPage) {
        // As the page appears: the choice (on for a folder without presets, or none yet), no progress.
        setInstallFactoryPresets(!QZPFactoryPresetInstaller::holdsPresets(presetsFolder()));
        m_installFactoryCheckbox->show();
        m_progressLabel->setText(tr("Installing the factory presets…"));
        m_progressLabel->hide();
        m_installed = false;
        m_progressIndic->hide();
    }
    updateNavigation();
}

void QZPOnboardingWindowController::navigateForward() {
    if (currentPage() < FinalPage && !m_installer->isInstalling())
        showPage(currentPage() + 1);
}

void QZPOnboardingWindowController::navigateBack() {
    if (currentPage() > WelcomePage && !m_installer->isInstalling())
        showPage(currentPage() - 1);
}

// Back from the second page on, Skip up to the page before the last; Next reads Finish on the last page
// (Done once the presets are in). Nothing moves while the presets are being installed. Without a presets
// folder the last page says where the factory presets will go.
void QZPOnboardingWindowController::updateNavigation() {
    const bool installing = m_installer->isInstalling();
    const bool last = currentPage() == FinalPage;
    m_backButton->setEnabled(currentPage() != WelcomePage && !installing && !m_installed);
    m_skipButton->setVisible(!last);
    m_nextButton->setEnabled(!installing);
    m_nextButton->setText(!last ? tr("Next") : m_installed ? tr("Done") : tr("Finish"));
    if (m_suggestionLabel)
        m_suggestionLabel->setText(
            presetsFolder().isEmpty()
                ? tr("Without a choice, ToneBench suggests “%1”: it is made when you finish with the factory "
                     "presets, and becomes your presets folder.")
                      .arg(QDir::toNativeSeparators(QZPLibraryFolderChooser::suggestedFolder()))
                : QString());
    if (m_destinationLabel)
        m_destinationLabel->setText(
            last && installFactoryPresets() && presetsFolder().isEmpty()
                ? tr("No presets folder is chosen yet: they go into “%1”, which becomes "
                     "your presets folder.")
                      .arg(QDir::toNativeSeparators(QZPLibraryFolderChooser::suggestedFolder()))
                : QString());
}

// The presets folder that exists now, or nothing.
QString QZPOnboardingWindowController::presetsFolder() const {
    const QString folder = m_presets ? m_presets->presetsFolderURL().toLocalFile() : QString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void QZPOnboardingWindowController::updateMidiStatus() {
    if (!m_midiStatus)
        return;
    // The built-in sound is always there; an instrument is any other port.
    QList<QZPMidiEndpoint> ports =
        m_engine ? m_engine->midiSources() + m_engine->midiDestinations() : QList<QZPMidiEndpoint>();
    const bool sound = ports.removeIf([](const QZPMidiEndpoint& e) {
        return e.uniqueID() == QZPSoundMidiBackend::EndpointID;
    }) > 0;
    QString status;
    if (!m_engine || !m_engine->backend() || m_engine->backend()->name() == QLatin1String("none"))
        status = tr("No MIDI system was found, so ToneBench can’t reach an instrument now; start ALSA’s "
                    "sequencer or a JACK server and choose the ports in the MIDI menu.");
    else if (ports.isEmpty())
        status = tr("No MIDI ports were found. Plug in your MIDI interface: the lists above update as soon "
                    "as it appears.");
    const bool playsItself =
        m_engine && m_engine->destination().uniqueID() == QZPSoundMidiBackend::EndpointID;
    if (!status.isEmpty() && sound)
        status +=
            QLatin1Char(' ') +
            (playsItself ? tr("Until then ToneBench plays every preset with its own sound (“%1”, chosen "
                              "under Send to); when the instrument is connected, choose its port there or "
                              "in MIDI ▸ Device.")
                         : tr("Until then, choose “%1” under Send to: ToneBench plays every "
                              "preset with its own sound."))
                .arg(QLatin1String(QZPSoundMidiBackend::EndpointName));
    m_midiStatus->setText(status);
    m_midiStatus->setVisible(!status.isEmpty());
}

bool QZPOnboardingWindowController::installFactoryPresets() const {
    return m_installFactoryCheckbox->isChecked();
}

void QZPOnboardingWindowController::setInstallFactoryPresets(bool on) {
    m_installFactoryCheckbox->setChecked(on);
}

void QZPOnboardingWindowController::finalizeOnboarding() {
    if (m_installed || !installFactoryPresets())
        return close();
    // Without a presets folder the suggested one is made and becomes the library's.
    QString folder = presetsFolder();
    if (folder.isEmpty() && m_presets) {
        folder = QZPLibraryFolderChooser::suggestedFolder();
        if (!QDir().mkpath(folder)) {
            QZPErrorPresenter::shared()->presentError(
                QZPError::make(QString::fromLatin1(QZPError::ToneBenchDomain), -1,
                               tr("The folder “%1” can’t be made.").arg(QDir::toNativeSeparators(folder)),
                               tr("Choose a presets folder on the page before, then try again.")));
            return;
        }
        m_presets->setPresetsFolderURL(QUrl::fromLocalFile(folder));
    }
    if (folder.isEmpty())
        return close();
    m_installFactoryCheckbox->hide();
    m_destinationLabel->clear();
    m_progressLabel->show();
    m_progressIndic->setRange(0, 0);
    m_progressIndic->show();
    m_installer->install(folder);
    updateNavigation();
}

void QZPOnboardingWindowController::close() {
    m_progressIndic->hide();
    m_window->close();
    emit finished();
}
