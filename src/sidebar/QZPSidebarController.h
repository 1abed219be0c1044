// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPCommandSource.h"

#include <QObject>
#include <QPointer>

#include "sidebar/QZPSidebarView.h"

class QAction;
class QLabel;
class QMenu;
class QZPError;
class QZPFilterField;
class QZPLibraryFolderChooser;
#include "model/QZPPreset.h"
class QZPPresetFilter;
class QZPPresetListModel;
class QZPMarksEditor;
class QZPPresetsController;
class QZPSettings;
class QZPSidebarControllerDelegate;
class QZPSidebarView;
class QZPTableView;
class QZPURLPopUpButton;

// The library pane: the folder chooser, the filter field and the list of the library's presets, with
// the row of the current preset (the active row) marked apart from the selection. It decides which
// presets a command acts on, runs inline renames, and keeps the list's filter in step with the field
// and the modified-only switch.
class QZPSidebarController : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool filterForModified READ filterForModified WRITE setFilterForModified NOTIFY
                   filterForModifiedChanged)
    Q_PROPERTY(QString filterString READ filterString WRITE setFilterString NOTIFY filterStringChanged)

public:
    // The settings key under which the library's folder chooser keeps its folder and recents.
    static constexpr const char* FolderChooserAutosaveName = "QZPPresetsFolderURL";
    static constexpr const char* FilterRecentsAutosaveName = "QZPFilterRecentSearches";

    QZPSidebarController(QZPPresetsController* presets, QZPSettings* settings = nullptr,
                         QObject* parent = nullptr);
    ~QZPSidebarController() override;

    QZPSidebarView* view() const { return m_view; }
    QZPPresetsController* presetsController() const { return m_presets; }
    QZPTableView* tableView() const { return m_tableView; }
    QZPURLPopUpButton* urlButton() const { return m_urlButton; }
    QZPFilterField* filterSearchField() const { return m_filterSearchField; }
    QLabel* noFilterResultsField() const { return m_noFilterResultsField; }
    QMenu* contextMenu() const { return m_contextMenu; }
    QAction* closeDraftMenuItem() const { return m_closeDraftMenuItem; }
    QAction* recordMenuItem() const { return m_recordMenuItem; }
    QZPPresetListModel* listModel() const { return m_listModel; }

    QZPSidebarControllerDelegate* delegate() const { return m_delegate; }
    void setDelegate(QZPSidebarControllerDelegate* delegate) { m_delegate = delegate; }

    bool allowEditing() const { return m_allowEditing; }
    bool filterForModified() const { return m_filterForModified; }
    void setFilterForModified(bool on);
    QString filterString() const { return m_filterString; }
    void setFilterString(const QString& text);
    QZPPresetFilter filterPredicate() const;

    QZPPreset* document() const { return m_document; }
    // The current preset changed: it becomes the active row and the only selected one.
    void setDocument(QZPPreset* preset);

    // The presets a command from `source` acts on: a context click's row (or the selection it is part
    // of), else the selection, else the current preset.
    // The rows the user sees selected (the clicked row, or the selection it is part of, for the context
    // menu): what marks act on, never a current preset the filter hides.
    QList<QZPPreset*> selectedRows(QZPCommandSource source) const;
    QList<QZPPreset*> documentsForSender(QZPCommandSource source) const;
    QZPPreset* documentForSender(QZPCommandSource source) const;

    // List commands.
    void renameDocument(QZPCommandSource source);
    void duplicateDocument(QZPCommandSource source);
    void revertDocumentToSaved(QZPCommandSource source);
    void revealDocuments(QZPCommandSource source);
    void focusSelection();
    void performFindPanelAction();
    void updateDisplay();
    void scrollActiveRowToVisible(bool centerDisplay);
    void updateActiveRow();
    // Shows the whole list and selects the presets of these files (those it lists), bringing them into view.
    void selectFiles(const QStringList& paths);
    // Preset ▸ Find Similar, in the list.
    static constexpr qsizetype SimilarCount = 50;
    void findSimilar(QZPCommandSource source);
    // Favourites and tags of the presets a command acts on: the star is set on all unless all have it,
    // and the tags are asked for in a dialog and given to each.
    void toggleFavourite(QZPCommandSource source);
    void editTags(QZPCommandSource source);
    // What the filter field says of its words: the words it knows, or why the query can never hold.
    QString filterHelp() const;
    // Why the filter cannot be what was typed: a query that can never hold, or text cut at the field's
    // length; empty when there is nothing to say.
    QString filterProblem() const;
    // Copies preset files into the library's folder, as a drop onto the list does.
    void importFiles(const QStringList& paths);

    // Folder chooser delegate.

signals:
    // What a command did, for the status bar ("Copied 3 presets into “Lib”").
    void statusMessage(const QString& text);
    void filterForModifiedChanged(bool on);
    void filterStringChanged(const QString& text);

private:
    void buildView();
    void setupURLButton();
    void setupTableView();
    void setupFilter();
    void menuNeedsUpdate();
    void showContextMenu(const QPoint& globalPosition);
    void controlTextDidEndEditing();
    void arrangedObjectsChanged();
    void updateNoResults();
    void updateFilterProblem();
    void updateSimilarBar();
    // Whether the filter or a waiting Find Similar asks about the presets' sounds or marks.
    bool asksAboutSounds() const;
    void updateReadingLabel(qsizetype looked, qsizetype total);
    // The presets of `source` that can take marks; says so in the status bar when none can.
    // The list's selection and the library's, kept the same both ways.
    void selectionDidChangeInView();
    void applySelectionToView();
    void rememberScrollPosition();
    void restoreScrollPosition();
    void presentErrors(const QList<QZPError>& errors);

    QZPPresetsController* m_presets;
    // Stars and tags the presets the commands are for.
    QZPMarksEditor* m_marks = nullptr;
    QZPSettings* m_settings;
    QPointer<QZPSidebarView> m_view;
    QZPTableView* m_tableView = nullptr;
    QZPPresetListModel* m_listModel = nullptr;
    QZPURLPopUpButton* m_urlButton = nullptr;
    QPointer<QZPLibraryFolderChooser> m_folderChooser;
    QZPFilterField* m_filterSearchField = nullptr;
    QLabel* m_noFilterResultsField = nullptr;
    QLabel* m_readingLabel = nullptr;
    QWidget* m_similarBar = nullptr;
    QLabel* m_similarLabel = nullptr;
    // Find Similar was asked for: its best is selected when the ranking arrives.
    bool m_selectBestSimilar = false;
    QMenu* m_contextMenu = nullptr;
    QMenu* m_filterRecentsTemplate = nullptr;
    QAction* m_closeDraftMenuItem = nullptr;
    QAction* m_recordMenuItem = nullptr;
    QZPSidebarControllerDelegate* m_delegate = nullptr;
    QPointer<QZPPreset> m_document;
    QMetaObject::Connection m_documentFileURLConnection;
    bool m_allowEditing = false;
    bool m_filterForModified = false;
    QString m_filterString;
    bool m_syncingSelection = false;
    bool m_activeRowUpdateQueued = false;
    // The preset at the top of the list before a refresh, so the list stays where it was.
    QPointer<QZPPreset> m_topPreset;
    int m_topPresetOffset = 0;
};
