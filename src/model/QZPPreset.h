#pragma once

#include "model/QZPDocument.h"
#include "model/QZPFileReference.h"
#include "model/QZPPatch.h"

class QZPParameter;
class QZPPresetEnvironment;

#include <QByteArray>

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
    // Changes one parameter (undoable): a slider's byte, or a switch's value, which must be accepted.
    void setValue(const QZPParameter& parameter, int value);
    QByteArray sysexData() const;
    QByteArray initialSysexData() const;
    quint8 programByte() const { return m_programByte; }
    quint8 associatedMIDIChannel() const { return m_associatedMIDIChannel; }
    quint8 byteAtLocation(uint index) const;
    void setByte(quint8 value, uint index);

    // Slider parameters: the byte as it is stored.
    quint8 LFO_Rate() const { return byteAtLocation(0); }
    quint8 LFO_Delay() const { return byteAtLocation(1); }
    quint8 DCO_LFO() const { return byteAtLocation(2); }
    quint8 DCO_PWM() const { return byteAtLocation(3); }
    quint8 DCO_NoiseLevel() const { return byteAtLocation(4); }
    quint8 VCF_Cutoff() const { return byteAtLocation(5); }
    quint8 VCF_Resonance() const { return byteAtLocation(6); }
    quint8 VCF_ENV() const { return byteAtLocation(7); }
    quint8 VCF_LFO() const { return byteAtLocation(8); }
    quint8 VCF_KYBD() const { return byteAtLocation(9); }
    quint8 VCA_Level() const { return byteAtLocation(10); }
    quint8 ENV_Attack() const { return byteAtLocation(11); }
    quint8 ENV_Decay() const { return byteAtLocation(12); }
    quint8 ENV_Sustain() const { return byteAtLocation(13); }
    quint8 ENV_Release() const { return byteAtLocation(14); }
    quint8 DCO_SubLevel() const { return byteAtLocation(15); }
    void setLFO_Rate(quint8 value) { setByte(value, 0); }
    void setLFO_Delay(quint8 value) { setByte(value, 1); }
    void setDCO_LFO(quint8 value) { setByte(value, 2); }
    void setDCO_PWM(quint8 value) { setByte(value, 3); }
    void setDCO_NoiseLevel(quint8 value) { setByte(value, 4); }
    void setVCF_Cutoff(quint8 value) { setByte(value, 5); }
    void setVCF_Resonance(quint8 value) { setByte(value, 6); }
    void setVCF_ENV(quint8 value) { setByte(value, 7); }
    void setVCF_LFO(quint8 value) { setByte(value, 8); }
    void setVCF_KYBD(quint8 value) { setByte(value, 9); }
    void setVCA_Level(quint8 value) { setByte(value, 10); }
    void setENV_Attack(quint8 value) { setByte(value, 11); }
    void setENV_Decay(quint8 value) { setByte(value, 12); }
    void setENV_Sustain(quint8 value) { setByte(value, 13); }
    void setENV_Release(quint8 value) { setByte(value, 14); }
    void setDCO_SubLevel(quint8 value) { setByte(value, 15); }

    // Switch parameters, through the parameter table: setters check their value (a violation throws
    // QZPInvalidParameter), do nothing when the decoded value is already the requested one, and clear
    // bit 7 of the byte.
    int DCO_Range() const { return switchValue("DCO_Range"); }
    void setDCO_Range(int range) { setSwitch("DCO_Range", range); }
    bool DCO_Pulse_ON() const { return switchValue("DCO_Pulse_ON"); }
    void setDCO_Pulse_ON(int on) { setSwitch("DCO_Pulse_ON", on); }
    bool DCO_Saw_ON() const { return switchValue("DCO_Saw_ON"); }
    void setDCO_Saw_ON(int on) { setSwitch("DCO_Saw_ON", on); }
    int chorusMode() const { return switchValue("chorusMode"); }
    void setChorusMode(int mode) { setSwitch("chorusMode", mode); }
    int DCO_PWM_Mode() const { return switchValue("DCO_PWM_Mode"); }
    void setDCO_PWM_Mode(int mode) { setSwitch("DCO_PWM_Mode", mode); }
    int VCF_ENV_Mode() const { return switchValue("VCF_ENV_Mode"); }
    void setVCF_ENV_Mode(int mode) { setSwitch("VCF_ENV_Mode", mode); }
    int VCA_Mode() const { return switchValue("VCA_Mode"); }
    void setVCA_Mode(int mode) { setSwitch("VCA_Mode", mode); }
    int HPF_Mode() const { return switchValue("HPF_Mode"); }
    void setHPF_Mode(int mode) { setSwitch("HPF_Mode", mode); }
    bool MKS_Noise_ON() const { return switchValue("MKS_Noise_ON"); }
    // Any value; non-zero means on.
    void setMKS_Noise_ON(int on) { setSwitch("MKS_Noise_ON", on); }

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
    int switchValue(const char* name) const;
    void setSwitch(const char* name, int value);
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
