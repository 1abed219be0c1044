#pragma once

#include "library/QZPFolderPatchesReader.h"
#include "model/QZPPatch.h"

#include <QDialog>
#include <functional>

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

// Preset ▸ Find Similar: the presets of the library folder closest in sound to one, best first, each
// with its distance (0 the same patch, 1 as far apart as can be; the weights are QZPPatchDistance's),
// name and folder. Return or a double click opens the preset. The presets are read on a worker thread;
// closing the window stops the reading.
class QZPSimilarWindow : public QDialog {
    Q_OBJECT

public:
    static constexpr int Shown = 50;

    // `opener` opens the preset file at a path.
    explicit QZPSimilarWindow(std::function<void(const QString& path)> opener, QWidget* parent = nullptr);
    ~QZPSimilarWindow() override;

    // Ranks the folder's presets by their distance to `patch` (the preset called `name`, whose own file
    // `ownPath`, if any, is left out).
    void find(const QString& folder, const QZPPatch& patch, const QString& name, const QString& ownPath);
    bool isReading() const { return m_reader.isReading(); }

    // The presets shown, best first: path relative to the folder and distance.
    QList<std::pair<QString, double>> ranked() const;
    QTreeWidget* list() const { return m_list; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showRanking(const QZPFolderPatches::Result& result);
    void openItem(QTreeWidgetItem* item);

    std::function<void(const QString&)> m_open;
    QZPFolderPatchesReader m_reader;
    QString m_folder, m_name, m_ownPath;
    QZPPatch m_patch;
    QLabel* m_status;
    QTreeWidget* m_list;
};
