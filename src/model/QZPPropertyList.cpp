// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/QZPPropertyList.h"

#include "model/QZPPropertyListReader.h"

#include <QVariantList>
#include <QVariantMap>
#include <plist/plist.h>

namespace {

plist_t toNode(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QVariantMap: {
        plist_t dict = plist_new_dict();
        const QVariantMap map = value.toMap();
        for (auto it = map.constBegin(); it != map.constEnd(); ++it)
            plist_dict_set_item(dict, it.key().toUtf8().constData(), toNode(it.value()));
        return dict;
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        plist_t array = plist_new_array();
        for (const QVariant& item : value.toList())
            plist_array_append_item(array, toNode(item));
        return array;
    }
    case QMetaType::QByteArray: {
        const QByteArray data = value.toByteArray();
        return plist_new_data(data.constData(), uint64_t(data.size()));
    }
    case QMetaType::Bool:
        return plist_new_bool(value.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return plist_new_uint(uint64_t(value.toLongLong()));
    case QMetaType::Double:
    case QMetaType::Float:
        return plist_new_real(value.toDouble());
    default:
        return plist_new_string(value.toString().toUtf8().constData());
    }
}

} // namespace

// Reading never hands outside bytes to libplist, which aborts, recurses without bound or copies shared
// objects over and over on hostile input: our own reader checks every bound. libplist only writes
// values we made.
std::optional<QVariant> QZPPropertyList::parse(const QByteArray& data) {
    if (data.isEmpty() || data.size() > MaximumInputSize)
        return std::nullopt;
    return QZPPropertyListReader::read(data);
}

QByteArray QZPPropertyList::toBinary(const QVariant& value) {
    plist_t root = toNode(value);
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &bytes, &length);
    QByteArray data(bytes, qsizetype(length));
    plist_to_bin_free(bytes);
    plist_free(root);
    return data;
}
