// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPError.h"
#include "model/QZPFileSystem.h"
#include "model/QZPWindowController.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <functional>
#include <vector>

class QUndoStack;
class QZPDocument;
class QZPDocumentControllerBase;

// The list a document is in: hears of the changes that move it in a sorted, filtered list (its name,
// whether it has a file, whether it is edited), and of its contents coming into memory (from then on
// the list follows its file). One observer per document, without a signal connection each: a library
// of tens of thousands of documents stays light.
class QZPDocumentObserver {
public:
    virtual ~QZPDocumentObserver() = default;
    virtual void documentArrangementKeysChanged(QZPDocument* document) = 0;
    virtual void documentContentsLoaded(QZPDocument* document) { Q_UNUSED(document); }
};

class QZPDocumentUndoCommand;

// A document stored as one file: location and type, display name, undo, change counting, reading and
// writing through readFromData/dataOfType, save, save-as, revert, duplicate and close, and the window
// controllers that show it. Subclasses supply the file formats and react to change-count updates.
class QZPDocument : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString displayName READ displayName NOTIFY displayNameChanged)
    Q_PROPERTY(bool documentEdited READ isDocumentEdited NOTIFY documentEditedChanged)

public:
    enum ChangeType {
        ChangeDone = 0,
        ChangeUndone = 1,
        ChangeCleared = 2,
        ChangeAutosaved = 4,
        ChangeRedone = 5
    };
    Q_ENUM(ChangeType)
    enum SaveOperationType { SaveOperation, SaveAsOperation, SaveToOperation };
    // Commands whose menu items a document enables or disables.
    enum class Command { Save, SaveAs, Revert, Rename, Duplicate, Close };

    explicit QZPDocument(QObject* parent = nullptr);
    ~QZPDocument() override;

    // Location and type.
    QUrl fileURL() const;
    // The file's path (empty for a document without a file): what is kept; the URL is made on demand.
    QString filePath() const;
    bool hasFile() const { return !filePath().isEmpty(); }
    void setFileURL(const QUrl& url) { setFilePath(url.isEmpty() ? QString() : url.toLocalFile()); }
    virtual void setFilePath(const QString& path);
    QString fileType() const { return m_fileType; }
    void setFileType(const QString& type) { m_fileType = type; }

    // The name shown to the user: a display name set by the program, else the file's name, else an
    // untitled name built from defaultDraftName ("Untitled", "Untitled 2", ...).
    virtual QString displayName() const;
    // Overrides the display name until the document gets a file; empty restores the default.
    void setDisplayName(const QString& name);
    virtual QString defaultDraftName() const;

    // Undo. The stack is created on first use, so documents that are never changed stay small.
    // The most undo steps a document keeps; older ones are let go.
    static constexpr int UndoLimit = 1000;
    QUndoStack* undoStack();
    // Registers the call that reverses a change just made. While an undo or redo is being replayed,
    // the registration becomes the matching redo or undo. Outside a group each registration is one
    // undo step; every registration counts as a change (ChangeDone).
    // `name` names a new undo step (the first change of a gesture names it).
    void registerUndo(std::function<void()> inverse, const QString& name = {});
    // Groups the registrations of one user gesture (a slider drag, a paste) into one undo step.
    // Groups nest; the step is closed by the outermost end. An empty group leaves no step.
    // While a key (0 or more) is set, each change outside a group merges into the undo step on top when
    // that step was made under the same key: a stream of changes to one parameter is one step.
    void setUndoCoalescingKey(int key) { m_undoCoalescingKey = key; }
    // Names the undo step on top (what Edit ▸ Undo says).
    void setUndoActionName(const QString& name);
    void beginUndoGrouping();
    void endUndoGrouping();
    void removeAllUndoActions();

    // File formats.
    virtual bool readFromData(const QByteArray& data, const QString& type, QZPError* error) = 0;
    virtual QByteArray dataOfType(const QString& type, QZPError* error) = 0;
    virtual bool readFromURL(const QUrl& url, const QString& type, QZPError* error);
    virtual bool writeToURL(const QUrl& url, const QString& type, QZPFileSystem::WriteMode mode,
                            QZPError* error);

    // Saving. Save and save-as take the new location and type and count the save; save-to writes a
    // copy and leaves the document as it is. With WriteMode::KeepExisting an existing file is never
    // replaced.
    bool saveToURL(const QUrl& url, const QString& type, SaveOperationType operation, QZPError* error,
                   QZPFileSystem::WriteMode mode = QZPFileSystem::WriteMode::ReplaceExisting);
    bool save(QZPError* error);
    // Reads the file again, drops the undo history and counts the change as cleared.
    bool revertDocumentToSaved(QZPError* error);
    // A new untitled document with the same contents, named "<name> copy", handed to the shared document
    // controller and shown. Null with an error when the contents cannot be copied.
    virtual QZPDocument* duplicateDocument(QZPError* error);

    // Change tracking.
    virtual bool isDocumentEdited() const { return m_changeCount != 0; }
    virtual void updateChangeCount(ChangeType change);
    virtual void updateChangeCountWithToken(SaveOperationType operation);

    // Windows and menus.
    virtual void makeWindowControllers() {}
    QList<QZPWindowController*> windowControllers() const;
    void addWindowController(QZPWindowController* controller);
    void removeWindowController(QZPWindowController* controller);
    virtual void close();
    bool isClosed() const { return m_closed; }
    virtual bool validateUserInterfaceItem(Command command) const;

    virtual QString description() const;

    void setObserver(QZPDocumentObserver* observer) { m_observer = observer; }
    QZPDocumentObserver* observer() const { return m_observer; }

signals:
    void fileURLChanged();
    void displayNameChanged();
    void documentEditedChanged();
    // Any of the three above: what a sorted, filtered list of documents needs to hear (one connection).
    void arrangementKeysChanged();
    void closed();

protected:
    // An empty document of the same class, for duplicating.
    virtual QZPDocument* makeEmptyDocument() const = 0;
    // Files larger than this are refused unread.
    virtual qint64 maximumFileSize() const { return 16 * 1024 * 1024; }
    // The controller that keeps the open documents (the shared one unless a subclass knows better).
    virtual QZPDocumentControllerBase* documentController() const;

    void announceArrangementKeysChanged();
    bool hasDisplayNameOverride() const { return !m_displayName.isEmpty(); }

private:
    friend class QZPDocumentUndoCommand;
    std::vector<std::function<void()>> replayUndoActions(const std::vector<std::function<void()>>& actions);
    void undoStackIndexChanged(int index);

    QString m_filePath;
    QString m_fileType;
    QString m_displayName;
    mutable int m_untitledNumber = 0;
    QUndoStack* m_undoStack = nullptr;
    QZPDocumentUndoCommand* m_openGroup = nullptr;
    std::vector<std::function<void()>>* m_capture = nullptr;
    int m_undoCoalescingKey = -1;
    int m_groupDepth = 0;
    int m_lastUndoIndex = 0;
    bool m_changingStack = false;
    int m_changeCount = 0;
    bool m_closed = false;
    QList<QPointer<QZPWindowController>> m_windowControllers;
    QZPDocumentObserver* m_observer = nullptr;
};
