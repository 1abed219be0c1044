// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/QZPPatch.h"

#include "model/QZPInvalidParameter.h"
#include "model/QZPParameter.h"

#include <QCoreApplication>

namespace {
const char* const IndexCondition = "index >= 0 && index < self.sysexData.length";
} // namespace

const QByteArray& QZPPatch::defaultData() {
    static const QByteArray data = QByteArray::fromHex("00000000007F000000007F00000000002A1D");
    return data;
}

QString QZPPatch::problem(QByteArrayView bytes) {
    const auto tr = [](const char* text) {
        return QCoreApplication::translate("QZPPreset", text);
    };
    qsizetype dataStart = 0;
    qsizetype dataEnd = bytes.size();
    if (bytes.size() == MessageLength) {
        const quint8 type = quint8(bytes.at(2));
        if (quint8(bytes.at(0)) != SysexStart || quint8(bytes.at(1)) != RolandID ||
            (type != PatchType && type != PatchType2))
            return tr("Not a Juno-106 Patch message: it begins %1 instead of F0 41 30.")
                .arg(QString::fromLatin1(bytes.first(3).toByteArray().toHex(' ').toUpper()));
        if (quint8(bytes.at(MessageLength - 1)) != SysexEnd)
            return tr("Not a Juno-106 Patch message: it ends with %1 instead of F7.")
                .arg(QString::fromLatin1(bytes.last(1).toByteArray().toHex().toUpper()));
        dataStart = 3;
        dataEnd = MessageLength - 1;
    } else if (bytes.size() != DataLength) {
        return tr("Incompatible data length found (%1)").arg(bytes.size());
    }
    for (qsizetype i = dataStart; i < dataEnd; ++i)
        if (quint8(bytes.at(i)) >= 0x80)
            return tr("Byte %1 is %2, which is not a MIDI data byte.")
                .arg(i + 1)
                .arg(QString::fromLatin1(bytes.sliced(i, 1).toByteArray().toHex().toUpper()));
    return {};
}

QZPPatch::QZPPatch() : m_data(defaultData()) {}

QZPPatch::QZPPatch(const QByteArray& bytes) {
    QZP_PRECONDITION(bytes.size() == DataLength || bytes.size() == MessageLength,
                     "bytes.length == 18 || bytes.length == 24");
    m_data = bytes.size() == DataLength ? bytes : bytes.mid(5, DataLength);
}

quint8 QZPPatch::byte(int index) const {
    QZP_PRECONDITION(index >= 0 && index < DataLength, IndexCondition);
    return quint8(m_data.at(index));
}

void QZPPatch::setByte(int index, quint8 value) {
    QZP_PRECONDITION(index >= 0 && index < DataLength, IndexCondition);
    m_data[index] = char(value);
}

int QZPPatch::value(const QZPParameter& parameter) const {
    const quint8 stored = byte(parameter.byteIndex);
    if (parameter.kind == QZPParameter::Kind::Slider)
        return stored;
    if (parameter.mask == QZPParameter::RangeMask && parameter.byteIndex == QZPParameter::SwitchByte1) {
        // Not a look-up: the range is 16 divided by whatever number bits 0–2 hold.
        const int bits = stored & parameter.mask;
        return bits == 0 ? 0 : 16 / bits;
    }
    return parameter.switchValue(stored);
}

bool QZPPatch::setValue(const QZPParameter& parameter, int value) {
    const int index = parameter.byteIndex;
    if (parameter.kind == QZPParameter::Kind::Slider) {
        if (byte(index) == quint8(value))
            return false;
        setByte(index, quint8(value));
        // The instrument's rule for the noise slider: moved to its top it switches the MKS noise on,
        // anywhere else off, however it moved (the panel, a script, a morph, a sequencer's CC).
        if (parameter.id == QZPParameter::Id::DCO_NoiseLevel)
            setValue(QZPParameter::Id::MKS_Noise_ON, value == QZPParameter::MaximumDataByte);
        return true;
    }
    if (parameter.condition)
        QZP_PRECONDITION(parameter.accepts(value), parameter.condition);
    else
        value = value != 0 ? 1 : 0;
    if (this->value(parameter) == value)
        return false;
    setByte(index, parameter.switchByte(byte(index), value));
    return true;
}

int QZPPatch::value(QZPParameterId id) const {
    return value(QZPParameter::of(id));
}

bool QZPPatch::setValue(QZPParameterId id, int value) {
    return setValue(QZPParameter::of(id), value);
}

QByteArray QZPPatch::message(quint8 channel, quint8 byte4) const {
    QByteArray message;
    message.reserve(MessageLength);
    message.append(char(SysexStart)).append(char(RolandID)).append(char(PatchType)).append(char(channel));
    message.append(char(byte4)).append(m_data).append(char(SysexEnd));
    return message;
}
