#pragma once

#include <QDialog>

class QTextBrowser;

// A small window showing one of the application's rich-text resources: the acknowledgements and the
// help page.
class QZPTextWindow : public QDialog {
    Q_OBJECT

public:
    QZPTextWindow(const QString& title, const QString& resource, QWidget* parent = nullptr);
    QTextBrowser* textView() const { return m_text; }

private:
    QTextBrowser* m_text;
};
