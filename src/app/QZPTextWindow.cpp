#include "app/QZPTextWindow.h"

#include <QFile>
#include <QTextBrowser>
#include <QVBoxLayout>

QZPTextWindow::QZPTextWindow(const QString& title, const QString& resource, QWidget* parent)
    : QDialog(parent), m_text(new QTextBrowser(this)) {
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_text);
    m_text->setOpenExternalLinks(true);
    m_text->setAccessibleName(title);
    QFile file(resource);
    // The resources are part of the program: a missing one is a build fault.
    Q_ASSERT(file.exists());
    if (file.open(QIODevice::ReadOnly))
        m_text->setHtml(QString::fromUtf8(file.readAll()));
    resize(560, 520);
}
