// SPDX-License-Identifier: GPL-3.0-or-later
#include "QZPTestFiles.h"
#include "QZPTestMain.h"
#include "model/QZPSettings.h"

#include <QSignalSpy>
#include <sys/stat.h>

namespace {

// A control with a bound value, as the editor's sliders and the preferences' check boxes have.
class Control : public QObject {
    Q_OBJECT
    Q_PROPERTY(double speed MEMBER speed NOTIFY speedChanged)
    Q_PROPERTY(bool checked MEMBER checked NOTIFY checkedChanged)

public:
    double speed = -1;
    bool checked = false;

signals:
    void speedChanged();
    void checkedChanged();
};

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<QZPSettings> freshSettings() {
        QFile::remove(m_dir.filePath("settings.ini"));
        auto settings = std::make_unique<QZPSettings>(m_dir.filePath("settings.ini"));
        settings->registerDefaults(QZPSettings::registeredDefaults());
        return settings;
    }

    // One unsafe thing in the settings file's place (see unsafeFilesAreNeverWritten).
    void unsafeFile(const QString& kind, const QString& reason) {
        QTemporaryDir dir;
        const QString file = dir.filePath("ToneBench.ini");
        const QString target = dir.filePath("elsewhere.txt");
        const QByteArray theirs("[General]\ncom.quorlane.tonebench.appearanceindex=2\n");
        QVERIFY(qzpWriteContents(target, theirs));
        QByteArray before;
        if (kind == "link") {
            QVERIFY(QFile::link(target, file));
        } else if (kind == "dangling link") {
            QVERIFY(QFile::link(dir.filePath("nowhere.ini"), file));
        } else if (kind == "folder") {
            QVERIFY(QDir().mkpath(file));
        } else if (kind == "fifo") {
            QVERIFY(::mkfifo(QFile::encodeName(file).constData(), 0600) == 0);
        } else {
            QVERIFY(qzpWriteContents(file, kind == "large" ? theirs + QByteArray(1 << 20, '#') : theirs));
            if (kind == "read-only")
                QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner));
            before = qzpContents(file);
        }
        QZPSettings settings(file);
        settings.registerDefaults(QZPSettings::registeredDefaults());
        QVERIFY2(settings.loadProblem().contains(reason), qPrintable(settings.loadProblem()));
        // A read-only file's own settings still count.
        QCOMPARE(settings.intValue(QZPSettings::AppearanceIndexKey), kind == "read-only" ? 2 : 1);
        settings.setValue(QZPSettings::FinerTrackingKey, false);
        QVERIFY(!settings.boolValue(QZPSettings::FinerTrackingKey));
        QCOMPARE(qzpContents(target), theirs);
        QVERIFY(!QFile::exists(dir.filePath("nowhere.ini")));
        QCOMPARE(QFileInfo(file).isSymLink(), kind.contains("link"));
        if (!before.isEmpty())
            QCOMPARE(qzpContents(file), before);

        // Sound at the start, a link later: the target is not written.
        if (kind != "link")
            return;
        QTemporaryDir later;
        const QString laterFile = later.filePath("ToneBench.ini");
        QZPSettings running(laterFile);
        running.setValue(QStringLiteral("a"), 1);
        QVERIFY(running.loadProblem().isEmpty() && QFile::remove(laterFile));
        QVERIFY(QFile::link(target, laterFile));
        running.setValue(QStringLiteral("a"), 2);
        QCOMPARE(running.intValue(QStringLiteral("a")), 2);
        QCOMPARE(qzpContents(target), theirs);
    }

private slots:
    // Every registered key reads its fallback, keeps a changed value across a reopen in its own type,
    // and reads the fallback again once the user's value is removed. Fallbacks are never written.
    void fallbacks() {
        const QList<std::tuple<const char*, QVariant, QVariant>> keys{
            {QZPSettings::AppearanceIndexKey, 1, 0},
            {QZPSettings::SliderTrackOpacityKey, 0.5, 0.25},
            {QZPSettings::HardwareControlKey, true, false},
            {QZPSettings::ClaviatureEnabledKey, true, false},
            {QZPSettings::ValueChangeDisplayModeKey, 0, 1},
            {QZPSettings::ValueScaleKey, 0, 2},
            {QZPSettings::ClickMakesCurrentKey, false, true},
            {QZPSettings::DynamicsAmplifierKey, true, false},
            {QZPSettings::DynamicsFilterKey, true, false},
            {QZPSettings::SendsPresetsOnSelectionChangeKey, false, true},
            {QZPSettings::DraftOnRecordKey, true, false},
            {QZPSettings::FinerTrackingKey, true, false},
            {QZPSettings::MidiThruSoundKey, true, false},
            {QZPSettings::MidiThruInstrumentKey, false, true},
            {QZPSettings::DawPortsKey, true, false},
            {QZPSettings::AuditionPhraseKey, 0, 2},
            {QZPSettings::AuditionWhileBrowsingKey, false, true}};
        QCOMPARE(keys.size(), QZPSettings::registeredDefaults().size());
        for (const auto& [name, fallback, changed] : keys) {
            const QString key = QString::fromLatin1(name);
            auto settings = freshSettings();
            QCOMPARE(settings->value(key), fallback);
            QVERIFY(!settings->hasUserValue(key));
            QSignalSpy spy(settings.get(), &QZPSettings::valueChanged);
            settings->setValue(key, changed);
            QCOMPARE(spy.count(), 1);
            QCOMPARE(spy.first().first().toString(), key);
            QZPSettings reopened(settings->filePath());
            reopened.registerDefaults(QZPSettings::registeredDefaults());
            QCOMPARE(reopened.value(key), changed);
            settings->remove(key);
            QCOMPARE(spy.count(), 2);
            QCOMPARE(settings->value(key), fallback);
            QVERIFY(!QZPSettings(settings->filePath()).hasUserValue(key));
        }
    }

    // A boolean in the file is "true" or "false" (or 1 and 0); any other text reads the fallback.
    void booleansFromTheFile() {
        const QString on = QZPSettings::HardwareControlKey;                // fallback true
        const QString off = QZPSettings::SendsPresetsOnSelectionChangeKey; // fallback false
        const QString unregistered = QZPSettings::OnboardingShownKey;      // no fallback: false
        for (const auto& [key, text, expected] :
             QList<std::tuple<QString, QString, bool>>{{on, "false", false},
                                                       {on, "0", false},
                                                       {off, "true", true},
                                                       {off, "1", true},
                                                       {off, "TRUE", true},
                                                       {on, "no", true},
                                                       {off, "no", false},
                                                       {off, "garbage", false},
                                                       {off, "", false},
                                                       {unregistered, "garbage", false},
                                                       {unregistered, "yes", false},
                                                       {unregistered, "true", true}}) {
            const QString file = m_dir.filePath("booleans.ini");
            QVERIFY(qzpWriteContents(file, QStringLiteral("[General]\n%1=%2\n").arg(key, text).toUtf8()));
            QZPSettings settings(file);
            settings.registerDefaults(QZPSettings::registeredDefaults());
            QZP_VERIFY(settings.boolValue(key) == expected, key, text);
            if (settings.value(key).typeId() == QMetaType::Bool)
                QCOMPARE(settings.value(key).toBool(), expected);
        }
    }

    // A settings file that cannot be used safely (a link, a folder or FIFO in its place, a huge file, a
    // read-only one) is never written or followed: ToneBench says why once and keeps changes in memory.
    // A file that turns into a link while ToneBench runs is left alone from then on.
    void unsafeFilesAreNeverWritten() {
        const QList<std::pair<QString, QString>> cases{
            {"link", "symbolic link"},          {"dangling link", "symbolic link"},
            {"folder", "isn’t a regular file"}, {"fifo", "isn’t a regular file"},
            {"large", "larger than 1 MiB"},     {"read-only", "can’t be written"}};
        for (const auto& [kind, reason] : cases) {
            unsafeFile(kind, reason);
            if (QTest::currentTestFailed())
                return;
        }
        // A file of exactly 1 MiB is the largest taken.
        QTemporaryDir dir;
        const QString file = dir.filePath("ToneBench.ini");
        QByteArray largest("[General]\ncom.quorlane.tonebench.appearanceindex=2\n");
        while (largest.size() < (1 << 20))
            largest +=
                ";" + QByteArray(std::min<qsizetype>(1000, (1 << 20) - largest.size() - 2), 'x') + "\n";
        QVERIFY(qzpWriteContents(file, largest.left(1 << 20)));
        QCOMPARE(QFileInfo(file).size(), 1 << 20);
        QZPSettings settings(file);
        settings.registerDefaults(QZPSettings::registeredDefaults());
        QCOMPARE(settings.loadProblem(), QString());
        QCOMPARE(settings.intValue(QZPSettings::AppearanceIndexKey), 2);
    }

    // A bound property follows the key at once, and a change of the property reaches the key.
    void liveBinding() {
        auto settings = freshSettings();
        Control control;
        settings->bind(&control, "checked", QZPSettings::FinerTrackingKey);
        settings->bind(&control, "speed", QZPSettings::SliderTrackOpacityKey);
        QCOMPARE(std::pair(control.checked, control.speed), std::pair(true, 0.5));
        settings->setValue(QZPSettings::FinerTrackingKey, false);
        QCOMPARE(control.checked, false);
        settings->remove(QZPSettings::FinerTrackingKey);
        QCOMPARE(control.checked, true);
        control.setProperty("speed", 0.8);
        QCOMPARE(settings->doubleValue(QZPSettings::SliderTrackOpacityKey), 0.8);
        QCOMPARE(control.checked, true);

        // A destroyed control is let go: later changes must not reach it.
        auto* shortLived = new Control;
        settings->bind(shortLived, "checked", QZPSettings::HardwareControlKey);
        delete shortLived;
        settings->setValue(QZPSettings::HardwareControlKey, false);

        // The same value again changes nothing: nobody is told, the file is not written again.
        QSignalSpy told(settings.get(), &QZPSettings::valueChanged);
        const QDateTime written = QFileInfo(settings->filePath()).lastModified();
        settings->setValue(QZPSettings::HardwareControlKey, false);
        QCOMPARE(told.size(), 0);
        QCOMPARE(QFileInfo(settings->filePath()).lastModified(), written);
        settings->setValue(QZPSettings::HardwareControlKey, true);
        QCOMPARE(told.size(), 1);
    }

    void standardStoreLivesUnderTheConfigFolder() {
        QVERIFY(QZPSettings::standard()->filePath().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
        QCOMPARE(QZPSettings::standard()->value(QZPSettings::AppearanceIndexKey), QVariant(1));
    }

    // An unreadable settings file: kept beside itself, the fallbacks read, and new settings are written
    // to a sound file. A value of the wrong kind reads its fallback.
    void unreadableFileKeepsItsBytesAndStartsFromFallbacks() {
        const QString file = m_dir.filePath("corrupt.ini");
        const QByteArray garbage("[General\ncom.quorlane.tonebench.appearanceindex=2\n\x01\x02");
        QVERIFY(qzpWriteContents(file, garbage));
        {
            QZPSettings settings(file);
            settings.registerDefaults(QZPSettings::registeredDefaults());
            QVERIFY(settings.loadProblem().contains("corrupt.ini.corrupt"));
            QCOMPARE(settings.intValue(QZPSettings::AppearanceIndexKey), 1);
            settings.setValue(QZPSettings::AppearanceIndexKey, 2);
        }
        QCOMPARE(qzpContents(file + ".corrupt"), garbage);
        QZPSettings again(file);
        again.registerDefaults(QZPSettings::registeredDefaults());
        QVERIFY(again.loadProblem().isEmpty());
        QCOMPARE(again.intValue(QZPSettings::AppearanceIndexKey), 2);

        again.setValue(QZPSettings::ValueChangeDisplayModeKey, QStringLiteral("banana"));
        QCOMPARE(again.value(QZPSettings::ValueChangeDisplayModeKey), QVariant(0));
        // "nan" and "inf" parse as numbers, but no setting of ours means them.
        const QString opacity = QZPSettings::SliderTrackOpacityKey;
        const QVariant fallback = again.value(opacity);
        for (const char* text : {"nan", "inf", "-inf"}) {
            again.setValue(opacity, QString::fromLatin1(text));
            QCOMPARE(again.value(opacity), fallback);
        }
    }
};

QZP_TEST_MAIN(TestSettings)
#include "tst_settings.moc"
