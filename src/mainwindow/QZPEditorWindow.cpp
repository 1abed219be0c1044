#include "mainwindow/QZPEditorWindow.h"

#include "editor/QZPEditorController.h"
#include "editor/QZPMainView.h"
#include "library/QZPPresetsController.h"
#include "mainwindow/QZPDocumentController.h"
#include "midi/QZPMidiEngine.h"
#include "model/QZPPreset.h"
#include "model/QZPSettings.h"
#include "sidebar/QZPSidebarController.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QScrollArea>
#include <QSplitter>
#include <QTimer>
#include <QUndoStack>
#include <QVBoxLayout>

QZPEditorWindow::QZPEditorWindow(QZPMidiEngine* engine, QZPDocumentController* documents, QWidget* parent)
    : QMainWindow(parent), m_engine(engine), m_documents(documents),
      m_editor(new QZPEditorController(engine, this)),
      m_sidebar(new QZPSidebarController(documents->presetsController(), nullptr, this)),
      m_splitter(new QSplitter(Qt::Horizontal, this)) {
    auto* background = new QZPMainView(this);
    auto* layout = new QVBoxLayout(background);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_editor->view());
    m_sidebar->setDelegate(this);
    // The panel keeps its size: a window narrower than the panel scrolls it instead of squeezing it.
    auto* scroller = new QScrollArea(this);
    scroller->setWidget(background);
    scroller->setWidgetResizable(true);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setMinimumWidth(320);
    m_splitter->addWidget(m_sidebar->view());
    m_splitter->addWidget(scroller);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setHandleWidth(1);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({240, 900});
    m_splitter->restoreState(
        QZPSettings::standard()->value(QString::fromLatin1(SplitViewAutosaveName)).toByteArray());
    connect(m_splitter, &QSplitter::splitterMoved, this, [this] {
        QZPSettings::standard()->setValue(QString::fromLatin1(SplitViewAutosaveName),
                                          m_splitter->saveState());
    });
    setCentralWidget(m_splitter);
    setMinimumSize(760, 480);
    buildMenus();
}

void QZPEditorWindow::presetChanged(QZPPreset::Change change) {
    m_editor->updateDisplay(true);
    updateTitle();
    // Undo, redo and revert change the whole patch: the instrument gets it again.
    if (change == QZPPreset::Change::Undone || change == QZPPreset::Change::Redone ||
        change == QZPPreset::Change::Cleared)
        sendProgram();
}

QZPEditorWindow::~QZPEditorWindow() = default;

void QZPEditorWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(tr("&Open…"), QKeySequence::Open, this, [this] {
        if (!maybeSave())
            return;
        const QString path = QFileDialog::getOpenFileName(this, tr("Open Preset"), QString(),
                                                          tr("Presets (*.syx *.tbpreset)"));
        if (!path.isEmpty())
            openFile(path);
    });
    file->addAction(tr("&Save"), QKeySequence::Save, this, [this] { save(); });
    file->addAction(tr("Save &As…"), QKeySequence::SaveAs, this, [this] { saveAs(); });
    file->addAction(tr("Send to &Instrument"), QKeySequence(Qt::CTRL | Qt::Key_Return), this,
                    [this] { sendProgram(); });
    file->addSeparator();
    file->addAction(tr("&Quit"), QKeySequence::Quit, this, &QWidget::close);
    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    m_undo = edit->addAction(tr("&Undo"), QKeySequence::Undo, this, [this] {
        if (m_preset)
            m_preset->undoStack()->undo();
    });
    m_redo = edit->addAction(tr("&Redo"), QKeySequence::Redo, this, [this] {
        if (m_preset)
            m_preset->undoStack()->redo();
    });
    edit->addSeparator();
    edit->addAction(tr("&Find"), QKeySequence::Find, this, [this] { m_sidebar->performFindPanelAction(); });

    QMenu* presets = menuBar()->addMenu(tr("&Preset"));
    presets->addAction(tr("&New"), QKeySequence::New, this, &QZPEditorWindow::newPreset);
    presets->addAction(tr("&Rename…"), QKeySequence(Qt::Key_F2), this,
                       [this] { m_sidebar->renameDocument(QZPCommandSource::Menu); });
    presets->addAction(tr("&Duplicate"), QKeySequence(Qt::CTRL | Qt::Key_D), this,
                       [this] { m_sidebar->duplicateDocument(QZPCommandSource::Menu); });
    presets->addAction(tr("Re&vert to Saved"), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_R), this,
                       [this] { m_sidebar->revertDocumentToSaved(QZPCommandSource::Menu); });
    presets->addAction(tr("Show in File &Manager"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R), this,
                       [this] { m_sidebar->revealDocuments(QZPCommandSource::Menu); });
    presets->addSeparator();
    presets->addAction(tr("Show &Selection"), QKeySequence(Qt::CTRL | Qt::Key_L), this,
                       [this] { m_sidebar->focusSelection(); });
    QAction* editedOnly = presets->addAction(tr("Show &Edited Only"));
    editedOnly->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    editedOnly->setCheckable(true);
    connect(editedOnly, &QAction::toggled, m_sidebar, &QZPSidebarController::setFilterForModified);
    connect(m_sidebar, &QZPSidebarController::filterForModifiedChanged, editedOnly, &QAction::setChecked);

    // A draft in the list can be closed from its context menu; recording comes with the main window.
    m_sidebar->recordMenuItem()->setEnabled(false);
    connect(m_sidebar->closeDraftMenuItem(), &QAction::triggered, this, [this] {
        for (QZPPreset* preset : m_sidebar->documentsForSender(QZPCommandSource::ContextMenu))
            if (preset->isNew() && preset != m_preset)
                m_documents->removeDocument(preset);
    });
}

void QZPEditorWindow::sidebarControllerDoubleClickAction(QZPSidebarController*, QObject*) {
    showChosenPreset();
}

void QZPEditorWindow::sidebarControllerReturnKeyAction(QZPSidebarController*, QObject*) {
    showChosenPreset();
}

void QZPEditorWindow::showChosenPreset() {
    QZPPreset* chosen = m_sidebar->documentForSender(QZPCommandSource::List);
    if (!chosen)
        return;
    if (chosen == m_preset)
        sendProgram();
    else
        setPreset(chosen);
}

void QZPEditorWindow::newPreset() {
    setPreset(static_cast<QZPPreset*>(m_documents->openUntitledDocumentAndDisplay(false)));
}

void QZPEditorWindow::setPreset(QZPPreset* preset) {
    if (m_preset) {
        disconnect(m_preset, nullptr, this, nullptr);
        disconnect(m_preset->undoStack(), nullptr, m_undo, nullptr);
        disconnect(m_preset->undoStack(), nullptr, m_redo, nullptr);
    }
    m_documents->addDocument(preset);
    m_preset = preset;
    preset->loadFileContents();
    connect(preset, &QZPPreset::presetChanged, this, &QZPEditorWindow::presetChanged);
    connect(preset, &QZPDocument::displayNameChanged, this, &QZPEditorWindow::updateTitle);
    // A preset whose file went away leaves the library; a new draft takes its place in the editor.
    connect(preset, &QObject::destroyed, this, [this] {
        QTimer::singleShot(0, this, [this] {
            if (!m_preset)
                newPreset();
        });
    });
    connect(preset->undoStack(), &QUndoStack::canUndoChanged, m_undo, &QAction::setEnabled);
    connect(preset->undoStack(), &QUndoStack::canRedoChanged, m_redo, &QAction::setEnabled);
    m_undo->setEnabled(preset->undoStack()->canUndo());
    m_redo->setEnabled(preset->undoStack()->canRedo());
    m_editor->setDocument(preset);
    m_sidebar->setDocument(preset);
    updateTitle();
    sendProgram();
}

bool QZPEditorWindow::openFile(const QString& path) {
    const QZPDocumentController::OpenResult opened = m_documents->openDocumentWithContentsOfURL(
        QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()), false);
    if (!opened.preset) {
        QMessageBox::warning(this, tr("ToneBench"),
                             opened.error.localizedDescription() + QLatin1Char('\n') +
                                 opened.error.localizedFailureReason());
        return false;
    }
    setPreset(opened.preset);
    return true;
}

void QZPEditorWindow::sendProgram() {
    if (m_preset)
        m_engine->sendSysex(m_preset->junoSysexDataWithMidiChannel(quint8(m_engine->targetedMidiChannel())));
}

bool QZPEditorWindow::save() {
    if (!m_preset)
        return false;
    if (m_preset->isNew())
        return saveAs();
    QZPError error;
    if (!m_preset->save(&error)) {
        QMessageBox::warning(this, tr("ToneBench"), error.fullText());
        return false;
    }
    return true;
}

bool QZPEditorWindow::saveAs() {
    if (!m_preset)
        return false;
    QString selected;
    const QString path =
        QFileDialog::getSaveFileName(this, tr("Save Preset"), m_preset->displayName() + ".syx",
                                     tr("SysEx preset (*.syx);;ToneBench preset (*.tbpreset)"), &selected);
    if (path.isEmpty())
        return false;
    QString type = QZPPreset::typeForFileName(path);
    if (type.isEmpty())
        type = QString::fromLatin1(selected.contains(QLatin1String("tbpreset")) ? QZPPreset::PresetType
                                                                                : QZPPreset::SysexType);
    QZPError error;
    if (!m_preset->saveToURL(QUrl::fromLocalFile(path), type, QZPDocument::SaveAsOperation, &error)) {
        QMessageBox::warning(this, tr("ToneBench"), error.fullText());
        return false;
    }
    return true;
}

bool QZPEditorWindow::maybeSave() {
    if (!m_preset || !m_preset->isDocumentEdited())
        return true;
    const auto answer = QMessageBox::question(
        this, tr("ToneBench"),
        tr("Do you want to save the changes made to “%1”?").arg(m_preset->displayName()),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Save)
        return save();
    return answer == QMessageBox::Discard;
}

void QZPEditorWindow::closeEvent(QCloseEvent* event) {
    if (maybeSave())
        event->accept();
    else
        event->ignore();
}

void QZPEditorWindow::updateTitle() {
    if (!m_preset)
        return;
    setWindowTitle(QStringLiteral("%1[*] — ToneBench").arg(m_preset->displayName()));
    setWindowModified(m_preset->isDocumentEdited());
}
