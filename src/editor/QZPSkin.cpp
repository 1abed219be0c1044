#include "editor/QZPSkin.h"

#include "model/QZPSettings.h"

static void registerArtwork() {
    Q_INIT_RESOURCE(tonebench);
}

void QZPSkin::initResources() {
    static const bool registered = [] {
        registerArtwork();
        return true;
    }();
    Q_UNUSED(registered);
}

QZPSkin QZPSkin::current() {
    return QZPSkin(QZPSettings::standard()->intValue(QZPSettings::AppearanceIndexKey));
}

QString QZPSkin::segmentButtonImage(bool pressed) const {
    const QString base = isDark() ? QStringLiteral("NeutralSegmentButton") : QStringLiteral("SegmentButton");
    return pressed ? base + QStringLiteral("Pressed") : base;
}

QString QZPSkin::chorusButtonImage(bool pressed) const {
    const QString base =
        isDark() ? QStringLiteral("NeutralSegmentColorButton") : QStringLiteral("SegmentColorButton");
    return pressed ? base + QStringLiteral("Pressed") : base;
}

QColor QZPSkin::panelText() const {
    return isDark() ? QColor(0xE8, 0xE6, 0xE1) : QColor(0x1E, 0x1F, 0x22);
}
QColor QZPSkin::panelDimText() const {
    return isDark() ? QColor(0x9A, 0x9C, 0xA3) : QColor(0x55, 0x57, 0x5C);
}
QColor QZPSkin::sectionRule() const {
    return isDark() ? QColor(0xE8, 0x6A, 0x2B) : QColor(0xC8, 0x3C, 0x1E);
}
QColor QZPSkin::slot() const {
    return isDark() ? QColor(0x0C, 0x0D, 0x10) : QColor(0x2A, 0x2B, 0x2E);
}
QColor QZPSkin::light() const {
    return QColor(0xFF, 0x3B, 0x2F);
}
