// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/QZPFolderAccessDialog.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <tuple>

QString QZPFolderAccessDialog::requestFolderAccess(const QString& startFolder, const QString& title,
                                                   const QString& prompt, const QString& message) {
    // Qt's own dialog, so the message can stand above the folder list on every desktop.
    QFileDialog dialog(m_parent, title, startFolder);
    dialog.setObjectName(QStringLiteral("QZPFolderAccessDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setLabelText(QFileDialog::Accept, prompt);
    dialog.setWindowModality(Qt::ApplicationModal);
    auto* text = new QLabel(message, &dialog);
    text->setObjectName(QStringLiteral("message"));
    text->setWordWrap(true);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        // Above everything else: move the dialog's rows down by one.
        QList<std::tuple<QLayoutItem*, int, int, int, int>> items;
        while (grid->count() > 0) {
            int row, column, rowSpan, columnSpan;
            grid->getItemPosition(0, &row, &column, &rowSpan, &columnSpan);
            items.append({grid->takeAt(0), row, column, rowSpan, columnSpan});
        }
        grid->addWidget(text, 0, 0, 1, -1);
        for (const auto& [item, row, column, rowSpan, columnSpan] : items)
            grid->addItem(item, row + 1, column, rowSpan, columnSpan);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}
