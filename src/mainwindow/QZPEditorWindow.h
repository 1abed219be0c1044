#pragma once

#include <QMainWindow>
#include <QPointer>

#include "model/QZPPreset.h"

class QZPEditorController;
class QZPMidiEngine;

// A plain window with the editor on one preset, with Open, Save, Save As, Undo and Redo: ToneBench's
// window until the main window with the library takes its place. Edits go to the engine's destination;
// undo, redo, revert and opening send the whole patch.
class QZPEditorWindow : public QMainWindow {
    Q_OBJECT

public:
    QZPEditorWindow(QZPMidiEngine* engine, QWidget* parent = nullptr);
    ~QZPEditorWindow() override;

    // Shows the preset (the window owns it) and sends it to the instrument.
    void setPreset(QZPPreset* preset);
    QZPPreset* preset() const { return m_preset; }
    QZPEditorController* editor() const { return m_editor; }
    // Opens a preset file; shows the error and answers false when it cannot be read.
    bool openFile(const QString& path);
    // Follows a change of the preset shown: the panel and title, and the whole patch sent again after
    // undo, redo and revert.
    void presetChanged(QZPPreset::Change change);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void sendProgram();
    bool save();
    bool saveAs();
    bool maybeSave();
    void updateTitle();

    QZPMidiEngine* m_engine;
    QZPEditorController* m_editor;
    QPointer<QZPPreset> m_preset;
    QAction* m_undo = nullptr;
    QAction* m_redo = nullptr;
};
