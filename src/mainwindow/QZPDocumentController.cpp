// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/QZPDocumentController.h"

#include "library/QZPPresetsController.h"
#include "model/QZPPreset.h"

#include <QFileInfo>

QZPDocumentController::QZPDocumentController(QObject* parent)
    : QZPDocumentControllerBase(parent), m_presetsController(new QZPPresetsController(this)) {
    m_presetsController->setCurrentPresetProvider(
        [this] { return qobject_cast<const QZPPreset*>(currentDocument()); });
    connect(m_presetsController, &QZPPresetsController::refreshApplied, this,
            &QZPDocumentController::libraryRefreshed);
}

// After a walk: the preset last shown in this folder comes back when the window's preset is not listed;
// an empty folder gets a draft, so the window always has a preset; and every walk after the first one at
// start-up sends the current program, as the instrument may have missed a change.
void QZPDocumentController::libraryRefreshed(QZPPreset* lastActive) {
    const auto* current = qobject_cast<QZPPreset*>(currentDocument());
    const bool listed = m_presetsController->count() > 0;
    if (listed && !m_presetsController->contains(current) && lastActive)
        lastActive->makeWindowControllers();
    if (!listed)
        newDocument();
    if (m_refreshedBefore)
        emit sendProgramRequested();
    else
        m_refreshedBefore = true;
}

QZPDocumentController::~QZPDocumentController() = default;

// The open documents: the presets the library has made (a listed file nobody asked for is not open).
QList<QZPDocument*> QZPDocumentController::documents() const {
    QList<QZPDocument*> result;
    for (QZPPreset* preset : m_presetsController->presets())
        result.append(preset);
    return result;
}

QSet<QString> QZPDocumentController::documentNames() const {
    return m_presetsController->names();
}

void QZPDocumentController::addDocument(QZPDocument* document) {
    auto* preset = qobject_cast<QZPPreset*>(document);
    if (!preset || m_presetsController->contains(preset))
        return;
    if (!preset->fileURL().isEmpty() && m_presetsController->presetForPath(preset->filePath()))
        return;
    QZPDocumentControllerBase::addDocument(preset);
    m_presetsController->addObject(preset);
}

void QZPDocumentController::removeDocument(QZPDocument* document) {
    if (auto* preset = qobject_cast<QZPPreset*>(document))
        m_presetsController->removeObject(preset);
    QZPDocumentControllerBase::removeDocument(document);
}

QUrl QZPDocumentController::presetsFolderURL() const {
    return m_presetsController->presetsFolderURL();
}

QZPDocumentController::OpenResult QZPDocumentController::openDocumentWithContentsOfURL(const QUrl& url,
                                                                                       bool display) {
    OpenResult result;
    if (QZPPreset* stashed = m_presetsController->unsavedDocumentForURL(url)) {
        addDocument(stashed); // leaves the stash as it joins the library
        stashed->makeWindowControllers();
        emit sendProgramRequested();
        return {stashed, true, {}};
    }
    if (QZPPreset* listed = m_presetsController->presetForPath(url.toLocalFile())) {
        listed->makeWindowControllers();
        emit sendProgramRequested();
        return {listed, true, {}};
    }
    const QString type = QZPPreset::typeForFileName(url.toLocalFile());
    if (type.isEmpty()) {
        result.error = QZPError::make(
            QZPError::ToneBenchDomain, QZPPreset::ReadErrorCode, tr("Unable to read contents of file"),
            tr("“%1” is not a preset file.").arg(QFileInfo(url.toLocalFile()).fileName()));
        return result;
    }
    QZPPreset* preset = QZPPreset::presetWithContentsOfURL(url, type, &result.error);
    if (!preset)
        return result;
    addDocument(preset);
    if (display)
        preset->makeWindowControllers();
    emit sendProgramRequested();
    result.preset = preset;
    return result;
}

QZPDocument* QZPDocumentController::openUntitledDocumentAndDisplay(bool display) {
    auto* preset = new QZPPreset(m_presetsController);
    addDocument(preset);
    if (display)
        preset->makeWindowControllers();
    return preset;
}

QZPPreset* QZPDocumentController::newDocument() {
    return static_cast<QZPPreset*>(openUntitledDocumentAndDisplay(true));
}

bool QZPDocumentController::hasUntitledFile() const {
    const QList<QZPPreset*> presets = m_presetsController->presets();
    return std::any_of(presets.begin(), presets.end(), [this](const QZPPreset* p) {
        return p->isNew() && m_presetsController->arrangedIndexOf(p) >= 0;
    });
}

// Every preset the library holds counts, also those the filter hides: the quit review must see them. (A
// listed file whose preset was never made has nothing edited.)
bool QZPDocumentController::hasEditedDocuments() const {
    const QList<QZPPreset*> presets = m_presetsController->presets();
    return !m_presetsController->unsavedPresets().isEmpty() ||
           std::any_of(presets.begin(), presets.end(),
                       [](const QZPPreset* p) { return p->isDocumentEdited(); });
}

QList<QZPPreset*> QZPDocumentController::reviewUnsavedDocuments() {
    for (QZPPreset* stashed : m_presetsController->takeUnsavedPresets())
        addDocument(stashed);
    QList<QZPPreset*> edited;
    for (QZPPreset* preset : m_presetsController->presets())
        if (preset->isDocumentEdited())
            edited.append(preset);
    return edited;
}
