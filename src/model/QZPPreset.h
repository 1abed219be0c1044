// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPDocument.h"
#include "model/QZPFileReference.h"
#include "model/QZPPatch.h"

class QZPParameter;
class QZPPresetEnvironment;

#include <QByteArray>
#include <optional>

// One Juno-106 patch, and the document that stores it in a file.
//
// The patch data are 18 bytes: bytes 0–15 the sixteen slider values, byte 16 switch byte 1 (range,
// pulse, saw, chorus), byte 17 switch byte 2 (PWM, VCF envelope and VCA modes, HPF, MKS noise; the
// modes and HPF stored inverted). Every change is undoable; the preset counts as edited while its data
// differ from the snapshot taken when it was created, loaded or saved.
class QZPPreset : public QZPDocument {
    Q_OBJECT
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY displayNameChanged)

public:
    static constexpr const char* SysexType = "com.quorlane.tonebench.sysex";
    static constexpr const char* PresetType = "com.quorlane.tonebench.preset";
    static constexpr const char* SysexExtension = "syx";
    static constexpr const char* PresetExtension = "tbpreset";
    static constexpr const char* SysexDataKey = "sysexData";
    static constexpr int PatchDataLength = QZPPatch::DataLength;
    static constexpr int PatchMessageLength = QZPPatch::MessageLength;
    static constexpr int ReadErrorCode = 404;

    // What changed a preset: a change-count update (the document's change types and their values), a
    // save, or the whole patch taken from a Patch message.
    enum class Change {
        Done = 0,
        Undone = 1,
        Cleared = 2,
        Autosaved = 4,
        Redone = 5,
        Saved = 6,
        PatchReplaced = 7
    };
    Q_ENUM(Change)

    static QByteArray defaultPatchData();
    // Why bytes from outside cannot be a patch (QZPPatch::problem); empty when they can.
    static QString patchProblem(const QByteArray& bytes);
    // What the contents of a preset file of `type` hold for a patch (a Patch message or 18 patch bytes,
    // unchecked: see patchProblem); empty when they hold none. Any thread.
    static QByteArray filePayload(const QByteArray& data, const QString& type);
    // The type of a file by its extension; empty when it is neither preset type.
    static QString typeForFileName(QStringView fileName);
    static QString extensionForType(const QString& type);
    // A preset name as a file name in a folder: no folder separators, no leading dot (it would hide the
    // file), never empty.
    static QString fileNameForName(QString name);
    // The path a Save As writes: as given when its extension names a preset type, otherwise with the
    // chosen type's extension added (a file without one could not be opened or listed again).
    static QString pathForSaving(const QString& path, const QString& type);

    // A preset holding the default patch data, in the default environment.
    explicit QZPPreset(QObject* parent = nullptr);
    // A preset holding the patch of a 24-byte Patch message; not edited, no undo recorded.
    explicit QZPPreset(const QByteArray& junoSysexData, QObject* parent = nullptr);
    static QZPPreset* presetWithJunoSysexData(const QByteArray& junoSysexData);
    // A preset read from the file at `url` (of the given type); null with an error when it cannot be read.
    static QZPPreset* presetWithContentsOfURL(const QUrl& url, const QString& type, QZPError* error);

    // The program around the preset: settings, document controller, errors, renames.
    QZPPresetEnvironment* environment() const { return m_environment; }
    void setEnvironment(QZPPresetEnvironment* environment);

    // Patch data.
    const QZPPatch& patch() const { return m_patch; }
    // A slider's byte as stored, or a switch's decoded value.
    int value(QZPParameterId id) const { return m_patch.value(id); }
    // Changes one parameter (undoable, one step that restores every byte the change touched): a slider's
    // byte, or a switch's value, which must be accepted.
    void setValue(const QZPParameter& parameter, int value);
    void setValue(QZPParameterId id, int value);
    QByteArray sysexData() const;
    QByteArray initialSysexData() const;
    quint8 programByte() const { return m_programByte; }
    quint8 associatedMIDIChannel() const { return m_associatedMIDIChannel; }
    quint8 byteAtLocation(uint index) const;
    void setByte(quint8 value, uint index);

    // The Patch message: F0 41 30, the channel, the dynamics byte, the 18 bytes, F7. Loads the file first.
    QByteArray junoSysexDataWithMidiChannel(quint8 channel);
    QByteArray junoSysexData() { return junoSysexDataWithMidiChannel(0); }
    // Another patch framed as this preset frames its own: F0 41 30, the channel, the dynamics byte, the
    // patch's 18 bytes, F7 (what A/B and the morph bar send).
    QByteArray messageFor(const QZPPatch& patch, quint8 channel) const;
    // Takes the patch of a 24-byte Patch message, with its channel and program bytes.
    void setJunoSysexData(const QByteArray& junoSysexData, bool registerUndo = true, bool announce = true);
    // The same as one undo step named `stepName` ("Paste", "Record A11", "Mutate"); a message with the
    // patch the preset holds makes no step, and the step before keeps its name. Answers whether the patch
    // changed.
    bool replacePatch(const QByteArray& junoSysexData, const QString& stepName);
    // Another patch as one named undo step, framed as the preset's own.
    bool replacePatch(const QZPPatch& patch, const QString& stepName);

    // Program identification from the program byte: bank "A"/"B", number 11–88, name "A11"–"B88".
    QString programBank() const { return programBankForByte(m_programByte); }
    int programNumber() const { return programNumberForByte(m_programByte); }
    QString programName() const { return programNameForByte(m_programByte); }
    static QString programBankForByte(quint8 byte);
    static int programNumberForByte(quint8 byte);
    static QString programNameForByte(quint8 byte);
    // The program byte of a slot's name ("A11" to "B88"); none for anything else.
    static std::optional<quint8> programByteForName(QStringView name);
    // The slot a name begins with ("A16 Brass", as recorded banks are named); none for another name.
    static std::optional<quint8> slotOfName(QStringView name);
    // The slot the preset came from: the one its name begins with, else the program number of the
    // received or imported Patch message it holds. A Patch message the window saved carries the dynamics
    // byte there (0x00, 0x20, 0x40 or 0x60), which says nothing of a slot.
    std::optional<quint8> originSlot() const;
    // The program name of byte 4 of a Patch message.
    static QString programNameForData(const QByteArray& junoSysexData);

    void syncInitialSysexData();
    // The global dynamics settings, read at each call.
    bool dynamicsAffectVCF() const;
    bool dynamicsAffectVCA() const;
    bool isEqualToPreset(const QZPPreset* other) const { return other == this; }
    QString description() const override;

    // Document side.
    QZPFileReference fileReference() const;
    void setFilePath(const QString& path) override;
    // The same, with the file's identity already known.
    void setFilePath(const QString& path, const QZPFileReference& reference);
    bool isNew() const { return !hasFile(); }
    bool isCurrentDocument() const;
    bool isFileContentsLoaded() const { return m_fileContentsLoaded; }
    bool isDocumentEdited() const override;
    QString displayName() const override;
    QString defaultDraftName() const override;
    QString name() const { return displayName(); }
    // Renames the preset's file (same folder, same extension) through the file move queue.
    void setName(const QString& name);

    bool readFromData(const QByteArray& data, const QString& type, QZPError* error) override;
    QByteArray dataOfType(const QString& type, QZPError* error) override;
    bool readFromURL(const QUrl& url, const QString& type, QZPError* error) override;
    // Makes sure the file's contents are in the preset; presents a read error and answers false when not.
    bool loadFileContents();

    void updateChangeCount(ChangeType change) override;
    void updateChangeCountWithToken(SaveOperationType operation) override;
    void makeWindowControllers() override;
    void close() override;
    QZPDocument* duplicateDocument(QZPError* error) override;
    bool validateUserInterfaceItem(Command command) const override;

    // Responses to another program moving or deleting the preset's file. An empty URL means the file
    // went where it cannot be followed.
    void presentedItemDidMoveToURL(const QUrl& url);
    void accommodatePresentedItemDeletion();
    ~QZPPreset() override;

    // A preset file holds 24 bytes, or a small property list: anything near this is not one.
    qint64 maximumFileSize() const override { return 64 * 1024; }

signals:
    // After every change of the patch or of its edited state.
    void presetChanged(QZPPreset::Change change);

protected:
    QZPDocument* makeEmptyDocument() const override;
    QZPDocumentControllerBase* documentController() const override;

private:
    void restorePatchData(const QByteArray& data, const QString& stepName);
    void replaceSysexData(const QByteArray& data);
    QByteArray patchMessage(quint8 channel) const;
    void announceContentsLoaded();

    QZPPresetEnvironment* m_environment;
    QZPPatch m_patch;
    QByteArray m_initialSysexData;
    QZPFileReference m_fileReference;
    quint8 m_programByte = 0;
    quint8 m_associatedMIDIChannel = 0;
    bool m_fileContentsLoaded = false;
};
