// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/QZPInstrumentCommands.h"

#include "library/QZPBankFile.h"
#include "library/QZPPresetsController.h"
#include "mainwindow/QZPRecordWindowController.h"
#include "mainwindow/QZPWriteWindow.h"
#include "midi/QZPAudition.h"
#include "midi/QZPMidiBackend.h"
#include "midi/QZPMidiEngine.h"
#include "model/QZPError.h"
#include "model/QZPPreset.h"
#include "sidebar/QZPSidebarController.h"

#include <QFileDialog>
#include <QFileInfo>

QZPInstrumentCommands::QZPInstrumentCommands(QZPMidiEngine* engine, QZPSidebarController* sidebar,
                                             QWidget* window, ErrorPresenter presentError,
                                             StatusShower showStatus, QObject* parent)
    : QObject(parent), m_engine(engine), m_sidebar(sidebar), m_window(window),
      m_presentError(std::move(presentError)), m_showStatus(std::move(showStatus)),
      m_audition(new QZPAudition(engine, this)) {}

void QZPInstrumentCommands::selectOnInstrument(QZPCommandSource source) {
    const QZPPreset* preset = m_sidebar->documentForSender(source);
    const std::optional<quint8> slot = preset ? preset->originSlot() : std::nullopt;
    if (!slot)
        return;
    if (m_engine->destination().isNull())
        return m_presentError(QZPMidiEngine::noDestinationError(), nullptr);
    m_engine->sendProgramChange(*slot);
}

void QZPInstrumentCommands::audition(QZPCommandSource source) {
    const QList<QZPPreset*> rows = m_sidebar->selectedRows(source);
    if (rows.size() != 1)
        return;
    if (m_engine->destination().isNull())
        return m_presentError(QZPMidiEngine::noDestinationError(), nullptr);
    QZPPreset* preset = rows.first();
    preset->loadFileContents();
    m_audition->play(preset->patch(), QZPAudition::chosenPhrase());
    m_showStatus(tr("Auditioning “%1”").arg(preset->displayName()));
}

QZPWriteWindow* QZPInstrumentCommands::writeToInstrument(QZPCommandSource source) {
    QZPWriteWindow::Presets presets;
    for (QZPPreset* preset : m_sidebar->documentsForSender(source)) {
        preset->loadFileContents();
        presets.append({preset->displayName(), preset->patch()});
    }
    if (presets.isEmpty())
        return nullptr;
    return showWriteWindow(presets);
}

QZPWriteWindow* QZPInstrumentCommands::showWriteWindow(const QList<std::pair<QString, QZPPatch>>& presets) {
    auto* window = new QZPWriteWindow(m_engine, presets, m_window);
    window->setBackUp(m_backUp);
    window->show();
    return window;
}

QZPWriteWindow* QZPInstrumentCommands::writeBankFileToInstrument(const QString& path) {
    QZPError error;
    const std::optional<QZPBankFile::Contents> bank = QZPBankFile::read(path, &error);
    if (!bank)
        return m_presentError(error, m_window), nullptr;
    const QString file = QFileInfo(path).completeBaseName();
    QZPWriteWindow::Presets presets;
    for (const QByteArray& message : bank->messages)
        presets.append({QZPPreset::programNameForData(message) + QLatin1Char(' ') + file, QZPPatch(message)});
    return showWriteWindow(presets);
}

int QZPInstrumentCommands::loadBankFileIntoSound(const QString& path) {
    QZPError error;
    const std::optional<QZPBankFile::Contents> bank = QZPBankFile::read(path, &error);
    if (!bank)
        return m_presentError(error, m_window), 0;
    const int loaded = m_engine->backend() ? m_engine->backend()->loadSoundBank(bank->messages) : 0;
    m_showStatus(QZPRecordWindowController::soundBankSummary(loaded));
    return loaded;
}

void QZPInstrumentCommands::chooseBankFile(const QString& title,
                                           const std::function<void(const QString& path)>& use) {
    const QString path = QFileDialog::getOpenFileName(
        m_window, title, m_sidebar->presetsController()->presetsFolderURL().toLocalFile(),
        tr("Bank files (*.syx)"));
    if (!path.isEmpty())
        use(path);
}
