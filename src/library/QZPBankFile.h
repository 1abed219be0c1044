// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPError.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <functional>
#include <optional>

class QZPPreset;

// Bank files: several Patch messages back to back in one ".syx" file, as musicians exchange them (a
// backup of all 128 programs is 3,072 bytes). Anything between or around the messages that is not a
// Juno-106 Patch message is skipped and counted, never guessed at.
class QZPBankFile {
public:
    struct Contents {
        QList<QByteArray> messages;
        // Bytes that were not part of a Patch message.
        qsizetype skippedBytes = 0;
        // Runs of such bytes (each run is one thing skipped: a foreign message, a truncated one).
        int skippedRuns = 0;
    };
    // The largest bank file read: far more than 128 programs, far less than memory.
    static constexpr qint64 MaximumFileSize = 4 * 1024 * 1024;

    static Contents parse(const QByteArray& bytes);
    // A bank file opened for the instrument or ToneBench Sound: its messages, each with the program slot it
    // holds; an error when the file cannot be read or holds no Patch message.
    static std::optional<Contents> read(const QString& bankPath, QZPError* error);
    // Whether the bytes hold more than one Patch message: a bank, not a preset.
    static bool isBank(const QByteArray& bytes);
    // The messages back to back.
    static QByteArray bankData(const QList<QByteArray>& messages);

    struct ImportResult {
        QStringList written;
        Contents contents;
        QZPError error;
        // Stopped on request before every message was written (those written stay).
        bool cancelled = false;
    };
    // Writes one preset file per message into the folder, named "<file> <program>" ("Juno A11"), a taken
    // name giving way to a numbered one. `progress` hears (done, total) after each file and answers
    // whether to go on. Safe to run on a worker thread.
    using Progress = std::function<bool(int done, int total)>;
    static ImportResult importBank(const QString& bankPath, const QString& folder,
                                   const Progress& progress = {});
    // A preset's Patch message as a bank keeps it: with its program slot (not the dynamics bits a sent
    // message carries in that byte).
    static QByteArray bankMessage(QZPPreset& preset);
    // The summary of what was skipped, or empty when nothing was.
    static QString skippedSummary(const Contents& contents);
};
