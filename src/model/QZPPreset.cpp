// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/QZPPreset.h"

#include "model/QZPFileSystem.h"

#include "model/QZPDocumentControllerBase.h"
#include "model/QZPInvalidParameter.h"
#include "model/QZPParameter.h"
#include "model/QZPPresetEnvironment.h"
#include "model/QZPPropertyList.h"
#include "model/QZPSettings.h"
#include "model/QZPWindowController.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QThread>
#include <memory>

namespace {

const char* const IndexCondition = "index >= 0 && index < self.sysexData.length";
const char* const LengthCondition = "junoSysexData.length == 24";

} // namespace

QByteArray QZPPreset::defaultPatchData() {
    return QZPPatch::defaultData();
}

QString QZPPreset::patchProblem(const QByteArray& bytes) {
    return QZPPatch::problem(bytes);
}

QString QZPPreset::typeForFileName(QStringView fileName) {
    static const QString sysexType = QString::fromLatin1(SysexType);
    static const QString presetType = QString::fromLatin1(PresetType);
    // Called for every file of a library walk: no file-system look, no allocation.
    if (fileName.endsWith(QLatin1String(".syx"), Qt::CaseInsensitive))
        return sysexType;
    if (fileName.endsWith(QLatin1String(".tbpreset"), Qt::CaseInsensitive))
        return presetType;
    return {};
}

QString QZPPreset::extensionForType(const QString& type) {
    if (type == QLatin1String(SysexType))
        return QString::fromLatin1(SysexExtension);
    if (type == QLatin1String(PresetType))
        return QString::fromLatin1(PresetExtension);
    return {};
}

QZPPreset::QZPPreset(QObject* parent)
    : QZPDocument(parent), m_environment(QZPPresetEnvironment::defaultEnvironment()) {
    static const QString sysexType = QString::fromLatin1(SysexType);
    setFileType(sysexType);
    syncInitialSysexData();
}

QZPPreset::QZPPreset(const QByteArray& junoSysexData, QObject* parent) : QZPPreset(parent) {
    setJunoSysexData(junoSysexData, false, false);
    syncInitialSysexData();
}

QZPPreset::~QZPPreset() = default;

void QZPPreset::setEnvironment(QZPPresetEnvironment* environment) {
    m_environment = environment ? environment : QZPPresetEnvironment::defaultEnvironment();
}

QZPDocument* QZPPreset::makeEmptyDocument() const {
    auto* copy = new QZPPreset;
    copy->setEnvironment(m_environment);
    return copy;
}

QZPDocumentControllerBase* QZPPreset::documentController() const {
    return m_environment->documentController();
}

QString QZPPreset::fileNameForName(QString name) {
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    name.remove(QChar(0));
    while (name.startsWith(QLatin1Char('.')))
        name.remove(0, 1);
    name = name.trimmed();
    return name.isEmpty() ? tr("Untitled Preset") : name;
}

QString QZPPreset::pathForSaving(const QString& path, const QString& type) {
    if (!typeForFileName(path).isEmpty())
        return path;
    return path + QLatin1Char('.') + extensionForType(type);
}

QZPPreset* QZPPreset::presetWithJunoSysexData(const QByteArray& junoSysexData) {
    return new QZPPreset(junoSysexData);
}

QZPPreset* QZPPreset::presetWithContentsOfURL(const QUrl& url, const QString& type, QZPError* error) {
    auto preset = std::make_unique<QZPPreset>();
    preset->setFileType(type);
    preset->setFileURL(url);
    if (!preset->readFromURL(url, type, error))
        return nullptr;
    return preset.release();
}

// MARK: Patch data

// A preset lives on the thread that owns it (the main thread in the application): its data are read
// and changed there only, so they need no lock.

QByteArray QZPPreset::sysexData() const {
    return m_patch.data();
}

QByteArray QZPPreset::initialSysexData() const {
    return m_initialSysexData;
}

void QZPPreset::replaceSysexData(const QByteArray& data) {
    Q_ASSERT(thread() == QThread::currentThread());
    m_patch = QZPPatch(data);
}

quint8 QZPPreset::byteAtLocation(uint index) const {
    QZP_PRECONDITION(index < uint(PatchDataLength), IndexCondition);
    return m_patch.byte(int(index));
}

// Any byte as it comes, switch bytes too (the instrument's knob moves and Control messages write them so).
void QZPPreset::setByte(quint8 value, uint index) {
    Q_ASSERT(thread() == QThread::currentThread());
    QZP_PRECONDITION(index < uint(PatchDataLength), IndexCondition);
    const quint8 old = m_patch.byte(int(index));
    if (old == value)
        return;
    m_patch.setByte(int(index), value);
    // A slider's byte is named after the slider; a switch byte holds several switches.
    const QZPParameter* slider = QZPParameter::sliderAt(int(index));
    registerUndo([this, old, index] { setByte(old, index); }, slider ? slider->panelName() : tr("Switches"));
}

void QZPPreset::setValue(const QZPParameter& parameter, int value) {
    Q_ASSERT(thread() == QThread::currentThread());
    // A change may touch more than the parameter's own bits (the noise slider sets the MKS noise bit),
    // so its undo restores the bytes as they were.
    const QByteArray old = m_patch.data();
    if (m_patch.setValue(parameter, value))
        registerUndo([this, old, name = parameter.panelName()] { restorePatchData(old, name); },
                     parameter.panelName());
}

void QZPPreset::setValue(QZPParameterId id, int value) {
    setValue(QZPParameter::of(id), value);
}

void QZPPreset::restorePatchData(const QByteArray& data, const QString& stepName) {
    const QByteArray current = m_patch.data();
    m_patch = QZPPatch(data);
    registerUndo([this, current, stepName] { restorePatchData(current, stepName); }, stepName);
}

// MARK: Patch message

QByteArray QZPPreset::patchMessage(quint8 channel) const {
    return messageFor(m_patch, channel);
}

QByteArray QZPPreset::messageFor(const QZPPatch& patch, quint8 channel) const {
    return patch.message(channel, QZPParameter::dynamicsByte(dynamicsAffectVCA(), dynamicsAffectVCF()));
}

bool QZPPreset::replacePatch(const QByteArray& junoSysexData, const QString& stepName) {
    // Named by what changed, not by the undo stack's index: a full stack (UndoLimit) keeps its index.
    const bool changes = junoSysexData.mid(5, PatchDataLength) != sysexData();
    setJunoSysexData(junoSysexData);
    if (changes)
        setUndoActionName(stepName);
    return changes;
}

bool QZPPreset::replacePatch(const QZPPatch& patch, const QString& stepName) {
    return replacePatch(messageFor(patch, 0), stepName);
}

QByteArray QZPPreset::junoSysexDataWithMidiChannel(quint8 channel) {
    loadFileContents();
    return patchMessage(channel);
}

void QZPPreset::setJunoSysexData(const QByteArray& junoSysexData, bool registerUndo, bool announce) {
    QZP_PRECONDITION(junoSysexData.size() == PatchMessageLength, LengthCondition);
    const QByteArray data = junoSysexData.mid(5, PatchDataLength);
    if (data == sysexData())
        return;
    // The inverse carries the message as it would be sent now: channel 0 and the dynamics byte.
    const QByteArray inverse = registerUndo ? junoSysexDataWithMidiChannel(0) : QByteArray();
    m_associatedMIDIChannel = quint8(junoSysexData.at(QZPPatch::ChannelIndex));
    m_programByte = QZPPatch::programOf(junoSysexData);
    replaceSysexData(data);
    if (announce)
        emit presetChanged(Change::PatchReplaced);
    if (registerUndo)
        // Undo and redo announce themselves, once the whole step is back.
        QZPDocument::registerUndo([this, inverse] { setJunoSysexData(inverse, true, false); }, tr("Patch"));
}

QString QZPPreset::programBankForByte(quint8 byte) {
    return byte < 64 ? QStringLiteral("A") : QStringLiteral("B");
}

int QZPPreset::programNumberForByte(quint8 byte) {
    return ((byte >> 3 & 7) + 1) * 10 + (byte & 7) + 1;
}

QString QZPPreset::programNameForByte(quint8 byte) {
    return programBankForByte(byte) + QString::number(programNumberForByte(byte));
}

std::optional<quint8> QZPPreset::programByteForName(QStringView name) {
    if (name.size() != 3 || (name[0] != u'A' && name[0] != u'B') || name[1] < u'1' || name[1] > u'8' ||
        name[2] < u'1' || name[2] > u'8')
        return std::nullopt;
    return quint8((name[0] == u'B' ? 64 : 0) + (name[1].unicode() - u'1') * 8 + (name[2].unicode() - u'1'));
}

std::optional<quint8> QZPPreset::slotOfName(QStringView name) {
    const qsizetype space = name.indexOf(QLatin1Char(' '));
    return programByteForName(name.left(space < 0 ? name.size() : space));
}

std::optional<quint8> QZPPreset::originSlot() const {
    if (const std::optional<quint8> named = slotOfName(displayName()))
        return named;
    if ((m_programByte & ~QZPParameter::dynamicsByte(true, true)) == 0)
        return std::nullopt;
    return m_programByte;
}

QString QZPPreset::programNameForData(const QByteArray& junoSysexData) {
    QZP_PRECONDITION(junoSysexData.size() > 4, "junoSysexData.length > 4");
    return programNameForByte(QZPPatch::programOf(junoSysexData));
}

void QZPPreset::syncInitialSysexData() {
    // Shared until either side changes: writes into the data detach it, so the snapshot stays as taken.
    m_initialSysexData = m_patch.data();
}

bool QZPPreset::dynamicsAffectVCF() const {
    return m_environment->settings()->boolValue(QZPSettings::DynamicsFilterKey);
}

bool QZPPreset::dynamicsAffectVCA() const {
    return m_environment->settings()->boolValue(QZPSettings::DynamicsAmplifierKey);
}

QString QZPPreset::description() const {
    // Built from the data in memory: describing a preset never reads its file.
    const QByteArray hex = patchMessage(0).toHex();
    QStringList groups;
    for (qsizetype i = 0; i < hex.size(); i += 8)
        groups << QString::fromLatin1(hex.mid(i, 8));
    return QStringLiteral("%1 <%2> “%3”")
        .arg(QZPDocument::description(), groups.join(QLatin1Char(' ')), displayName());
}

// MARK: Document

QZPFileReference QZPPreset::fileReference() const {
    return m_fileReference;
}

void QZPPreset::setFilePath(const QString& path) {
    setFilePath(path, QZPFileReference::forPath(path));
}

void QZPPreset::setFilePath(const QString& path, const QZPFileReference& reference) {
    m_fileReference = reference;
    QZPDocument::setFilePath(path);
}

bool QZPPreset::isCurrentDocument() const {
    const QZPDocumentControllerBase* controller = documentController();
    return controller && controller->currentDocument() == this;
}

bool QZPPreset::isDocumentEdited() const {
    return m_patch.data() != m_initialSysexData;
}

QString QZPPreset::displayName() const {
    if (isNew() || hasDisplayNameOverride())
        return QZPDocument::displayName();
    // The file's name without its extension.
    const QString path = filePath();
    const qsizetype start = path.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return path.mid(start, dot > start ? dot - start : -1);
}

QString QZPPreset::defaultDraftName() const {
    return tr("Untitled Preset");
}

void QZPPreset::setName(const QString& name) {
    const QString path = filePath();
    if (name.isEmpty() || path.isEmpty())
        return;
    const QFileInfo file(path);
    if (file.completeBaseName() == name && file.fileName() == name + QLatin1Char('.') + file.suffix())
        return;
    // A name is a file name in the preset's own folder: no folder separators, and no leading dot,
    // which would hide the file from the library.
    if (name.contains(QLatin1Char('/')) || name.contains(QChar(0)) || name.startsWith(QLatin1Char('.'))) {
        m_environment->presentError(QZPError::make(
            QZPError::FileDomain, QZPError::FileWriteUnknown, tr("The name “%1” can’t be used.").arg(name),
            tr("Try using a name that doesn’t start with a dot and contains no “/”.")));
        return;
    }
    const QString extension = file.suffix();
    const QString destination =
        file.dir().filePath(extension.isEmpty() ? name : name + QLatin1Char('.') + extension);

    m_environment->moveFile(path, destination, this,
                            [this, destination] { setFileURL(QUrl::fromLocalFile(destination)); });
}

QByteArray QZPPreset::filePayload(const QByteArray& data, const QString& type) {
    QByteArray payload;
    if (type == QLatin1String(PresetType)) {
        // Only a dictionary holding data under "sysexData" is a preset; anything else reads as empty.
        const std::optional<QVariant> root = QZPPropertyList::parse(data);
        if (root && root->typeId() == QMetaType::QVariantMap) {
            const QVariant value = root->toMap().value(QLatin1String(SysexDataKey));
            if (value.typeId() == QMetaType::QByteArray)
                payload = value.toByteArray();
        }
    } else if (type == QLatin1String(SysexType)) {
        payload = data;
    }
    return payload;
}

bool QZPPreset::readFromData(const QByteArray& data, const QString& type, QZPError* error) {
    const QByteArray payload = filePayload(data, type);
    const QString problem = patchProblem(payload);
    if (!problem.isEmpty()) {
        qzpSetError(error, QZPError::make(QZPError::ToneBenchDomain, ReadErrorCode,
                                          tr("Unable to read contents of file"), problem));
        return false;
    }
    if (payload.size() == PatchMessageLength)
        setJunoSysexData(payload, false, false);
    else
        replaceSysexData(QByteArray(payload.constData(), payload.size()));
    syncInitialSysexData();
    return true;
}

// A type the preset cannot be written as fails the write with its error, and nothing is written.
QByteArray QZPPreset::dataOfType(const QString& type, QZPError* error) {
    if (type == QLatin1String(SysexType))
        return junoSysexData();
    if (type == QLatin1String(PresetType))
        return QZPPropertyList::toBinary(QVariantMap{{QLatin1String(SysexDataKey), sysexData()}});
    qzpSetError(error, QZPError::make(QString::fromLatin1(QZPError::ToneBenchDomain), -1,
                                      tr("The preset can't be written as “%1”.").arg(type),
                                      tr("ToneBench writes presets as .syx or .tbpreset files.")));
    return {};
}

bool QZPPreset::readFromURL(const QUrl& url, const QString& type, QZPError* error) {
    const bool ok = QZPDocument::readFromURL(url, type, error);
    m_fileContentsLoaded = ok;
    if (ok)
        announceContentsLoaded();
    return ok;
}

// A listed preset whose contents are in memory follows its file when another program moves or deletes
// it: the library, which does the following, hears of it.
void QZPPreset::announceContentsLoaded() {
    if (observer() && hasFile())
        observer()->documentContentsLoaded(this);
}

bool QZPPreset::loadFileContents() {
    if (m_fileContentsLoaded || isNew())
        return true;
    QZPError error;
    const QZPFileReference reference = fileReference();
    QString path = reference.resolvedPath();
    if (path.isEmpty())
        path = filePath();
    readFromURL(QUrl::fromLocalFile(path), fileType(), &error);
    if (!m_fileContentsLoaded) {
        m_environment->presentError(error);
        return false;
    }
    return true;
}

void QZPPreset::updateChangeCount(ChangeType change) {
    if (change == ChangeCleared || change == ChangeAutosaved)
        syncInitialSysexData();
    QZPDocument::updateChangeCount(change);
    emit presetChanged(Change(change));
}

void QZPPreset::updateChangeCountWithToken(SaveOperationType operation) {
    announceContentsLoaded();
    syncInitialSysexData();
    QZPDocument::updateChangeCountWithToken(operation);
    emit presetChanged(Change::Saved);
}

void QZPPreset::makeWindowControllers() {
    const QZPDocumentControllerBase* documents = documentController();
    QZPWindowController* main = documents ? documents->mainWindowController() : nullptr;
    if (main && !main->isWindowVisible())
        main->showWindow();
    loadFileContents();
    if (main && !windowControllers().contains(main))
        addWindowController(main);
}

void QZPPreset::close() {
    // Closing a preset never closes the main window.
    const QZPDocumentControllerBase* documents = documentController();
    if (QZPWindowController* main = documents ? documents->mainWindowController() : nullptr)
        removeWindowController(main);
    QZPDocument::close();
}

QZPDocument* QZPPreset::duplicateDocument(QZPError* error) {
    loadFileContents();
    return QZPDocument::duplicateDocument(error);
}

void QZPPreset::presentedItemDidMoveToURL(const QUrl& url) {
    const QZPDocumentControllerBase* documents = documentController();
    const QString folder = documents ? documents->presetsFolderURL().toLocalFile() : QString();
    if (!isNew() && !folder.isEmpty()) {
        const QList<QZPWindowController*> controllers = windowControllers();
        const bool shown = !controllers.isEmpty() && controllers.first()->document() == this;
        const bool inFolder = !url.isEmpty() && QZPFileSystem::isInsideFolder(url.toLocalFile(), folder);
        if (!shown && !inFolder && !isDocumentEdited()) {
            close();
            return;
        }
    }
    if (url.isEmpty()) {
        // Gone where it cannot be followed: what the user sees or changed is kept as a draft.
        accommodatePresentedItemDeletion();
        return;
    }
    setFileURL(url);
}

void QZPPreset::accommodatePresentedItemDeletion() {
    QPointer<QZPPreset> self(this);
    QMetaObject::invokeMethod(
        this,
        [self] {
            if (!self || self->isClosed())
                return;
            QZPDocumentControllerBase* documents = self->documentController();
            // A preset never shown has nothing to keep: its contents went with the file.
            if (!self->isFileContentsLoaded() || !documents) {
                self->close();
                return;
            }
            auto* draft = qobject_cast<QZPPreset*>(documents->openUntitledDocumentAndDisplay(false));
            if (draft) {
                draft->setDisplayName(self->displayName());
                draft->setJunoSysexData(self->patchMessage(0));
                draft->makeWindowControllers();
            }
            self->close();
        },
        Qt::QueuedConnection);
}

bool QZPPreset::validateUserInterfaceItem(Command command) const {
    switch (command) {
    case Command::Rename:
        return !isNew();
    case Command::Revert:
        return !isNew() && isDocumentEdited() && QZPDocument::validateUserInterfaceItem(command);
    default:
        return QZPDocument::validateUserInterfaceItem(command);
    }
}
