// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>

class QMimeData;
class QZPPreset;

// The clipboard form of presets: the format "com.quorlane.tonebench.sysex" holding the presets' Patch
// messages (channel 0), 24 bytes each, one after the other; or plain text holding patches in their text
// form (QZPPatchText), one a line, as Copy as Text puts them and a chat or a forum passes them on.
class QZPPresetPasteboard {
public:
    static constexpr const char* Format = "com.quorlane.tonebench.sysex";

    // Clipboard data for the presets (loads their files first).
    static QMimeData* mimeDataForPresets(const QList<QZPPreset*>& presets);
    // Plain text: each preset's patch and name in their text form, one a line (loads their files first).
    static QMimeData* textForPresets(const QList<QZPPreset*>& presets);
    // Whether the data hold presets that can be pasted.
    static bool canReadPresets(const QMimeData* data);
    // New drafts made from the data, in order; none when the data hold no whole Patch messages.
    // The caller owns the presets.
    static QList<QZPPreset*> presetsFromMimeData(const QMimeData* data);
};
