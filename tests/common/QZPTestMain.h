// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTemporaryDir>
#include <QtTest>

// Checks the condition; when it fails, the message gives the values (numbers, texts), comma-separated.
#define QZP_VERIFY(condition, ...) QVERIFY2(condition, qzpValues(__VA_ARGS__).constData())
template <typename Value> QString qzpText(const Value& value) {
    if constexpr (std::is_convertible_v<Value, QString>)
        return QString(value);
    else
        return QVariant::fromValue(value).toString();
}
template <typename... Values> QByteArray qzpValues(const Values&... values) {
    return QStringList{qzpText(values)...}.join(QStringLiteral(", ")).toUtf8();
}

// The test's main: runs the test object with its own empty home, config and data folders, so that no
// test ever reads or writes the user's real settings or presets.
#define QZP_TEST_MAIN(TestObject) QZP_TEST_MAIN_WITH(TestObject, QCoreApplication)
// The same with a widgets application (offscreen unless a platform is given).
#define QZP_TEST_WIDGETS_MAIN(TestObject) QZP_TEST_MAIN_WITH(TestObject, QApplication)

#define QZP_TEST_MAIN_WITH(TestObject, Application)                                                          \
    int main(int argc, char* argv[]) {                                                                       \
        QTemporaryDir home;                                                                                  \
        qputenv("HOME", home.path().toUtf8());                                                               \
        /* The folders exist: without its data folder Qt puts a trashed file under the working folder. */    \
        for (const auto& [variable, name] :                                                                  \
             {std::pair{"XDG_CONFIG_HOME", "/config"}, std::pair{"XDG_DATA_HOME", "/data"},                  \
              std::pair{"XDG_CACHE_HOME", "/cache"}}) {                                                      \
            const QString path = home.path() + QLatin1String(name);                                          \
            QDir().mkpath(path);                                                                             \
            qputenv(variable, path.toUtf8());                                                                \
        }                                                                                                    \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                                                  \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                                         \
        Application app(argc, argv);                                                                         \
        TestObject test;                                                                                     \
        return QTest::qExec(&test, argc, argv);                                                              \
    }
