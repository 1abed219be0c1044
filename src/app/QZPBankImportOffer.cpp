// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QZPBankImportOffer.h"

#include "library/QZPBankFile.h"
#include "library/QZPPresetsController.h"
#include "mainwindow/QZPErrorHandler.h"
#include "mainwindow/QZPMainWindowController.h"
#include "model/QZPError.h"
#include "model/QZPFileSystem.h"
#include "model/QZPPlural.h"
#include "model/QZPPreset.h"
#include "sidebar/QZPBankImportRunner.h"

#include <QApplication>
#include <QFileInfo>
#include <QMainWindow>
#include <QMessageBox>
#include <QScopeGuard>

QZPBankImportOffer::QZPBankImportOffer(QZPPresetsController* library,
                                       std::function<QZPMainWindowController*()> window, QObject* parent)
    : QObject(parent), m_library(library), m_window(std::move(window)) {}

bool QZPBankImportOffer::offer(const QString& path) {
    if (QZPPreset::typeForFileName(path) != QLatin1String(QZPPreset::SysexType))
        return false;
    QZPError error;
    const std::optional<QByteArray> bytes =
        QZPFileSystem::readFile(path, &error, QZPBankFile::MaximumFileSize);
    if (!bytes || !QZPBankFile::isBank(*bytes))
        return false;
    QWidget* window = m_window()->window();
    // The same bank handed over again while it is asked about or imported (opened twice at once) joins
    // the one under way: one question, one import.
    const QString identity = QFileInfo(path).canonicalFilePath();
    if (m_banksInHand.contains(identity)) {
        m_window()->showStatus(tr("“%1” is already being imported").arg(QFileInfo(path).fileName()));
        return true;
    }
    m_banksInHand.insert(identity);
    const auto release = qScopeGuard([this, identity] { m_banksInHand.remove(identity); });
    const QZPBankFile::Contents contents = QZPBankFile::parse(*bytes);
    const QString folder = m_library->presetsFolderURL().toLocalFile();
    if (folder.isEmpty()) {
        QZPErrorHandler::presentError(QZPError::make(QString::fromLatin1(QZPError::ToneBenchDomain), -1,
                                                     tr("“%1” is a bank of %2 presets.")
                                                         .arg(QFileInfo(path).fileName())
                                                         .arg(contents.messages.size()),
                                                     tr("Choose a presets folder first to import it.")),
                                      window);
        return true;
    }
    const auto answer =
        QMessageBox::question(window, QApplication::applicationName(),
                              tr("“%1” holds %2 presets. Import them into the presets folder “%3”?")
                                  .arg(QFileInfo(path).fileName())
                                  .arg(contents.messages.size())
                                  .arg(QFileInfo(folder).fileName()));
    if (answer != QMessageBox::Yes)
        return true;
    const QZPBankFile::ImportResult result = QZPBankImportRunner::run(window, path, folder);
    if (result.cancelled)
        QZPErrorHandler::presentError(
            QZPError::make(QString::fromLatin1(QZPError::ToneBenchDomain), -1,
                           tr("The import of “%1” was cancelled.").arg(QFileInfo(path).fileName()),
                           tr("%1 of its %2 presets were imported.")
                               .arg(result.written.size())
                               .arg(result.contents.messages.size())),
            window);
    else if (!result.error.isNull())
        QZPErrorHandler::presentError(result.error, window);
    else if (const QString skipped = QZPBankFile::skippedSummary(result.contents); !skipped.isEmpty())
        QZPErrorHandler::presentError(
            QZPError::make(
                QString::fromLatin1(QZPError::ToneBenchDomain), -1,
                qzpPlural(result.written.size(), tr("1 preset imported."), tr("%1 presets imported.")),
                skipped),
            window);
    else
        m_window()->showStatus(qzpPlural(result.written.size(), tr("Imported 1 preset from “%2”"),
                                         tr("Imported %1 presets from “%2”"))
                                   .arg(QFileInfo(path).fileName()));
    m_library->refreshAvailableDocuments();
    return true;
}
