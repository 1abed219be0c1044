#pragma once

#include <QObject>
#include <QVariantMap>

// The process-wide notification hub: a sender posts a named notification with an object and user
// information; observers connect to `notificationPosted` and pick the names they care about.
class QZPNotificationCenter : public QObject {
    Q_OBJECT

public:
    // Posted with a preset as object after every change count update (user information holds the change
    // type under ChangeTypeKey) and after a save or a whole-patch replacement (no user information).
    static constexpr const char* PresetChanged = "com.quorlane.tonebench.notifications.presetchanged";
    // Posted by the MIDI engine after every refresh of its endpoint lists.
    static constexpr const char* MidiSetupChanged = "com.quorlane.tonebench.midi.setupChanged";
    static constexpr const char* ChangeTypeKey = "NSDocumentChangeType";

    static QZPNotificationCenter* defaultCenter();

    void postNotification(const QString& name, QObject* object, const QVariantMap& userInfo = {});

signals:
    void notificationPosted(const QString& name, QObject* object, const QVariantMap& userInfo);

private:
    QZPNotificationCenter() = default;
};
