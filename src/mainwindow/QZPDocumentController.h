// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPDocumentControllerBase.h"
#include "model/QZPError.h"

class QZPPreset;
class QZPPresetsController;

// The application's document controller: its documents are the library's list. Every preset it opens
// or creates joins the library (never twice for one file), every one it closes leaves it, and a file
// whose edited preset left the library is opened by taking that preset back, edits intact.
class QZPDocumentController : public QZPDocumentControllerBase {
    Q_OBJECT

public:
    explicit QZPDocumentController(QObject* parent = nullptr);
    ~QZPDocumentController() override;

    QZPPresetsController* presetsController() const { return m_presetsController; }

    // The library's arranged presets.
    QList<QZPDocument*> documents() const override;
    // Every preset the library lists counts, also a file whose preset was not made yet.
    QSet<QString> documentNames() const override;
    void addDocument(QZPDocument* document) override;
    void removeDocument(QZPDocument* document) override;
    QUrl presetsFolderURL() const override;

    struct OpenResult {
        QZPPreset* preset = nullptr;
        bool alreadyOpen = false;
        QZPError error;
    };
    // Opens the preset file at `url` (a stashed edited preset first) and sends its program.
    OpenResult openDocumentWithContentsOfURL(const QUrl& url, bool display);
    QZPDocument* openUntitledDocumentAndDisplay(bool display) override;
    // A new draft, shown.
    QZPPreset* newDocument();

    bool hasUntitledFile() const;
    bool hasEditedDocuments() const;
    // Before quitting: the stash joins the documents, then every edited preset among them is answered,
    // for the main window to ask about.
    QList<QZPPreset*> reviewUnsavedDocuments();

signals:
    // The main window sends the current program to the instrument.
    void sendProgramRequested();

private:
    void libraryRefreshed(QZPPreset* lastActive);

    QZPPresetsController* m_presetsController;
    bool m_refreshedBefore = false;
};
