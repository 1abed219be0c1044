// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/QZPMidiClaviatureSource.h"
#include "midi/QZPMidiMessageDelegate.h"
#include "midi/QZPPatchSettler.h"
#include "model/QZPCommandSource.h"
#include "model/QZPError.h"
#include "sidebar/QZPURLPopUpButtonDelegate.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <functional>

class QLabel;
class QListView;
class QStandardItemModel;
class QWidget;
class QZPMidiEngine;
class QZPPreset;
class QZPProgramSlotGrid;
class QZPURLPopUpButton;

// The Record Multiple Presets window: every distinct Patch message the instrument sends while the window
// holds the engine's messages becomes an unsaved preset in its list (sorted by program name), and the
// 128 program slots show which programs have arrived. Presets can be heard again, removed, and saved as
// preset files into a folder of their own, or as one bank file.
class QZPRecordWindowController : public QObject,
                                  public QZPMidiMessageDelegate,
                                  public QZPURLPopUpButtonDelegate,
                                  public QZPMidiClaviatureSource {
    Q_OBJECT

public:
    QZPRecordWindowController(QZPMidiEngine* engine, const QUrl& libraryFolder, QObject* parent = nullptr);
    ~QZPRecordWindowController() override;

    QWidget* window() const { return m_window; }
    QListView* tableView() const { return m_tableView; }
    QZPProgramSlotGrid* slotGrid() const { return m_slots; }
    QZPURLPopUpButton* urlButton() const { return m_urlButton; }
    QList<QZPPreset*> presets() const;
    QList<QZPPreset*> selectedPresets() const;
    void setSelectedPresets(const QList<QZPPreset*>& presets);
    QUrl presetsFolderURL() const { return m_presetsFolderURL; }

    void showWindow();
    void windowDidBecomeMain();
    void midiEngineDidReceiveSysex(QZPMidiEngine* engine, const QByteArray& sysex,
                                   quint8 messageType) override;
    // Loads the collection into ToneBench Sound as its bank; answers how many programs it holds.
    int loadIntoSound();
    // Whether Patch messages wait for the rest of their run before they are collected.
    bool isSettling() const { return m_settler.isSettling(); }
    void sendProgram(QZPCommandSource source);
    void deleteBackward();
    // Saves every collected preset into the folder in the type, one after another; a taken name asks
    // first. Saved presets leave the list.
    void savePresetsToURL(const QUrl& folderURL, const QString& fileType);
    // Shows the save sheet (type selector) and saves on confirmation.
    void savePrograms();
    // Writes the collection (in list order) as one bank file.
    bool saveBankToFile(const QString& path, QZPError* error) const;

    // The computer keyboard plays notes here while a collected preset is selected.
    bool claviaShouldProcessKeyboardEvent(QZPMidiClaviature* clavia, const QZPKeyEvent& event) override;
    void popUpButtonDidSelectURL(QZPURLPopUpButton* button, const QUrl& url) override;
    void popUpButtonWillDisplayOpenPanel(QZPURLPopUpButton* button, QFileDialog* panel) override;

    // Tests stand in for the user here: the replace question (answers whether to replace) and errors.
    void setReplaceQuestion(std::function<bool(const QZPError&)> ask) { m_askReplace = std::move(ask); }
    void setErrorPresenter(std::function<void(const QZPError&)> present) {
        m_presentError = std::move(present);
    }

    // The two titles the description computes from settings and counts.
    static QString recordMenuItemTitle(bool draftOnRecord);
    static QString recordMultipleWindowTitle(qsizetype count);
    // What loading a bank into ToneBench Sound came to: `loaded` programs, or none (it is not the output).
    static QString soundBankSummary(int loaded);

signals:
    void presetsChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWindow();
    void addPreset(QZPPreset* preset);
    void removePreset(QZPPreset* preset);
    QZPPreset* presetAtRow(int row) const;
    int rowOf(const QZPPreset* preset) const;
    void collectionChanged();
    void selectionDidChange();
    void collect(const QByteArray& sysex);

    QZPMidiEngine* m_engine;
    QWidget* m_window = nullptr;
    QListView* m_tableView = nullptr;
    QStandardItemModel* m_model = nullptr;
    QZPProgramSlotGrid* m_slots = nullptr;
    QZPURLPopUpButton* m_urlButton = nullptr;
    QLabel* m_summary = nullptr;
    QWidget* m_sendButton = nullptr;
    QWidget* m_deleteButton = nullptr;
    // What works on the whole collection: nothing to do with nothing collected.
    QList<QWidget*> m_collectionButtons;
    QHash<QByteArray, QPointer<QZPPreset>> m_presetsMappedByData;
    QZPPatchSettler m_settler;
    QUrl m_presetsFolderURL;
    bool m_userEvent = false;
    std::function<bool(const QZPError&)> m_askReplace;
    std::function<void(const QZPError&)> m_presentError;
};
