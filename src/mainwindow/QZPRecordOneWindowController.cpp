// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/QZPRecordOneWindowController.h"

#include "midi/QZPMidiEngine.h"
#include "model/QZPDocumentControllerBase.h"
#include "model/QZPPreset.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

QZPRecordOneWindowController::QZPRecordOneWindowController(QZPMidiEngine* engine,
                                                           QZPDocumentControllerBase* documents,
                                                           QWidget* mainWindow, QObject* parent)
    : QObject(parent), m_engine(engine), m_documents(documents), m_window(new QDialog(mainWindow)),
      m_progressBar(new QProgressBar), m_waiting(new QLabel), m_title(new QLabel), m_description(new QLabel),
      m_accept(nullptr) {
    m_window->setWindowTitle(tr("Record"));
    m_window->setWindowModality(Qt::WindowModal);
    m_window->setMinimumWidth(360);
    auto* layout = new QVBoxLayout(m_window);
    m_waiting->setWordWrap(true);
    m_progressBar->setRange(0, 0); // indeterminate
    m_progressBar->setAccessibleName(tr("Waiting"));
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_description->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(m_window);
    m_accept = buttons->addButton(tr("Record"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    layout->addWidget(m_waiting);
    layout->addWidget(m_progressBar);
    layout->addWidget(m_title);
    layout->addWidget(m_description);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QZPRecordOneWindowController::acceptOperation);
    // Cancel and Escape.
    connect(m_window, &QDialog::rejected, this, [this] {
        if (m_window->result() == QDialog::Rejected)
            emit finished(0);
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QZPRecordOneWindowController::cancelOperation);
    // An input that comes (or goes) while the sheet waits changes what it says.
    connect(engine, &QZPMidiEngine::setupChanged, this, &QZPRecordOneWindowController::updateView);
    connect(&m_settler, &QZPPatchSettler::settled, this,
            [this](const QList<QByteArray>& kept) { take(kept.last()); });
    updateView();
}

QZPRecordOneWindowController::~QZPRecordOneWindowController() {
    if (m_engine)
        m_engine->setDelegate(nullptr);
    delete m_window;
}

void QZPRecordOneWindowController::startRecording(bool intoNewDraft) {
    m_intoNewDraft = intoNewDraft;
    m_showConfirmDialog = false;
    m_receivedPreset.reset();
    m_confirmTitleString.clear();
    m_confirmDescString.clear();
    m_settler.reset();
    m_engine->setDelegate(this);
    updateView();
}

QString QZPRecordOneWindowController::waitingText() const {
    if (m_engine && m_engine->midiSources().isEmpty())
        return tr("No MIDI input: nothing can arrive from the instrument.\nConnect the Juno-106’s MIDI OUT "
                  "to the computer’s MIDI IN (a USB MIDI interface’s port appears by itself), then record "
                  "again. MIDI ▸ Check Connection… says what is missing.");
    return tr("Waiting for a patch from the instrument…\nPress a program button on the Juno-106.");
}

void QZPRecordOneWindowController::updateView() {
    const bool noInput = m_engine && m_engine->midiSources().isEmpty();
    m_waiting->setText(waitingText());
    m_waiting->setVisible(!m_showConfirmDialog);
    m_progressBar->setVisible(!m_showConfirmDialog && !m_receivedPreset && !noInput);
    m_title->setVisible(m_showConfirmDialog);
    m_description->setVisible(m_showConfirmDialog);
    m_title->setText(m_confirmTitleString);
    m_description->setText(m_confirmDescString);
    m_accept->setEnabled(m_showConfirmDialog);
}

// Patch messages of type 0x30 settle first: of a program change's two, the patch switched to is taken.
// Everything after it, and everything else, is ignored until the next recording starts.
void QZPRecordOneWindowController::midiEngineDidReceiveSysex(QZPMidiEngine*, const QByteArray& sysex,
                                                             quint8 messageType) {
    if (!m_receivedPreset)
        m_settler.take(sysex, messageType);
}

// A draft (or a new one, made when the patch has come) takes the patch at once; a preset with a file asks
// first.
void QZPRecordOneWindowController::take(const QByteArray& sysex) {
    if (m_receivedPreset)
        return;
    m_receivedPreset.reset(QZPPreset::presetWithJunoSysexData(sysex));
    const auto* current = m_documents ? qobject_cast<QZPPreset*>(m_documents->currentDocument()) : nullptr;
    if (!m_intoNewDraft && current && !current->isNew()) {
        m_confirmTitleString = tr("Received Patch %1?").arg(m_receivedPreset->programName());
        m_confirmDescString = tr("Overwrite “%1”?").arg(current->displayName());
        m_showConfirmDialog = true;
        updateView();
        return;
    }
    updateView();
    acceptOperation();
}

void QZPRecordOneWindowController::acceptOperation() {
    m_progressBar->setVisible(false);
    m_window->done(QDialog::Accepted);
    emit finished(1);
}

void QZPRecordOneWindowController::cancelOperation() {
    m_settler.reset();
    m_progressBar->setVisible(false);
    m_window->done(QDialog::Rejected);
}
