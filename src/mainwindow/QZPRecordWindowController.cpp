// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/QZPRecordWindowController.h"
#include "mainwindow/QZPScreenFit.h"
#include "model/QZPPlural.h"

#include "library/QZPBankFile.h"
#include "library/QZPPresetList.h"
#include "library/QZPUserNotifications.h"
#include "mainwindow/QZPErrorHandler.h"
#include "mainwindow/QZPProgramSlotGrid.h"
#include "mainwindow/QZPWriteWindow.h"
#include "midi/QZPInstrumentSync.h"
#include "midi/QZPMidiBackend.h"
#include "midi/QZPMidiEngine.h"
#include "model/QZPErrorSolver.h"
#include "model/QZPFileSystem.h"
#include "model/QZPInvalidParameter.h"
#include "model/QZPPreset.h"
#include "model/QZPSettings.h"
#include "sidebar/QZPURLPopUpButton.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QSet>
#include <QStandardItemModel>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int PresetRole = Qt::UserRole + 1;
constexpr const char* ReceivedMessageProperty = "QZPReceivedMessage";
} // namespace

QString QZPRecordWindowController::recordMenuItemTitle(bool draftOnRecord) {
    return draftOnRecord ? tr("Record New") : tr("Record");
}

QString QZPRecordWindowController::recordMultipleWindowTitle(qsizetype count) {
    return count != 0 ? tr("Record Multiple Presets (%1)").arg(count) : tr("Record Multiple Presets");
}

QZPRecordWindowController::QZPRecordWindowController(QZPMidiEngine* engine, const QUrl& libraryFolder,
                                                     QObject* parent)
    : QObject(parent), m_engine(engine), m_presetsFolderURL(libraryFolder),
      m_askReplace([](const QZPError& exists) {
          auto solver = QZPErrorSolver::solverWithError(exists);
          solver->addRecoveryOptionWithLocalizedTitle(tr("Replace"), [] { return true; });
          solver->addCancelRecoveryOption();
          return QZPErrorHandler::presentErrorSolver(solver);
      }),
      m_presentError([](const QZPError& error) { QZPErrorHandler::presentError(error, nullptr); }) {
    buildWindow();
}

QZPRecordWindowController::~QZPRecordWindowController() {
    if (m_engine)
        m_engine->setDelegate(nullptr);
    qDeleteAll(presets());
    delete m_window;
}

void QZPRecordWindowController::buildWindow() {
    m_window = new QWidget(nullptr, Qt::Window);
    m_window->setObjectName(QStringLiteral("RecordWindow"));
    m_window->setMinimumSize(640, 420);
    m_window->resize(900, 560);
    m_window->installEventFilter(this);
    auto* layout = new QVBoxLayout(m_window);
    auto* hint =
        new QLabel(tr("Press the program buttons on the Juno-106 (with its MIDI function switch set to send "
                      "SysEx): each patch it sends is collected here."),
                   m_window);
    hint->setWordWrap(true);
    layout->addWidget(hint);

    auto* body = new QHBoxLayout;
    m_model = new QStandardItemModel(this);
    m_tableView = new QListView(m_window);
    m_tableView->setModel(m_model);
    m_tableView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_tableView->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::DoubleClicked);
    m_tableView->setAccessibleName(tr("Collected Presets"));
    m_tableView->installEventFilter(this);
    m_tableView->viewport()->installEventFilter(this);
    body->addWidget(m_tableView, 2);
    m_slots = new QZPProgramSlotGrid(m_window);
    body->addWidget(m_slots, 3);
    layout->addLayout(body, 1);

    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(new QLabel(tr("Save into:"), m_window));
    m_urlButton = new QZPURLPopUpButton(m_window);
    m_urlButton->setAccessibleName(tr("Save Folder"));
    m_urlButton->setDelegate(this);
    m_urlButton->setAllowedFileTypes({QString::fromLatin1(QZPURLPopUpButton::FolderType)});
    if (!m_presetsFolderURL.isEmpty())
        m_urlButton->setURL(m_presetsFolderURL);
    folderRow->addWidget(m_urlButton, 1);
    layout->addLayout(folderRow);

    auto* buttons = new QHBoxLayout;
    m_summary = new QLabel(m_window);
    buttons->addWidget(m_summary, 1);
    auto* send = new QPushButton(tr("Send"), m_window);
    auto* remove = new QPushButton(tr("Delete"), m_window);
    auto* bank = new QPushButton(tr("Save as Bank…"), m_window);
    auto* save = new QPushButton(tr("Save…"), m_window);
    auto* write = new QPushButton(tr("Write to Instrument…"), m_window);
    auto* load = new QPushButton(tr("Load into ToneBench Sound"), m_window);
    load->setToolTip(tr("ToneBench Sound plays these programs when a Program Change chooses them"));
    for (QPushButton* button : {send, remove, write, load, bank, save})
        buttons->addWidget(button);
    layout->addLayout(buttons);
    m_sendButton = send;
    m_deleteButton = remove;
    m_collectionButtons = {bank, save, write, load};
    connect(send, &QPushButton::clicked, this, [this] { sendProgram(QZPCommandSource::Button); });
    connect(remove, &QPushButton::clicked, this, &QZPRecordWindowController::deleteBackward);
    connect(save, &QPushButton::clicked, this, &QZPRecordWindowController::savePrograms);
    connect(load, &QPushButton::clicked, this, [this] { loadIntoSound(); });
    // The collection back into the instrument, each into the slot it came from when the owner asks.
    connect(write, &QPushButton::clicked, this, [this] {
        QZPWriteWindow::Presets collected;
        for (const QZPPreset* preset : presets())
            collected.append({preset->displayName(), preset->patch()});
        if (!collected.isEmpty())
            (new QZPWriteWindow(m_engine, collected, m_window))->show();
    });
    connect(bank, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(
            m_window, tr("Save as Bank"), QDir(m_presetsFolderURL.toLocalFile()).filePath(tr("Bank.syx")),
            tr("SysEx bank (*.syx)"));
        QZPError error;
        if (!path.isEmpty() && !saveBankToFile(path, &error))
            m_presentError(error);
    });
    connect(m_tableView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &QZPRecordWindowController::selectionDidChange);
    connect(m_slots, &QZPProgramSlotGrid::slotClicked, this, [this](int programByte) {
        QList<QZPPreset*> matching;
        for (QZPPreset* preset : presets())
            if (preset->programByte() == programByte)
                matching << preset;
        setSelectedPresets(matching);
        // The slot's entry is heard, as choosing it in the list is.
        if (!matching.isEmpty())
            sendProgram(QZPCommandSource::Button);
    });
    connect(m_model, &QStandardItemModel::itemChanged, this, [this](QStandardItem* item) {
        if (auto* preset = item->data(PresetRole).value<QZPPreset*>();
            preset && preset->displayName() != item->text())
            preset->setDisplayName(item->text());
    });
    connect(&m_settler, &QZPPatchSettler::settled, this, [this](const QList<QByteArray>& kept) {
        for (const QByteArray& sysex : kept)
            collect(sysex);
    });
    collectionChanged();
}

void QZPRecordWindowController::showWindow() {
    if (!m_window->isVisible())
        QZPScreenFit::fit(m_window, QApplication::activeWindow());
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    windowDidBecomeMain();
}

void QZPRecordWindowController::windowDidBecomeMain() {
    m_engine->setDelegate(this);
}

bool QZPRecordWindowController::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::WindowActivate:
        if (watched == m_window)
            windowDidBecomeMain();
        break;
    case QEvent::KeyPress:
        if (watched == m_tableView) { // while a name is edited, keys go to the editor instead
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Delete || key->key() == Qt::Key_Backspace) {
                deleteBackward();
                return true;
            }
            if (key->key() == Qt::Key_Escape) {
                m_window->close();
                return true;
            }
        }
        [[fallthrough]];
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        // A selection made by the user's own click or key (not by a message arriving) may be heard.
        m_userEvent = true;
        QTimer::singleShot(0, this, [this] { m_userEvent = false; });
        break;
    default:
        break;
    }
    return false;
}

// MARK: The collection

QList<QZPPreset*> QZPRecordWindowController::presets() const {
    QList<QZPPreset*> result;
    for (int row = 0; row < m_model->rowCount(); ++row)
        result << presetAtRow(row);
    return result;
}

QZPPreset* QZPRecordWindowController::presetAtRow(int row) const {
    const QStandardItem* item = m_model->item(row);
    return item ? item->data(PresetRole).value<QZPPreset*>() : nullptr;
}

int QZPRecordWindowController::rowOf(const QZPPreset* preset) const {
    for (int row = 0; row < m_model->rowCount(); ++row)
        if (presetAtRow(row) == preset)
            return row;
    return -1;
}

QList<QZPPreset*> QZPRecordWindowController::selectedPresets() const {
    QList<QZPPreset*> result;
    for (int row = 0; row < m_model->rowCount(); ++row)
        if (m_tableView->selectionModel()->isRowSelected(row, {}))
            result << presetAtRow(row);
    return result;
}

void QZPRecordWindowController::setSelectedPresets(const QList<QZPPreset*>& presets) {
    QItemSelection selection;
    for (const QZPPreset* preset : presets)
        if (const int row = rowOf(preset); row >= 0)
            selection.select(m_model->index(row, 0), m_model->index(row, 0));
    m_tableView->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (!selection.isEmpty()) {
        m_tableView->selectionModel()->setCurrentIndex(selection.first().topLeft(),
                                                       QItemSelectionModel::NoUpdate);
        m_tableView->scrollTo(selection.first().topLeft());
    }
}

// In program-name order (A11 before A12, every A before every B), after presets of the same name.
void QZPRecordWindowController::addPreset(QZPPreset* preset) {
    int row = 0;
    while (row < m_model->rowCount() && presetAtRow(row)->programName() <= preset->programName())
        ++row;
    auto* item = new QStandardItem(preset->displayName());
    item->setData(QVariant::fromValue(preset), PresetRole);
    m_model->insertRow(row, item);
    collectionChanged();
}

void QZPRecordWindowController::removePreset(QZPPreset* preset) {
    if (const int row = rowOf(preset); row >= 0)
        m_model->removeRow(row);
    preset->deleteLater();
    collectionChanged();
}

void QZPRecordWindowController::collectionChanged() {
    const qsizetype count = m_model->rowCount();
    m_window->setWindowTitle(recordMultipleWindowTitle(count));
    QList<int> counts(QZPProgramSlotGrid::SlotCount, 0);
    for (const QZPPreset* preset : presets())
        ++counts[preset->programByte() & 0x7F];
    m_slots->setCounts(counts);
    m_summary->setText(tr("%1 of 128 programs collected").arg(m_slots->filledSlots()));
    const bool selected = m_tableView->selectionModel()->hasSelection();
    m_sendButton->setEnabled(selected);
    m_deleteButton->setEnabled(selected);
    for (QWidget* button : m_collectionButtons)
        button->setEnabled(count > 0);
    emit presetsChanged();
}

// Patch messages settle first: the patch a program change leaves behind is passed over, so each
// program pressed is collected once, with its stored sound; every patch of a bank dump is collected.
void QZPRecordWindowController::midiEngineDidReceiveSysex(QZPMidiEngine*, const QByteArray& sysex,
                                                          quint8 messageType) {
    m_settler.take(sysex, messageType);
}

// A message seen before selects its preset again; a new one (any byte different, the channel too)
// becomes a new preset named after its program.
void QZPRecordWindowController::collect(const QByteArray& sysex) {
    if (QZPPreset* known = m_presetsMappedByData.value(sysex); known && rowOf(known) >= 0) {
        setSelectedPresets({known});
        return;
    }
    QZPPreset* preset = QZPPreset::presetWithJunoSysexData(sysex);
    // Two patches of one program slot (another channel, or the slot sent again after an edit) get names
    // of their own, so that saving them keeps both.
    QSet<QString> names;
    for (const QZPPreset* collected : presets())
        names.insert(collected->displayName().toCaseFolded());
    preset->setDisplayName(QZPPresetList::freeName(
        tr("%1 Untitled Preset").arg(preset->programName()),
        [&names](const QString& name) { return names.contains(name.toCaseFolded()); }));
    // The message as it came, program number and all: what a bank backup keeps.
    preset->setProperty(ReceivedMessageProperty, sysex);
    m_presetsMappedByData.insert(sysex, preset);
    addPreset(preset);
    setSelectedPresets({preset});
}

// The collection as ToneBench Sound's bank: each preset for the program it was received from.
int QZPRecordWindowController::loadIntoSound() {
    QList<QByteArray> messages;
    for (const QZPPreset* preset : presets())
        messages << preset->property(ReceivedMessageProperty).toByteArray();
    const int loaded = m_engine->backend() ? m_engine->backend()->loadSoundBank(messages) : 0;
    m_summary->setText(soundBankSummary(loaded));
    return loaded;
}

QString QZPRecordWindowController::soundBankSummary(int loaded) {
    return loaded > 0 ? qzpPlural(loaded, tr("1 program loaded into ToneBench Sound"),
                                  tr("%1 programs loaded into ToneBench Sound"))
                      : tr("ToneBench Sound is not there to take them");
}

void QZPRecordWindowController::selectionDidChange() {
    const bool selected = m_tableView->selectionModel()->hasSelection();
    m_sendButton->setEnabled(selected);
    m_deleteButton->setEnabled(selected);
    if (m_userEvent && QZPSettings::standard()->boolValue(
                           QString::fromLatin1(QZPSettings::SendsPresetsOnSelectionChangeKey)))
        sendProgram(QZPCommandSource::None);
}

void QZPRecordWindowController::sendProgram(QZPCommandSource source) {
    const QList<QZPPreset*> selected = selectedPresets();
    if (selected.isEmpty())
        return;
    if (!m_engine->destination().isNull()) {
        QZPInstrumentSync::of(m_engine)->sendPreset(selected.first());
        return;
    }
    if (source == QZPCommandSource::Button)
        m_presentError(QZPMidiEngine::noDestinationError());
}

void QZPRecordWindowController::deleteBackward() {
    for (QZPPreset* preset : selectedPresets())
        removePreset(preset);
}

// MARK: Saving

void QZPRecordWindowController::savePresetsToURL(const QUrl& folderURL, const QString& fileType) {
    QZP_PRECONDITION(!folderURL.isEmpty(), "folderURL");
    QZP_PRECONDITION(fileType == QLatin1String(QZPPreset::SysexType) ||
                         fileType == QLatin1String(QZPPreset::PresetType),
                     "[[NSSet setWithArray:QZPPreset.writableTypes] containsObject:fileType]");
    const QString folder = folderURL.toLocalFile();
    const QList<QZPPreset*> snapshot = presets();
    qsizetype remaining = snapshot.size();
    int accepted = 0;
    const QString extension = QLatin1Char('.') + QZPPreset::extensionForType(fileType);
    const auto exists = [&folder, &extension](const QString& base) {
        const QFileInfo info(QDir(folder).filePath(base + extension));
        return info.exists() || info.isSymLink();
    };
    // A name this batch has written already is never asked about (replacing it would lose the patch
    // saved a moment ago): the preset takes the next free numbered name instead.
    QSet<QString> written;
    for (QZPPreset* preset : snapshot) {
        QString base = QZPPreset::fileNameForName(preset->displayName());
        if (written.contains(base.toCaseFolded()))
            base = QZPPresetList::freeName(base, [&written, &exists](const QString& name) {
                return written.contains(name.toCaseFolded()) || exists(name);
            });
        const QString fileName = base + extension;
        const QString target = QDir(folder).filePath(fileName);
        bool save = true;
        if (exists(base)) {
            const QZPError exists =
                QZPError::make(QString::fromLatin1(QZPError::FileDomain), QZPError::FileWriteFileExists,
                               tr("“%1” already exists. Do you want to replace it?").arg(fileName), QString(),
                               tr("A file or folder with the same name already exists in the folder %1. "
                                  "Replacing it will overwrite "
                                  "its current contents.")
                                   .arg(QFileInfo(folder).fileName()));
            save = m_askReplace(exists);
        }
        --remaining;
        if (save)
            ++accepted;
        if (remaining == 0 && accepted > 0)
            QZPUserNotifications::postNotification(
                tr("Recorded %1 Preset%2").arg(accepted).arg(accepted < 2 ? QString() : QStringLiteral("s")),
                tr("Presets were placed in the folder %1.").arg(QFileInfo(folder).fileName()));
        if (!save)
            continue;
        QZPError error;
        if (preset->saveToURL(QUrl::fromLocalFile(target), fileType, QZPDocument::SaveAsOperation, &error)) {
            written.insert(base.toCaseFolded());
            removePreset(preset);
        } else {
            m_presentError(error);
        }
    }
}

void QZPRecordWindowController::savePrograms() {
    QDialog sheet(m_window);
    sheet.setWindowTitle(tr("Save Presets"));
    sheet.setWindowModality(Qt::WindowModal);
    auto* form = new QFormLayout(&sheet);
    auto* typeSelector = new QComboBox(&sheet);
    typeSelector->setAccessibleName(tr("File Type"));
    typeSelector->addItem(tr("SysEx preset (.syx)"), QString::fromLatin1(QZPPreset::SysexType));
    typeSelector->addItem(tr("ToneBench preset (.tbpreset)"), QString::fromLatin1(QZPPreset::PresetType));
    form->addRow(qzpPlural(m_model->rowCount(), tr("Save 1 preset as:"), tr("Save %1 presets as:")),
                 typeSelector);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, &sheet);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &sheet, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &sheet, &QDialog::reject);
    if (sheet.exec() == QDialog::Accepted && !m_presetsFolderURL.isEmpty())
        savePresetsToURL(m_presetsFolderURL, typeSelector->currentData().toString());
}

// The messages exactly as the instrument sent them, so that the bank restores every program in its slot.
bool QZPRecordWindowController::saveBankToFile(const QString& path, QZPError* error) const {
    QList<QByteArray> messages;
    for (QZPPreset* preset : presets())
        messages << preset->property(ReceivedMessageProperty).toByteArray();
    return QZPFileSystem::writeFile(path, QZPBankFile::bankData(messages),
                                    QZPFileSystem::WriteMode::ReplaceExisting, error);
}

bool QZPRecordWindowController::claviaShouldProcessKeyboardEvent(QZPMidiClaviature*, const QZPKeyEvent&) {
    return m_tableView->selectionModel()->hasSelection();
}

// The folder chosen here is this window's own: the library keeps its folder.
void QZPRecordWindowController::popUpButtonDidSelectURL(QZPURLPopUpButton*, const QUrl& url) {
    m_presetsFolderURL = url;
}

void QZPRecordWindowController::popUpButtonWillDisplayOpenPanel(QZPURLPopUpButton*, QFileDialog* panel) {
    panel->setFileMode(QFileDialog::Directory);
    panel->setOption(QFileDialog::ShowDirsOnly, true);
    panel->setOption(QFileDialog::ReadOnly, false);
}
