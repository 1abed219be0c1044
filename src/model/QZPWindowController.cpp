// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/QZPWindowController.h"

#include "model/QZPDocument.h"

QZPWindowController::~QZPWindowController() = default;

void QZPWindowController::setDocument(QZPDocument* document) {
    if (m_document == document)
        return;
    m_document = document;
    emit documentChanged(document);
}
