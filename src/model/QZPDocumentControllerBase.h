// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPDocument.h"
#include "model/QZPWindowController.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QUrl>

// Keeps the open documents and knows the main window. The first instance created is the shared one;
// the application makes it at launch, before anything asks for it.
class QZPDocumentControllerBase : public QObject {
    Q_OBJECT

public:
    explicit QZPDocumentControllerBase(QObject* parent = nullptr);
    ~QZPDocumentControllerBase() override;

    // The shared instance, or null before the application made one.
    static QZPDocumentControllerBase* sharedDocumentController();

    virtual QList<QZPDocument*> documents() const;
    // The display names of the open documents: what a new document's name must not repeat.
    virtual QSet<QString> documentNames() const;
    // Adds the document (once); a document without a parent becomes owned by the controller.
    virtual void addDocument(QZPDocument* document);
    virtual void removeDocument(QZPDocument* document);
    // The open document whose file is at `url`, or null.
    QZPDocument* documentForURL(const QUrl& url) const;
    // The document shown in the main window, or null.
    virtual QZPDocument* currentDocument() const;

    // The library folder, where there is one (empty otherwise).
    virtual QUrl presetsFolderURL() const { return {}; }
    // A new untitled document, added; shown when `display` is set.
    virtual QZPDocument* openUntitledDocumentAndDisplay(bool display) {
        Q_UNUSED(display);
        return nullptr;
    }

    // The one main window, which every shown document attaches to. Null until the window exists.
    QZPWindowController* mainWindowController() const { return m_mainWindowController; }
    void setMainWindowController(QZPWindowController* controller) { m_mainWindowController = controller; }

signals:
    void documentAdded(QZPDocument* document);
    void documentRemoved(QZPDocument* document);

private:
    QList<QPointer<QZPDocument>> m_documents;
    QPointer<QZPWindowController> m_mainWindowController;
};
