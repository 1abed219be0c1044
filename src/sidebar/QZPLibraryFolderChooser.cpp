// SPDX-License-Identifier: GPL-3.0-or-later
#include "sidebar/QZPLibraryFolderChooser.h"

#include "library/QZPPresetsController.h"
#include "sidebar/QZPURLPopUpButton.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

QZPLibraryFolderChooser::QZPLibraryFolderChooser(QZPURLPopUpButton* button, QZPPresetsController* presets,
                                                 QObject* parent)
    : QObject(parent), m_button(button), m_presets(presets) {
    m_button->setDelegate(this);
    m_button->setAllowedFileTypes({QString::fromLatin1(QZPURLPopUpButton::FolderType)});
    connect(m_presets, &QZPPresetsController::presetsFolderURLChanged, this,
            &QZPLibraryFolderChooser::showLibraryFolder);
    showLibraryFolder();
}

QZPURLPopUpButton* QZPLibraryFolderChooser::makeButton(QZPPresetsController* presets, QWidget* parent,
                                                       QObject* owner) {
    auto* button = new QZPURLPopUpButton(parent);
    button->setObjectName(QStringLiteral("urlButton"));
    button->setAccessibleName(tr("Presets Folder"));
    button->otherItem()->setText(tr("Select…"));
    if (presets)
        new QZPLibraryFolderChooser(button, presets, owner);
    return button;
}

QZPLibraryFolderChooser::~QZPLibraryFolderChooser() {
    if (m_button)
        m_button->setDelegate(nullptr);
}

void QZPLibraryFolderChooser::showLibraryFolder() {
    if (!m_button || !m_presets)
        return;
    const QUrl folder = m_presets->presetsFolderURL();
    if (folder.adjusted(QUrl::StripTrailingSlash) != m_button->URL().adjusted(QUrl::StripTrailingSlash) ||
        m_button->recentURLs().isEmpty())
        m_button->setURL(folder);
}

void QZPLibraryFolderChooser::popUpButtonDidSelectURL(QZPURLPopUpButton* button, const QUrl& url) {
    Q_UNUSED(button);
    if (m_presets)
        m_presets->setPresetsFolderURL(url);
}

QString QZPLibraryFolderChooser::suggestedFolder() {
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    return (music.isEmpty() ? QDir::homePath() : music) + QStringLiteral("/ToneBench Presets");
}

void QZPLibraryFolderChooser::popUpButtonWillDisplayOpenPanel(QZPURLPopUpButton* button, QFileDialog* panel) {
    // Without a library yet, the dialog starts at the suggested one, or the folder it would go into.
    if (button->URL().isEmpty()) {
        const QFileInfo suggested(suggestedFolder());
        const QString start = suggested.isDir() ? suggested.filePath() : suggested.absolutePath();
        panel->setDirectory(QFileInfo(start).isDir() ? start : QDir::homePath());
    }
    panel->setFileMode(QFileDialog::Directory);
    panel->setOption(QFileDialog::ShowDirsOnly, true);
    panel->setOption(QFileDialog::ReadOnly, false); // new folders may be made
}
