// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPPatch.h"

#include <QList>
#include <QString>
#include <QStringView>

// A patch as one word of plain text, safe in a chat message or a forum post: "JU106:", the 18 patch-data
// bytes in hexadecimal, ":" and the name percent-encoded (UTF-8), as
// "JU106:2031006600230D3A00566C03312D20005111:Brass%20Set%201". Nothing in it is changed by a chat's
// quotes, spaces or line breaks. Read back, it gives the identical patch and name.
class QZPPatchText {
public:
    static constexpr const char* Prefix = "JU106:";
    // The longest text read: enough for a few hundred patches with their words around them.
    static constexpr qsizetype MaximumTextLength = 64 * 1024;
    static constexpr qsizetype MaximumNameLength = 255;

    struct Entry {
        QZPPatch patch;
        QString name;
    };

    static QString format(const QZPPatch& patch, const QString& name);
    // Every patch the text holds, in order (words around them are passed over); none for text that
    // holds none, is longer than MaximumTextLength, or whose bytes cannot be a Juno-106 patch.
    static QList<Entry> read(QStringView text);
};
