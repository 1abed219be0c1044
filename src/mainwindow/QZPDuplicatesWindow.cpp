// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/QZPDuplicatesWindow.h"

#include "library/QZPLibraryPatchReader.h"
#include "library/QZPLibraryTable.h"
#include "model/QZPError.h"
#include "model/QZPFileSystem.h"
#include "model/QZPPatch.h"
#include "model/QZPPatchDistance.h"
#include "model/QZPPlural.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <sys/stat.h>

namespace {

constexpr int PathRole = Qt::UserRole + 1;

} // namespace

QZPDuplicatesWindow::QZPDuplicatesWindow(QZPPresetsController* library,
                                         std::function<void(const QZPError&)> presentError, QWidget* parent)
    : QDialog(parent), m_library(library), m_presentError(std::move(presentError)),
      m_status(new QLabel(this)), m_tolerance(new QSpinBox(this)), m_tree(new QTreeWidget(this)),
      m_trash(new QPushButton(tr("Move Checked to Trash"), this)),
      m_select(new QPushButton(tr("Select Checked in List"), this)) {
    setWindowTitle(tr("Find Duplicates"));
    m_status->setWordWrap(true);
    m_tolerance->setRange(0, 20);
    m_tolerance->setSpecialValueText(tr("exact: the same patch"));
    m_tolerance->setSuffix(tr(" steps"));
    m_tolerance->setAccessibleName(tr("Sliders within"));
    m_tolerance->setToolTip(tr("0 finds presets with the same patch; more finds presets whose every slider "
                               "is within that many steps and whose switches are the same."));
    m_tree->setColumnCount(2);
    m_tree->setHeaderLabels({tr("Preset"), tr("Folder")});
    m_tree->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_tree->setAccessibleName(tr("Duplicate presets"));
    m_tree->setAccessibleDescription(tr("Checked presets go to the Trash; the first of each group is kept."));
    m_trash->setAccessibleDescription(tr("Moves the checked presets to the Trash, from where they can be "
                                         "restored."));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(m_trash, QDialogButtonBox::DestructiveRole);
    buttons->addButton(m_select, QDialogButtonBox::ActionRole);
    // Return closes the window; moving files takes a deliberate click or key.
    m_trash->setAutoDefault(false);
    m_select->setAutoDefault(false);
    buttons->button(QDialogButtonBox::Close)->setDefault(true);
    m_select->setAccessibleDescription(tr("Selects the checked presets in the library's list."));
    connect(m_select, &QPushButton::clicked, this, [this] {
        QStringList files;
        for (const QString& path : checkedPaths())
            files << QDir(m_folder).filePath(path);
        emit selectInList(files);
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    connect(m_trash, &QPushButton::clicked, this, &QZPDuplicatesWindow::moveCheckedToTrash);
    connect(m_tolerance, &QSpinBox::valueChanged, this, &QZPDuplicatesWindow::showGroups);
    connect(m_tree, &QTreeWidget::itemChanged, this, &QZPDuplicatesWindow::updateTrashButton);
    connect(library, &QZPPresetsController::patchesProgress, this, [this](qsizetype done, qsizetype total) {
        if (m_waiting)
            m_status->setText(tr("Reading presets: %1 of %2…").arg(done).arg(total));
    });
    connect(library, &QZPPresetsController::patchesRead, this, [this] {
        if (!m_waiting)
            return;
        m_waiting = false;
        m_read = m_library->filePatches();
        showGroups();
    });

    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->addRow(tr("Sliders within:"), m_tolerance);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_status);
    layout->addWidget(m_tree, 1);
    layout->addWidget(buttons);
    // Room for a group of three and the explanation at the smallest.
    setMinimumSize(420, 320);
    resize(560, 480);
    updateTrashButton();
}

QZPDuplicatesWindow::~QZPDuplicatesWindow() = default;

void QZPDuplicatesWindow::scan() {
    m_folder = m_library->presetsFolderURL().toLocalFile();
    m_read = {};
    m_tree->clear();
    updateTrashButton();
    if (m_folder.isEmpty()) {
        m_waiting = false;
        m_status->setText(tr("Choose a presets folder first."));
        return;
    }
    // A walk under way reads the patches once it is done.
    m_waiting = m_library->isRefreshing() || m_library->isReadingPatches();
    if (m_waiting) {
        m_status->setText(tr("Reading the presets of “%1”…").arg(QFileInfo(m_folder).fileName()));
        return;
    }
    m_read = m_library->filePatches();
    showGroups();
}

void QZPDuplicatesWindow::showGroups() {
    if (isReading())
        return;
    QList<QZPPatch> patches;
    patches.reserve(m_read.entries.size());
    for (const QZPPresetsController::FilePatch& entry : m_read.entries)
        patches << QZPPatch(entry.patch);
    const QList<QList<qsizetype>> found = QZPPatchDistance::duplicateGroups(patches, m_tolerance->value());
    const QSignalBlocker blocker(m_tree);
    m_tree->clear();
    for (const QList<qsizetype>& group : found) {
        auto* branch =
            new QTreeWidgetItem(m_tree, {tr("%1 presets").arg(group.size())}); // a group has two or more
        branch->setFlags(Qt::ItemIsEnabled);
        // One of each group is kept: the first that is a file of its own, not a link to one (a link kept
        // while its target went to the Trash would dangle).
        qsizetype kept = group.first();
        for (const qsizetype i : group)
            if (!isLink(m_read.entries.at(i).relativePath)) {
                kept = i;
                break;
            }
        for (const qsizetype i : group) {
            const QZPPresetsController::FilePatch& entry = m_read.entries.at(i);
            const QString folder = QFileInfo(entry.relativePath).path();
            auto* leaf = new QTreeWidgetItem(
                branch, {entry.name, folder == QLatin1String(".") ? QFileInfo(m_folder).fileName() : folder});
            leaf->setData(0, PathRole, entry.relativePath);
            leaf->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            leaf->setCheckState(0, i == kept ? Qt::Unchecked : Qt::Checked);
        }
    }
    m_tree->expandAll();
    if (m_tree->topLevelItemCount() > 0)
        m_tree->setCurrentItem(m_tree->topLevelItem(0)->child(0));
    const qsizetype read = m_read.entries.size();
    QString text = found.isEmpty()
                       ? qzpPlural(read, tr("No duplicates: the folder holds one preset."),
                                   tr("No duplicates among %1 presets."))
                       : qzpPlural(found.size(), tr("1 group of duplicates"), tr("%1 groups of duplicates")) +
                             QLatin1Char(' ') + qzpPlural(read, tr("in 1 preset."), tr("among %1 presets.")) +
                             QLatin1Char(' ') +
                             tr("The first of each is kept; the checked ones can go to the Trash.");
    if (!m_read.unreadable.isEmpty())
        text += QLatin1Char(' ') + qzpPlural(m_read.unreadable.size(),
                                             tr("1 file could not be read as a preset."),
                                             tr("%1 files could not be read as presets."));
    m_status->setText(text);
    updateTrashButton();
}

QList<QList<std::pair<QString, bool>>> QZPDuplicatesWindow::groups() const {
    QList<QList<std::pair<QString, bool>>> result;
    for (int g = 0; g < m_tree->topLevelItemCount(); ++g) {
        QList<std::pair<QString, bool>> group;
        const QTreeWidgetItem* branch = m_tree->topLevelItem(g);
        for (int i = 0; i < branch->childCount(); ++i)
            group.append({branch->child(i)->data(0, PathRole).toString(),
                          branch->child(i)->checkState(0) == Qt::Checked});
        result << group;
    }
    return result;
}

QStringList QZPDuplicatesWindow::checkedPaths() const {
    QStringList paths;
    for (const auto& group : groups())
        for (const auto& [path, on] : group)
            if (on)
                paths << path;
    return paths;
}

void QZPDuplicatesWindow::updateTrashButton() {
    const qsizetype checked = checkedPaths().size();
    m_trash->setEnabled(checked > 0);
    m_select->setEnabled(checked > 0);
    m_trash->setText(checked > 0 ? tr("Move %1 Checked to Trash").arg(checked) : tr("Move Checked to Trash"));
}

bool QZPDuplicatesWindow::isLink(const QString& relativePath) const {
    struct stat info {};
    return ::lstat(QFile::encodeName(QDir(m_folder).filePath(relativePath)).constData(), &info) == 0 &&
           S_ISLNK(info.st_mode);
}

QString QZPDuplicatesWindow::keptProblem(const QList<std::pair<QString, bool>>& group) const {
    QStringList reasons;
    for (const auto& [path, checked] : group) {
        if (checked)
            continue;
        const auto scanned = std::find_if(m_read.entries.begin(), m_read.entries.end(),
                                          [&path](const auto& entry) { return entry.relativePath == path; });
        unsigned char patch[QZPLibraryTable::PatchLength];
        if (isLink(path))
            reasons << tr("“%1” is a link").arg(path);
        else if (QZPLibraryPatchReader::readPatch(QDir(m_folder).filePath(path), patch) !=
                 QZPLibraryTable::PatchState::Read)
            reasons << tr("“%1” is gone or holds no preset now").arg(path);
        else if (scanned == m_read.entries.end() ||
                 QByteArray(reinterpret_cast<const char*>(patch), QZPLibraryTable::PatchLength) !=
                     scanned->patch)
            reasons << tr("“%1” has changed since the folder was read").arg(path);
        else
            return {};
    }
    return reasons.isEmpty() ? tr("no copy of it is left unchecked to keep")
                             : reasons.join(QStringLiteral("; "));
}

void QZPDuplicatesWindow::moveCheckedToTrash() {
    const QStringList paths = checkedPaths();
    if (paths.isEmpty())
        return;
    auto* alert = new QMessageBox(this);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setIcon(QMessageBox::Warning);
    alert->setText(qzpPlural(paths.size(), tr("Move the checked preset to the Trash?"),
                             tr("Move the %1 checked presets to the Trash?")));
    alert->setInformativeText(paths.size() == 1 ? tr("You can restore it from the Trash.")
                                                : tr("You can restore them from the Trash."));
    QPushButton* trash = alert->addButton(tr("Move to Trash"), QMessageBox::DestructiveRole);
    QPushButton* cancel = alert->addButton(tr("Cancel"), QMessageBox::RejectRole);
    // Return keeps the files: moving them takes a deliberate click or key.
    alert->setDefaultButton(cancel);
    alert->setEscapeButton(cancel);
    connect(alert, &QMessageBox::finished, this, [this, alert, trash, paths] {
        if (alert->clickedButton() != trash)
            return;
        // Just before anything goes, each group is checked again for the copy it keeps: a group whose
        // kept copy went away, changed or is a link loses nothing.
        QStringList moved, failures, refused;
        for (const QList<std::pair<QString, bool>>& group : groups()) {
            if (std::none_of(group.begin(), group.end(), [](const auto& member) { return member.second; }))
                continue;
            if (const QString problem = keptProblem(group); !problem.isEmpty()) {
                refused << problem;
                continue;
            }
            for (const auto& [path, checked] : group) {
                QZPError error;
                if (!checked)
                    continue;
                if (QZPFileSystem::moveToTrash(QDir(m_folder).filePath(path), &error))
                    moved << path;
                else
                    failures << path;
            }
        }
        if (!refused.isEmpty() && m_presentError)
            m_presentError(
                QZPError::make(QString::fromLatin1(QZPError::FileDomain), QZPError::FileWriteUnknown,
                               qzpPlural(refused.size(), tr("1 group of duplicates was left as it is."),
                                         tr("%1 groups of duplicates were left as they are.")),
                               tr("Nothing of a group goes to the Trash unless a copy stays: %1. Find the "
                                  "duplicates again to see the folder as it is now.")
                                   .arg(refused.join(QStringLiteral("; ")))));
        if (!failures.isEmpty() && m_presentError)
            m_presentError(
                QZPError::make(QString::fromLatin1(QZPError::FileDomain), QZPError::FileWriteUnknown,
                               qzpPlural(failures.size(), tr("1 preset could not be moved to the Trash."),
                                         tr("%1 presets could not be moved to the Trash.")),
                               failures.join(QStringLiteral(", "))));
        m_read.entries.removeIf([&moved](const QZPPresetsController::FilePatch& entry) {
            return moved.contains(entry.relativePath);
        });
        if (!moved.isEmpty())
            emit statusMessage(qzpPlural(moved.size(), tr("Moved 1 duplicate preset to the Trash"),
                                         tr("Moved %1 duplicate presets to the Trash")));
        showGroups();
    });
    alert->open();
}
