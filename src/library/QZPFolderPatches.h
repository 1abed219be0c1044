#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>

// The patch of every preset file in a folder and its subfolders, read without making a preset of each:
// for finding duplicates and similar sounds over a whole library. Runs on the calling thread (a worker:
// it reads every file) and stops early when `cancelled` is set; `progress` hears how many files of how
// many are read, now and then. Files are listed as the library lists them (hidden ones and links to
// folders left out); one that cannot be read as a preset is named in `unreadable`.
class QZPFolderPatches {
public:
    struct Entry {
        QString relativePath;
        QString name;
        QByteArray patch; // 18 bytes
    };
    struct Result {
        QList<Entry> entries; // by name, then by path
        QStringList unreadable;
        bool cancelled = false;
    };
    static Result read(const QString& folder, const std::atomic<bool>& cancelled,
                       const std::function<void(qsizetype done, qsizetype total)>& progress = {});
};
