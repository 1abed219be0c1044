// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/QZPLibraryMarks.h"

#include "library/QZPPresetList.h"

#include <QObject>
#include <QStringList>

// Writes the factory presets (a list that comes with the program) into a folder as preset files named
// after them, keeping any file that has one of those names already. It writes a few at a time on the thread
// that started it, so a window can show the progress and stays responsive; a file that cannot be written is
// counted, and the count is in the result.
class QZPFactoryPresetInstaller : public QObject {
    Q_OBJECT

public:
    // Where the factory list is among the program's resources.
    static constexpr const char* FactoryListPath = ":/factory/Factory.plist";
    // Whether the folder (or a folder in it) holds a preset file already; false for none or no folder.
    static bool holdsPresets(const QString& folder);

    explicit QZPFactoryPresetInstaller(QObject* parent = nullptr);

    // The factory list (or another, for tests and other lists).
    void setListPath(const QString& path) { m_listPath = path; }
    QString listPath() const { return m_listPath; }
    // The entries of the list, or nothing when it cannot be read (the reason in `error`).
    std::optional<QList<QZPPresetList::Entry>> entries(QZPError* error) const;

    // Starts writing into `folder`. `finished` follows in any case, at once when the list cannot be read
    // or holds no preset.
    void install(const QString& folder);
    bool isInstalling() const { return m_next < m_entries.size(); }

    // Results, once finished.
    int writtenCount() const { return m_written; }
    int failedCount() const { return int(m_failed.size()); }
    // Factory presets not written because a file of their name was there.
    int skippedCount() const { return m_skipped; }
    // The files that could not be written, each with its reason.
    const QStringList& failures() const { return m_failed; }
    // Why nothing was installed (the list unreadable or empty); empty otherwise.
    const QString& problem() const { return m_problem; }
    // One sentence about what went wrong, for the user; empty when everything was written.
    QString summary() const;
    // One sentence about the files that were kept; empty when none was in the way.
    QString skippedSummary() const;

    // The tag of a factory preset's family, from the first word of its name: "bass", "brass", "fx", "keys",
    // "lead", "pad", "perc" or "strings"; empty for another name.
    static QString familyTag(const QString& name);

signals:
    void progressChanged(int done, int total);
    void finished();

private:
    void tagFamilies();
    void writeSome();

    QString m_listPath;
    QString m_folder;
    QList<QZPPresetList::Entry> m_entries;
    QStringList m_names;
    qsizetype m_next = 0;
    int m_written = 0;
    int m_skipped = 0;
    QStringList m_failed;
    // The files written, each with its family's tag ("bass" for "Bass Round Sub"): tagged at the end.
    QList<std::pair<QString, QZPLibraryMarks::File>> m_tagged;
    QString m_problem;
};
