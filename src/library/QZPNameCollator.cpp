// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/QZPNameCollator.h"

#include <QLocale>
#include <algorithm>
#include <cstring>
#include <unicode/ucol.h>

QZPNameCollator::QZPNameCollator() {
    QLocale locale = QLocale::system();
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    UErrorCode status = U_ZERO_ERROR;
    m_collator = ucol_open(locale.name().toLatin1().constData(), &status);
    if (U_FAILURE(status)) {
        status = U_ZERO_ERROR;
        m_collator = ucol_open("", &status); // the root order
    }
    if (!m_collator)
        return;
    // Secondary strength tells accents apart but not case; numeric collation reads digits as numbers.
    status = U_ZERO_ERROR;
    ucol_setAttribute(m_collator, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    ucol_setAttribute(m_collator, UCOL_STRENGTH, UCOL_SECONDARY, &status);
    ucol_setAttribute(m_collator, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
}

QZPNameCollator::~QZPNameCollator() {
    if (m_collator)
        ucol_close(m_collator);
}

qsizetype QZPNameCollator::writeKey(QStringView name, char* key, qsizetype capacity) const {
    if (!m_collator) {
        // No collation data at all: the names' code units, which still gives a stable order.
        const qsizetype length = name.size() * 2;
        for (qsizetype i = 0; i < name.size() && 2 * i + 1 < capacity; ++i) {
            key[2 * i] = char(name.at(i).unicode() >> 8);
            key[2 * i + 1] = char(name.at(i).unicode() & 0xFF);
        }
        return length;
    }
    const int written =
        ucol_getSortKey(m_collator, reinterpret_cast<const UChar*>(name.utf16()),
                        int(std::min<qsizetype>(name.size(), INT32_MAX)), reinterpret_cast<uint8_t*>(key),
                        int(std::min<qsizetype>(capacity, INT32_MAX)));
    // The key ends with a zero byte, which the comparison does not need.
    return written > 0 ? written - 1 : 0;
}

QByteArray QZPNameCollator::key(QStringView name) const {
    QByteArray key(32 + name.size() * 3, Qt::Uninitialized);
    qsizetype length = writeKey(name, key.data(), key.size());
    if (length + 1 > key.size()) {
        key.resize(length + 1);
        length = writeKey(name, key.data(), key.size());
    }
    key.truncate(length);
    return key;
}

int QZPNameCollator::compare(QStringView a, QStringView b) const {
    return compareKeys(key(a), key(b));
}

int QZPNameCollator::compareKeys(QByteArrayView a, QByteArrayView b) {
    const qsizetype shorter = std::min(a.size(), b.size());
    const int common = shorter > 0 ? std::memcmp(a.data(), b.data(), size_t(shorter)) : 0;
    if (common != 0)
        return common;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}
