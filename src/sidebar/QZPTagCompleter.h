// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCompleter>

class QLineEdit;

// Completes the word being typed in a line of tags ("#pad #wa" offers "#warm"), from the tags the
// folder's presets have; the words before it stay as they are.
class QZPTagCompleter : public QCompleter {
    Q_OBJECT

public:
    QZPTagCompleter(const QStringList& tags, QLineEdit* field);

    QStringList splitPath(const QString& path) const override;
    QString pathFromIndex(const QModelIndex& index) const override;

private:
    QLineEdit* m_field;
};
