#pragma once

#include <QMainWindow>
#include <QPointer>

#include "model/QZPPreset.h"
#include "sidebar/QZPSidebarControllerDelegate.h"

class QSplitter;
class QZPDocumentController;
class QZPEditorController;
class QZPMidiEngine;
class QZPSidebarController;

// ToneBench's window until the main window takes its place: the library pane on the left, the editor on
// the current preset on the right, with Open, Save, Save As, Undo, Redo and the list commands. A preset
// chosen in the list (double-click or Return) becomes current and is sent; edits go to the engine's
// destination; undo, redo, revert and opening send the whole patch.
class QZPEditorWindow : public QMainWindow, public QZPSidebarControllerDelegate {
    Q_OBJECT

public:
    // The settings key of the divider's position.
    static constexpr const char* SplitViewAutosaveName = "QZPTBSplitViewAutoSaveName";

    QZPEditorWindow(QZPMidiEngine* engine, QZPDocumentController* documents, QWidget* parent = nullptr);
    ~QZPEditorWindow() override;

    // Shows the preset (one of the library's, or a draft that joins it) and sends it to the instrument.
    void setPreset(QZPPreset* preset);
    QZPPreset* preset() const { return m_preset; }
    QZPEditorController* editor() const { return m_editor; }
    QZPSidebarController* sidebar() const { return m_sidebar; }
    QSplitter* splitter() const { return m_splitter; }
    // Opens a preset file; shows the error and answers false when it cannot be read.
    bool openFile(const QString& path);
    // A new draft becomes current.
    void newPreset();
    // Follows a change of the preset shown: the panel and title, and the whole patch sent again after
    // undo, redo and revert.
    void presetChanged(QZPPreset::Change change);

    void sidebarControllerDoubleClickAction(QZPSidebarController* sidebar, QObject* sender) override;
    void sidebarControllerReturnKeyAction(QZPSidebarController* sidebar, QObject* sender) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void showChosenPreset();
    void sendProgram();
    bool save();
    bool saveAs();
    bool maybeSave();
    void updateTitle();

    QZPMidiEngine* m_engine;
    QZPDocumentController* m_documents;
    QZPEditorController* m_editor;
    QZPSidebarController* m_sidebar;
    QSplitter* m_splitter;
    QPointer<QZPPreset> m_preset;
    QAction* m_undo = nullptr;
    QAction* m_redo = nullptr;
};
