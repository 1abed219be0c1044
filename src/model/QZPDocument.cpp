// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/QZPDocument.h"

#include "model/QZPDocumentControllerBase.h"
#include "model/QZPWindowController.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSet>
#include <QThread>
#include <QUndoStack>
#include <atomic>

// One undo step: the inverse calls registered for it, replayed newest first. Replaying them makes them
// register their own inverses, which become the other direction of the step.
class QZPDocumentUndoCommand : public QUndoCommand {
public:
    explicit QZPDocumentUndoCommand(QZPDocument* document, int coalescingKey = -1)
        : m_document(document), m_key(coalescingKey) {}

    // Consecutive steps of one key make one. The later step's inverses join this one's (replayed newest
    // first, so what was there before all of them comes back last): a step that changed something the
    // first did not is undone too.
    int id() const override { return m_key; }
    bool mergeWith(const QUndoCommand* other) override {
        if (other->id() != m_key || m_key == -1)
            return false;
        const auto* later = static_cast<const QZPDocumentUndoCommand*>(other);
        m_undoActions.insert(m_undoActions.end(), later->m_undoActions.begin(), later->m_undoActions.end());
        return true;
    }

    void add(std::function<void()> inverse) { m_undoActions.push_back(std::move(inverse)); }
    bool isEmpty() const { return m_undoActions.empty(); }

    void undo() override { m_redoActions = m_document->replayUndoActions(m_undoActions); }
    void redo() override {
        // The change itself was made before the step was pushed.
        if (!m_pushed) {
            m_pushed = true;
            return;
        }
        m_undoActions = m_document->replayUndoActions(m_redoActions);
    }

private:
    QZPDocument* m_document;
    int m_key;
    std::vector<std::function<void()>> m_undoActions;
    std::vector<std::function<void()>> m_redoActions;
    bool m_pushed = false;
};

namespace {
std::atomic<int> untitledCounter{0};
}

QZPDocument::QZPDocument(QObject* parent) : QObject(parent) {}

QZPDocument::~QZPDocument() {
    delete m_openGroup;
}

QUrl QZPDocument::fileURL() const {
    const QString path = filePath();
    return path.isEmpty() ? QUrl() : QUrl::fromLocalFile(path);
}

QString QZPDocument::filePath() const {
    return m_filePath;
}

// Documents are main-thread objects: their state is changed on the thread that owns them only.
void QZPDocument::setFilePath(const QString& path) {
    Q_ASSERT(thread() == QThread::currentThread());
    if (m_filePath == path)
        return;
    m_filePath = path;
    // A document with a file is named after it.
    if (!path.isEmpty())
        m_displayName.clear();
    emit fileURLChanged();
    emit displayNameChanged();
    announceArrangementKeysChanged();
}

void QZPDocument::announceArrangementKeysChanged() {
    emit arrangementKeysChanged();
    if (m_observer)
        m_observer->documentArrangementKeysChanged(this);
}

QZPDocumentControllerBase* QZPDocument::documentController() const {
    return QZPDocumentControllerBase::sharedDocumentController();
}

QString QZPDocument::displayName() const {
    if (!m_displayName.isEmpty())
        return m_displayName;
    const QString path = filePath();
    if (!path.isEmpty())
        return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    if (m_untitledNumber == 0)
        m_untitledNumber = ++untitledCounter;
    if (m_untitledNumber == 1)
        return defaultDraftName();
    return QStringLiteral("%1 %2").arg(defaultDraftName()).arg(m_untitledNumber);
}

void QZPDocument::setDisplayName(const QString& name) {
    if (m_displayName == name)
        return;
    m_displayName = name;
    emit displayNameChanged();
    announceArrangementKeysChanged();
}

QString QZPDocument::defaultDraftName() const {
    return QCoreApplication::translate("QZPDocument", "Untitled");
}

QUndoStack* QZPDocument::undoStack() {
    if (!m_undoStack) {
        m_undoStack = new QUndoStack(this);
        // A long session (or a flood of changes from outside) keeps the newest steps, not all of them.
        m_undoStack->setUndoLimit(UndoLimit);
        connect(m_undoStack, &QUndoStack::indexChanged, this, &QZPDocument::undoStackIndexChanged);
    }
    return m_undoStack;
}

void QZPDocument::registerUndo(std::function<void()> inverse, const QString& name) {
    if (m_capture) {
        m_capture->push_back(std::move(inverse));
        return;
    }
    if (m_groupDepth > 0) {
        if (!m_openGroup)
            m_openGroup = new QZPDocumentUndoCommand(this);
        if (m_openGroup->text().isEmpty())
            m_openGroup->setText(name);
        m_openGroup->add(std::move(inverse));
    } else {
        auto* command = new QZPDocumentUndoCommand(this, m_undoCoalescingKey);
        command->setText(name);
        command->add(std::move(inverse));
        QUndoStack* stack = undoStack();
        m_changingStack = true;
        stack->push(command);
        m_changingStack = false;
        m_lastUndoIndex = stack->index();
    }
    updateChangeCount(ChangeDone);
}

void QZPDocument::setUndoActionName(const QString& name) {
    QUndoStack* stack = undoStack();
    if (stack->index() > 0)
        const_cast<QUndoCommand*>(stack->command(stack->index() - 1))->setText(name);
}

void QZPDocument::beginUndoGrouping() {
    ++m_groupDepth;
}

void QZPDocument::endUndoGrouping() {
    if (m_groupDepth == 0 || --m_groupDepth > 0)
        return;
    QZPDocumentUndoCommand* group = std::exchange(m_openGroup, nullptr);
    if (!group)
        return;
    QUndoStack* stack = undoStack();
    m_changingStack = true;
    stack->push(group);
    m_changingStack = false;
    m_lastUndoIndex = stack->index();
}

void QZPDocument::removeAllUndoActions() {
    delete std::exchange(m_openGroup, nullptr);
    if (!m_undoStack)
        return;
    m_changingStack = true;
    m_undoStack->clear();
    m_changingStack = false;
    m_lastUndoIndex = 0;
}

std::vector<std::function<void()>>
QZPDocument::replayUndoActions(const std::vector<std::function<void()>>& actions) {
    std::vector<std::function<void()>> captured;
    auto* outer = std::exchange(m_capture, &captured);
    for (auto it = actions.rbegin(); it != actions.rend(); ++it)
        (*it)();
    m_capture = outer;
    return captured;
}

void QZPDocument::undoStackIndexChanged(int index) {
    if (m_changingStack)
        return;
    const ChangeType change = index < m_lastUndoIndex ? ChangeUndone : ChangeRedone;
    m_lastUndoIndex = index;
    updateChangeCount(change);
}

// A file that cannot be read is named in the error, so that whoever shows it can say which.
bool QZPDocument::readFromURL(const QUrl& url, const QString& type, QZPError* error) {
    const std::optional<QByteArray> data =
        QZPFileSystem::readFile(url.toLocalFile(), error, maximumFileSize());
    if (data && readFromData(*data, type, error))
        return true;
    if (error && !error->isNull() &&
        !error->userInfo().contains(QString::fromLatin1(QZPError::FilePathKey))) {
        QVariantMap info = error->userInfo();
        info.insert(QString::fromLatin1(QZPError::FilePathKey), url.toLocalFile());
        *error = QZPError(error->domain(), error->code(), info);
    }
    return false;
}

bool QZPDocument::writeToURL(const QUrl& url, const QString& type, QZPFileSystem::WriteMode mode,
                             QZPError* error) {
    QZPError formatError;
    const QByteArray data = dataOfType(type, &formatError);
    if (!formatError.isNull()) {
        qzpSetError(error, formatError);
        return false;
    }
    return QZPFileSystem::writeFile(url.toLocalFile(), data, mode, error);
}

bool QZPDocument::saveToURL(const QUrl& url, const QString& type, SaveOperationType operation,
                            QZPError* error, QZPFileSystem::WriteMode mode) {
    if (!writeToURL(url, type, mode, error))
        return false;
    if (operation == SaveToOperation)
        return true;
    setFileType(type);
    // An atomic save puts a new file in place: subclasses that track the file's identity take it again here.
    setFileURL(url);
    updateChangeCountWithToken(operation);
    return true;
}

bool QZPDocument::save(QZPError* error) {
    if (fileURL().isEmpty()) {
        qzpSetError(error, QZPError::make(
                               QZPError::FileDomain, QZPError::FileWriteUnknown,
                               QCoreApplication::translate("QZPDocument", "“%1” has no file to be saved in.")
                                   .arg(displayName())));
        return false;
    }
    return saveToURL(fileURL(), fileType(), SaveOperation, error);
}

bool QZPDocument::revertDocumentToSaved(QZPError* error) {
    if (fileURL().isEmpty() || !readFromURL(fileURL(), fileType(), error))
        return false;
    removeAllUndoActions();
    updateChangeCount(ChangeCleared);
    return true;
}

QZPDocument* QZPDocument::duplicateDocument(QZPError* error) {
    QZPError formatError;
    const QByteArray data = dataOfType(fileType(), &formatError);
    QZPDocument* copy = formatError.isNull() ? makeEmptyDocument() : nullptr;
    if (!copy || !copy->readFromData(data, fileType(), &formatError)) {
        delete copy;
        qzpSetError(error, formatError);
        return nullptr;
    }
    copy->setFileType(fileType());
    // A name no open document has: "Lead copy", then "Lead copy 2", "Lead copy 3", …
    QZPDocumentControllerBase* controller = documentController();
    const QSet<QString> taken = controller ? controller->documentNames() : QSet<QString>();
    const QString base = QCoreApplication::translate("QZPDocument", "%1 copy").arg(displayName());
    QString name = base;
    for (int n = 2; taken.contains(name); ++n)
        name = QStringLiteral("%1 %2").arg(base).arg(n);
    copy->setDisplayName(name);
    if (controller)
        controller->addDocument(copy);
    copy->makeWindowControllers();
    return copy;
}

void QZPDocument::updateChangeCount(ChangeType change) {
    switch (change) {
    case ChangeDone:
    case ChangeRedone:
        ++m_changeCount;
        break;
    case ChangeUndone:
        --m_changeCount;
        break;
    case ChangeCleared:
    case ChangeAutosaved:
        m_changeCount = 0;
        break;
    }
    emit documentEditedChanged();
    announceArrangementKeysChanged();
}

void QZPDocument::updateChangeCountWithToken(SaveOperationType operation) {
    if (operation == SaveToOperation)
        return;
    m_changeCount = 0;
    emit documentEditedChanged();
    announceArrangementKeysChanged();
}

QList<QZPWindowController*> QZPDocument::windowControllers() const {
    QList<QZPWindowController*> result;
    for (const QPointer<QZPWindowController>& controller : m_windowControllers)
        if (controller)
            result.append(controller);
    return result;
}

void QZPDocument::addWindowController(QZPWindowController* controller) {
    if (!controller || m_windowControllers.contains(controller))
        return;
    m_windowControllers.append(controller);
    controller->setDocument(this);
    // The one main window shows one document: when it shows another, this one lets go of it.
    connect(controller, &QZPWindowController::documentChanged, this, [this, controller](QZPDocument* shown) {
        if (shown != this && m_windowControllers.removeAll(controller) > 0)
            disconnect(controller, &QZPWindowController::documentChanged, this, nullptr);
    });
}

void QZPDocument::removeWindowController(QZPWindowController* controller) {
    if (m_windowControllers.removeAll(controller) == 0 || !controller)
        return;
    disconnect(controller, &QZPWindowController::documentChanged, this, nullptr);
    if (controller->document() == this)
        controller->setDocument(nullptr);
}

void QZPDocument::close() {
    if (m_closed)
        return;
    m_closed = true;
    for (QZPWindowController* controller : windowControllers())
        removeWindowController(controller);
    if (QZPDocumentControllerBase* controller = documentController())
        controller->removeDocument(this);
    emit closed();
}

bool QZPDocument::validateUserInterfaceItem(Command command) const {
    switch (command) {
    case Command::Revert:
        return !fileURL().isEmpty() && isDocumentEdited();
    case Command::Save:
    case Command::SaveAs:
    case Command::Rename:
    case Command::Duplicate:
    case Command::Close:
        return true;
    }
    return true;
}

QString QZPDocument::description() const {
    return QStringLiteral("<%1: 0x%2>")
        .arg(QString::fromLatin1(metaObject()->className()))
        .arg(quintptr(this), 0, 16);
}
