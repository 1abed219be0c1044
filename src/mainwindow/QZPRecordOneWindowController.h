// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/QZPMidiMessageDelegate.h"
#include "midi/QZPPatchSettler.h"

#include <QObject>
#include <QPointer>
#include <memory>

#include <QDialog>
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;
class QZPDocumentControllerBase;
class QZPMidiEngine;
class QZPPreset;

// The Record sheet: a window-modal dialog on the main window that waits for the patch the instrument
// switches to (the last of the Patch messages it sends back to back on a program change) and, when the
// current preset has a file, asks before it is overwritten. It ends with 1
// (take `receivedPreset`) or 0 (cancelled).
class QZPRecordOneWindowController : public QObject, public QZPMidiMessageDelegate {
    Q_OBJECT

public:
    QZPRecordOneWindowController(QZPMidiEngine* engine, QZPDocumentControllerBase* documents,
                                 QWidget* mainWindow, QObject* parent = nullptr);
    ~QZPRecordOneWindowController() override;

    QDialog* window() const { return m_window; }
    QZPPreset* receivedPreset() const { return m_receivedPreset.get(); }
    bool showConfirmDialog() const { return m_showConfirmDialog; }
    QString confirmTitleString() const { return m_confirmTitleString; }
    QString confirmDescString() const { return m_confirmDescString; }

    // Back to waiting: nothing received, the engine's messages come here, the progress bar runs (or,
    // with no MIDI input at all, the sheet says so). For a new draft the patch is taken at once.
    void startRecording(bool intoNewDraft = false);
    QString waitingText() const;
    void acceptOperation();
    void cancelOperation();

    void midiEngineDidReceiveSysex(QZPMidiEngine* engine, const QByteArray& sysex,
                                   quint8 messageType) override;

signals:
    void finished(int returnCode);

private:
    void updateView();
    void take(const QByteArray& sysex);

    QZPMidiEngine* m_engine;
    QZPDocumentControllerBase* m_documents;
    QPointer<QDialog> m_window;
    QProgressBar* m_progressBar;
    QLabel* m_waiting;
    QLabel* m_title;
    QLabel* m_description;
    QPushButton* m_accept;
    QZPPatchSettler m_settler;
    std::unique_ptr<QZPPreset> m_receivedPreset;
    bool m_showConfirmDialog = false;
    bool m_intoNewDraft = false;
    QString m_confirmTitleString;
    QString m_confirmDescString;
};
