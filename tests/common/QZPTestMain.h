#pragma once

#include <QTemporaryDir>
#include <QtTest>

// The test's main: runs the test object with its own empty home, config and data folders, so that no
// test ever reads or writes the user's real settings or presets.
#define QZP_TEST_MAIN(TestObject) QZP_TEST_MAIN_WITH(TestObject, QCoreApplication)
// The same with a widgets application (offscreen unless a platform is given).
#define QZP_TEST_WIDGETS_MAIN(TestObject) QZP_TEST_MAIN_WITH(TestObject, QApplication)

#define QZP_TEST_MAIN_WITH(TestObject, Application)                                                          \
    int main(int argc, char* argv[]) {                                                                       \
        QTemporaryDir home;                                                                                  \
        qputenv("HOME", home.path().toUtf8());                                                               \
        qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());                      \
        qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toUtf8());                          \
        qputenv("XDG_CACHE_HOME", (home.path() + QStringLiteral("/cache")).toUtf8());                        \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                                                  \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                                         \
        Application app(argc, argv);                                                                         \
        TestObject test;                                                                                     \
        return QTest::qExec(&test, argc, argv);                                                              \
    }
