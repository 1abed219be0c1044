#include "mainwindow/QZPEditorWindow.h"

#include "editor/QZPEditorController.h"
#include "editor/QZPMainView.h"
#include "midi/QZPMidiEngine.h"
#include "model/QZPPreset.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QUndoStack>
#include <QVBoxLayout>

QZPEditorWindow::QZPEditorWindow(QZPMidiEngine* engine, QWidget* parent)
    : QMainWindow(parent), m_engine(engine), m_editor(new QZPEditorController(engine, this)) {
    auto* background = new QZPMainView(this);
    auto* layout = new QVBoxLayout(background);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_editor->view());
    setCentralWidget(background);
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
}

void QZPEditorWindow::setPreset(QZPPreset* preset) {
    delete m_preset;
    m_preset = preset;
    preset->setParent(this);
    preset->loadFileContents();
    connect(preset, &QZPPreset::presetChanged, this, &QZPEditorWindow::presetChanged);
    connect(preset->undoStack(), &QUndoStack::canUndoChanged, m_undo, &QAction::setEnabled);
    connect(preset->undoStack(), &QUndoStack::canRedoChanged, m_redo, &QAction::setEnabled);
    m_undo->setEnabled(false);
    m_redo->setEnabled(false);
    m_editor->setDocument(preset);
    updateTitle();
    sendProgram();
}

bool QZPEditorWindow::openFile(const QString& path) {
    QZPError error;
    const QString type = QZPPreset::typeForFileName(path);
    QZPPreset* preset = type.isEmpty()
                            ? nullptr
                            : QZPPreset::presetWithContentsOfURL(QUrl::fromLocalFile(path), type, &error);
    if (!preset) {
        QMessageBox::warning(this, tr("ToneBench"),
                             type.isEmpty() ? tr("“%1” is not a preset file.").arg(QFileInfo(path).fileName())
                                            : error.localizedDescription() + QLatin1Char('\n') +
                                                  error.localizedFailureReason());
        return false;
    }
    setPreset(preset);
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
