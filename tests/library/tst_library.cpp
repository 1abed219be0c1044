// SPDX-License-Identifier: GPL-3.0-or-later
#include "QZPCapturingPresenter.h"
#include "QZPLibraryLookup.h"
#include "QZPTestFiles.h"
#include "QZPTestMain.h"
#include "library/QZPArrangedRows.h"
#include "library/QZPBackgroundTask.h"
#include "library/QZPFactoryPresetInstaller.h"
#include "library/QZPFolderMonitor.h"
#include "library/QZPFolderWalker.h"
#include "library/QZPLibraryFolder.h"
#include "library/QZPLibraryMarks.h"
#include "library/QZPLibraryPatchReader.h"
#include "library/QZPLibraryReconciler.h"
#include "library/QZPNameCollator.h"
#include "library/QZPPresetFilter.h"
#include "library/QZPPresetList.h"
#include "library/QZPPresetMarks.h"
#include "library/QZPPresetsController.h"
#include "mainwindow/QZPDocumentController.h"
#include "model/QZPError.h"
#include "model/QZPFileSystem.h"
#include "model/QZPInvalidParameter.h"
#include "model/QZPParameter.h"
#include "model/QZPPatchQuery.h"
#include "model/QZPPreset.h"
#include "model/QZPPropertyList.h"
#include "model/QZPWindowController.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <atomic>
#include <fcntl.h>
#include <unistd.h>

using Id = QZPParameterId;

namespace {

// The main window as far as documents see it.
class MainWindow : public QZPWindowController {
public:
    bool isWindowVisible() const override { return visible; }
    void showWindow() override { visible = true; }
    bool visible = false;
};

} // namespace

class TestLibrary : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QZPDocumentController> m_documents;
    MainWindow m_window;

    QString path(const QString& name) const { return m_dir->filePath(name); }
    QString write(const QString& name, quint8 first = 1) { return qzpWritePresetFile(path(name), first); }
    QZPPresetsController* library() { return m_documents->presetsController(); }
    // Sets the folder and waits for the refresh it starts.
    void open(const QString& folder) {
        QSignalSpy refreshed(library(), &QZPPresetsController::refreshFinished);
        library()->setPresetsFolderURL(QUrl::fromLocalFile(folder));
        QVERIFY(refreshed.wait(5000));
        QTRY_VERIFY(!library()->isRefreshing());
    }
    void refresh() { library()->refreshAvailableDocumentsNow(); }
    // A refresh as the window has them: the walk, then the patches read on a worker.
    void refreshAndRead() {
        QSignalSpy read(library(), &QZPPresetsController::patchesRead);
        library()->refreshAvailableDocuments();
        QTRY_VERIFY(read.count() > 0);
    }
    QZPPreset* named(const QString& name) { return qzpNamedPreset(library(), name); }

private slots:
    // The folder alone: walked when set, followed when renamed, and refreshes asked for during a walk give
    // exactly one more walk after it.
    void folderIsWalkedAndFollowed() {
        write("F/a.syx");
        write("F/b.syx");
        QStringList walks; // "<folder name>:<files>"
        QZPLibraryFolder folder([] { return QZPLibraryFolder::Listing{}; },
                                [&walks](const QString& path, QZPLibraryTable walked) {
                                    walks
                                        << QFileInfo(path).fileName() + ':' + QString::number(walked.size());
                                });
        QSignalSpy moved(&folder, &QZPLibraryFolder::urlChanged);
        folder.setUrl(QUrl::fromLocalFile(path("F")));
        QTRY_COMPARE(walks, QStringList{"F:2"});
        folder.monitor()->stopMonitoring(); // only the refreshes asked for below
        folder.refresh();
        folder.refresh();
        folder.refresh();
        QTRY_COMPARE(walks.size(), 3); // the one that ran, and one more for the two asked for meanwhile
        QTest::qWait(50);
        QCOMPARE(walks.size(), 3);
        QVERIFY(QDir().rename(path("F"), path("G")));
        folder.refreshNow();
        QCOMPARE(walks.last(), QStringLiteral("G:2"));
        QCOMPARE(folder.path(), path("G"));
        QCOMPARE(moved.count(), 2);
    }

    // Each row: the listed files and the walk as "path#inode" words, the outcome as "listed>found" words
    // (found "-": the file left), and the walk's files no listed file took; "|" between the four.
    void reconcileWalk() {
        const auto table = [](const QString& words) {
            QZPLibraryTable result;
            for (const QString& word : words.split(' ', Qt::SkipEmptyParts)) {
                const QStringList parts = word.split('#');
                result.appendFile({1, parts.at(1).toULongLong()}, parts.at(0), 0, parts.at(0).size());
            }
            return result;
        };
        for (const char* line : {"a#1 b#2 c#3 | a#1 b#2 c#3 | a>a b>b c>c | ", // unchanged
                                 "a#1 b#2 | a#1 n#9 b#2 | a>a b>b | n",        // one added between
                                 "a#1 b#2 | a#1 z#2 | a>a b>z | ",             // renamed
                                 "a#1 b#2 | a#1 c#3 | a>a b>- | c",            // removed and added
                                 "a#1 b#2 c#3 | c#3 a#1 b#2 | a>a b>b c>c | ", // read in another order
                                 "a#1 | a#7 | a>a | ",                         // replaced at its path
                                 "a#1 b#1 | c#1 | a>c b>- | ",                 // one file, two listings
                                 "a#1 b#2 | a#2 b#1 | a>a b>b | "}) {          // swapped names
            const QStringList parts = QString::fromLatin1(line).split('|');
            const QZPLibraryTable before = table(parts.at(0));
            const QZPLibraryTable after = table(parts.at(1));
            QZPLibraryReconciler reconciler(after);
            QStringList found;
            for (QZPLibraryTable::Row row = 0; row < QZPLibraryTable::Row(before.size()); ++row) {
                const auto match = reconciler.match(before.path(row), before.identity(row));
                found << before.path(row).toString() + '>' + (match ? after.path(*match).toString() : "-");
            }
            QStringList fresh;
            for (QZPLibraryTable::Row row = 0; row < QZPLibraryTable::Row(after.size()); ++row)
                if (!reconciler.isTaken(row))
                    fresh << after.path(row).toString();
            QCOMPARE(found.join(' '), parts.at(2).trimmed());
            QCOMPARE(fresh.join(' '), parts.at(3).trimmed());
        }
    }

    // A list's entries: only a whole 24-byte Patch message under "data" makes a preset.
    void presetListEntries() {
        const QByteArray good = qzpPatchMessage(1);
        const QList<std::pair<QVariant, bool>> entries{{good, true},
                                                       {good.mid(5, 18), false},
                                                       {QString::fromLatin1(good.toHex()), false},
                                                       {QByteArray(good).replace(1, 1, "\x42"), false},
                                                       {good + '\0', false}};
        QVariantList list;
        for (const auto& [data, sound] : entries)
            list << QVariantMap{{"name", "P"}, {"data", data}};
        const auto parsed = QZPPresetList::parse(QZPPropertyList::toBinary(list));
        QVERIFY(parsed && parsed->size() == entries.size());
        for (qsizetype i = 0; i < entries.size(); ++i)
            QZP_VERIFY(parsed->at(i).problem.isEmpty() == entries.at(i).second, i);
        QVERIFY(!QZPPresetList::parse(QZPPropertyList::toBinary(QVariantMap{{"name", "P"}})));
    }

    // The names' order: numbers by value, case ignored, accents telling names apart (after the plain
    // letter), a name before its longer forms.
    void nameOrder() {
        const QZPNameCollator collator;
        const QList<std::tuple<const char*, const char*, int>> pairs{
            {"Bass 2", "Bass 10", -1}, {"bass", "BASS", 0},    {"Creme", "Crème", -1},
            {"Crème", "Cremf", -1},    {"Bass", "Bass 2", -1}, {"Lead", "Bass", 1}};
        for (const auto& [a, b, order] : pairs) {
            const int found = collator.compare(QString::fromUtf8(a), QString::fromUtf8(b));
            QVERIFY2((found > 0) - (found < 0) == order, a);
        }
        // Keys alike as far as the shorter goes: the shorter first.
        QVERIFY(QZPNameCollator::compareKeys("ab", "abc") < 0 &&
                QZPNameCollator::compareKeys("abc", "ab") > 0);
    }

    // The arranged rows after each step, and what the list model heard: "+name" comes, "-name" goes,
    // "name=new" is renamed, "*name" is edited, "/text" filters ("/!" shows edited presets only). Model
    // events: i<index>, r<index>, reset.
    void arrangedRows() {
        for (const char* steps :
             {"+b +a +c | a b c | i0 i0 i2", "+b +a /a +ab +c | a ab | i0 i0 reset i1",
              "+a +b +c b=d | a c d | i0 i1 i2 r1 i2", "+a +b /b -b -a | | i0 i1 reset r0",
              "+ab +b /a /ab / | ab b | i0 i1 reset reset reset",
              "+ab +b /a /ab ab=x / | b x | i0 i1 reset reset r0 reset",
              "+ab +b /ab ab=b2 /b | b b2 | i0 i1 reset r0 reset",
              "+a +b /! *a / *b /! | a b | i0 i1 reset i0 reset reset"}) {
            const QStringList parts = QString::fromLatin1(steps).split('|');
            struct Listener : QZPArrangedRows::Listener {
                QStringList heard;
                void arrangedRowsWillInsert(qsizetype index) override {
                    heard << QStringLiteral("i%1").arg(index);
                }
                void arrangedRowsDidInsert() override {}
                void arrangedRowsWillRemove(qsizetype index) override {
                    heard << QStringLiteral("r%1").arg(index);
                }
                void arrangedRowsDidRemove() override {}
                void arrangedRowsWillReset() override { heard << QStringLiteral("reset"); }
                void arrangedRowsDidReset() override {}
            } listener;
            QStringList names, edited;
            QZPArrangedRows rows([&names](auto a, auto b) { return names.at(a) < names.at(b); },
                                 [&](auto row, const QZPPresetFilter& filter) {
                                     return filter.matchesName(names.at(row)) &&
                                            (!filter.usesEditedState() || edited.contains(names.at(row)));
                                 },
                                 &listener);
            for (const QString& step : parts.at(0).split(' ', Qt::SkipEmptyParts)) {
                const QString name = step.mid(1);
                if (step.startsWith('+')) {
                    names << name;
                    rows.insert(QZPArrangedRows::Row(names.size() - 1));
                } else if (step.startsWith('-')) {
                    rows.remove(QZPArrangedRows::Row(names.indexOf(name)));
                } else if (step.startsWith('*')) {
                    edited << name;
                    rows.update(QZPArrangedRows::Row(names.indexOf(name)), false);
                } else if (step.startsWith('/')) {
                    rows.setFilter(name == "!" ? QZPPresetFilter::predicate({}, true)
                                               : QZPPresetFilter::predicate(name, false));
                } else {
                    const auto row = QZPArrangedRows::Row(names.indexOf(step.section('=', 0, 0)));
                    rows.removeSorted(row);
                    names[row] = step.section('=', 1);
                    rows.insertSorted(row);
                    rows.update(row, true);
                }
            }
            QStringList arranged;
            for (const auto row : rows.arranged())
                arranged << names.at(row);
            QCOMPARE(arranged.join(' '), parts.at(1).trimmed());
            QCOMPARE(listener.heard.join(' '), parts.at(2).trimmed());
        }
    }

    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_documents = std::make_unique<QZPDocumentController>();
        m_documents->setMainWindowController(&m_window);
        m_window.setDocument(nullptr);
    }
    void cleanup() {
        m_window.setDocument(nullptr);
        m_documents.reset();
    }

    void folderMonitor() {
        QDir().mkpath(path("Watched/sub"));
        write("Watched/Existing.syx");
        QSemaphore calls;
        std::atomic<bool> onItsThread{true};
        QZPFolderMonitor monitor(QUrl::fromLocalFile(path("Watched")), [&] {
            onItsThread = onItsThread && QThread::currentThread()->objectName() == "QZPFolderMonitor Queue";
            calls.release();
        });
        monitor.startMonitoring();
        monitor.startMonitoring();
        // Waits for the call a change gives (a burst may give one), then takes any that followed it.
        const auto called = [&] {
            const bool once = calls.tryAcquire(1, 5000);
            calls.tryAcquire(calls.available());
            return once;
        };
        write("Watched/New.syx");
        QVERIFY(called());
        QFile::rename(path("Watched/New.syx"), path("Watched/Renamed.syx"));
        QVERIFY(called());
        QFile::remove(path("Watched/Renamed.syx"));
        QVERIFY(called());
        // A rewrite in place and a change inside a subfolder give no call: the next call is the one a
        // new file gives, and it is the only one.
        write("Watched/Existing.syx", 9);
        write("Watched/sub/Inner.syx");
        write("Watched/Fence.syx");
        QVERIFY(calls.tryAcquire(1, 5000));
        QCOMPARE(calls.available(), 0);
        QVERIFY(onItsThread);
        monitor.stopMonitoring();
        monitor.stopMonitoring();
        // Stopped: no call begins any more.
        write("Watched/After.syx");
        QCOMPARE(calls.available(), 0);

        QZPFolderMonitor missing(QUrl::fromLocalFile(path("Nowhere")), [&] { calls.release(); });
        missing.startMonitoring();
        QVERIFY(!missing.isMonitoring());
        QVERIFY_THROWS_EXCEPTION(QZPInvalidParameter,
                                 QZPFolderMonitor(QUrl("http://example.invalid/"), [] {}));
    }

    // The filter's verdict on one preset: each row the text, modified-only, the name, whether it is
    // edited, and whether it shows.
    // The folder's favourites and tags: none without the file; kept across a write and a read; a
    // renamed or moved preset keeps its marks while its patch is the same (not when two gone presets
    // shared it, and a copy beside its original starts without), an edited one under its own path
    // always; a broken file is reported, counts as none and is set aside (not written over) when the
    // marks next change.
    void presetMarks() {
        const QByteArray a = QZPPreset::defaultPatchData(), b = QByteArray(18, 0x20),
                         c = QByteArray(18, 0x30);
        for (const char* name : {"A.syx", "Pads/B.syx", "C.syx", "C2.syx"})
            QVERIFY(qzpWriteContents(path(name), "x"));
        QZPPresetMarks marks;
        QZPError error;
        QVERIFY(marks.read(m_dir->path(), &error) && marks.marks("A.syx", a).isEmpty());
        marks.setMarks("A.syx", a, {true, {"pad"}});
        marks.setMarks("Pads/B.syx", b, {false, {"warm", "pad"}});
        marks.setMarks("C.syx", c, {true, {}});
        marks.setMarks("C2.syx", c, {false, {"copy"}});
        marks.setMarks("Copy of A.syx", a, {});
        QVERIFY(marks.write(&error));

        QVERIFY(QFile::rename(path("Pads/B.syx"), path("Renamed.syx")));
        QVERIFY(QFile::remove(path("C.syx")) && QFile::remove(path("C2.syx")));
        QZPPresetMarks again;
        QVERIFY(again.read(m_dir->path(), &error));
        for (const auto& [file, patch, favourite, tags] :
             {std::tuple{"A.syx", a, true, QStringList{"pad"}},
              {"Copy of A.syx", a, false, QStringList{}},
              {"Renamed.syx", b, false, QStringList{"warm", "pad"}},
              {"Other.syx", c, false, QStringList{}},
              {"C.syx", b, true, QStringList{}}}) {
            const QZPPresetMarks::Marks found = again.marks(QString::fromLatin1(file), patch);
            QVERIFY2(found.favourite == favourite && found.tags == tags, file);
        }
        again.setMarks("Moved/B.syx", b, {false, {"warm"}});
        QVERIFY(again.marks("Pads/B.syx", QByteArray(18, 0x21)).isEmpty());
        QCOMPARE(again.marks("Moved/B.syx", QByteArray(18, 0x21)).tags, QStringList{"warm"});

        const QString file = path(QZPPresetMarks::FileName);
        for (const QByteArray& broken :
             {QByteArray("{ not json"),
              QByteArray("{\"format\": \"ToneBench preset marks\", \"version\": 1, "
                         "\"presets\": [{\"file\": \"A.syx\", \"patch\": \"ff\"}]}")}) {
            QVERIFY(qzpWriteContents(file, broken));
            QZPPresetMarks damaged;
            QVERIFY(!damaged.read(m_dir->path(), &error) && !error.localizedDescription().isEmpty());
            QVERIFY(damaged.marks("A.syx", a).isEmpty());
            damaged.setMarks("A.syx", a, {true, {}});
            QVERIFY(damaged.write(&error));
            QCOMPARE(qzpContents(file + ".broken"), broken);
            // Set aside once: the next write replaces the good file it wrote.
            damaged.setMarks("C.syx", c, {true, {}});
            QVERIFY(damaged.write(&error) && !QFileInfo::exists(file + ".broken-2"));
            QVERIFY(again.read(m_dir->path(), &error) && again.marks("A.syx", a).favourite);
            QFile::remove(file + ".broken");
        }

        // The limits, at their edge: a tag of the longest length and a preset with the most tags are
        // written and read back; one letter or one tag more is not a tag, or not a file of marks.
        const QString longest(QZPPatchQuery::MaximumTagLength, QLatin1Char('t'));
        QCOMPARE(QZPPatchQuery::tag(longest), longest);
        QVERIFY(QZPPatchQuery::tag(longest + QLatin1Char('t')).isEmpty());
        QStringList most;
        for (qsizetype i = 0; i < QZPPresetMarks::MaximumTags; ++i)
            most << QStringLiteral("t%1").arg(i);
        most.last() = longest;
        QZPPresetMarks full;
        QVERIFY(full.read(m_dir->path(), &error));
        full.setMarks("A.syx", a, {false, most});
        QVERIFY(full.write(&error));
        QVERIFY(again.read(m_dir->path(), &error));
        QCOMPARE(again.marks("A.syx", a).tags, most);
        QByteArray tooMany = qzpContents(file);
        QVERIFY(tooMany.contains("\"t0\""));
        tooMany.replace("\"t0\"", "\"t0\", \"extra\"");
        QVERIFY(qzpWriteContents(file, tooMany));
        QVERIFY(!again.read(m_dir->path(), &error));
    }

    void filterPredicate() {
        const QList<std::tuple<const char*, bool, const char*, bool, bool>> rows{
            {"", false, "Bass", false, true},
            {" \t ", false, "Bass", false, true},         // blanks only
            {"BASS", false, "Slap bass", false, true},    // case
            {"creme", false, "Crème Brass", false, true}, // diacritics
            {" bass", false, "Slapbass", false, false},   // typed blanks count
            {"pad", false, "Bass", false, false},
            {"", true, "Bass", false, false}, // modified only
            {"ba", true, "Bass", true, true},
            {"bass vcf>=0", false, "Slap bass", false, true}, // query words: the others are name words
            {"pad vcf>=0", false, "Slap bass", false, false},
            {"slap bass vcf>=0", false, "Bass slap", false, true},
            {"vcf>300", false, "Bass", false, false}, // can never hold
            {"fav", false, "Bass", false, false}};
        for (const auto& [text, modified, name, edited, shown] : rows) {
            QZPPreset preset;
            preset.setDisplayName(QString::fromUtf8(name));
            if (edited)
                preset.setValue(Id::LFO_Rate, 9);
            const QString folded = QZPPresetFilter::fold(preset.displayName());
            QCOMPARE(
                QZPPresetFilter::predicate(QString::fromUtf8(text), modified)
                    .matches({folded, preset.isDocumentEdited(),
                              reinterpret_cast<const unsigned char*>(preset.patch().data().constData())}),
                shown);
        }
        // A filter narrows another when all it shows, the other shows too: the list then picks from what
        // is shown rather than looking at every row.
        for (const auto& [wider, narrower, narrows] : {std::tuple{"ba", "bas", true},
                                                       {"", "saw", true},
                                                       {"saw ba", "saw bas", true},
                                                       {"saw b", "saw b c", true},
                                                       {"ba", "bas saw", false},
                                                       {"saw", "", false},
                                                       {"saw", "saw vcf>3", false},
                                                       {"saw vcf>3", "saw vcf>4", false},
                                                       {"fav", "fav b", true},
                                                       {"fav b", "#pad b", false}}) {
            QVERIFY2(QZPPresetFilter::predicate(narrower, false)
                             .narrows(QZPPresetFilter::predicate(wider, false)) == narrows,
                     narrower);
        }
    }

    // The filter's query words over the library's rows: each file's patch read on a worker after the walk
    // (again when the file changes), stars and tags from the folder's file (a renamed file keeping its
    // star), a preset being edited answering with what it holds, a query that cannot hold showing nothing.
    void filterBySoundAndMarks() {
        const auto writePatch = [this](const QString& name, int cutoff, bool saw, int chorus) {
            QZPPreset preset;
            preset.setValue(Id::VCF_Cutoff, cutoff);
            preset.setValue(Id::DCO_Saw_ON, saw);
            preset.setValue(Id::DCO_Pulse_ON, !saw);
            preset.setValue(Id::chorusMode, chorus);
            return qzpWriteContents(path("Lib/" + name), preset.junoSysexData());
        };
        QVERIFY(writePatch("Bass Deep.syx", 30, true, 0) && writePatch("Bass Bright.syx", 100, true, 0) &&
                writePatch("Pad Warm.syx", 60, false, 2) && writePatch("Sub/Lead.syx", 120, false, 1));
        QVERIFY(qzpWriteContents(path("Lib/Broken.syx"), "x"));
        QSignalSpy read(library(), &QZPPresetsController::patchesRead);
        QSignalSpy progress(library(), &QZPPresetsController::patchesProgress);
        open(path("Lib"));
        QTRY_VERIFY(read.count() > 0);
        QVERIFY(!progress.isEmpty() && progress.first().at(1).toLongLong() == 5);
        const auto shown = [this] {
            QStringList names;
            for (int row = 0; row < library()->rowCount(); ++row)
                names << library()->index(row).data().toString();
            return names.join('|');
        };
        const auto filter = [this](const QString& text) {
            library()->setFilterPredicate(QZPPresetFilter::predicate(text, false));
        };
        QZPError error;
        QVERIFY(library()->changeMarks(
            {named("Pad Warm")},
            [](QZPPresetMarks::Marks& marks) {
                marks = {true, {"pad", "warm"}};
            },
            &error));
        QVERIFY(library()->changeMarks(
            {named("Bass Deep")}, [](QZPPresetMarks::Marks& marks) { marks.tags = {"pad"}; }, &error));
        for (const auto& [text, names] : {std::pair{"vcf>90", "Bass Bright|Lead"},
                                          {"saw", "Bass Bright|Bass Deep"},
                                          {"bass vcf<40", "Bass Deep"},
                                          {"chorus:II", "Pad Warm"},
                                          {"chorus:off saw vcf>=30", "Bass Bright|Bass Deep"},
                                          {"a pulse", "Lead|Pad Warm"},
                                          {"fav", "Pad Warm"},
                                          {"#pad", "Bass Deep|Pad Warm"},
                                          {"#pad #warm", "Pad Warm"},
                                          {"fav vcf<50", ""},
                                          {"vcf>300", ""},
                                          {"br", "Bass Bright|Broken"},
                                          {"", "Bass Bright|Bass Deep|Broken|Lead|Pad Warm"}}) {
            filter(text);
            QVERIFY2(shown() == names, qPrintable(QString("%1: %2").arg(text, shown())));
        }
        QVERIFY(!QZPPresetFilter::predicate("vcf>300", false).problem().isEmpty());

        // A file written again in place is read again, and the list follows.
        filter("vcf>90");
        QVERIFY(writePatch("Bass Deep.syx", 95, true, 0));
        refreshAndRead();
        QCOMPARE(shown(), "Bass Bright|Bass Deep|Lead");
        // The first edit of a preset filters it again by what it holds now.
        QZPPreset* lead = named("Lead");
        QVERIFY(lead->loadFileContents());
        lead->setValue(Id::VCF_Cutoff, 10);
        QCOMPARE(shown(), "Bass Bright|Bass Deep");

        // Renamed on disk, a preset keeps its star and tags (its patch is unchanged).
        filter("fav");
        QVERIFY(QFile::rename(path("Lib/Pad Warm.syx"), path("Lib/Pad Soft.syx")));
        refreshAndRead();
        QTRY_COMPARE(shown(), "Pad Soft");
        QCOMPARE(library()->marksOf(named("Pad Soft")).tags, (QStringList{"pad", "warm"}));

        // A broken file of marks is reported and counts as none.
        QSignalSpy unreadable(library(), &QZPPresetsController::marksUnreadable);
        QVERIFY(qzpWriteContents(path(QString("Lib/") + QZPPresetMarks::FileName), "{ broken"));
        refresh();
        QCOMPARE(unreadable.count(), 1);
        QCOMPARE(shown(), "");
    }

    // Find Similar ranks the library's rows, best first; a ranked file that goes leaves the ranking, a new
    // one does not join it, and a filter ends it.
    void similarRanking() {
        for (const auto& [name, first] :
             {std::pair{"A.syx", 10}, {"Near.syx", 14}, {"Mid.syx", 60}, {"Far.syx", 127}, {"Same.syx", 10}})
            write("Lib/" + QString(name), quint8(first));
        QSignalSpy read(library(), &QZPPresetsController::patchesRead);
        open(path("Lib"));
        const auto shown = [this] {
            QStringList names;
            for (int row = 0; row < library()->rowCount(); ++row)
                names << library()->index(row).data().toString() + "@" +
                             QString::number(
                                 library()->index(row).data(QZPPresetsController::DistanceRole).toDouble(),
                                 'f', 3);
            return names;
        };
        QVERIFY(library()->showSimilar(named("A"), 3));
        QTRY_VERIFY(read.count() > 0 && library()->rowCount() == 3);
        QStringList ranked = shown();
        QCOMPARE(ranked.first(), "Same@0.000");
        QVERIFY(ranked.at(1).startsWith("Near@") && ranked.at(2).startsWith("Mid@") &&
                ranked.at(1).section('@', 1).toDouble() < ranked.at(2).section('@', 1).toDouble());
        write("Lib/Twin.syx", 10); // before the removal: it must not take the removed file's inode
        QVERIFY(QFile::remove(path("Lib/Same.syx")));
        refreshAndRead();
        QCOMPARE(shown().join(" "), ranked.mid(1).join(" "));
        auto* draft = new QZPPreset;
        draft->setDisplayName("Draft");
        library()->addObject(draft);
        QCOMPARE(shown().join(" "), ranked.mid(1).join(" "));
        QVERIFY(library()->isShowingSimilar());
        library()->setFilterPredicate({});
        QVERIFY(!library()->isShowingSimilar());
        QCOMPARE(library()->rowCount(), 6);
        QVERIFY(!library()->index(0).data(QZPPresetsController::DistanceRole).isValid());
    }

    // The patch reader reads a file only when it changed: never read, or written since it was read. A
    // second read of an unchanged folder reads nothing; a file written again is the only one read.
    void unchangedFilesAreNotReadAgain() {
        QZPLibraryPatchReader::Requests requests;
        for (const QString& name :
             {QStringLiteral("A.syx"), QStringLiteral("B.syx"), QStringLiteral("C.syx")}) {
            QVERIFY(qzpWriteContents(path("Reads/" + name), qzpPatchMessage(1)));
            QZPLibraryPatchReader::Request request;
            request.row = QZPLibraryTable::Row(requests.files.size());
            requests.append(request, name);
        }
        const auto read = [&] {
            QList<QZPLibraryPatchReader::Result> results;
            QZPLibraryPatchReader::readNow(
                path("Reads"), requests, 0,
                [&](const QZPLibraryPatchReader::Batch& batch) { results << batch; });
            // What the rows hold afterwards.
            for (const QZPLibraryPatchReader::Result& result : results) {
                requests.files[result.row].state = result.state;
                requests.files[result.row].modified = result.modified;
            }
            return results.size();
        };
        QCOMPARE(read(), 3);
        QCOMPARE(read(), 0);
        QCOMPARE(read(), 0);
        // Written again with a new time (a second later, as a copy or an editor would leave it).
        QVERIFY(qzpWriteContents(path("Reads/B.syx"), qzpPatchMessage(2)));
        const QDateTime later = QFileInfo(path("Reads/B.syx")).lastModified().addSecs(1);
        QFile file(path("Reads/B.syx"));
        QVERIFY(file.open(QIODevice::ReadWrite) &&
                file.setFileTime(later, QFileDevice::FileModificationTime));
        file.close();
        QCOMPARE(read(), 1);
        QCOMPARE(read(), 0);
    }

    // A renamed preset takes its place in the sorted list by its new name, either way along it.
    void renamedPresetTakesItsPlace() {
        for (const char* name : {"Lib/A.syx", "Lib/B.syx", "Lib/C.syx"})
            write(QString::fromLatin1(name));
        open(path("Lib"));
        for (const auto& [from, to, order] : {std::tuple{"A", "D", QStringList{"B", "C", "D"}},
                                              {"C", "0 First", QStringList{"0 First", "B", "D"}},
                                              {"B", "Z", QStringList{"0 First", "D", "Z"}}}) {
            named(QString::fromLatin1(from))->setName(QString::fromLatin1(to));
            QTRY_COMPARE(qzpNames(library()->arrangedObjects()), order);
        }
    }

    // A name in plain ASCII folds letter by letter, every capital from A to Z and nothing beside them
    // ("@" and "[" sit either side of the capitals); other names fold as the filter folds them.
    void namesFoldEveryLetter() {
        QZPLibraryTable table;
        QString capitals, expected;
        for (char16_t c = u'@'; c <= u'['; ++c)
            capitals += QChar(c);
        expected = capitals;
        for (QChar& c : expected)
            if (c >= u'A' && c <= u'Z')
                c = c.toLower();
        for (const auto& [name, folded] : {std::pair{capitals, expected},
                                           {capitals.toLower(), capitals.toLower()},
                                           {QStringLiteral("CRÈME Zz"), QStringLiteral("creme zz")}}) {
            const QZPLibraryTable::Row row = table.appendName({}, name);
            QCOMPARE(table.foldedName(row).toString(), folded);
        }
    }

    // Background work: parts and the end arrive on the main thread; a new start drops whatever the run
    // before had not handed over yet, and its end never arrives; Cancel ends a run with what it did.
    void backgroundTaskStartsAndCancels() {
        QStringList parts, ends;
        QZPBackgroundTask<QString> task({{},
                                         [&](const QString& part) { parts << part; },
                                         [&](std::optional<QString> result, bool cancelled) {
                                             ends
                                                 << result.value_or("none") + (cancelled ? " cancelled" : "");
                                         }});
        using Context = QZPBackgroundTask<QString>::Context;
        const auto spinning = [](Context& context) {
            context.partial("first");
            while (!context.isCancelled())
                QThread::yieldCurrentThread();
            return std::optional<QString>("first's end");
        };
        task.start(spinning);
        task.start([](Context& context) {
            context.partial("second");
            return std::optional<QString>("second's end");
        });
        QTRY_COMPARE(ends, QStringList{"second's end"});
        QCOMPARE(parts, QStringList{"second"});
        task.start(spinning);
        task.cancel();
        QTRY_COMPARE(ends.size(), 2);
        QCOMPARE(ends.last(), QStringLiteral("first's end cancelled"));
        QVERIFY(!task.isRunning());
    }

    // Drafts first, then natural order; hidden files and other types never listed; subfolders are.
    void listingAndOrder() {
        for (const char* name : {"Bass 10.syx", "bass 2.syx", "Lead.tbpreset", "sub/Pad.syx", ".hidden/X.syx",
                                 ".Y.syx", "notes.txt"})
            write(name);
        // A link loop and a name that is not UTF-8 neither hang nor duplicate anything.
        QFile::link(m_dir->path(), path("sub/loop"));
        const QByteArray latin1Name = QFile::encodeName(m_dir->path()) + "/Latin\xe9.syx";
        const int fd = ::open(latin1Name.constData(), O_WRONLY | O_CREAT, 0644);
        QVERIFY(fd >= 0 && ::write(fd, qzpPatchMessage(1).constData(), 24) == 24);
        ::close(fd);
        open(m_dir->path());
        QCOMPARE(library()->count(), 5);
        refresh();
        QCOMPARE(library()->count(), 5);
        ::unlink(latin1Name.constData());
        refresh();
        QCOMPARE(qzpNames(library()->arrangedObjects()), (QStringList{"bass 2", "Bass 10", "Lead", "Pad"}));
        QZPPreset* draft = m_documents->newDocument();
        QCOMPARE(library()->arrangedObjects().first(), draft);
        QVERIFY(m_documents->hasUntitledFile());
        // Listing reads no file.
        for (QZPPreset* preset : library()->presets())
            QVERIFY(preset->isNew() || !preset->isFileContentsLoaded());
    }

    // Many files found at once are sorted in one pass (on the first bytes of their keys, then the whole
    // keys): the same order as one by one, drafts first, names that share long beginnings by what follows.
    void manyFilesSortAsOneByOne() {
        open(m_dir->path());
        QZPPreset* draft = m_documents->newDocument();
        QStringList names;
        for (int i = 1; i <= 40; ++i)
            names << QStringLiteral("Strings Ensemble Wide %1").arg(i);
        for (int i = 1; i <= 20; ++i)
            names << QStringLiteral("bass %1").arg(i * 7) << QStringLiteral("Bass %1b").arg(i);
        names << QStringLiteral("Élan") << QStringLiteral("elan") << QStringLiteral("Elan 2")
              << QStringLiteral("A");
        for (const QString& name : names)
            write(name + QStringLiteral(".syx"));
        refresh();
        const QList<QZPPreset*> arranged = library()->arrangedObjects();
        const qsizetype drafts =
            std::count_if(arranged.begin(), arranged.end(), [](QZPPreset* p) { return p->isNew(); });
        QCOMPARE(arranged.size() - drafts, names.size());
        QVERIFY(arranged.mid(0, drafts).contains(draft));
        const QZPNameCollator collator;
        for (qsizetype i = drafts + 1; i < arranged.size(); ++i)
            QZP_VERIFY(collator.compare(arranged.at(i - 1)->displayName(), arranged.at(i)->displayName()) <=
                           0,
                       arranged.at(i - 1)->displayName(), arranged.at(i)->displayName());
    }

    // A folder of more files than the readers take in one go (several stretches of the table, each in
    // several waves of slices): every file's own patch comes back to its own row, whichever reader read it.
    void everyPatchToItsRow() {
        for (int i = 0; i < 4500; ++i)
            write(QStringLiteral("P%1.syx").arg(i), quint8(i % 101));
        open(m_dir->path());
        library()->readPatchesNow();
        const QZPPresetsController::FilePatches read = library()->filePatches();
        QCOMPARE(read.entries.size(), 4500);
        for (const QZPPresetsController::FilePatch& entry : read.entries)
            QZP_VERIFY(int(quint8(entry.patch.at(0))) == entry.name.mid(1).toInt() % 101, entry.name);
    }

    // Two windows on one folder star in turn, each having read the marks before the other's change:
    // neither loses the other's. A change another program writes into the file in place is seen.
    void twoWindowsKeepEachOthersMarks() {
        write("A.syx", 1);
        write("B.syx", 2);
        open(m_dir->path());
        QZPPresetsController other;
        QSignalSpy refreshed(&other, &QZPPresetsController::refreshFinished);
        other.setPresetsFolderURL(QUrl::fromLocalFile(m_dir->path()));
        QVERIFY(refreshed.wait(5000));
        QTRY_VERIFY(!other.isRefreshing() && !other.isReadingPatches() && !library()->isReadingPatches());
        const auto star = [](QZPPresetMarks::Marks& marks) {
            marks.favourite = true;
        };
        QZPError error;
        // Each write of the file is a new entry in the folder: the walks it gives are waited for.
        QSignalSpy walked(library(), &QZPPresetsController::refreshFinished);
        QVERIFY(library()->changeMarks({named("A")}, star, &error));
        QVERIFY(other.changeMarks({qzpNamedPreset(&other, "B")}, star, &error));
        QTRY_VERIFY(walked.count() > 0 && !library()->isRefreshing());
        QZPPresetMarks onDisk;
        QVERIFY(onDisk.read(m_dir->path(), &error));
        QVERIFY(onDisk.marks("A.syx", named("A")->patch().data()).favourite);
        QVERIFY(onDisk.marks("B.syx", named("B")->patch().data()).favourite);

        // Rewritten in place, not by rename: A loses its star, and the list follows.
        onDisk.setMarks("A.syx", named("A")->patch().data(), {});
        QFile file(path(QZPPresetMarks::FileName));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(onDisk.serialized());
        file.close();
        QTRY_VERIFY(!library()->marksOf(named("A")).favourite);
        QVERIFY(library()->marksOf(named("B")).favourite);
    }

    // Opening a folder clears away what a killed writer left in it, before any write: a dead writer's
    // temporary file goes at the first walk; a preset stays.
    void firstWalkRemovesDeadWritersFiles() {
        write("Pad.syx");
        QVERIFY(qzpWriteContents(path(".tb-4194301-5-0000abcd.tmp"), "partial"));
        open(m_dir->path());
        QTRY_VERIFY(!QFile::exists(path(".tb-4194301-5-0000abcd.tmp")));
        QVERIFY(QFile::exists(path("Pad.syx")));
    }

    // Presets of one name in different folders each say their subfolder (the library's own as ""); a name
    // listed once says none, also once its preset object is made.
    void sameNamesShowTheirFolder() {
        for (const char* name : {"Pad.syx", "Old/Pad.syx", "Old/Deep/pad.syx", "Lead.syx", "Old/Lead 2.syx"})
            write(name);
        open(m_dir->path());
        QCOMPARE(library()->count(), 5);
        // One row with its preset object, the others bare rows.
        QVERIFY(library()->index(0).data(QZPPresetsController::PresetRole).value<QZPPreset*>());
        QStringList shown;
        for (int row = 0; row < library()->rowCount(); ++row) {
            const QVariant folder = library()->index(row).data(QZPPresetsController::SubfolderRole);
            shown << library()->index(row).data().toString() + QLatin1Char('=') +
                         (folder.isValid() ? folder.toString() : QStringLiteral("-"));
        }
        shown.sort();
        QCOMPARE(shown, (QStringList{"Lead 2=-", "Lead=-", "Pad=", "Pad=Old", "pad=Old/Deep"}));
    }

    // Typing a filter one letter at a time and taking it back shows what the whole filter would show at
    // every step, in order, also for a preset renamed on the way.
    void filterTypedLetterByLetter() {
        for (const char* name : {"Bass 10.syx", "bass 2.syx", "Brass.syx", "Crème Bass.syx", "Lead.syx"})
            write(name);
        open(m_dir->path());
        const QList<QPair<QString, QStringList>> steps{
            {"b", {"bass 2", "Bass 10", "Brass", "Crème Bass"}},
            {"ba", {"bass 2", "Bass 10", "Crème Bass"}},
            {"bas", {"bass 2", "Bass 10", "Crème Bass"}},
            {"bass 1", {"Bass 10"}},
            {"ba", {"bass 2", "Bass 10", "Crème Bass"}},
            {"CREME", {"Crème Bass"}},
            {"", {"bass 2", "Bass 10", "Brass", "Crème Bass", "Lead"}},
        };
        for (const auto& [text, shown] : steps) {
            library()->setFilterPredicate(QZPPresetFilter::predicate(text, false));
            QCOMPARE(qzpNames(library()->arrangedObjects()), shown);
        }
        library()->setFilterPredicate(QZPPresetFilter::predicate("bas", false));
        named("Brass")->setFileURL(QUrl::fromLocalFile(path("Bassoon.syx")));
        library()->setFilterPredicate(QZPPresetFilter::predicate("bass", false));
        QCOMPARE(qzpNames(library()->arrangedObjects()),
                 (QStringList{"bass 2", "Bass 10", "Bassoon", "Crème Bass"}));
        // Back to filters shown before the renames: what they show now, not what they showed then.
        named("Lead")->setFileURL(QUrl::fromLocalFile(path("Bark.syx")));
        const QList<QPair<QString, QStringList>> back{
            {"bas", {"bass 2", "Bass 10", "Bassoon", "Crème Bass"}},
            {"b", {"Bark", "bass 2", "Bass 10", "Bassoon", "Crème Bass"}},
            {"", {"Bark", "bass 2", "Bass 10", "Bassoon", "Crème Bass"}},
        };
        for (const auto& [text, shown] : back) {
            library()->setFilterPredicate(QZPPresetFilter::predicate(text, false));
            QCOMPARE(qzpNames(library()->arrangedObjects()), shown);
        }
    }

    // The folder's file of marks is read only when it changed on disk (not after writing it, not when
    // nothing changed), and rows look their marks up again only while some mark is, or just was, there.
    void marksAreReadOnlyWhenChanged() {
        QVERIFY(QDir().mkpath(path("M")));
        QZPLibraryMarks marks;
        QZPError error;
        const QByteArray patch = QZPPreset::defaultPatchData();
        const auto favourite = [&](bool on) {
            return marks.change(
                {{QStringLiteral("A.syx"), patch}}, [on](QZPPresetMarks::Marks& m) { m.favourite = on; },
                &error);
        };
        QVERIFY(marks.load(path("M"), &error));
        QVERIFY(!marks.load(path("M"), &error));
        QVERIFY(!marks.beginLookUp());
        QVERIFY(favourite(true));
        QVERIFY(!marks.load(path("M"), &error));
        QVERIFY(marks.beginLookUp());
        QVERIFY(marks.lookUp(QStringLiteral("A.syx"), patch).favourite);
        QVERIFY(favourite(false));
        QVERIFY(marks.beginLookUp()); // the row had a star: it looks again, once
        QVERIFY(!marks.lookUp(QStringLiteral("A.syx"), patch).favourite);
        QVERIFY(!marks.beginLookUp());
        const QString file = QDir(path("M")).filePath(QString::fromLatin1(QZPPresetMarks::FileName));
        QVERIFY(qzpWriteContents(file, qzpContents(file) + "\n"));
        QVERIFY(marks.load(path("M"), &error)); // another program changed it
        QVERIFY(error.isNull());
    }

    // A tree deeper than the walk goes is cut, its deepest presets unlisted, and every folder the walk
    // opened is closed again (the window walks at every change: a leak would run out of descriptors).
    void deepTreesAreCutWithoutLeaking() {
        QString deep = QStringLiteral("Deep");
        for (int level = 0; level < 70; ++level) {
            deep += QStringLiteral("/d");
            if (level == 10 || level == 64 || level == 65 || level == 69)
                write(deep + QStringLiteral(".syx"));
        }
        QVERIFY(QDir().mkpath(path(deep)));
        const auto openDescriptors = [] {
            return QDir("/proc/self/fd")
                .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                .size();
        };
        const qsizetype before = openDescriptors();
        QZPLibraryTable entries;
        for (int walk = 0; walk < 10; ++walk)
            entries = QZPFolderWalker::walk(path("Deep"));
        QCOMPARE(openDescriptors(), before);
        // Folders down to 64 levels below the library are walked, none deeper.
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries.path(1).count(QLatin1Char('/')) + entries.path(0).count(QLatin1Char('/')), 10 + 64);
    }

    // A walk makes keys and folded names only for files the library does not list yet.
    void walkSkipsKeysOfKnownFiles() {
        write("W/b.syx");
        write("W/A.syx");
        const QZPFolderWalker::KnownPaths known{QZPFolderWalker::pathHash(u"A.syx")};
        for (const auto& [table, unkeyed] :
             {std::pair{QZPFolderWalker::walk(path("W")), QString()},
              std::pair{QZPFolderWalker::walk(path("W"), 0, known), QString("A.syx")}}) {
            QCOMPARE(table.size(), 2);
            for (QZPLibraryTable::Row row = 0; row < 2; ++row)
                QCOMPARE(table.key(row).isEmpty(), table.path(row) == unkeyed);
        }
    }

    // The window always has a preset: a folder that comes back shows the preset last shown in it, and an
    // empty folder gives a draft.
    void folderChangesKeepAPresetInTheWindow() {
        write("A/One.syx", 1);
        write("A/Two.syx", 2);
        write("B/Bee.syx", 3);
        QDir().mkpath(path("Empty"));
        const auto current = [this] {
            const auto* preset = qobject_cast<QZPPreset*>(m_documents->currentDocument());
            return preset ? preset->displayName() : QString();
        };
        open(path("A"));
        named("Two")->makeWindowControllers();
        open(path("B"));
        open(path("A"));
        QCOMPARE(current(), QStringLiteral("Two"));
        QVERIFY(library()->contains(qobject_cast<QZPPreset*>(m_documents->currentDocument())));
        // Left on a draft: the draft stays in the window when the folder comes back.
        QZPPreset* draft = m_documents->newDocument();
        open(path("B"));
        open(path("A"));
        QCOMPARE(m_documents->currentDocument(), draft);
        open(path("Empty"));
        QVERIFY(qobject_cast<QZPPreset*>(m_documents->currentDocument())->isNew());
        // A left on a draft: coming back later does not bring back what was current there before it.
        open(path("B"));
        named("Bee")->makeWindowControllers();
        open(path("A"));
        QCOMPARE(current(), QStringLiteral("Bee"));
    }

    void refreshKeepsObjectsAndStashesEdits() {
        write("A/One.syx", 1);
        write("A/Two.syx", 2);
        write("B/Three.syx", 3);
        QSignalSpy sent(m_documents.get(), &QZPDocumentController::sendProgramRequested);
        open(path("A"));
        QCOMPARE(sent.count(), 0); // the first refresh sends nothing
        QZPPreset* one = named("One");
        QZPPreset* two = named("Two");
        two->makeWindowControllers();
        QCOMPARE(m_documents->currentDocument(), two);
        one->setValue(Id::LFO_Rate, 77);

        // A new name inside the folder: the same object, following its file.
        QFile::rename(path("A/Two.syx"), path("A/Deux.syx"));
        refresh();
        QCOMPARE(sent.count(), 1);
        QCOMPARE(named("Deux"), two);

        // The same while a file listed before it leaves in that refresh.
        write("A/Gone.syx", 4);
        refresh();
        write("A/Late.syx", 5);
        refresh();
        QZPPreset* late = named("Late");
        QFile::remove(path("A/Gone.syx"));
        QFile::rename(path("A/Late.syx"), path("A/Alpha.syx"));
        refresh();
        QCOMPARE(named("Alpha"), late);
        QCOMPARE(qzpNames(library()->arrangedObjects()), (QStringList{"Alpha", "Deux", "One"}));
        QFile::remove(path("A/Alpha.syx"));
        refresh();

        // Leaving A stashes the edited preset; coming back takes the same object, edits intact, and
        // shows the preset that was current when A was left.
        open(path("B"));
        QVERIFY(!library()->contains(one));
        QCOMPARE(library()->unsavedPresets().size(), 1);
        QVERIFY(m_documents->hasEditedDocuments());
        m_window.setDocument(named("Three"));
        open(path("A"));
        QVERIFY(library()->contains(one));
        QCOMPARE(one->value(Id::LFO_Rate), 77);
        QVERIFY(library()->unsavedPresets().isEmpty());
        QCOMPARE(m_documents->currentDocument()->displayName(), QStringLiteral("Deux"));

        // Setting the folder it has changes nothing.
        QSignalSpy changed(library(), &QZPPresetsController::presetsFolderURLChanged);
        library()->setPresetsFolderURL(QUrl::fromLocalFile(path("A")));
        QCOMPARE(changed.count(), 0);

        // A deleted file's edited preset goes to the stash; an unedited one is dropped.
        QFile::remove(path("A/One.syx"));
        refresh();
        QVERIFY(!library()->contains(one));
        QCOMPARE(library()->unsavedPresets().size(), 1);
        const QList<QZPPreset*> review = m_documents->reviewUnsavedDocuments();
        QVERIFY(review.contains(one) && library()->unsavedPresets().isEmpty());
    }

    void emptyFolderMakesOneDraftAndFilterHidesNothingForGood() {
        QDir().mkpath(path("Empty"));
        open(path("Empty"));
        QCOMPARE(library()->count(), 1);
        QVERIFY(library()->presets().first()->isNew());
        refresh();
        QCOMPARE(library()->count(), 1); // the draft stays; no second one

        write("Empty/Alpha.syx");
        write("Empty/Beta.syx");
        refresh();
        library()->setFilterPredicate(QZPPresetFilter::predicate("alp", false));
        QCOMPARE(qzpNames(library()->arrangedObjects()), QStringList{"Alpha"});
        write("Empty/Gamma.syx");
        refresh();
        QCOMPARE(library()->count(), 4);
        library()->setFilterPredicate({});
        QCOMPARE(library()->arrangedObjects().size(), 4);
        // An edit re-files the preset without re-sorting the rest, and the modified filter follows it.
        library()->setFilterPredicate(QZPPresetFilter::predicate("", true));
        QVERIFY(library()->arrangedObjects().isEmpty());
        named("Beta")->setValue(Id::VCF_Cutoff, 3);
        QCOMPARE(qzpNames(library()->arrangedObjects()), QStringList{"Beta"});
    }

    // A listed file is a row until something asks for its preset: names, states, paths and selection
    // come from the rows; a duplicate's name avoids every listed name; rows follow files renamed outside;
    // and once most rows are released the table is made again without losing places or objects.
    void listedFilesAreMadeWhenAskedFor() {
        for (const char* name : {"Lib/Organ.syx", "Lib/Organ copy.syx", "Lib/sub/Bass.syx", "Lib/Zeta.syx"})
            write(name);
        open(path("Lib"));
        QCOMPARE(library()->count(), 4);
        QVERIFY(library()->presets().isEmpty());
        const auto rows = [this](int role) {
            QStringList values;
            for (int row = 0; row < library()->rowCount(); ++row)
                values << library()->index(row).data(role).toString();
            return values;
        };
        QCOMPARE(rows(Qt::DisplayRole), (QStringList{"Bass", "Organ", "Organ copy", "Zeta"}));
        QCOMPARE(rows(QZPPresetsController::FilePathRole).first(), path("Lib/sub/Bass.syx"));
        QCOMPARE(rows(QZPPresetsController::EditedRole), (QStringList{"false", "false", "false", "false"}));
        library()->setSelectionIndexes({0, 3, 7});
        QCOMPARE(library()->selectionIndexes(), (QList<int>{0, 3}));
        QVERIFY(library()->presets().isEmpty());
        QCOMPARE(qzpNames(library()->selectedObjects()), (QStringList{"Bass", "Zeta"}));
        QCOMPARE(library()->presets().size(), 2);
        QZPPreset* bass = named("Bass");
        QZPPreset* zeta = named("Zeta");

        auto opened =
            m_documents->openDocumentWithContentsOfURL(QUrl::fromLocalFile(path("Lib/Organ.syx")), true);
        QVERIFY(opened.alreadyOpen);
        QCOMPARE(library()->arrangedIndexOf(opened.preset), 1);
        std::unique_ptr<QZPDocument> copy(opened.preset->duplicateDocument(nullptr));
        QCOMPARE(copy->displayName(), QStringLiteral("Organ copy 2"));
        copy->close();
        copy.reset();

        QVERIFY(QFile::rename(path("Lib/Zeta.syx"), path("Lib/Alpha.syx")));
        QVERIFY(QFile::rename(path("Lib/Organ copy.syx"), path("Lib/Aardvark.syx")));
        refresh();
        QCOMPARE(rows(Qt::DisplayRole), (QStringList{"Aardvark", "Alpha", "Bass", "Organ"}));
        QCOMPARE(named("Alpha"), zeta);
        const qsizetype made = library()->presets().size();

        for (int n = 0; n < 1100; ++n)
            write(QStringLiteral("Lib/Many/P%1.syx").arg(n));
        refresh();
        QCOMPARE(library()->count(), 1104);
        library()->setFilterPredicate(QZPPresetFilter::predicate("a", false));
        library()->setSelectedObjects({bass});
        QVERIFY(QDir(path("Lib/Many")).removeRecursively());
        refresh();
        QCOMPARE(rows(Qt::DisplayRole), (QStringList{"Aardvark", "Alpha", "Bass", "Organ"}));
        QCOMPARE(library()->selectedObjects(), QList<QZPPreset*>{bass});
        QCOMPARE(library()->arrangedIndexOf(bass), 2);
        library()->setFilterPredicate(QZPPresetFilter::predicate("al", false));
        QCOMPARE(rows(Qt::DisplayRole), QStringList{"Alpha"});
        QCOMPARE(library()->arrangedPresetAt(0), zeta);
        QCOMPARE(library()->presets().size(), made);
    }

    void documentControllerOpens() {
        write("Lib/Known.syx");
        write("Outside/Stranger.syx", 5);
        open(path("Lib"));
        QSignalSpy sent(m_documents.get(), &QZPDocumentController::sendProgramRequested);
        QZPPreset* known = named("Known");
        auto result =
            m_documents->openDocumentWithContentsOfURL(QUrl::fromLocalFile(path("Lib/Known.syx")), true);
        QCOMPARE(result.preset, known);
        QVERIFY(result.alreadyOpen);
        QCOMPARE(m_documents->currentDocument(), known);
        QCOMPARE(library()->count(), 1);
        // The same file through a linked folder, or through "..": still the listed preset.
        QVERIFY(QFile::link(path("Lib"), path("Linked")));
        for (const QString& other : {path("Linked/Known.syx"), path("Outside/../Lib/Known.syx")}) {
            const auto same = m_documents->openDocumentWithContentsOfURL(QUrl::fromLocalFile(other), true);
            QCOMPARE(same.preset, known);
            QCOMPARE(library()->count(), 1);
        }

        result = m_documents->openDocumentWithContentsOfURL(QUrl::fromLocalFile(path("Outside/Stranger.syx")),
                                                            true);
        QVERIFY(result.preset && !result.alreadyOpen);
        QCOMPARE(result.preset->value(Id::LFO_Rate), 5);
        QVERIFY(library()->contains(result.preset));
        QCOMPARE(sent.count(), 4);
        result.preset->setValue(Id::LFO_Rate, 6);
        refresh(); // outside the folder: leaves the list, stashed since edited
        QVERIFY(!library()->contains(result.preset));
        const auto again = m_documents->openDocumentWithContentsOfURL(
            QUrl::fromLocalFile(path("Outside/Stranger.syx")), true);
        QCOMPARE(again.preset, result.preset);
        QCOMPARE(again.preset->value(Id::LFO_Rate), 6);

        const auto bad =
            m_documents->openDocumentWithContentsOfURL(QUrl::fromLocalFile(path("Lib/none.txt")), true);
        QVERIFY(!bad.preset);
        QCOMPARE(bad.error.code(), 404);
    }

    // A file moved into a sibling folder whose name begins with the library folder's name has left the
    // library; one moved into a subfolder has not.
    void movesAreJudgedByWholeFolderNames() {
        write("Lib/Bass.syx", 1);
        write("Lib/Lead.syx", 2);
        open(path("Lib"));
        QPointer<QZPPreset> bass = named("Bass");
        QZPPreset* lead = named("Lead");
        lead->presentedItemDidMoveToURL(QUrl::fromLocalFile(path("Lib/sub/Lead.syx")));
        QVERIFY(!lead->isClosed());
        QCOMPARE(lead->filePath(), path("Lib/sub/Lead.syx"));
        bass->presentedItemDidMoveToURL(QUrl::fromLocalFile(path("Lib2/Bass.syx")));
        QVERIFY((!bass || bass->isClosed()) && QZPFileSystem::isInsideFolder("/a/Lib/x.syx", "/a/Lib/"));
        QVERIFY(!QZPFileSystem::isInsideFolder("/a/Lib2/x.syx", "/a/Lib"));
        QVERIFY(!QZPFileSystem::isInsideFolder("/a/Lib/../Lib2/x.syx", "/a/Lib"));
    }

    // Another program renames, moves out, or deletes a preset's file.
    void outsideMovesAndDeletions() {
        QZPCapturingPresenter presenter;
        write("Lib/Renamed.syx", 1);
        write("Lib/Leaving.syx", 2);
        write("Lib/Deleted.syx", 3);
        QDir().mkpath(path("Elsewhere"));
        open(path("Lib"));
        QZPPreset* renamed = named("Renamed");
        QPointer<QZPPreset> leaving = named("Leaving");
        QZPPreset* deleted = named("Deleted");
        deleted->makeWindowControllers(); // shown: its contents are loaded
        QCOMPARE(deleted->value(Id::LFO_Rate), 3);

        QFile::rename(path("Lib/Renamed.syx"), path("Lib/Now Named.syx"));
        QTRY_COMPARE(renamed->filePath(), path("Lib/Now Named.syx"));

        QFile::rename(path("Lib/Leaving.syx"), path("Elsewhere/Leaving.syx"));
        QTRY_VERIFY(!leaving || leaving->isClosed());

        QFile::remove(path("Lib/Deleted.syx"));
        QTRY_VERIFY(deleted->isClosed());
        auto* draft = qobject_cast<QZPPreset*>(m_documents->currentDocument());
        QVERIFY(draft && draft->isNew());
        QCOMPARE(draft->displayName(), QStringLiteral("Deleted"));
        QCOMPARE(draft->value(Id::LFO_Rate), 3);
        QVERIFY(draft->isDocumentEdited() && presenter.errors.isEmpty());
    }

    // The library folder renamed, then moved into a folder next to it, by another program: the library
    // follows it, keeps its presets (an edited one keeps its edits), and the chooser hears of the folder.
    void followsItsFolderWhenItMoves() {
        write("Lib/Bass.syx", 1);
        write("Lib/Lead.syx", 2);
        QDir().mkpath(path("Shelf"));
        open(path("Lib"));
        QZPPreset* bass = named("Bass");
        bass->makeWindowControllers();
        bass->setValue(Id::LFO_Rate, 9);
        QSignalSpy folderChanged(library(), &QZPPresetsController::presetsFolderURLChanged);

        QVERIFY(QDir().rename(path("Lib"), path("Renamed")));
        QTRY_COMPARE(library()->presetsFolderURL(), QUrl::fromLocalFile(path("Renamed")));
        QCOMPARE(folderChanged.size(), 1);
        QTRY_COMPARE(bass->filePath(), path("Renamed/Bass.syx"));
        QVERIFY(QDir().rename(path("Renamed"), path("Shelf/Moved")));
        QTRY_COMPARE(library()->presetsFolderURL(), QUrl::fromLocalFile(path("Shelf/Moved")));
        write("Shelf/Moved/Pad.syx", 3);
        QTRY_COMPARE(qzpNames(library()->arrangedObjects()), (QStringList{"Bass", "Lead", "Pad"}));
        QCOMPARE(named("Bass"), bass);
        QCOMPARE(bass->filePath(), path("Shelf/Moved/Bass.syx"));
        QVERIFY(bass->isDocumentEdited());
        QCOMPARE(bass->value(Id::LFO_Rate), 9);

        // Gone, with a new folder of the same name in its place: that folder is the library now.
        QVERIFY(QDir(path("Shelf/Moved")).removeRecursively());
        write("Shelf/Moved/Organ.syx", 4);
        refresh();
        QCOMPARE(library()->presetsFolderURL(), QUrl::fromLocalFile(path("Shelf/Moved")));
        QVERIFY(qzpNames(library()->arrangedObjects()).contains("Organ"));
    }

    // Whether a folder holds presets already (the welcome assistant offers the factory presets when not):
    // a preset file anywhere below it counts, other files do not.
    void folderHoldsPresets() {
        QDir().mkpath(path("Empty"));
        QVERIFY(qzpWriteContents(path("Notes/readme.txt"), "hello"));
        write("Deep/A/B/Pad.syx", 1);
        QVERIFY(qzpWriteContents(path("Plist/Lead.tbpreset"), "x"));
        for (const auto& [folder, holds] : {std::pair{"", false},
                                            {"Nowhere", false},
                                            {"Empty", false},
                                            {"Notes", false},
                                            {"Deep", true},
                                            {"Plist", true}})
            QZP_VERIFY(QZPFactoryPresetInstaller::holdsPresets(*folder ? path(folder) : QString()) == holds,
                       folder);
    }

    // The factory list: enough presets, each a valid Patch message under a name that is a file name
    // of its own (no two alike, ignoring letter case).
    void factoryListIsSound() {
        QZPFactoryPresetInstaller installer;
        QZPError error;
        const auto entries = installer.entries(&error);
        QVERIFY2(entries, qPrintable(error.fullText()));
        QVERIFY(entries->size() >= 48);
        QSet<QString> names;
        for (const QZPPresetList::Entry& entry : *entries) {
            QVERIFY2(entry.problem.isEmpty(), qPrintable(entry.name + ": " + entry.problem));
            QCOMPARE(entry.message.size(), 24);
            for (qsizetype i = 1; i < 23; ++i)
                QVERIFY(quint8(entry.message.at(i)) < 0x80);
            QCOMPARE(QZPPreset::fileNameForName(entry.name), entry.name);
            QZP_VERIFY(!names.contains(entry.name.toCaseFolded()), entry.name);
            names.insert(entry.name.toCaseFolded());
        }
        QCOMPARE(QZPPresetList::fileBaseNames({{"Pad", {}, {}}, {"pad", {}, {}}, {"Pad", {}, {}}}),
                 (QStringList{"Pad", "pad 2", "Pad 3"}));
    }

    // Installing: one preset file per entry, named after it; a file of that name is the user's and is
    // kept (an open, edited preset of it stays as it was); a folder that refuses files gives one count of
    // what failed; a list that cannot be read or is empty ends at once with the reason.
    void factoryInstallation() {
        const auto install = [](QZPFactoryPresetInstaller& installer, const QString& folder) {
            QSignalSpy finished(&installer, &QZPFactoryPresetInstaller::finished);
            installer.install(folder);
            return finished.wait(10000);
        };
        QZPFactoryPresetInstaller installer;
        QSignalSpy progress(&installer, &QZPFactoryPresetInstaller::progressChanged);
        const QString mine = write("Lib/Bass Round Sub.tbpreset", 1);
        const QByteArray before = qzpContents(mine);
        open(path("Lib"));
        QZPPreset* edited = named("Bass Round Sub");
        edited->setValue(Id::LFO_Rate, 77);
        QVERIFY(install(installer, path("Lib")));
        const int total = int(installer.entries(nullptr)->size());
        QCOMPARE(installer.writtenCount(), total - 1);
        QCOMPARE(installer.skippedCount(), 1);
        QCOMPARE(installer.failedCount(), 0);
        QVERIFY(installer.summary().isEmpty());
        QCOMPARE(
            installer.skippedSummary(),
            QStringLiteral("1 factory preset was already in the folder under its name; that file was kept."));
        QCOMPARE(progress.first(), (QList<QVariant>{0, total}));
        QCOMPARE(progress.last(), (QList<QVariant>{total, total}));
        QCOMPARE(QDir(path("Lib")).entryList(QDir::Files).size(), total);
        QCOMPARE(qzpContents(mine), before);
        QVERIFY(edited->isDocumentEdited());
        QCOMPARE(edited->value(Id::LFO_Rate), 77);
        QCOMPARE(edited->filePath(), mine);
        // Each written preset is tagged by its family; the user's own file (kept) is not.
        QTRY_COMPARE(library()->marksOf(named("Brass Stab")).tags, QStringList{"brass"});
        QCOMPARE(library()->marksOf(named("Perc Tom")).tags, QStringList{"perc"});
        QVERIFY(library()->marksOf(named("Bass Round Sub")).tags.isEmpty());
        QCOMPARE(library()->folderTags(),
                 (QStringList{"bass", "brass", "fx", "keys", "lead", "pad", "perc", "strings"}));
        QCOMPARE(QZPFactoryPresetInstaller::familyTag(QStringLiteral("Padded Cell")), QString());

        // Again: every file is there, every one kept.
        QVERIFY(install(installer, path("Lib")));
        QCOMPARE(installer.writtenCount(), 0);
        QCOMPARE(installer.skippedCount(), total);

        QDir().mkpath(path("Locked"));
        write("Locked/Keep.syx");
        if (qzpMakeFolderReadOnly(path("Locked"), true)) {
            QVERIFY(install(installer, path("Locked")));
            qzpMakeFolderReadOnly(path("Locked"), false);
            QCOMPARE(installer.failedCount(), total);
            QCOMPARE(installer.summary(), QStringLiteral("%1 factory presets couldn’t be written into “%2”.")
                                              .arg(total)
                                              .arg(path("Locked")));
            QCOMPARE(QDir(path("Locked")).entryList(QDir::Files), QStringList{"Keep.syx"});
        }

        QVERIFY(qzpWriteContents(path("empty.plist"), QZPPropertyList::toBinary(QVariantList())));
        for (const QString& list :
             {path("empty.plist"), path("missing.plist"), path("Lib/Bass Round Sub.tbpreset")}) {
            QZPFactoryPresetInstaller other;
            other.setListPath(list);
            QVERIFY(install(other, path("Other")));
            QZP_VERIFY(!other.problem().isEmpty(), list);
            QCOMPARE(other.summary(), other.problem());
            QVERIFY(!QDir(path("Other")).exists());
        }
    }
};

QZP_TEST_MAIN(TestLibrary)
#include "tst_library.moc"
