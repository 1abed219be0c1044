// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/QZPPresetsController.h"
#include "model/QZPPreset.h"

// The library's preset of that display name: among those made, or else among those listed (made now);
// null when there is none.
inline QZPPreset* qzpNamedPreset(QZPPresetsController* library, const QString& name) {
    for (const QList<QZPPreset*>& presets : {library->presets(), library->arrangedObjects()})
        for (QZPPreset* preset : presets)
            if (preset->displayName() == name)
                return preset;
    return nullptr;
}
