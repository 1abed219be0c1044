// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

class QZPDocumentController;
class QZPMidiEngine;
class QZPPreset;
class QZPRecordOneWindowController;

// Recording one patch from the instrument into a preset: the Record sheet waits on the main window with
// the target (or a new draft) as the current preset; cancelling a new draft's recording closes the draft
// and brings back the preset that was current; an accepted patch goes into the current preset as one undo
// step ("Record <program>") after the sheet has gone, and nothing is sent back.
class QZPPresetRecorder : public QObject {
    Q_OBJECT

public:
    using CurrentPreset = std::function<QZPPreset*()>;
    using ShowWindow = std::function<void()>;

    QZPPresetRecorder(QZPMidiEngine* engine, QZPDocumentController* documents, QWidget* window,
                      CurrentPreset currentPreset, ShowWindow showWindow, QObject* parent = nullptr);
    ~QZPPresetRecorder() override;

    // Into `target`, or into a new draft when there is none.
    void record(QZPPreset* target);
    // The current preset takes the received patch.
    void importDataFrom(QZPPreset* received);
    // Made on first use.
    QZPRecordOneWindowController* sheet();
    bool isWaiting() const;

signals:
    // A patch was recorded into the current preset.
    void recorded(const QString& programName);

private:
    QZPMidiEngine* m_engine;
    QZPDocumentController* m_documents;
    QPointer<QWidget> m_window;
    CurrentPreset m_currentPreset;
    ShowWindow m_showWindow;
    QZPRecordOneWindowController* m_sheet = nullptr;
};
