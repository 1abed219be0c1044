// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

class QCheckBox;
class QDialog;
class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QWidget;
class QZPFactoryPresetInstaller;
class QZPMidiEngine;
class QZPPresetsController;
class QZPSettings;

// The welcome assistant: five pages shown once, on the first launch, over the main window (and again
// from the Help menu). It sets up MIDI, explains the instrument's MIDI function switch, lets the user
// choose the presets folder, and at its end can install the factory presets into that folder.
class QZPOnboardingWindowController : public QObject {
    Q_OBJECT

public:
    // The pages, in order; their identifiers name them to tests and to screen readers.
    enum Page { WelcomePage, MidiSetupPage, FunctionSwitchPage, PresetsFolderPage, FinalPage, PageCount };
    static constexpr const char* PageIdentifiers[PageCount] = {
        "welcomeView", "midiSetupView", "functionSwitchView", "presetsFolderView", "finalView"};
    // How long after the main window the assistant appears on the first launch.
    static constexpr int FirstLaunchDelayMs = 500;

    // On the first launch (the shown flag not set): sets the flag first, so a crash or quit during the
    // assistant does not bring it back, and calls `show` after the delay. Answers whether it will.
    static bool showOnboardingIfNecessary(QZPSettings* settings, QObject* context,
                                          std::function<void()> show);

    QZPOnboardingWindowController(QZPPresetsController* presets, QZPMidiEngine* engine,
                                  QWidget* mainWindow = nullptr, QObject* parent = nullptr);
    ~QZPOnboardingWindowController() override;

    QDialog* window() const { return m_window; }
    // Shows the first page, centred over the main window.
    void showWindow();

    Page currentPage() const;
    void navigateForward();
    void navigateBack();
    bool installFactoryPresets() const;
    void setInstallFactoryPresets(bool on);
    // The OK button of the last page: installs the factory presets when asked to and the folder exists,
    // then closes the window.
    void finalizeOnboarding();
    QZPFactoryPresetInstaller* installer() const { return m_installer; }

signals:
    // The window closed after finishing (the installation, if any, over).
    void finished();

private:
    QWidget* makePage(Page page);
    void updateNavigation();
    QString presetsFolder() const;
    void updateMidiStatus();
    void showPage(int index);
    void close();

    QPointer<QZPPresetsController> m_presets;
    QPointer<QZPMidiEngine> m_engine;
    QPointer<QWidget> m_mainWindow;
    QPointer<QDialog> m_window;
    QStackedWidget* m_pages = nullptr;
    // Skip (closes at once), Back, and Next (Finish on the last page, Done once the presets are in).
    QPushButton* m_skipButton = nullptr;
    QPushButton* m_backButton = nullptr;
    QPushButton* m_nextButton = nullptr;
    QLabel* m_midiStatus = nullptr;
    QCheckBox* m_installFactoryCheckbox = nullptr;
    // Where the factory presets go when no presets folder was chosen.
    QLabel* m_suggestionLabel = nullptr;
    QLabel* m_destinationLabel = nullptr;
    QLabel* m_progressLabel = nullptr;
    // The factory presets are in and the page says what was kept: Done closes.
    bool m_installed = false;
    QProgressBar* m_progressIndic = nullptr;
    QZPFactoryPresetInstaller* m_installer = nullptr;
};
