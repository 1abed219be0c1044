// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/QZPKeyEvent.h"

#include <array>
#include <utility>

namespace {

// evdev key code -> position code, for the letter keys.
constexpr std::array<std::pair<quint16, quint16>, 26> LetterKeys{{
    {30, 0},  // A
    {31, 1},  // S
    {32, 2},  // D
    {33, 3},  // F
    {35, 4},  // H
    {34, 5},  // G
    {44, 6},  // Z
    {45, 7},  // X
    {46, 8},  // C
    {47, 9},  // V
    {48, 11}, // B
    {16, 12}, // Q
    {17, 13}, // W
    {18, 14}, // E
    {19, 15}, // R
    {21, 16}, // Y
    {20, 17}, // T
    {24, 31}, // O
    {22, 32}, // U
    {23, 34}, // I
    {25, 35}, // P
    {38, 37}, // L
    {36, 38}, // J
    {37, 40}, // K
    {49, 45}, // N
    {50, 46}, // M
}};

constexpr quint32 XkbKeyCodeOffset = 8;

} // namespace

quint16 QZPKeyEvent::keyCodeForNativeScanCode(quint32 scanCode) {
    if (scanCode < XkbKeyCodeOffset)
        return UnknownKeyCode;
    const quint32 evdev = scanCode - XkbKeyCodeOffset;
    for (const auto& [code, position] : LetterKeys)
        if (code == evdev)
            return position;
    return UnknownKeyCode;
}

quint32 QZPKeyEvent::modifierFlags(Qt::KeyboardModifiers modifiers, bool capsLock) {
    quint32 flags = PlainKeyFlags;
    if (modifiers & Qt::ShiftModifier)
        flags |= ShiftFlag;
    if (modifiers & Qt::ControlModifier)
        flags |= ControlFlag;
    if (modifiers & Qt::AltModifier)
        flags |= OptionFlag;
    if (modifiers & Qt::MetaModifier)
        flags |= CommandFlag;
    if (capsLock)
        flags |= CapsLockFlag;
    return flags;
}

bool QZPKeyEvent::capsLockIsOn(quint32 nativeModifiers) {
    constexpr quint32 XkbLockMask = 1u << 1;
    return (nativeModifiers & XkbLockMask) != 0;
}
