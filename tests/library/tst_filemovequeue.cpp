// SPDX-License-Identifier: GPL-3.0-or-later
#include "QZPCapturingPresenter.h"
#include "QZPTestFiles.h"
#include "QZPTestMain.h"
#include "library/QZPFileMoveOperation.h"
#include "library/QZPFileMoveProgressReporter.h"
#include "library/QZPFileMoveQueue.h"
#include "library/QZPFolderAccessRequester.h"
#include "library/QZPLibraryPresetEnvironment.h"
#include "model/QZPFileSystem.h"

#include <QDate>
#include <QDir>
#include <QSemaphore>
#include <QSet>
#include <QUrl>
#include <cerrno>
#include <sys/stat.h>

namespace {

// A file system staged for what the test machine cannot do by itself: names that differ only in letter
// case clash, as on a file system that ignores case, and folders can refuse writing.
class StagedFileSystem : public QZPFileSystem {
public:
    bool ignoresCase = false;
    QSet<QString> deniedFolders;
    // Staged as a move to another file system, held until the test lets it go.
    bool otherVolume = false;
    QSemaphore gate;

    bool isSameVolume(const QString& source, const QString& destination) override {
        return !otherVolume && QZPFileSystem::isSameVolume(source, destination);
    }
    bool moveItem(const QString& source, const QString& destination, QZPError* error) override {
        if (otherVolume)
            gate.tryAcquire(1, 5000);
        const QFileInfo target(destination);
        if (deniedFolders.contains(target.absolutePath())) {
            qzpSetError(error, QZPError::fromErrno(EACCES, source, QStringLiteral("denied")));
            return false;
        }
        if (ignoresCase) {
            for (const QString& entry : QDir(target.absolutePath()).entryList(QDir::Files))
                if (entry.compare(target.fileName(), Qt::CaseInsensitive) == 0) {
                    qzpSetError(error, QZPError::fromErrno(EEXIST, source, QStringLiteral("exists")));
                    return false;
                }
        }
        return QZPFileSystem::moveItem(source, destination, error);
    }
};

class Requester : public QZPFolderAccessRequester {
public:
    std::function<QString()> answer = [] {
        return QString();
    };
    QStringList asked;
    QString requestFolderAccess(const QString& start, const QString& title, const QString& prompt,
                                const QString& message) override {
        asked << start << title << prompt << message;
        return answer();
    }
};

} // namespace

class TestFileMoveQueue : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    StagedFileSystem m_fs;
    Requester m_requester;

    QString path(const QString& name) const { return m_dir->filePath(name); }
    QString touch(const QString& name, const QByteArray& content = "x") {
        qzpWriteContents(path(name), content);
        return path(name);
    }
    std::shared_ptr<QZPFileMoveOperation> move(const QString& from, const QString& to, bool unique = true) {
        auto operation = std::make_shared<QZPFileMoveOperation>();
        operation->setSourceURL(QUrl::fromLocalFile(path(from)));
        operation->setDestinationURL(QUrl::fromLocalFile(path(to)));
        operation->setCreateUniqueNames(unique);
        operation->setFileSystem(&m_fs);
        return operation;
    }
    QStringList files(const QString& folder = {}) const {
        return QDir(path(folder)).entryList(QDir::Files, QDir::Name);
    }
    void run(const QZPFileMoveQueue::Operations& operations) {
        QZPFileMoveQueue::sharedInstance()->performMoveOperations(operations);
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_fs.ignoresCase = false;
        m_fs.deniedFolders.clear();
        m_fs.otherVolume = false;
        m_requester.asked.clear();
        m_requester.answer = [] {
            return QString();
        };
        QZPFileMoveQueue::sharedInstance()->setAccessRequester(&m_requester);
    }

    void missingFolderIsCreated() {
        QZPCapturingPresenter presenter;
        touch("Bass.syx");
        auto operation = move("Bass.syx", "new/deeper/Bass.syx");
        run({operation});
        QVERIFY(operation->moveSucceeded());
        QCOMPARE(files("new/deeper"), QStringList{"Bass.syx"});
        QVERIFY(presenter.errors.isEmpty());
    }

    void takenNameGivesWayToNumberedName() {
        QZPCapturingPresenter presenter;
        touch("Src.syx", "moved");
        for (const char* name : {"X.syx", "X 2.syx", "X 3.syx"})
            touch(name);
        auto operation = move("Src.syx", "X.syx");
        run({operation});
        QVERIFY(operation->moveSucceeded());
        QCOMPARE(operation->finalURL().toLocalFile(), path("X 4.syx"));
        QCOMPARE(operation->destinationURL().toLocalFile(), path("X.syx"));
        QCOMPARE(operation->moveError().code(), int(QZPError::FileWriteFileExists));
        QCOMPARE(files(), (QStringList{"X 2.syx", "X 3.syx", "X 4.syx", "X.syx"}));
        QVERIFY(presenter.errors.isEmpty());

        // Without unique names the clash is the user's to hear of, once.
        auto refused = move("X 4.syx", "X.syx", false);
        run({refused});
        QVERIFY(!refused->moveSucceeded());
        QCOMPARE(presenter.errors.size(), 1);
        QCOMPARE(presenter.errors.first().code(), int(QZPError::FileWriteFileExists));
        QVERIFY(presenter.alerts.isEmpty());
    }

    void caseOnlyRenameOnCaseInsensitiveFileSystem() {
        QZPCapturingPresenter presenter;
        m_fs.ignoresCase = true;
        touch("Bass.syx", "patch");
        auto operation = move("Bass.syx", "bass.syx");
        run({operation});
        QVERIFY(operation->moveSucceeded());
        QCOMPARE(files(), QStringList{"bass.syx"});
        QCOMPARE(qzpContents(path("bass.syx")), QByteArray("patch"));

        auto refused = move("bass.syx", "BASS.syx", false);
        run({refused});
        QVERIFY(!refused->moveSucceeded());
        QCOMPARE(presenter.errors.size(), 1);
        QCOMPARE(files(), QStringList{"bass.syx"});
    }

    void missingSourceFailsAfterOneRepeat() {
        QZPCapturingPresenter presenter;
        auto operation = move("Nothing.syx", "Elsewhere/Nothing.syx");
        run({operation});
        QVERIFY(!operation->moveSucceeded() && QDir(path("Elsewhere")).exists());
        QCOMPARE(presenter.errors.size(), 1);
        QCOMPARE(presenter.errors.first().code(), int(QZPError::FileNoSuchFile));
    }

    void severalFailuresGiveOneAlert() {
        QZPCapturingPresenter presenter;
        touch("A.syx");
        touch("B.syx");
        touch("C.syx");
        run({move("A.syx", "C.syx", false), move("Missing.syx", "D.syx"), move("B.syx", "E.syx")});
        QVERIFY(presenter.errors.isEmpty());
        QCOMPARE(presenter.alerts, QStringList{"Some move operations failed due to unresolved errors."});
        QCOMPARE(files(), (QStringList{"A.syx", "C.syx", "E.syx"}));
    }

    void lockedFileIsUnlockedAndMoved() {
        QZPCapturingPresenter presenter;
        const QString locked = touch("Locked.syx");
        if (!qzpSetImmutable(locked, true))
            QSKIP("this file system or user cannot lock files");
        QCOMPARE(QZPFileSystem::standard()->fileFlags(locked).value_or(0), QZPFileSystem::UserImmutableFlag);
        auto operation = move("Locked.syx", "Unlocked.syx");
        run({operation});
        qzpSetImmutable(path("Unlocked.syx"), false);
        qzpSetImmutable(locked, false);
        QVERIFY(operation->moveSucceeded());
        QCOMPARE(operation->moveError().code(), int(QZPError::FileWriteNoPermission));
        QCOMPARE(files(), QStringList{"Unlocked.syx"});
        QVERIFY(presenter.errors.isEmpty());
    }

    void accessRequest() {
        QZPCapturingPresenter presenter;
        QDir(m_dir->path()).mkpath("Presets A");
        QDir(m_dir->path()).mkpath("Presets B");
        touch("One.syx");
        touch("Two.syx");
        m_fs.deniedFolders = {path("Presets A"), path("Presets B")};

        // Cancelled: the operations that needed access are neither retried nor reported.
        run({move("One.syx", "Presets A/One.syx"), move("Two.syx", "Presets B/Two.syx")});
        QCOMPARE(m_requester.asked,
                 (QStringList{path("Presets "), "Allow Access", "Allow Access",
                              "Select “Allow” to grant access to the selected directory."}));
        QVERIFY(presenter.errors.isEmpty() && presenter.alerts.isEmpty());

        // Granted: fresh copies run while access is held.
        m_requester.answer = [this] {
            m_fs.deniedFolders.clear();
            return m_dir->path();
        };
        auto operation = move("One.syx", "Presets A/One.syx");
        run({operation});
        QVERIFY(operation->needsSandboxAccess() && !operation->moveSucceeded());
        QCOMPARE(files("Presets A"), QStringList{"One.syx"});
        QVERIFY(presenter.errors.isEmpty());
    }

    // Nobody to ask (the command-line tool): a move the folder refused is a failure like any other.
    void withoutRequesterRefusalIsReported() {
        QZPCapturingPresenter presenter;
        QZPFileMoveQueue::sharedInstance()->setAccessRequester(nullptr);
        QDir(m_dir->path()).mkpath("Locked");
        touch("One.syx");
        m_fs.deniedFolders = {path("Locked")};
        auto operation = move("One.syx", "Locked/One.syx");
        run({operation});
        QVERIFY(operation->needsSandboxAccess());
        QCOMPARE(presenter.errors.size(), 1);
        QCOMPARE(presenter.errors.first().code(), int(QZPError::FileWriteNoPermission));
        QCOMPARE(files(), QStringList{"One.syx"});
    }

    // A rename that goes through only once access is granted: the preset follows the file to its new
    // name, since the completion reads the retry that moved it, not the attempt that failed.
    void renameSucceedingOnTheRetryMovesThePreset() {
        QZPCapturingPresenter presenter;
        QZPLibraryPresetEnvironment environment(nullptr, &m_fs);
        const QString bass = qzpWritePresetFile(path("Lib/Bass.syx"));
        QZPPreset preset;
        preset.setEnvironment(&environment);
        preset.setFileURL(QUrl::fromLocalFile(bass));
        m_fs.deniedFolders = {path("Lib")};
        m_requester.answer = [this] {
            m_fs.deniedFolders.clear();
            return path("Lib");
        };
        preset.setName(QStringLiteral("Lead"));
        QCoreApplication::sendPostedEvents();
        QCOMPARE(m_requester.asked.size(), 4);
        QCOMPARE(files("Lib"), QStringList{"Lead.syx"});
        QCOMPARE(preset.filePath(), path("Lib/Lead.syx"));
        QVERIFY(presenter.errors.isEmpty());
    }

    // Across file systems the file is copied, then the source removed; an existing name still stops it.
    void moveAcrossFileSystems() {
        QTemporaryDir memory(QStringLiteral("/dev/shm/tonebench-XXXXXX"));
        struct stat a {
        }, b{};
        if (!memory.isValid() || ::stat("/dev/shm", &a) != 0 ||
            ::stat(QFile::encodeName(m_dir->path()), &b) != 0 || a.st_dev == b.st_dev)
            QSKIP("no second file system to move across");
        QVERIFY(qzpWriteContents(memory.filePath("Far.syx"), "far away"));
        QFile source(memory.filePath("Far.syx"));
        touch("Taken.syx", "taken");

        QZPError error;
        QVERIFY(!QZPFileSystem::standard()->moveItem(source.fileName(), path("Taken.syx"), &error));
        QCOMPARE(error.code(), int(QZPError::FileWriteFileExists));
        QVERIFY(source.exists());
        QVERIFY(QZPFileSystem::standard()->moveItem(source.fileName(), path("Near.syx"), &error));
        QVERIFY(!source.exists());
        QCOMPARE(qzpContents(path("Near.syx")), QByteArray("far away"));
    }

    // A batch that copies does not hold up the thread that started it: it reports its progress and is
    // finished (errors included) on that thread once every copy is over.
    void copiesRunInTheBackground() {
        struct Progress : QZPFileMoveProgressReporter {
            QList<QPair<int, int>> steps;
            void moveProgressChanged(int done, int total) override { steps.append({done, total}); }
        } progress;
        QZPFileMoveQueue* queue = QZPFileMoveQueue::sharedInstance();
        queue->setProgressReporter(&progress);
        QZPCapturingPresenter presenter;
        touch("One.syx");
        touch("Two.syx");
        touch("Taken.syx");
        m_fs.otherVolume = true;
        auto one = move("One.syx", "Far/One.syx");
        auto two = move("Two.syx", "Taken.syx", false);
        run({one, two});
        QVERIFY(queue->isBusy() && !one->isFinished() && !two->isFinished());
        QCOMPARE(progress.steps, (QList<QPair<int, int>>{{0, 2}}));
        m_fs.gate.release(100); // every attempt, repairs included
        queue->waitForMoves();
        m_fs.gate.tryAcquire(m_fs.gate.available());
        QVERIFY(!queue->isBusy());
        QCOMPARE(progress.steps, (QList<QPair<int, int>>{{0, 2}, {1, 2}, {2, 2}}));
        QCOMPARE(files("Far"), QStringList{"One.syx"});
        QCOMPARE(presenter.errors.size(), 1);
        QCOMPARE(presenter.errors.first().code(), int(QZPError::FileWriteFileExists));
        queue->setProgressReporter(nullptr);
    }

    // The Trash: its folders made where the data folder has none, the file and a record of where it came
    // from put there (a second of one name numbered); where the Trash cannot be made or is a link, the
    // file stays and nothing is written, in the working folder least of all.
    void trashKeepsTheDesktopLayout() {
        const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
        const QString savedFolder = QDir::currentPath();
        QDir::setCurrent(m_dir->path());
        const auto trash = [this](const char* dataHome, const char* name) {
            qputenv("XDG_DATA_HOME", path(QString::fromLatin1(dataHome)).toUtf8());
            return QZPFileSystem::moveToTrash(touch(QString::fromLatin1(name), name), nullptr);
        };
        const std::optional<QString> first = trash("home/.local/share", "Bass.syx");
        const std::optional<QString> second = trash("home/.local/share", "Bass.syx");
        QCOMPARE(first, path("home/.local/share/Trash/files/Bass.syx"));
        QCOMPARE(second, path("home/.local/share/Trash/files/Bass 2.syx"));
        const QString record =
            QString::fromUtf8(qzpContents(path("home/.local/share/Trash/info/Bass 2.syx.trashinfo")));
        QVERIFY(record.startsWith("[Trash Info]\nPath=" + QUrl::toPercentEncoding(path("Bass.syx"), "/") +
                                  "\nDeletionDate=" + QDate::currentDate().toString(Qt::ISODate)));
        QCOMPARE(QFileInfo(path("home/.local/share/Trash")).permissions() & 0x0077, 0);
        QVERIFY(!QFile::exists(path("Bass.syx")));

        QVERIFY(QDir().mkpath(path("elsewhere/Trash")) && QDir().mkpath(path("linked")));
        QVERIFY(QFile::link(path("elsewhere/Trash"), path("linked/Trash")));
        QVERIFY(qzpWriteContents(path("blocked"), "a file where the data folder should be"));
        for (const char* unusable : {"blocked/share", "linked"}) {
            QZPError error;
            qputenv("XDG_DATA_HOME", path(QString::fromLatin1(unusable)).toUtf8());
            QVERIFY(!QZPFileSystem::moveToTrash(touch("Lead.syx"), &error));
            QVERIFY2(error.localizedDescription().contains("“Lead.syx” couldn’t be moved to the Trash"),
                     unusable);
            QVERIFY(QFile::exists(path("Lead.syx")));
        }
        QVERIFY(QDir(path("elsewhere/Trash")).isEmpty());
        QVERIFY(!QFile::exists(path("files")) && !QFile::exists(path("info")));
        QDir::setCurrent(savedFolder);
        qputenv("XDG_DATA_HOME", savedDataHome);
    }

    // Where the access dialog starts: the folders' common start, character by character.
    void commonStartFolder() {
        QCOMPARE(QZPFileMoveQueue::commonStartFolder({"/a/Presets A", "/a/Presets B"}), "/a/Presets ");
        QCOMPARE(QZPFileMoveQueue::commonStartFolder({"/a/b"}), "/a/b");
        QCOMPARE(QZPFileMoveQueue::commonStartFolder({"/x/y", "/z"}), "/"); // nothing shared but the root
    }

    void completionSeesTheResultAndCopiesStartFresh() {
        touch("Done.syx");
        auto operation = move("Done.syx", "Moved.syx");
        operation->setUnlockFiles(false);
        std::atomic<int> calls{0};
        std::atomic<bool> succeeded{false};
        operation->setCompletionBlock([&](const QZPFileMoveOperation& finished) {
            ++calls;
            succeeded = finished.moveSucceeded();
        });
        run({operation});
        QCOMPARE(calls.load(), 1);
        QVERIFY(succeeded.load());

        const auto copy = QZPFileMoveOperation::operationWithOperation(*operation);
        QVERIFY(!copy->moveSucceeded());
        QCOMPARE(copy->sourceURL(), operation->sourceURL());
        QVERIFY(!copy->unlockFiles());
    }
};

QZP_TEST_MAIN(TestFileMoveQueue)
#include "tst_filemovequeue.moc"
