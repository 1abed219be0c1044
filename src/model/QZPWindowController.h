// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

class QZPDocument;

// A window that shows a document. The program has one: the main window, which shows the current preset.
class QZPWindowController : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~QZPWindowController() override;

    QZPDocument* document() const { return m_document; }
    // Called by the document when it attaches or lets go of this controller.
    virtual void setDocument(QZPDocument* document);

    virtual bool isWindowVisible() const = 0;
    // Brings the window to the front and makes it key.
    virtual void showWindow() = 0;

signals:
    void documentChanged(QZPDocument* document);

private:
    QPointer<QZPDocument> m_document;
};
