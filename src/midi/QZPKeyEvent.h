// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>
#include <qnamespace.h>

// A key press or release as the note player sees it, in platform-neutral key codes: the codes of the
// keys' positions on an ANSI keyboard (A 0, S 1, D 2, F 3, H 4, G 5, Z 6, X 7, ...), so that the same
// physical keys play the same notes on any keyboard layout.
class QZPKeyEvent {
public:
    enum class Type { KeyDown, KeyUp, Other };

    // Modifier flags. A plain key carries 0 or PlainKeyFlags; any other bit is a modifier held.
    static constexpr quint32 PlainKeyFlags = 0x100;
    static constexpr quint32 CapsLockFlag = 1u << 16;
    static constexpr quint32 ShiftFlag = 1u << 17;
    static constexpr quint32 ControlFlag = 1u << 18;
    static constexpr quint32 OptionFlag = 1u << 19;
    static constexpr quint32 CommandFlag = 1u << 20;
    // A key that has no position code.
    static constexpr quint16 UnknownKeyCode = 0xFFFF;

    QZPKeyEvent(Type type, quint16 keyCode, quint32 modifierFlags = PlainKeyFlags, bool isARepeat = false)
        : m_type(type), m_keyCode(keyCode), m_modifierFlags(modifierFlags), m_isARepeat(isARepeat) {}

    Type type() const { return m_type; }
    quint16 keyCode() const { return m_keyCode; }
    quint32 modifierFlags() const { return m_modifierFlags; }
    bool isARepeat() const { return m_isARepeat; }

    // The position code of an X11 or Wayland native scan code (an XKB key code: the evdev code + 8).
    static quint16 keyCodeForNativeScanCode(quint32 scanCode);
    static quint32 modifierFlags(Qt::KeyboardModifiers modifiers, bool capsLock);
    // Whether Caps Lock is on, from a key event's native modifier state (X11 and Wayland alike keep it in
    // the lock bit of the XKB state).
    static bool capsLockIsOn(quint32 nativeModifiers);

private:
    Type m_type;
    quint16 m_keyCode;
    quint32 m_modifierFlags;
    bool m_isARepeat;
};
