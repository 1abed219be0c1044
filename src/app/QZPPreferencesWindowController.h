// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

class QAction;
class QComboBox;
class QMainWindow;
class QStackedWidget;
class QToolBar;
class QWidget;
class QZPMidiEngine;
class QZPPresetsController;
class QZPSettings;

// The preferences: General, Record and MIDI panes chosen from a toolbar, the pane shown last restored at
// the next launch. Every control is bound to its setting and takes effect at once; the presets folder
// chooser is bound to the library's folder.
class QZPPreferencesWindowController : public QObject {
    Q_OBJECT

public:
    // The panes' identifiers, in the toolbar's order (an item's tag is its index).
    static constexpr const char* GeneralPane = "general";
    static constexpr const char* RecordPane = "record";
    static constexpr const char* MidiPane = "midi";

    QZPPreferencesWindowController(QZPPresetsController* presets, QZPMidiEngine* engine,
                                   QZPSettings* settings, QObject* parent = nullptr);
    ~QZPPreferencesWindowController() override;

    QMainWindow* window() const { return m_window; }
    // Shows the window, centred over `over` (the main window) and inside that screen's free area.
    void showWindow(const QWidget* over = nullptr);

    QString selectedPane() const;
    QAction* toolbarItem(const QString& identifier) const;
    // The toolbar's action: shows the pane and remembers it.
    void toolbarItemPressed(QAction* item);

private:
    QWidget* makeGeneralView();
    QWidget* makeRecordView();
    QWidget* makeMidiView();
    // A pop-up whose items stand for the given values of the setting `key`, both ways.
    void bindChoice(QComboBox* box, const QString& key, const QVariantList& values);
    void selectPane(int index);

    QPointer<QZPPresetsController> m_presets;
    QPointer<QZPMidiEngine> m_engine;
    QZPSettings* m_settings;
    QMainWindow* m_window = nullptr;
    QToolBar* m_toolBar = nullptr;
    QStackedWidget* m_tabView = nullptr;
    QList<QAction*> m_items;
};
