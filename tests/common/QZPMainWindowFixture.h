// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "QZPVirtualInstrument.h"
#include "mainwindow/QZPDocumentController.h"
#include "mainwindow/QZPMainWindowController.h"

#include <QTemporaryDir>
#include <functional>
#include <memory>

// What the window tests set up before each case: a temporary folder, an instrument inside the process,
// the document controller and the main window on that instrument's engine.
class QZPMainWindowFixture {
protected:
    // `beforeWindow` runs once the engine is there and before the documents and the window are made.
    void setUpWindow(const std::function<void()>& beforeWindow = {}) {
        m_dir = std::make_unique<QTemporaryDir>();
        m_instrument = std::make_unique<QZPVirtualInstrument>();
        m_engine = m_instrument->engine.get();
        if (beforeWindow)
            beforeWindow();
        m_documents = std::make_unique<QZPDocumentController>();
        m_window = std::make_unique<QZPMainWindowController>(m_documents.get(), m_engine);
    }
    void tearDownWindow() {
        m_window.reset();
        m_documents.reset();
        m_instrument.reset();
        m_dir.reset();
    }
    QString path(const QString& name) const { return m_dir->filePath(name); }
    QList<QByteArray> sent() { return m_instrument->sent(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QZPVirtualInstrument> m_instrument;
    QZPMidiEngine* m_engine = nullptr;
    std::unique_ptr<QZPDocumentController> m_documents;
    std::unique_ptr<QZPMainWindowController> m_window;
};
