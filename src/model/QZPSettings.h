// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QMutex>
#include <QObject>
#include <QSettings>
#include <QVariantMap>
#include <memory>
#include <optional>

// The per-user settings: a persistent key-value store with registered fallback values that are never
// written, removal back to the fallback, a change signal per key, and live binding of Qt properties.
class QZPSettings : public QObject {
    Q_OBJECT

public:
    // Registered keys (fallbacks in registeredDefaults()).
    static constexpr const char* AppearanceIndexKey = "com.quorlane.tonebench.appearanceindex";
    static constexpr const char* SliderTrackOpacityKey = "com.quorlane.tonebench.sliderTrackOpacity";
    static constexpr const char* HardwareControlKey = "com.quorlane.tonebench.hardwareControl";
    static constexpr const char* ClaviatureEnabledKey = "com.quorlane.tonebench.claviature.isenabled";
    static constexpr const char* ValueChangeDisplayModeKey = "com.quorlane.tonebench.valuechangedisplaymode";
    // The scale of values outside the slider being moved (compare readouts, the filter's query words): 0
    // the panel's 0–10, 1 percent, 2 the stored byte 0–127 (see QZPValueScale).
    static constexpr const char* ValueScaleKey = "com.quorlane.tonebench.valuescale";
    static constexpr const char* DynamicsAmplifierKey = "com.quorlane.tonebench.dynamicsaffection.amplifier";
    static constexpr const char* DynamicsFilterKey = "com.quorlane.tonebench.dynamicsaffection.filter";
    static constexpr const char* SendsPresetsOnSelectionChangeKey = "QZPSendsPresetsOnSelectionChange";
    static constexpr const char* DraftOnRecordKey = "com.quorlane.tonebench.draftOnRecord";
    static constexpr const char* FinerTrackingKey = "com.quorlane.tonebench.finerTracking";
    // The "ToneBench DAW" port pair for a sequencer's automation, open while ToneBench runs.
    static constexpr const char* DawPortsKey = "com.quorlane.tonebench.dawPorts";
    // Audition: the phrase it plays (0 a single note, 1 a chord, 2 a bass figure), and whether moving
    // through the list auditions each preset it comes to.
    static constexpr const char* AuditionPhraseKey = "com.quorlane.tonebench.audition.phrase";
    static constexpr const char* AuditionWhileBrowsingKey = "com.quorlane.tonebench.audition.whileBrowsing";
    // A click on a row of the list makes that preset current (as a double click does); off, a click only
    // selects.
    static constexpr const char* ClickMakesCurrentKey = "com.quorlane.tonebench.list.clickMakesCurrent";
    // MIDI Thru: what the chosen input plays goes on to the destination; on by default for the built-in
    // sound, off for an instrument (it has its own keyboard).
    static constexpr const char* MidiThruSoundKey = "com.quorlane.tonebench.midiThru.sound";
    static constexpr const char* MidiThruInstrumentKey = "com.quorlane.tonebench.midiThru.instrument";
    // Other keys the program keeps (absent means none / not yet).
    static constexpr const char* MidiDeviceInKey = "com.quorlane.tonebench.midi.deviceid.in";
    static constexpr const char* MidiDeviceOutKey = "com.quorlane.tonebench.midi.deviceid.out";
    static constexpr const char* PreferencesPaneKey =
        "com.quorlane.tonebench.preferences.toolbar.selectedIdentifier";
    static constexpr const char* OnboardingShownKey = "QZPOnboardingShownKey";
    // The parameters (by table name) that Mutate and Randomise leave alone.
    static constexpr const char* LockedParametersKey = "com.quorlane.tonebench.lockedParameters";
    static constexpr const char* MoveAlertSuppressKey = "moveToApplicationsFolderAlertSuppress";
    static constexpr const char* QuitAlwaysKeepsWindowsKey = "NSQuitAlwaysKeepsWindows";

    // ReadOnly reads the file and never writes it (tonebench-cli must not rewrite the program's settings).
    enum class Access { ReadWrite, ReadOnly };

    // A store in the given INI file. A file that cannot be used safely (a link, not a regular file,
    // unreadable, larger than 1 MiB, read-only) is never written: the settings then live in memory for
    // this run, and loadProblem() says why.
    explicit QZPSettings(const QString& filePath, QObject* parent = nullptr,
                         Access access = Access::ReadWrite);
    ~QZPSettings() override;

    // The user's settings, under the XDG config folder, with the program's fallbacks registered.
    static QZPSettings* standard();
    // How standard() opens the user's file; set before its first use.
    static void setStandardAccess(Access access);
    // The fallback values of the ten registered keys.
    static QVariantMap registeredDefaults();

    QString filePath() const;
    // Set when the settings file could not be used: unparsable (kept beside itself with ".corrupt" added,
    // and the store started empty), or unsafe to write (the settings live in memory). Empty otherwise.
    QString loadProblem() const { return m_loadProblem; }
    void registerDefaults(const QVariantMap& defaults);

    // The user's value, else the registered fallback, else an invalid value (false, 0, empty). A stored
    // value that cannot be read as the fallback's type (text where a number belongs) reads the fallback.
    QVariant value(const QString& key) const;
    // A stored text that is not a boolean ("no", "garbage") reads the fallback, for unregistered keys too.
    bool boolValue(const QString& key) const;
    int intValue(const QString& key) const { return value(key).toInt(); }
    double doubleValue(const QString& key) const { return value(key).toDouble(); }
    QString stringValue(const QString& key) const { return value(key).toString(); }
    // Whether the user's own store holds a value for the key.
    bool hasUserValue(const QString& key) const;

    void setValue(const QString& key, const QVariant& value);
    // Removes the user's value: the key reads its fallback again.
    void remove(const QString& key);

    // Keeps `property` of `target` equal to the key's value from now on; when the property has a change
    // signal, changes of the property are written back to the key. Ends when the target is destroyed.
    void bind(QObject* target, const char* property, const QString& key);

signals:
    void valueChanged(const QString& key);

private slots:
    void boundPropertyChanged();

private:
    static std::optional<bool> parseBool(const QVariant& value);
    static QString unusableReason(const QString& path, bool* readable);
    static QVariantMap readValues(const QString& path, bool* unparsable = nullptr);
    void keepInMemory(const QVariantMap& values, const QString& reason, bool readable);
    bool fileStillUsable();
    struct Binding {
        QByteArray property;
        QString key;
    };
    void applyBinding(QObject* target, const Binding& binding);

    mutable QMutex m_lock;
    QString m_filePath;
    // The store: the file, or (when the file cannot be used) memory.
    std::unique_ptr<QSettings> m_store;
    QVariantMap m_memory;
    bool m_inMemory = false;
    QVariantMap m_defaults;
    QMultiHash<QObject*, Binding> m_bindings;
    QString m_loadProblem;
};
