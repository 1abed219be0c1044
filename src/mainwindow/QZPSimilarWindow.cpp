#include "mainwindow/QZPSimilarWindow.h"

#include "model/QZPPatchDistance.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int PathRole = Qt::UserRole + 1;
constexpr int DistanceRole = Qt::UserRole + 2;

} // namespace

QZPSimilarWindow::QZPSimilarWindow(std::function<void(const QString&)> opener, QWidget* parent)
    : QDialog(parent), m_open(std::move(opener)), m_status(new QLabel(this)), m_list(new QTreeWidget(this)) {
    setWindowTitle(tr("Find Similar"));
    m_status->setWordWrap(true);
    m_list->setColumnCount(3);
    m_list->setHeaderLabels({tr("Distance"), tr("Preset"), tr("Folder")});
    m_list->setRootIsDecorated(false);
    m_list->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_list->setAccessibleName(tr("Similar presets"));
    m_list->setAccessibleDescription(tr("Best first; Return or a double click opens the preset."));
    m_list->setToolTip(
        tr("0 is the same patch, 1 as far apart as can be. Range, waves, VCA mode, chorus and the "
           "cutoff weigh most; the LFO and fine levels least."));
    connect(m_list, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) { openItem(item); });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    connect(&m_reader, &QZPFolderPatchesReader::progress, this, [this](qsizetype done, qsizetype total) {
        m_status->setText(tr("Reading presets: %1 of %2…").arg(done).arg(total));
    });
    connect(&m_reader, &QZPFolderPatchesReader::finished, this,
            [this](const QZPFolderPatches::Result& result) { showRanking(result); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addWidget(m_list, 1);
    layout->addWidget(buttons);
    setMinimumSize(420, 320);
    resize(560, 480);
}

QZPSimilarWindow::~QZPSimilarWindow() = default;

void QZPSimilarWindow::closeEvent(QCloseEvent* event) {
    m_reader.stop();
    QDialog::closeEvent(event);
}

void QZPSimilarWindow::find(const QString& folder, const QZPPatch& patch, const QString& name,
                            const QString& ownPath) {
    m_folder = folder;
    m_patch = patch;
    m_name = name;
    m_ownPath = ownPath;
    m_list->clear();
    setWindowTitle(tr("Presets Like “%1”").arg(name));
    if (folder.isEmpty()) {
        m_reader.stop();
        m_status->setText(tr("Choose a presets folder first."));
        return;
    }
    m_status->setText(tr("Reading the presets of “%1”…").arg(QFileInfo(folder).fileName()));
    m_reader.read(folder);
}

void QZPSimilarWindow::showRanking(const QZPFolderPatches::Result& result) {
    QList<std::pair<double, qsizetype>> ranked;
    const QDir base(m_folder);
    for (qsizetype i = 0; i < result.entries.size(); ++i)
        if (base.filePath(result.entries.at(i).relativePath) != m_ownPath)
            ranked.append({QZPPatchDistance::between(m_patch, QZPPatch(result.entries.at(i).patch)), i});
    // Best first; equal distances keep the folder's order.
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    m_list->clear();
    for (const auto& [distance, i] : ranked.mid(0, Shown)) {
        const QZPFolderPatches::Entry& entry = result.entries.at(i);
        const QString folder = QFileInfo(entry.relativePath).path();
        auto* item = new QTreeWidgetItem(
            m_list, {QString::number(distance, 'f', 4), entry.name,
                     folder == QLatin1String(".") ? QFileInfo(m_folder).fileName() : folder});
        item->setData(0, PathRole, entry.relativePath);
        item->setData(0, DistanceRole, distance);
        item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
    }
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    m_list->setFocus();
    m_status->setText(ranked.isEmpty() ? tr("No other presets in “%1”.").arg(QFileInfo(m_folder).fileName())
                                       : tr("The %1 presets closest in sound to “%2”, of %3, best first.")
                                             .arg(std::min<qsizetype>(ranked.size(), Shown))
                                             .arg(m_name)
                                             .arg(ranked.size()));
}

QList<std::pair<QString, double>> QZPSimilarWindow::ranked() const {
    QList<std::pair<QString, double>> result;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        result.append({m_list->topLevelItem(i)->data(0, PathRole).toString(),
                       m_list->topLevelItem(i)->data(0, DistanceRole).toDouble()});
    return result;
}

void QZPSimilarWindow::openItem(QTreeWidgetItem* item) {
    if (item && m_open)
        m_open(QDir(m_folder).filePath(item->data(0, PathRole).toString()));
}
