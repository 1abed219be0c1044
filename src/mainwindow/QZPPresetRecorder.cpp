// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/QZPPresetRecorder.h"

#include "library/QZPUserNotifications.h"
#include "mainwindow/QZPDocumentController.h"
#include "mainwindow/QZPRecordOneWindowController.h"
#include "model/QZPPreset.h"

QZPPresetRecorder::QZPPresetRecorder(QZPMidiEngine* engine, QZPDocumentController* documents, QWidget* window,
                                     CurrentPreset currentPreset, ShowWindow showWindow, QObject* parent)
    : QObject(parent), m_engine(engine), m_documents(documents), m_window(window),
      m_currentPreset(std::move(currentPreset)), m_showWindow(std::move(showWindow)) {}

QZPPresetRecorder::~QZPPresetRecorder() {
    delete m_sheet;
}

QZPRecordOneWindowController* QZPPresetRecorder::sheet() {
    if (!m_sheet)
        m_sheet = new QZPRecordOneWindowController(m_engine, m_documents, m_window, this);
    return m_sheet;
}

bool QZPPresetRecorder::isWaiting() const {
    return m_sheet && m_sheet->window()->isVisible();
}

// Into a new draft, the draft is made when the patch has come: a recording cancelled (or one that
// could never receive, with no MIDI input) leaves no stray draft behind.
void QZPPresetRecorder::record(QZPPreset* target) {
    m_showWindow(); // the sheet waits on the main window, also when asked for from another window
    if (target && target != m_currentPreset())
        target->makeWindowControllers();
    const bool intoNewDraft = !target;
    QZPRecordOneWindowController* waiting = sheet();
    disconnect(waiting, &QZPRecordOneWindowController::finished, this, nullptr);
    connect(waiting, &QZPRecordOneWindowController::finished, this, [this, waiting, intoNewDraft](int code) {
        disconnect(waiting, &QZPRecordOneWindowController::finished, this, nullptr);
        if (code == 0)
            return;
        QMetaObject::invokeMethod(
            this,
            [this, waiting, intoNewDraft] {
                if (QZPPreset* received = waiting->receivedPreset()) {
                    if (intoNewDraft)
                        m_documents->newDocument();
                    importDataFrom(received);
                }
            },
            Qt::QueuedConnection);
    });
    waiting->startRecording(intoNewDraft);
    waiting->window()->open();
}

void QZPPresetRecorder::importDataFrom(QZPPreset* received) {
    QZPPreset* current = m_currentPreset();
    if (!current || !received)
        return;
    const QString program = received->programName();
    // A patch the preset already holds changes nothing and makes no undo step: the step before keeps
    // its name.
    current->replacePatch(received->junoSysexData(), tr("Record %1").arg(program));
    emit recorded(program);
    QZPUserNotifications::postNotification(tr("Received Preset"),
                                           tr("Recorded %1 to “%2”").arg(program, current->displayName()));
}
