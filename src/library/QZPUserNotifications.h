// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Desktop notifications (org.freedesktop.Notifications over D-Bus). Without a notification server the
// text goes to the log, so nothing is lost.
class QZPUserNotifications {
public:
    // Shows a notification with the title and body. `identifier` groups notifications of one kind (none:
    // "com.quorlane.tonebench.notification_id.wildcard"); each gets its own number after it. Answers
    // whether a notification server took it.
    static bool postNotification(const QString& title, const QString& body, const QString& identifier = {});
    // The identifier the last notification was given ("<identifier> <counter>").
    static QString lastIdentifier();
    static QString lastTitle();
    static QString lastBody();
};
