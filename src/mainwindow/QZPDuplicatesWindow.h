// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/QZPPresetsController.h"

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;
class QSpinBox;
class QTreeWidget;
class QZPError;

// File ▸ Find Duplicates…: the library folder's presets that have the same patch (or, with a
// tolerance, every slider within that many steps and every switch equal), a group a branch with each
// preset's name and folder. The first of each group is kept and the others are checked; Move Checked
// to Trash moves the checked ones to the Trash (from where they can be restored) after asking; Select
// Checked in List selects them in the library's list instead (selectInList). The
// patches are the library's rows' own: while the library still reads them (on its worker, after a
// walk), the window shows how far it is and groups them once they are in.
class QZPDuplicatesWindow : public QDialog {
    Q_OBJECT

public:
    // The library's folder is searched; `presentError` shows a failure; `statusMessage` is emitted with
    // what was done.
    QZPDuplicatesWindow(QZPPresetsController* library, std::function<void(const QZPError&)> presentError,
                        QWidget* parent = nullptr);
    ~QZPDuplicatesWindow() override;

    // Shows the groups among the library folder's presets, once their patches are read.
    void scan();
    // Waiting for the library to read its patches.
    bool isReading() const { return m_waiting; }

    // The groups shown: each preset's path relative to the folder, and whether it is checked.
    QList<QList<std::pair<QString, bool>>> groups() const;
    QTreeWidget* tree() const { return m_tree; }
    QSpinBox* toleranceBox() const { return m_tolerance; }
    QPushButton* trashButton() const { return m_trash; }
    QPushButton* selectButton() const { return m_select; }

signals:
    void statusMessage(const QString& message);
    // The checked presets' files, to be selected in the list.
    void selectInList(const QStringList& paths);

private:
    void showGroups();
    void updateTrashButton();
    void moveCheckedToTrash();
    // The checked presets' paths below the folder.
    QStringList checkedPaths() const;
    // Why a group's checked copies may not go: none left unchecked that is still there, a file of its own
    // (not a link) and holding the patch it held when the folder was read; empty when they may.
    QString keptProblem(const QList<std::pair<QString, bool>>& group) const;
    // A file that is a symbolic link (never the copy kept).
    bool isLink(const QString& relativePath) const;

    QZPPresetsController* m_library;
    std::function<void(const QZPError&)> m_presentError;
    QString m_folder;
    QZPPresetsController::FilePatches m_read;
    bool m_waiting = false;
    QLabel* m_status;
    QSpinBox* m_tolerance;
    QTreeWidget* m_tree;
    QPushButton* m_trash;
    QPushButton* m_select;
};
