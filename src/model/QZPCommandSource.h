// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where a command came from. Several commands act on different presets depending on it: a context
// click acts on the row under the pointer, a menu or the keyboard on the selection or the current
// preset.
enum class QZPCommandSource {
    None,
    List,
    Menu,
    ContextMenu,
    Button,
};
