// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/QZPSysexMessage.h"

#include <QCoreApplication>

namespace {
QString tr(const char* text) {
    return QCoreApplication::translate("QZPSysexMessage", text);
}
} // namespace

namespace {
// A message that ends before its F7 or holds a byte of 0x80 or more among its data is broken: the
// instrument would end or misread it.
QString framingProblem(const QByteArray& sysex) {
    if (quint8(sysex.back()) != QZPSysexMessage::SysexEnd)
        return tr("Sysex message does not end with F7.");
    for (qsizetype i = 1; i < sysex.size() - 1; ++i)
        if (quint8(sysex.at(i)) >= 0x80)
            return tr("Sysex message has the status byte %1 among its data.")
                .arg(QString::fromLatin1(sysex.mid(i, 1).toHex().toUpper()));
    return {};
}
} // namespace

QZPSysexMessage::Verdict QZPSysexMessage::classify(const QByteArray& sysex) {
    if (sysex.size() < 2)
        return {false, 0, tr("Sysex message too short: %1 bytes.").arg(sysex.size())};
    const quint8 manufacturer = quint8(sysex.at(1));
    if (manufacturer != RolandID)
        return {false, 0, tr("Unhandled Manufacturer ID “%1”.").arg(manufacturer)};
    if (sysex.size() < 3)
        return {false, 0, tr("Sysex message too short: %1 bytes.").arg(sysex.size())};
    const quint8 type = quint8(sysex.at(2));
    if (type == ControlType) {
        if (sysex.size() != ControlLength)
            return {
                false, type,
                QStringLiteral("Sysex length for “Control” message should be 7, is %1.").arg(sysex.size())};
        if (const QString problem = framingProblem(sysex); !problem.isEmpty())
            return {false, type, problem};
        return {true, type, {}};
    }
    if (type == PatchType || type == PatchType2) {
        if (sysex.size() != PatchLength)
            return {
                false, type,
                QStringLiteral("Sysex length for “Patch” message should be 24, is %1.").arg(sysex.size())};
        if (const QString problem = framingProblem(sysex); !problem.isEmpty())
            return {false, type, problem};
        return {true, type, {}};
    }
    return {false, type, tr("Unhandled Message Type “%1”.").arg(type)};
}

std::array<char, QZPSysexMessage::ControlLength>
QZPSysexMessage::controlMessageBytes(quint8 channel, quint8 control, quint8 value) {
    return {char(SysexStart), char(RolandID), char(ControlType), char(channel),
            char(control),    char(value),    char(SysexEnd)};
}

QByteArray QZPSysexMessage::controlMessage(quint8 channel, quint8 control, quint8 value) {
    const auto bytes = controlMessageBytes(channel, control, value);
    return QByteArray(bytes.data(), bytes.size());
}

namespace {
// A three-byte channel message: the status for the channel, then two data bytes.
QByteArray channelMessage(quint8 status, quint8 channel, quint8 first, quint8 second) {
    const char bytes[] = {char(status | (channel & 0x0F)), char(first & 0x7F), char(second & 0x7F)};
    return QByteArray(bytes, sizeof bytes);
}
} // namespace

QByteArray QZPSysexMessage::noteOn(quint8 channel, quint8 note, quint8 velocity) {
    return channelMessage(0x90, channel, note, velocity);
}

QByteArray QZPSysexMessage::noteOff(quint8 channel, quint8 note, quint8 velocity) {
    return channelMessage(0x80, channel, note, velocity);
}

QByteArray QZPSysexMessage::controlChange(quint8 channel, quint8 controller, quint8 value) {
    return channelMessage(0xB0, channel, controller, value);
}

QByteArray QZPSysexMessage::programChange(quint8 channel, quint8 program) {
    const char bytes[] = {char(0xC0 | (channel & 0x0F)), char(program & 0x7F)};
    return QByteArray(bytes, sizeof bytes);
}

bool QZPSysexMessage::isControlMessage(QByteArrayView message) {
    return message.size() == ControlLength && quint8(message.at(0)) == SysexStart &&
           quint8(message.at(1)) == RolandID && quint8(message.at(2)) == ControlType;
}

std::optional<QZPSysexMessage::Control> QZPSysexMessage::decodeControl(QByteArrayView message) {
    if (!isControlMessage(message) || quint8(message.at(6)) != SysexEnd)
        return std::nullopt;
    const auto channel = quint8(message.at(3)), control = quint8(message.at(4)),
               value = quint8(message.at(5));
    if (channel > 0x0F || control >= 0x80 || value >= 0x80)
        return std::nullopt;
    return Control{channel, control, value};
}

bool QZPSysexMessage::isSameControl(QByteArrayView a, QByteArrayView b) {
    return isControlMessage(a) && isControlMessage(b) && a.at(3) == b.at(3) && a.at(4) == b.at(4);
}

QString QZPSysexMessage::hex(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString QZPSysexMessage::hexExcerpt(const QByteArray& bytes, qsizetype shown) {
    if (bytes.size() <= shown)
        return hex(bytes);
    return QStringLiteral("%1 … (%2 bytes)").arg(hex(bytes.left(shown))).arg(bytes.size());
}

bool QZPSysexMessage::isPerformanceMessage(QByteArrayView message) {
    if (message.size() != 3)
        return false;
    const quint8 kind = quint8(message.at(0)) & 0xF0;
    if (kind == 0x80 || kind == 0x90 || kind == 0xE0)
        return true;
    const quint8 controller = quint8(message.at(1));
    return kind == 0xB0 && (controller == 1 || controller == 64 || controller == 120 || controller == 121 ||
                            controller == 123);
}
