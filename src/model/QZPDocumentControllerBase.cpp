// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/QZPDocumentControllerBase.h"

#include "model/QZPDocument.h"
#include "model/QZPWindowController.h"

#include <QFileInfo>

namespace {
QZPDocumentControllerBase* sharedInstance = nullptr;
}

QZPDocumentControllerBase::QZPDocumentControllerBase(QObject* parent) : QObject(parent) {
    if (!sharedInstance)
        sharedInstance = this;
}

QZPDocumentControllerBase::~QZPDocumentControllerBase() {
    if (sharedInstance == this)
        sharedInstance = nullptr;
}

QZPDocumentControllerBase* QZPDocumentControllerBase::sharedDocumentController() {
    return sharedInstance;
}

QList<QZPDocument*> QZPDocumentControllerBase::documents() const {
    QList<QZPDocument*> result;
    for (const QPointer<QZPDocument>& document : m_documents)
        if (document)
            result.append(document);
    return result;
}

QSet<QString> QZPDocumentControllerBase::documentNames() const {
    QSet<QString> names;
    for (const QZPDocument* document : documents())
        names.insert(document->displayName());
    return names;
}

void QZPDocumentControllerBase::addDocument(QZPDocument* document) {
    if (!document || m_documents.contains(document))
        return;
    if (!document->parent())
        document->setParent(this);
    m_documents.append(document);
    emit documentAdded(document);
}

void QZPDocumentControllerBase::removeDocument(QZPDocument* document) {
    if (m_documents.removeAll(document) > 0)
        emit documentRemoved(document);
}

QZPDocument* QZPDocumentControllerBase::documentForURL(const QUrl& url) const {
    if (!url.isLocalFile())
        return nullptr;
    const QString wanted = QFileInfo(url.toLocalFile()).absoluteFilePath();
    for (QZPDocument* document : documents())
        if (!document->fileURL().isEmpty() && QFileInfo(document->filePath()).absoluteFilePath() == wanted)
            return document;
    return nullptr;
}

QZPDocument* QZPDocumentControllerBase::currentDocument() const {
    return m_mainWindowController ? m_mainWindowController->document() : nullptr;
}
