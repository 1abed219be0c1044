// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>

class QMimeData;
class QZPPreset;

// The clipboard form of presets: the format "com.quorlane.tonebench.sysex" holding the presets' Patch
// messages (channel 0), 24 bytes each, one after the other.
class QZPPresetPasteboard {
public:
    static constexpr const char* Format = "com.quorlane.tonebench.sysex";

    // Clipboard data for the presets (loads their files first).
    static QMimeData* mimeDataForPresets(const QList<QZPPreset*>& presets);
    // Whether the data hold presets that can be pasted.
    static bool canReadPresets(const QMimeData* data);
    // New drafts made from the data, in order; none when the data hold no whole Patch messages.
    // The caller owns the presets.
    static QList<QZPPreset*> presetsFromMimeData(const QMimeData* data);
};
