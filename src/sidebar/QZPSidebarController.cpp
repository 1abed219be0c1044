// SPDX-License-Identifier: GPL-3.0-or-later
#include "sidebar/QZPSidebarController.h"

#include "library/QZPFileManager.h"
#include "library/QZPPresetFileImporter.h"
#include "library/QZPPresetFilter.h"
#include "library/QZPPresetsController.h"
#include "model/QZPError.h"
#include "model/QZPErrorPresenter.h"
#include "model/QZPPatchQuery.h"
#include "model/QZPPlural.h"
#include "model/QZPPreset.h"
#include "model/QZPSettings.h"
#include "sidebar/QZPBankImportRunner.h"
#include "sidebar/QZPFilterField.h"
#include "sidebar/QZPLibraryFolderChooser.h"
#include "sidebar/QZPMarksEditor.h"
#include "sidebar/QZPPresetListModel.h"
#include "sidebar/QZPSidebarControllerDelegate.h"
#include "sidebar/QZPSidebarView.h"
#include "sidebar/QZPTableRowView.h"
#include "sidebar/QZPTableView.h"
#include "sidebar/QZPURLPopUpButton.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

QZPSidebarController::QZPSidebarController(QZPPresetsController* presets, QZPSettings* settings,
                                           QObject* parent)
    : QObject(parent), m_presets(presets), m_settings(settings ? settings : QZPSettings::standard()) {
    buildView();
    m_marks = new QZPMarksEditor(m_presets, m_view, this);
    connect(m_marks, &QZPMarksEditor::statusMessage, this, &QZPSidebarController::statusMessage);
    setupURLButton();
    setupTableView();
    setupFilter();
    connect(m_presets, &QAbstractItemModel::modelAboutToBeReset, this,
            &QZPSidebarController::rememberScrollPosition);
    connect(m_presets, &QAbstractItemModel::modelReset, this, [this] {
        applySelectionToView();
        restoreScrollPosition();
        arrangedObjectsChanged();
    });
    connect(m_presets, &QAbstractItemModel::rowsInserted, this,
            &QZPSidebarController::arrangedObjectsChanged);
    connect(m_presets, &QAbstractItemModel::rowsRemoved, this, &QZPSidebarController::arrangedObjectsChanged);
    connect(m_presets, &QAbstractItemModel::dataChanged, this, &QZPSidebarController::updateDisplay);
    connect(m_presets, &QZPPresetsController::selectionChanged, this,
            &QZPSidebarController::applySelectionToView);
    connect(m_presets, &QZPPresetsController::presetsFolderURLChanged, this,
            &QZPSidebarController::updateNoResults);
    // A query's values are read on the chosen scale: a new choice reads the typed words again.
    connect(m_settings, &QZPSettings::valueChanged, this, [this](const QString& key) {
        if (key != QLatin1String(QZPSettings::ValueScaleKey))
            return;
        m_presets->setFilterPredicate(filterPredicate());
        updateFilterProblem();
    });
    updateNoResults();
}

QZPSidebarController::~QZPSidebarController() {
    // The view may outlive this controller inside a window being torn down: it must not call back.
    if (m_view) {
        m_tableView->disconnect(this);
        delete m_folderChooser;
        delete m_view;
    }
}

void QZPSidebarController::buildView() {
    m_view = new QZPSidebarView;
    m_view->setMinimumWidth(200);
    m_view->setAccessibleName(tr("Library"));
    auto* layout = new QVBoxLayout(m_view);
    layout->setContentsMargins(8, 8, 0, 0);
    layout->setSpacing(6);

    m_urlButton = new QZPURLPopUpButton(m_view, m_settings);
    m_urlButton->setAccessibleName(tr("Presets Folder"));
    QPalette buttonColours = m_urlButton->palette();
    buttonColours.setColor(QPalette::ButtonText, Qt::white);
    buttonColours.setColor(QPalette::Button, QColor(255, 255, 255, 36));
    m_urlButton->setPalette(buttonColours);
    layout->addWidget(m_urlButton);

    m_filterSearchField = new QZPFilterField(m_view, m_settings);
    m_filterSearchField->setAccessibleName(tr("Filter"));
    auto* filterRow = new QHBoxLayout;
    filterRow->setContentsMargins(0, 0, 8, 0);
    filterRow->addWidget(m_filterSearchField);
    layout->addLayout(filterRow);

    // While the list reads its presets' sounds and the filter or Find Similar asks about them: how far.
    m_readingLabel = new QLabel(m_view);
    m_readingLabel->setStyleSheet(QStringLiteral("color: rgba(255, 255, 255, 150);"));
    m_readingLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_readingLabel->hide();
    layout->addWidget(m_readingLabel);

    // Over a Find Similar ranking: what the list is ranked against, and the way back to the whole list.
    m_similarBar = new QWidget(m_view);
    auto* similarRow = new QHBoxLayout(m_similarBar);
    similarRow->setContentsMargins(0, 0, 8, 0);
    m_similarLabel = new QLabel(m_similarBar);
    m_similarLabel->setStyleSheet(QStringLiteral("color: rgba(255, 255, 255, 200);"));
    m_similarLabel->setWordWrap(true);
    m_similarLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* showAll = new QPushButton(tr("Show All"), m_similarBar);
    showAll->setAccessibleName(tr("Show All"));
    connect(showAll, &QPushButton::clicked, m_presets, &QZPPresetsController::showAll);
    similarRow->addWidget(m_similarLabel, 1);
    similarRow->addWidget(showAll);
    m_similarBar->hide();
    layout->addWidget(m_similarBar);

    m_tableView = new QZPTableView(m_view);
    m_tableView->setAccessibleName(tr("Presets"));
    m_listModel = new QZPPresetListModel(m_presets, this);
    m_tableView->setModel(m_listModel);
    m_tableView->setItemDelegate(new QZPTableRowView(m_tableView));
    QPalette colours = m_tableView->palette();
    colours.setColor(QPalette::Base, Qt::transparent);
    m_tableView->setPalette(colours);
    m_tableView->viewport()->setAutoFillBackground(false);
    m_tableView->setAttribute(Qt::WA_TranslucentBackground);
    m_tableView->verticalScrollBar()->setStyleSheet(QStringLiteral(
        "QScrollBar:vertical { background: transparent; width: 8px; margin: 2px; }"
        "QScrollBar::handle:vertical { background: rgba(255, 255, 255, 70); border-radius: 2px; min-height: "
        "24px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }"));
    layout->addWidget(m_tableView, 1);
    m_filterSearchField->setTableView(m_tableView);

    m_noFilterResultsField = new QLabel(m_tableView->viewport());
    m_noFilterResultsField->setAlignment(Qt::AlignCenter);
    m_noFilterResultsField->setWordWrap(true);
    m_noFilterResultsField->setStyleSheet(QStringLiteral("color: rgba(255, 255, 255, 150);"));
    m_noFilterResultsField->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_contextMenu = new QMenu(m_tableView);
    m_contextMenu->addAction(tr("Rename…"), this, [this] { renameDocument(QZPCommandSource::ContextMenu); });
    m_contextMenu->addAction(tr("Duplicate"), this,
                             [this] { duplicateDocument(QZPCommandSource::ContextMenu); });
    m_contextMenu->addAction(tr("Revert to Saved"), this,
                             [this] { revertDocumentToSaved(QZPCommandSource::ContextMenu); });
    m_contextMenu->addAction(tr("Show in File Manager"), this,
                             [this] { revealDocuments(QZPCommandSource::ContextMenu); });
    m_contextMenu->addSeparator();
    m_contextMenu->addAction(tr("Favourite"), this,
                             [this] { toggleFavourite(QZPCommandSource::ContextMenu); });
    m_contextMenu->addAction(tr("Tags…"), this, [this] { editTags(QZPCommandSource::ContextMenu); });
    m_contextMenu->addSeparator();
    m_recordMenuItem = m_contextMenu->addAction(tr("Record…"));
    m_closeDraftMenuItem = m_contextMenu->addAction(tr("Close Draft"));
    connect(m_contextMenu, &QMenu::aboutToShow, this, &QZPSidebarController::menuNeedsUpdate);
}

// MARK: Set-up

// The chooser restores the folder kept under its autosave name; that folder becomes the library's, and
// from then on a folder set on the library elsewhere shows in the chooser too.
void QZPSidebarController::setupURLButton() {
    m_urlButton->setAllowedFileTypes({QString::fromLatin1(QZPURLPopUpButton::FolderType)});
    m_urlButton->setAllowNone(true);
    m_urlButton->setShowClearRecents(true);
    m_urlButton->setAutosaveName(QString::fromLatin1(FolderChooserAutosaveName));
    m_presets->setPresetsFolderURL(m_urlButton->URL());
    // Bound: the library's folder shows in the chooser now (and so is among its recents) and from now on.
    m_folderChooser = new QZPLibraryFolderChooser(m_urlButton, m_presets, this);
}

void QZPSidebarController::setupTableView() {
    connect(m_tableView, &QAbstractItemView::doubleClicked, this, [this] {
        if (m_delegate)
            m_delegate->sidebarControllerDoubleClickAction(this, m_tableView);
    });
    // With the setting on, a plain click on a row (no Shift or Ctrl choosing several) makes it current.
    connect(m_tableView, &QAbstractItemView::clicked, this, [this] {
        if (m_delegate && m_settings->boolValue(QString::fromLatin1(QZPSettings::ClickMakesCurrentKey)) &&
            !(QGuiApplication::keyboardModifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) &&
            selectedRows(QZPCommandSource::List).size() == 1)
            m_delegate->sidebarControllerDoubleClickAction(this, m_tableView);
    });
    connect(m_tableView, &QZPTableView::returnKeyPressed, this, [this] {
        if (m_delegate)
            m_delegate->sidebarControllerReturnKeyAction(this, m_tableView);
    });
    connect(m_tableView, &QZPTableView::spaceKeyPressed, this, [this] {
        if (m_delegate)
            m_delegate->sidebarControllerSpaceKeyAction(this);
    });
    connect(m_tableView, &QZPTableView::browsed, this, [this] {
        if (m_delegate)
            m_delegate->sidebarControllerBrowsed(this);
    });
    connect(m_tableView, &QZPTableView::contextMenuRequested, this, &QZPSidebarController::showContextMenu);
    connect(m_tableView, &QZPTableView::filesDropped, this, &QZPSidebarController::importFiles);
    // A click in the star column stars that row alone, the selection left as it is.
    connect(m_tableView, &QZPTableView::favouriteClicked, this, [this](int row) {
        if (QZPPreset* preset = m_listModel->presetAt(row); preset && m_presets->canMark(preset))
            m_marks->toggleFavourite({preset});
    });
    connect(m_presets, &QZPPresetsController::similarChanged, this, &QZPSidebarController::updateSimilarBar);
    connect(m_presets, &QZPPresetsController::patchesRead, this, [this] {
        updateNoResults();
        updateReadingLabel(0, 0);
    });
    connect(m_presets, &QZPPresetsController::patchesProgress, this,
            &QZPSidebarController::updateReadingLabel);
    // Escape in the list or the filter field ends a Find Similar ranking, as Show All does.
    connect(m_tableView, &QZPTableView::escapePressed, m_presets, &QZPPresetsController::showAll);
    connect(m_filterSearchField, &QZPFilterField::escapePressed, m_presets, &QZPPresetsController::showAll);
    connect(m_presets, &QZPPresetsController::marksUnreadable, this,
            [](const QZPError& error) { QZPErrorPresenter::shared()->presentError(error); });
    connect(m_tableView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &QZPSidebarController::selectionDidChangeInView);
    // The end of an inline rename, committed or not: editing is over and the list has the focus again.
    connect(m_tableView->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
            &QZPSidebarController::controlTextDidEndEditing, Qt::QueuedConnection);
}

void QZPSidebarController::setupFilter() {
    connect(m_filterSearchField, &QLineEdit::textChanged, this, &QZPSidebarController::setFilterString);
    m_filterSearchField->setToolTip(filterHelp());
    connect(this, &QZPSidebarController::filterForModifiedChanged, m_filterSearchField,
            &QZPFilterField::setActive);
    // Return in the field hands the focus to the list (the field inserts nothing).
    connect(m_filterSearchField, &QLineEdit::returnPressed, this, [this] {
        QTimer::singleShot(0, m_tableView, [this] { m_tableView->setFocus(Qt::OtherFocusReason); });
    });

    m_filterRecentsTemplate = new QMenu(tr("Filter Recents Menu"), m_view);
    const auto addItem = [this](const QString& title, int tag) {
        QAction* item = m_filterRecentsTemplate->addAction(title);
        item->setData(tag);
        item->setEnabled(false);
    };
    addItem(tr("Recent Filters"), QZPFilterField::RecentsTitleMenuItemTag);
    addItem(QStringLiteral("[Technical_Placeholder]"), QZPFilterField::RecentsMenuItemTag);
    addItem(tr("No Items"), QZPFilterField::NoRecentsMenuItemTag);
    m_filterRecentsTemplate->addSeparator();
    addItem(tr("Clear Recents"), QZPFilterField::ClearRecentsMenuItemTag);
    m_filterSearchField->setSearchMenuTemplate(m_filterRecentsTemplate);
    m_filterSearchField->setRecentsAutosaveName(QString::fromLatin1(FilterRecentsAutosaveName));
}

// MARK: Filter

QZPPresetFilter QZPSidebarController::filterPredicate() const {
    return QZPPresetFilter::predicate(m_filterString, m_filterForModified, QZPValueScale::chosen(m_settings));
}

void QZPSidebarController::setFilterForModified(bool on) {
    if (on == m_filterForModified)
        return;
    m_filterForModified = on;
    m_presets->setFilterPredicate(filterPredicate());
    emit filterForModifiedChanged(on);
}

void QZPSidebarController::setFilterString(const QString& text) {
    if (text == m_filterString)
        return;
    m_filterString = text;
    if (m_filterSearchField->text() != text)
        m_filterSearchField->setText(text);
    m_presets->setFilterPredicate(filterPredicate());
    updateFilterProblem();
    emit filterStringChanged(text);
}

QString QZPSidebarController::filterProblem() const {
    // The field keeps no more than its longest text: a longer paste is cut there, and that is said.
    if (m_filterString.size() >= m_filterSearchField->maxLength())
        return tr("The filter holds at most %L1 characters: the rest of the text was left out.")
            .arg(m_filterSearchField->maxLength());
    return m_presets->filterPredicate().problem();
}

QString QZPSidebarController::filterHelp() const {
    const QString problem = filterProblem();
    if (!problem.isEmpty())
        return problem;
    const QZPValueScale scale = QZPValueScale::chosen(m_settings);
    // The examples' values on the scale the query reads.
    return tr("Filter by name, or by sound and marks with words such as vcf>%1, res>=%2, chorus:II, saw, "
              "env:gate, fav or #pad; words are joined with spaces, and all must hold. Slider values go "
              "%3 (Preferences ▸ Readouts and filter).\n\n%4")
        .arg(scale.text(90).remove(QLatin1Char(' ')), scale.text(100).remove(QLatin1Char(' ')),
             scale.rangeText(), QZPPatchQuery::vocabulary(scale));
}

// A query that can never hold says why at once, over the field, and in place of the empty list's words.
void QZPSidebarController::updateFilterProblem() {
    const QString problem = filterProblem();
    m_filterSearchField->setToolTip(filterHelp());
    m_filterSearchField->setAccessibleDescription(problem);
    if (!problem.isEmpty() && m_filterSearchField->hasFocus())
        QToolTip::showText(m_filterSearchField->mapToGlobal(QPoint(0, m_filterSearchField->height())),
                           problem, m_filterSearchField);
    else
        QToolTip::hideText();
    updateNoResults();
}

void QZPSidebarController::selectFiles(const QStringList& paths) {
    setFilterString({});
    setFilterForModified(false);
    m_presets->showAll();
    QList<QZPPreset*> presets;
    for (const QString& path : paths)
        if (QZPPreset* preset = m_presets->presetForPath(path))
            presets << preset;
    m_presets->setSelectedObjects(presets);
    m_tableView->scrollSelectionToCenter();
    m_tableView->setFocus(Qt::OtherFocusReason);
}

bool QZPSidebarController::asksAboutSounds() const {
    const QZPPresetFilter& filter = m_presets->filterPredicate();
    return filter.usesPatch() || filter.usesMarks() ||
           (m_presets->isShowingSimilar() && !m_presets->isRanked());
}

void QZPSidebarController::updateReadingLabel(qsizetype looked, qsizetype total) {
    const bool shown = total > 0 && looked < total && m_presets->isReadingPatches() && asksAboutSounds();
    m_readingLabel->setVisible(shown);
    if (shown)
        m_readingLabel->setText(tr("Reading the presets’ sounds: %L1 of %L2…").arg(looked).arg(total));
}

// MARK: Find Similar

// The list ranks the presets closest in sound to the selected preset (else the current one) in place of
// the filter's, best first with their distances, and the first is selected.
void QZPSidebarController::findSimilar(QZPCommandSource source) {
    QZPPreset* preset = documentForSender(source);
    // A listed preset's patch is read from its file the first time it is needed.
    if (!preset || !preset->loadFileContents())
        return;
    setFilterString({});
    m_tableView->setFocus(Qt::OtherFocusReason);
    m_selectBestSimilar = true;
    if (!m_presets->showSimilar(preset, SimilarCount))
        m_selectBestSimilar = false;
}

// The bar over a ranking; once the ranking is in the list (at once, or when the patches are read), its
// best is selected and the list shown from the top.
void QZPSidebarController::updateSimilarBar() {
    if (m_selectBestSimilar && m_presets->isRanked()) {
        m_selectBestSimilar = false;
        if (m_presets->arrangedCount() > 0)
            m_presets->setSelectionIndex(0);
        m_tableView->scrollToTop();
    }
    const bool shown = m_presets->isShowingSimilar();
    m_similarBar->setVisible(shown);
    if (shown)
        m_similarLabel->setText(
            !m_presets->isRanked()
                ? tr("Reading the presets’ sounds to rank them against “%1”…").arg(m_presets->similarName())
            : m_presets->arrangedCount() == 0
                ? tr("No presets to rank against “%1”.").arg(m_presets->similarName())
                : tr("Closest in sound to “%1”").arg(m_presets->similarName()));
    m_similarBar->setAccessibleName(m_similarLabel->text());
    updateNoResults();
}

// MARK: Marks

void QZPSidebarController::toggleFavourite(QZPCommandSource source) {
    m_marks->toggleFavourite(selectedRows(source));
}

void QZPSidebarController::editTags(QZPCommandSource source) {
    m_marks->editTags(selectedRows(source));
}

// MARK: Current preset

void QZPSidebarController::setDocument(QZPPreset* preset) {
    disconnect(m_documentFileURLConnection);
    m_document = preset;
    const bool hadSelection = !m_presets->selectionIndexes().isEmpty();
    if (!preset)
        return;
    // Saved or moved: its row is brought into view at once.
    m_documentFileURLConnection =
        connect(preset, &QZPDocument::fileURLChanged, this, [this] { scrollActiveRowToVisible(true); });
    updateActiveRow();
    m_presets->setSelectedObjects({preset});
    QTimer::singleShot(0, this, [this, hadSelection] { scrollActiveRowToVisible(!hadSelection); });
}

// A current preset that is not listed (filtered out, or a draft a refresh dropped) marks no row: the
// row it had now belongs to another preset.
void QZPSidebarController::updateActiveRow() {
    m_activeRowUpdateQueued = false;
    if (!m_document)
        return;
    const qsizetype row = m_presets->arrangedIndexOf(m_document.data());
    m_tableView->setActiveRow(row);
}

void QZPSidebarController::scrollActiveRowToVisible(bool centerDisplay) {
    if (m_listModel->rowCount() == 0)
        return;
    if (centerDisplay) {
        m_tableView->scrollSelectionToCenter();
        return;
    }
    const qint64 row = m_tableView->activeRow();
    if (row >= 0 && row < m_listModel->rowCount())
        m_tableView->scrollTo(m_listModel->index(int(row), 0));
}

void QZPSidebarController::arrangedObjectsChanged() {
    updateNoResults();
    if (m_activeRowUpdateQueued)
        return;
    m_activeRowUpdateQueued = true;
    QTimer::singleShot(0, this, &QZPSidebarController::updateActiveRow);
}

void QZPSidebarController::updateDisplay() {
    m_tableView->updateModifiedColumn();
}

// Shown only over an empty list, saying why it is empty.
void QZPSidebarController::updateNoResults() {
    const bool empty = m_listModel->rowCount() == 0;
    m_noFilterResultsField->setVisible(empty);
    if (!empty)
        return;
    if (m_presets->presetsFolderURL().isEmpty())
        m_noFilterResultsField->setText(tr("No presets folder.\nChoose one above."));
    else if (const QString problem = filterProblem(); !problem.isEmpty())
        m_noFilterResultsField->setText(problem);
    else if (asksAboutSounds() && m_presets->isReadingPatches())
        m_noFilterResultsField->setText(tr("Reading the presets’ sounds…"));
    else if (!m_presets->filterPredicate().isNull())
        m_noFilterResultsField->setText(tr("No Results"));
    else
        m_noFilterResultsField->setText(tr("No presets in this folder."));
    m_noFilterResultsField->setGeometry(m_tableView->viewport()->rect().adjusted(12, 0, -12, -40));
}

// MARK: Selection

void QZPSidebarController::selectionDidChangeInView() {
    if (m_syncingSelection)
        return;
    // By row: selecting a long list makes no preset objects.
    QList<int> selected;
    for (const QModelIndex& index : m_tableView->selectionModel()->selectedIndexes())
        selected << index.row();
    m_syncingSelection = true;
    m_presets->setSelectionIndexes(selected);
    m_syncingSelection = false;
}

void QZPSidebarController::applySelectionToView() {
    if (m_syncingSelection)
        return;
    QItemSelection selection;
    const QList<int> rows = m_presets->selectionIndexes();
    for (qsizetype i = 0; i < rows.size();) {
        // Runs of rows as one range each.
        qsizetype j = i;
        while (j + 1 < rows.size() && rows.at(j + 1) == rows.at(j) + 1)
            ++j;
        selection.select(m_listModel->index(rows.at(i), 0), m_listModel->index(rows.at(j), 0));
        i = j + 1;
    }
    m_syncingSelection = true;
    m_tableView->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (!rows.isEmpty())
        m_tableView->setCurrentRow(m_listModel->index(rows.first(), 0));
    m_syncingSelection = false;
}

void QZPSidebarController::rememberScrollPosition() {
    const QModelIndex top = m_tableView->indexAt(QPoint(0, 0));
    m_topPreset = m_listModel->presetAt(top.row());
    m_topPresetOffset = top.isValid() ? m_tableView->visualRect(top).top() : 0;
}

// The preset that was at the top stays there, to the pixel.
void QZPSidebarController::restoreScrollPosition() {
    const qsizetype row = m_topPreset ? m_presets->arrangedIndexOf(m_topPreset.data()) : -1;
    if (row < 0)
        return;
    m_tableView->scrollTo(m_listModel->index(int(row), 0), QAbstractItemView::PositionAtTop);
    QScrollBar* bar = m_tableView->verticalScrollBar();
    bar->setValue(bar->value() - m_topPresetOffset);
}

// MARK: Commands

QList<QZPPreset*> QZPSidebarController::selectedRows(QZPCommandSource source) const {
    if (source == QZPCommandSource::ContextMenu) {
        const int clicked = m_tableView->clickedRow();
        QZPPreset* preset = m_listModel->presetAt(clicked);
        if (!preset)
            return {};
        if (m_tableView->selectionModel()->isRowSelected(clicked, {}))
            return m_presets->selectedObjects();
        return {preset};
    }
    return m_presets->selectedObjects();
}

QList<QZPPreset*> QZPSidebarController::documentsForSender(QZPCommandSource source) const {
    const QList<QZPPreset*> selected = selectedRows(source);
    if (!selected.isEmpty() || source == QZPCommandSource::ContextMenu)
        return selected;
    if (m_document)
        return {m_document.data()};
    return {};
}

QZPPreset* QZPSidebarController::documentForSender(QZPCommandSource source) const {
    const QList<QZPPreset*> presets = documentsForSender(source);
    return presets.isEmpty() ? nullptr : presets.first();
}

void QZPSidebarController::renameDocument(QZPCommandSource source) {
    m_tableView->setFocus(Qt::OtherFocusReason);
    QZPPreset* preset = documentForSender(source);
    if (!preset)
        return;
    if (preset->isNew()) {
        QApplication::beep(); // a draft has no file to give a new name
        return;
    }
    m_presets->setSelectedObjects({preset});
    const qsizetype row = m_presets->arrangedIndexOf(preset);
    if (row < 0)
        return;
    const QModelIndex index = m_listModel->index(int(row), 0);
    m_tableView->scrollTo(index);
    m_allowEditing = true;
    m_listModel->setEditingAllowed(true);
    m_tableView->edit(index);
}

void QZPSidebarController::controlTextDidEndEditing() {
    m_allowEditing = false;
    m_listModel->setEditingAllowed(false);
    m_tableView->setFocus(Qt::OtherFocusReason);
}

void QZPSidebarController::duplicateDocument(QZPCommandSource source) {
    if (QZPPreset* preset = documentForSender(source)) {
        QZPError error;
        if (!preset->duplicateDocument(&error) && error.code() != 0)
            presentErrors({error});
    }
}

void QZPSidebarController::revertDocumentToSaved(QZPCommandSource source) {
    QZPPreset* preset = documentForSender(source);
    if (!preset || !preset->validateUserInterfaceItem(QZPDocument::Command::Revert))
        return;
    QZPError error;
    if (!preset->revertDocumentToSaved(&error))
        presentErrors({error});
}

void QZPSidebarController::revealDocuments(QZPCommandSource source) {
    QStringList paths;
    for (const QZPPreset* preset : documentsForSender(source))
        if (preset->hasFile())
            paths << preset->filePath();
    if (paths.isEmpty())
        QApplication::beep();
    else if (!QZPFileManager::reveal(paths))
        presentErrors({QZPError::make(QZPError::ToneBenchDomain, -1, tr("Can’t Show in File Manager"),
                                      tr("No file manager answered, and “xdg-open” could not be started."))});
}

void QZPSidebarController::focusSelection() {
    scrollActiveRowToVisible(true);
    m_tableView->setFocus(Qt::OtherFocusReason);
}

void QZPSidebarController::performFindPanelAction() {
    m_filterSearchField->setFocus(Qt::ShortcutFocusReason);
    m_filterSearchField->selectAll();
}

// The record and close-draft items only make sense for a draft.
void QZPSidebarController::menuNeedsUpdate() {
    const QZPPreset* preset = documentForSender(QZPCommandSource::ContextMenu);
    const bool draft = preset && preset->isNew();
    m_recordMenuItem->setVisible(draft);
    m_closeDraftMenuItem->setVisible(draft);
}

void QZPSidebarController::showContextMenu(const QPoint& globalPosition) {
    m_contextMenu->exec(globalPosition);
}

// MARK: Files

void QZPSidebarController::importFiles(const QStringList& paths) {
    const QString folder = m_presets->presetsFolderURL().toLocalFile();
    if (folder.isEmpty()) {
        presentErrors(
            {QZPError::make(QZPError::ToneBenchDomain, QZPPreset::ReadErrorCode,
                            tr("The presets were not copied."), tr("Choose a presets folder first."))});
        return;
    }
    // A bank dropped with the files is written on a worker, with its progress and Cancel.
    QWidget* window = m_view ? m_view->window() : nullptr;
    const QZPPresetFileImporter::Result result =
        QZPPresetFileImporter::importFiles(paths, folder, [window](const QString& bank, const QString& into) {
            return QZPBankImportRunner::run(window, bank, into);
        });
    if (!result.copied.isEmpty()) {
        m_presets->refreshAvailableDocuments();
        emit statusMessage(qzpPlural(int(result.copied.size()), tr("Copied 1 preset into “%2”"),
                                     tr("Copied %1 presets into “%2”"))
                               .arg(QFileInfo(folder).fileName()));
    }
    presentErrors(result.errors);
}

// Several failures of one drop make one message that names every file.
void QZPSidebarController::presentErrors(const QList<QZPError>& errors) {
    if (errors.isEmpty())
        return;
    if (errors.size() == 1) {
        QZPErrorPresenter::shared()->presentError(errors.first());
        return;
    }
    QStringList lines;
    for (const QZPError& error : errors)
        lines << error.localizedDescription() + QLatin1Char(' ') + error.localizedFailureReason();
    QZPErrorPresenter::shared()->presentError(
        QZPError::make(errors.first().domain(), errors.first().code(),
                       qzpPlural(errors.size(), tr("1 file was not copied into the library."),
                                 tr("%1 files were not copied into the library.")),
                       lines.join(QLatin1Char('\n'))));
}
