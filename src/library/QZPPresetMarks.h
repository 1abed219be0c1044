// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class QZPError;

// The favourites and tags of a library folder's presets, kept in one small file in the folder
// (".tonebench-marks.json", hidden from the list) so that they travel with the folder. A preset is
// known by its path inside the folder and by its 18 patch bytes: under its path it keeps its marks
// whatever its patch becomes, and renamed or moved within the folder (its old file gone) it keeps them
// while its patch is unchanged. A folder without the file has no marks. The file is written the program's
// safe way (whole or not at all, never through a link); one that cannot be read as marks is reported, left
// out, and set aside as ".tonebench-marks.json.broken" before a new one takes its place.
class QZPPresetMarks {
public:
    static constexpr const char* FileName = ".tonebench-marks.json";
    static constexpr const char* BrokenSuffix = ".broken";
    static constexpr qint64 MaximumFileSize = 8 * 1024 * 1024;
    static constexpr qsizetype MaximumTags = 32;

    struct Marks {
        bool favourite = false;
        // Each once, as QZPPatchQuery::tag keeps it.
        QStringList tags;
        bool isEmpty() const { return !favourite && tags.isEmpty(); }
        bool operator==(const Marks& other) const = default;
    };

    // Reads the folder's file. A missing file is no marks and no error; a broken one answers false with
    // the error, and the marks are none.
    bool read(const QString& folder, QZPError* error);
    // Writes the marks into the folder the marks were read from.
    bool write(QZPError* error);

    bool isEmpty() const { return m_entries.isEmpty(); }
    // The marks of the preset at `relativePath` with `patch` (18 bytes).
    Marks marks(const QString& relativePath, const QByteArray& patch) const;
    // Gives the preset these marks (none forgets it). A preset found by its patch (its file gone) takes
    // this path.
    void setMarks(const QString& relativePath, const QByteArray& patch, const Marks& marks);

    // The file's bytes, and the marks from such bytes (false with the reason for bytes that are not).
    QByteArray serialized() const;
    bool parse(const QByteArray& data, QString* problem);

private:
    struct Entry {
        QString path;
        QByteArray patch;
        Marks marks;
    };
    // The entry of the preset: by its path, else the one entry with its patch whose file is gone.
    qsizetype find(const QString& relativePath, const QByteArray& patch) const;
    void index();

    QString m_folder;
    bool m_brokenFileOnDisk = false;
    QList<Entry> m_entries;
    QHash<QString, qsizetype> m_byPath;
    QHash<QByteArray, QList<qsizetype>> m_byPatch;
};
