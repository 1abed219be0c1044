// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/QZPPropertyListReader.h"

#include <QVariantList>
#include <QVariantMap>
#include <QXmlStreamReader>
#include <cstring>
#include <limits>
#include <vector>

namespace {

// How much a read may expand: a value the file shares is counted at each place it is used.
struct Budget {
    qint64 nodes;
    qint64 bytes;
    explicit Budget(qsizetype inputSize)
        : nodes(qint64(inputSize) + 16), bytes(4 * qint64(inputSize) + 1024) {}
    bool spend(qint64 nodeCount, qint64 byteCount) {
        nodes -= nodeCount;
        bytes -= byteCount;
        return nodes >= 0 && bytes >= 0;
    }
};

// MARK: Binary

class BinaryReader {
public:
    explicit BinaryReader(const QByteArray& data) : m_data(data), m_budget(data.size()) {}

    std::optional<QVariant> read() {
        constexpr qsizetype HeaderSize = 8;
        constexpr qsizetype TrailerSize = 32;
        const qsizetype size = m_data.size();
        if (size < HeaderSize + TrailerSize + 1 || !m_data.startsWith("bplist00"))
            return std::nullopt;
        const qsizetype trailer = size - TrailerSize;
        m_offsetSize = byteAt(trailer + 6);
        m_refSize = byteAt(trailer + 7);
        const quint64 objectCount = bigEndian(trailer + 8, 8);
        const quint64 topObject = bigEndian(trailer + 16, 8);
        const quint64 tableOffset = bigEndian(trailer + 24, 8);
        if (m_offsetSize < 1 || m_offsetSize > 8 || m_refSize < 1 || m_refSize > 8 || objectCount == 0 ||
            topObject >= objectCount || tableOffset < quint64(HeaderSize) || tableOffset >= quint64(trailer))
            return std::nullopt;
        // The offset table must fit between its start and the trailer.
        if (objectCount > (quint64(trailer) - tableOffset) / m_offsetSize)
            return std::nullopt;
        m_objectCount = objectCount;
        m_tableOffset = qsizetype(tableOffset);
        m_objectsEnd = m_tableOffset;
        return object(topObject, 0);
    }

private:
    quint8 byteAt(qsizetype at) const { return quint8(m_data.at(at)); }
    quint64 bigEndian(qsizetype at, int length) const {
        quint64 value = 0;
        for (int i = 0; i < length; ++i)
            value = value << 8 | byteAt(at + i);
        return value;
    }
    // Whether `length` bytes from `at` lie among the objects.
    bool fits(quint64 at, quint64 length) const {
        return at <= quint64(m_objectsEnd) && length <= quint64(m_objectsEnd) - at;
    }
    std::optional<qsizetype> offsetOf(quint64 index) const {
        if (index >= m_objectCount)
            return std::nullopt;
        const quint64 offset = bigEndian(m_tableOffset + qsizetype(index * m_offsetSize), m_offsetSize);
        if (offset < 8 || offset >= quint64(m_objectsEnd))
            return std::nullopt;
        return qsizetype(offset);
    }
    // The count in a marker's low nibble, or the integer object after it when the nibble is 0xF.
    std::optional<quint64> count(qsizetype* at, quint8 marker) const {
        const quint8 low = marker & 0x0F;
        if (low != 0x0F)
            return low;
        if (!fits(quint64(*at), 1))
            return std::nullopt;
        const quint8 intMarker = byteAt(*at);
        if ((intMarker & 0xF0) != 0x10 || (intMarker & 0x0F) > 3)
            return std::nullopt;
        const int length = 1 << (intMarker & 0x0F);
        if (!fits(quint64(*at) + 1, quint64(length)))
            return std::nullopt;
        const quint64 value = bigEndian(*at + 1, length);
        *at += 1 + length;
        return value;
    }

    std::optional<QVariant> object(quint64 index, int depth) {
        const std::optional<qsizetype> start = offsetOf(index);
        if (!start || depth > QZPPropertyListReader::MaximumDepth || !m_budget.spend(1, 0))
            return std::nullopt;
        qsizetype at = *start;
        const quint8 marker = byteAt(at++);
        switch (marker >> 4) {
        case 0x0:
            if (marker == 0x08 || marker == 0x09)
                return QVariant(marker == 0x09);
            return QVariant();
        case 0x1: {
            const int length = 1 << (marker & 0x0F);
            if (length > 8 || !fits(quint64(at), quint64(length)))
                return std::nullopt;
            // 8-byte integers are signed; shorter ones are not (and fit a signed 64-bit value).
            return QVariant(qint64(bigEndian(at, length)));
        }
        case 0x2: {
            const int length = 1 << (marker & 0x0F);
            if ((length != 4 && length != 8) || !fits(quint64(at), quint64(length)))
                return std::nullopt;
            const quint64 raw = bigEndian(at, length);
            if (length == 4) {
                const quint32 bits = quint32(raw);
                float value = 0;
                std::memcpy(&value, &bits, sizeof value);
                return QVariant(double(value));
            }
            double value = 0;
            std::memcpy(&value, &raw, sizeof value);
            return QVariant(value);
        }
        case 0x3: // a date: our files have none; it reads as an empty value
        case 0x8: // an identifier: likewise
            return QVariant();
        case 0x4: {
            const std::optional<quint64> length = count(&at, marker);
            if (!length || !fits(quint64(at), *length) || !m_budget.spend(0, qint64(*length)))
                return std::nullopt;
            return QVariant(m_data.mid(at, qsizetype(*length)));
        }
        case 0x5: {
            const std::optional<quint64> length = count(&at, marker);
            if (!length || !fits(quint64(at), *length) || !m_budget.spend(0, qint64(*length)))
                return std::nullopt;
            return QVariant(QString::fromLatin1(m_data.constData() + at, qsizetype(*length)));
        }
        case 0x6: {
            const std::optional<quint64> length = count(&at, marker);
            if (!length || *length > std::numeric_limits<quint64>::max() / 2 ||
                !fits(quint64(at), *length * 2) || !m_budget.spend(0, qint64(*length * 2)))
                return std::nullopt;
            QString text(qsizetype(*length), Qt::Uninitialized);
            for (qsizetype i = 0; i < text.size(); ++i)
                text[i] = QChar(char16_t(bigEndian(at + 2 * i, 2)));
            return QVariant(text);
        }
        case 0xA:
        case 0xD: {
            const bool dictionary = (marker >> 4) == 0xD;
            const std::optional<quint64> entries = count(&at, marker);
            const quint64 refs = entries && *entries <= m_objectCount ? *entries * (dictionary ? 2 : 1) : 0;
            if (!entries || *entries > m_objectCount || !fits(quint64(at), refs * m_refSize))
                return std::nullopt;
            const auto ref = [&](quint64 i) {
                return bigEndian(at + qsizetype(i * m_refSize), m_refSize);
            };
            if (!dictionary) {
                QVariantList list;
                list.reserve(qsizetype(*entries));
                for (quint64 i = 0; i < *entries; ++i) {
                    std::optional<QVariant> item = object(ref(i), depth + 1);
                    if (!item)
                        return std::nullopt;
                    list.append(std::move(*item));
                }
                return QVariant(list);
            }
            QVariantMap map;
            for (quint64 i = 0; i < *entries; ++i) {
                const std::optional<QVariant> key = object(ref(i), depth + 1);
                if (!key || key->typeId() != QMetaType::QString)
                    return std::nullopt;
                std::optional<QVariant> value = object(ref(*entries + i), depth + 1);
                if (!value)
                    return std::nullopt;
                map.insert(key->toString(), std::move(*value));
            }
            return QVariant(map);
        }
        default:
            return std::nullopt;
        }
    }

    const QByteArray& m_data;
    Budget m_budget;
    int m_offsetSize = 0;
    int m_refSize = 0;
    quint64 m_objectCount = 0;
    qsizetype m_tableOffset = 0;
    qsizetype m_objectsEnd = 0;
};

// MARK: XML

// One container being filled while the reader is inside it.
struct Open {
    bool dictionary;
    QVariantList list;
    QVariantMap map;
    QString pendingKey;
    bool hasKey = false;
};

std::optional<QVariant> readXmlValue(QXmlStreamReader& xml, Budget& budget) {
    std::vector<Open> stack;
    std::optional<QVariant> root;
    // Puts a finished value into the container it belongs to (or makes it the root).
    const auto place = [&](QVariant value) -> bool {
        if (stack.empty()) {
            if (root)
                return false;
            root = std::move(value);
            return true;
        }
        Open& open = stack.back();
        if (!open.dictionary) {
            open.list.append(std::move(value));
            return true;
        }
        if (!open.hasKey)
            return false;
        open.map.insert(open.pendingKey, std::move(value));
        open.hasKey = false;
        return true;
    };
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            const QStringView name = xml.name();
            if (name == QLatin1String("plist"))
                break;
            if (name != QLatin1String("dict") && name != QLatin1String("array"))
                return std::nullopt;
            if (stack.empty())
                return std::nullopt;
            Open finished = std::move(stack.back());
            stack.pop_back();
            if (finished.hasKey ||
                !place(finished.dictionary ? QVariant(finished.map) : QVariant(finished.list)))
                return std::nullopt;
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (!budget.spend(1, 0))
            return std::nullopt;
        const QStringView name = xml.name();
        if (name == QLatin1String("dict") || name == QLatin1String("array")) {
            if (int(stack.size()) >= QZPPropertyListReader::MaximumDepth)
                return std::nullopt;
            if (!stack.empty() && stack.back().dictionary && !stack.back().hasKey)
                return std::nullopt;
            stack.push_back(Open{name == QLatin1String("dict"), {}, {}, {}, false});
            continue;
        }
        if (name == QLatin1String("true") || name == QLatin1String("false")) {
            const bool value = name == QLatin1String("true");
            xml.skipCurrentElement();
            if (!place(QVariant(value)))
                return std::nullopt;
            continue;
        }
        const QString nameText = name.toString();
        const QString text = xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        if (xml.hasError() || !budget.spend(0, text.size()))
            return std::nullopt;
        if (nameText == QLatin1String("key")) {
            if (stack.empty() || !stack.back().dictionary || stack.back().hasKey)
                return std::nullopt;
            stack.back().pendingKey = text;
            stack.back().hasKey = true;
            continue;
        }
        QVariant value;
        bool ok = true;
        if (nameText == QLatin1String("string")) {
            value = text;
        } else if (nameText == QLatin1String("data")) {
            const auto decoded =
                QByteArray::fromBase64Encoding(text.simplified().remove(QLatin1Char(' ')).toLatin1(),
                                               QByteArray::AbortOnBase64DecodingErrors);
            ok = bool(decoded);
            value = decoded.decoded;
        } else if (nameText == QLatin1String("integer")) {
            value = text.trimmed().toLongLong(&ok);
        } else if (nameText == QLatin1String("real")) {
            value = text.trimmed().toDouble(&ok);
        } else if (nameText != QLatin1String("date")) {
            ok = false;
        }
        if (!ok || !place(value))
            return std::nullopt;
    }
    if (xml.hasError() || !stack.empty())
        return std::nullopt;
    return root;
}

} // namespace

std::optional<QVariant> QZPPropertyListReader::read(const QByteArray& data) {
    if (data.startsWith("bplist"))
        return readBinary(data);
    return readXml(data);
}

std::optional<QVariant> QZPPropertyListReader::readBinary(const QByteArray& data) {
    return BinaryReader(data).read();
}

std::optional<QVariant> QZPPropertyListReader::readXml(const QByteArray& data) {
    QXmlStreamReader xml(data);
    Budget budget(data.size());
    // Up to the <plist> element; what follows it is the value.
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement) {
            if (xml.name() != QLatin1String("plist"))
                return std::nullopt;
            break;
        }
    }
    if (xml.atEnd() || xml.hasError())
        return std::nullopt;
    return readXmlValue(xml, budget);
}
