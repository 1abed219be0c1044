// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QZPTextWindow.h"

#include <QTextBrowser>
#include <QVBoxLayout>

QZPTextWindow::QZPTextWindow(const QString& title, const QString& html, QWidget* parent)
    : QDialog(parent), m_text(new QTextBrowser(this)) {
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_text);
    m_text->setOpenExternalLinks(true);
    m_text->setAccessibleName(title);
    m_text->setHtml(html);
    resize(560, 520);
}
