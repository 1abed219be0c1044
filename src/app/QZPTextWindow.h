// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QTextBrowser;

// A small window showing one of the Help menu's rich texts (QZPHelpText).
class QZPTextWindow : public QDialog {
    Q_OBJECT

public:
    QZPTextWindow(const QString& title, const QString& html, QWidget* parent = nullptr);
    QTextBrowser* textView() const { return m_text; }

private:
    QTextBrowser* m_text;
};
