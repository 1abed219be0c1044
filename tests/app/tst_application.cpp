#include "QZPTestFiles.h"
#include "QZPTestMain.h"
#include "app/QZPAppDelegate.h"
#include "app/QZPSingleInstance.h"
#include "library/QZPPresetsController.h"
#include "mainwindow/QZPDocumentController.h"
#include "mainwindow/QZPMainWindowController.h"
#include "midi/QZPMidiEngine.h"
#include "midi/backends/QZPVirtualMidiBackend.h"
#include "model/QZPPreset.h"
#include "model/QZPSettings.h"
#include "sidebar/QZPSidebarController.h"

#include <QDBusConnection>
#include <QMainWindow>
#include <QMenu>
#include <QProcess>

class TestApplication : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QZPMidiEngine> m_engine;
    std::unique_ptr<QZPAppDelegate> m_delegate;

    QString path(const QString& name) const { return m_dir->filePath(name); }
    QZPPresetsController* library() { return m_delegate->documentController()->presetsController(); }

private slots:
    void initTestCase() {
        // Before anything reads a setting, as the program does.
        QZPAppDelegate::initialize();
    }
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QZPSettings::standard()->remove(QString::fromLatin1(QZPSidebarController::FolderChooserAutosaveName));
        auto backend = std::make_unique<QZPVirtualMidiBackend>();
        backend->addDestination(QStringLiteral("Juno-106 In"));
        m_engine = std::make_unique<QZPMidiEngine>(std::move(backend), nullptr);
        m_engine->setPollInterval(0);
        m_delegate = std::make_unique<QZPAppDelegate>(m_engine.get());
    }
    void cleanup() {
        m_delegate.reset();
        m_engine.reset();
        m_dir.reset();
    }

    // With no settings of their own, the registered keys read their fallbacks.
    void fallbacksAreRegisteredFirst() {
        QZPSettings* settings = QZPSettings::standard();
        QCOMPARE(settings->intValue(QZPSettings::AppearanceIndexKey), 1);
        QCOMPARE(settings->doubleValue(QZPSettings::SliderTrackOpacityKey), 0.5);
        for (const char* key : {QZPSettings::HardwareControlKey, QZPSettings::ClaviatureEnabledKey,
                                QZPSettings::DynamicsAmplifierKey, QZPSettings::DynamicsFilterKey,
                                QZPSettings::DraftOnRecordKey, QZPSettings::FinerTrackingKey})
            QVERIFY2(settings->boolValue(key), key);
        QVERIFY(!settings->boolValue(QZPSettings::SendsPresetsOnSelectionChangeKey));
        QCOMPARE(settings->intValue(QZPSettings::ValueChangeDisplayModeKey), 0);
    }

    // Launch: without a folder, one untitled preset becomes current; with a folder of presets, none is
    // made and a listed preset becomes current; files asked for are opened. The channel menu has the
    // sixteen channels, once.
    void launchOrder() {
        m_delegate->launch({});
        QZPPreset* current = m_delegate->windowController()->currentPreset();
        QVERIFY(current && current->isNew());
        QVERIFY(m_delegate->windowController()->isWindowVisible());
        QMenu* channels = m_delegate->MIDIChannelMenu();
        QCOMPARE(channels->actions().size(), 16);
        QCOMPARE(channels->actions().at(9)->text(), QStringLiteral("10"));
        QCOMPARE(channels->actions().at(9)->data().toInt(), 9);
        m_delegate->buildChannelMenu();
        QCOMPARE(channels->actions().size(), 16);
        m_delegate.reset();

        qzpWritePresetFile(path("Lib/Bass.syx"), 3);
        qzpWritePresetFile(path("Lib/Lead.syx"), 4);
        QZPSettings::standard()->setValue(
            QString::fromLatin1(QZPSidebarController::FolderChooserAutosaveName),
            QUrl::fromLocalFile(path("Lib")).toString());
        m_delegate = std::make_unique<QZPAppDelegate>(m_engine.get());
        m_delegate->launch({});
        QTRY_VERIFY(m_delegate->windowController()->currentPreset());
        QCOMPARE(m_delegate->windowController()->currentPreset()->displayName(), QStringLiteral("Bass"));
        QCOMPARE(library()->arrangedObjects().size(), 2); // no untitled preset
        m_delegate.reset();

        const QString outside = qzpWritePresetFile(path("Elsewhere/Pad.syx"), 5);
        m_delegate = std::make_unique<QZPAppDelegate>(m_engine.get());
        m_delegate->launch({outside});
        QCOMPARE(m_delegate->windowController()->currentPreset()->displayName(), QStringLiteral("Pad"));
        QTRY_VERIFY(library()->arrangedObjects().size() >= 2);
        for (const QZPPreset* preset : library()->arrangedObjects())
            QVERIFY(!preset->isNew());
    }

    // A second start hands its files to the first over D-Bus (a private session bus here).
    void secondStartHandsOverItsFiles() {
        QProcess bus;
        bus.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
        if (!bus.waitForStarted(3000) || !bus.waitForReadyRead(5000))
            QSKIP("dbus-daemon is not available");
        const QString address = QString::fromUtf8(bus.readLine()).trimmed();
        {
            QDBusConnection first = QDBusConnection::connectToBus(address, QStringLiteral("first"));
            QDBusConnection second = QDBusConnection::connectToBus(address, QStringLiteral("second"));
            QVERIFY(first.isConnected() && second.isConnected());
            QZPSingleInstance running(nullptr, first);
            QZPSingleInstance starting(nullptr, second);
            QVERIFY(running.registerInstance());
            QVERIFY(!starting.registerInstance());
            QSignalSpy received(&running, &QZPSingleInstance::filesReceived);
            QDir::setCurrent(m_dir->path());
            bool handedOver = false;
            // The running instance answers from its own event loop: hand over from a worker.
            QThread* worker = QThread::create([&] { handedOver = starting.handOver({"Pad.syx"}); });
            worker->start();
            QTRY_COMPARE(received.size(), 1);
            worker->wait();
            delete worker;
            QVERIFY(handedOver);
            QCOMPARE(received.first().first().toStringList(), QStringList{path("Pad.syx")});
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("first"));
        QDBusConnection::disconnectFromBus(QStringLiteral("second"));
        bus.terminate();
        bus.waitForFinished(3000);
    }
};

QZP_TEST_WIDGETS_MAIN(TestApplication)
#include "tst_application.moc"
