// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

struct UCollator;

// The library's name order: the user's locale (a general one without a locale), ignoring case, numbers
// by value ("Bass 2" before "Bass 10"). Gives each name a collation key, whose byte order is the names'
// order, so a list of tens of thousands of names is sorted by comparing bytes. Keys are written into
// the caller's buffer: making one allocates nothing. One collator per thread.
class QZPNameCollator {
public:
    QZPNameCollator();
    ~QZPNameCollator();
    QZPNameCollator(const QZPNameCollator&) = delete;
    QZPNameCollator& operator=(const QZPNameCollator&) = delete;

    // Writes the name's key at `key` if it fits in `capacity` bytes; answers its length either way.
    qsizetype writeKey(QStringView name, char* key, qsizetype capacity) const;
    QByteArray key(QStringView name) const;
    // Negative, zero or positive as `a` sorts before, with or after `b`.
    int compare(QStringView a, QStringView b) const;
    static int compareKeys(QByteArrayView a, QByteArrayView b);

private:
    UCollator* m_collator = nullptr;
};
