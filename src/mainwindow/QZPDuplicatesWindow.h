#pragma once

#include "library/QZPFolderPatchesReader.h"

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
// presets are read on a worker thread, with their count shown as they come; closing the window stops
// the reading.
class QZPDuplicatesWindow : public QDialog {
    Q_OBJECT

public:
    // `presentError` shows a failure; `statusMessage` is emitted with what was done.
    QZPDuplicatesWindow(std::function<void(const QZPError&)> presentError, QWidget* parent = nullptr);
    ~QZPDuplicatesWindow() override;

    // Reads the folder's presets afresh and shows their groups.
    void scan(const QString& folder);
    bool isReading() const;

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

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showGroups();
    void updateTrashButton();
    void moveCheckedToTrash();
    // The checked presets' paths below the folder.
    QStringList checkedPaths() const;

    std::function<void(const QZPError&)> m_presentError;
    QString m_folder;
    QZPFolderPatches::Result m_read;
    QZPFolderPatchesReader m_reader;
    QLabel* m_status;
    QSpinBox* m_tolerance;
    QTreeWidget* m_tree;
    QPushButton* m_trash;
    QPushButton* m_select;
};
