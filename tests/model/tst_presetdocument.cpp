// SPDX-License-Identifier: GPL-3.0-or-later
#include "QZPCapturingPresenter.h"
#include "QZPTestFiles.h"
#include "QZPTestMain.h"
#include "model/QZPDocumentControllerBase.h"
#include "model/QZPFileReference.h"
#include "model/QZPFileSystem.h"
#include "model/QZPPreset.h"
#include "model/QZPPresetPasteboard.h"
#include "model/QZPPropertyList.h"
#include "model/QZPSettings.h"

#include <QMimeData>
#include <QUndoStack>
#include <fcntl.h>
#include <sys/stat.h>

using Id = QZPParameterId;

namespace {

const QByteArray Patch = QByteArray::fromHex("0102030405060708090A0B0C0D0E0F101529");

QByteArray message(const QByteArray& data, quint8 program = 0x60) {
    return QByteArray("\xF0\x41\x30\x00", 4) + char(program) + data + char(0xF7);
}

QByteArray plist(const QVariant& root) {
    return QZPPropertyList::toBinary(root);
}

QString writeFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QList<int> changeTypes(QZPPreset* preset, const std::function<void()>& action) {
    QList<int> types;
    const auto connection = QObject::connect(preset, &QZPPreset::presetChanged,
                                             [&](QZPPreset::Change change) { types << int(change); });
    action();
    QObject::disconnect(connection);
    return types;
}

// A binary property list of the given objects (each a marker and its bytes, references 4 bytes wide),
// the first one at the top.
QByteArray bplist(const QList<QByteArray>& objects) {
    const auto bigEndian = [](quint64 value, int length) {
        QByteArray bytes(length, 0);
        for (int i = length - 1; i >= 0; --i, value >>= 8)
            bytes[i] = char(value & 0xFF);
        return bytes;
    };
    QByteArray out("bplist00");
    QByteArray table;
    for (const QByteArray& object : objects) {
        table += bigEndian(quint64(out.size()), 4);
        out += object;
    }
    const quint64 tableOffset = quint64(out.size());
    out += table;
    out += QByteArray(6, 0) + char(4) + char(4) + bigEndian(quint64(objects.size()), 8) + bigEndian(0, 8) +
           bigEndian(tableOffset, 8);
    return out;
}

// An array object (up to 14 entries) of the given object references.
QByteArray arrayOf(const QList<quint32>& refs) {
    QByteArray object(1, char(0xA0 | refs.size()));
    for (quint32 ref : refs)
        object += char(ref >> 24) + QByteArray(1, char(ref >> 16)) + char(ref >> 8) + char(ref);
    return object;
}

} // namespace

class TestPresetDocument : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void init() {
        QZPSettings::standard()->remove(QZPSettings::DynamicsAmplifierKey);
        QZPSettings::standard()->remove(QZPSettings::DynamicsFilterKey);
    }

    // Both types both ways in; a failed read keeps the data and says what is wrong. Each row: the type,
    // the file's bytes, the patch read (empty: the read fails) and the reason given.
    void reading() {
        const char* sysex = QZPPreset::SysexType;
        const char* preset = QZPPreset::PresetType;
        const QString length = QStringLiteral("Incompatible data length found (%1)");
        QByteArray withF7Inside = message(Patch);
        withF7Inside[9] = char(0xF7);
        QByteArray rawWithStatus = Patch;
        rawWithStatus[17] = char(0x80);
        const QString notData = QStringLiteral("Byte %1 is %2, which is not a MIDI data byte.");
        const QList<std::tuple<const char*, QByteArray, QByteArray, QString>> rows{
            {sysex, message(Patch), Patch, ""},
            {sysex, Patch, Patch, ""},
            {sysex, message(Patch).left(23), {}, length.arg(23)},
            {sysex, {}, {}, length.arg(0)},
            {sysex,
             QByteArray(message(Patch)).replace(1, 1, "\x43"),
             {},
             "Not a Juno-106 Patch message: it begins F0 43 30 instead of F0 41 30."},
            {sysex,
             message(Patch).left(23) + char(0),
             {},
             "Not a Juno-106 Patch message: it ends with 00 instead of F7."},
            {sysex, withF7Inside, {}, notData.arg(10).arg("F7")},
            {sysex, rawWithStatus, {}, notData.arg(18).arg(80)},
            {preset, plist(QVariantMap{{"sysexData", Patch}}), Patch, ""},
            {preset, plist(QVariantMap{{"sysexData", message(Patch)}}), Patch, ""},
            {preset, plist(QVariantMap{{"sysexData", rawWithStatus}}), {}, notData.arg(18).arg(80)},
            {preset,
             "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>sysexData</key>"
             "<data>AQIDBAUGBwgJCgsMDQ4PEBUp</data></dict></plist>",
             Patch, ""},
            {preset, plist(QVariantMap{{"other", Patch}}), {}, length.arg(0)},
            {preset, plist(QVariantList{Patch}), {}, length.arg(0)},
            {preset, plist(QVariantMap{{"sysexData", QString(18, 'x')}}), {}, length.arg(0)},
            {preset, plist(QVariantMap{{"sysexData", Patch}}).left(30), {}, length.arg(0)},
            {preset, "bplist00\xff\xff\xff\xff\xff\xff\xff", {}, length.arg(0)},
            {"public.data", message(Patch), {}, length.arg(0)},
        };
        for (const auto& [type, content, expected, reason] : rows) {
            QZPPreset read;
            QZPError error;
            bool ok = false;
            QVERIFY(changeTypes(&read, [&] { ok = read.readFromData(content, type, &error); }).isEmpty());
            QVERIFY(!read.isDocumentEdited());
            QCOMPARE(ok, !expected.isEmpty());
            QCOMPARE(read.sysexData(), ok ? expected : QZPPreset::defaultPatchData());
            if (ok)
                continue;
            QCOMPARE(std::tuple(error.domain(), error.code(), error.localizedDescription()),
                     std::tuple(QString(QZPError::ToneBenchDomain), 404,
                                QStringLiteral("Unable to read contents of file")));
            QCOMPARE(error.localizedFailureReason(), reason);
        }
    }

    // Save As adds the chosen type's extension unless the name already has a preset's.
    void savingAddsTheTypesExtension() {
        const QString sysex = QZPPreset::SysexType;
        const QString preset = QZPPreset::PresetType;
        QCOMPARE(QZPPreset::pathForSaving("/p/Bass", sysex), QStringLiteral("/p/Bass.syx"));
        QCOMPARE(QZPPreset::pathForSaving("/p/Bass", preset), QStringLiteral("/p/Bass.tbpreset"));
        QCOMPARE(QZPPreset::pathForSaving("/p/Bass.syx", preset), QStringLiteral("/p/Bass.syx"));
        QCOMPARE(QZPPreset::pathForSaving("/p/Bass v1.2", sysex), QStringLiteral("/p/Bass v1.2.syx"));
    }

    // Written in both types, with the dynamics settings in the Patch message.
    void writing() {
        for (const bool dynamics : {false, true}) {
            QZPSettings::standard()->setValue(QZPSettings::DynamicsAmplifierKey, dynamics);
            QZPSettings::standard()->setValue(QZPSettings::DynamicsFilterKey, dynamics);
            QZPPreset preset;
            QCOMPARE(preset.dataOfType(QZPPreset::SysexType, nullptr),
                     QByteArray::fromHex(dynamics ? "F04130006000000000007F000000007F00000000002A1DF7"
                                                  : "F04130000000000000007F000000007F00000000002A1DF7"));
            const std::optional<QVariant> root =
                QZPPropertyList::parse(preset.dataOfType(QZPPreset::PresetType, nullptr));
            QVERIFY(root);
            QCOMPARE(root->toMap(), (QVariantMap{{"sysexData", QZPPreset::defaultPatchData()}}));
            // A type it cannot be written as is an error of the write, not the end of the program.
            QZPError error;
            QVERIFY(preset.dataOfType("public.text", &error).isEmpty());
            QCOMPARE(error.localizedDescription(),
                     QStringLiteral("The preset can't be written as “public.text”."));
        }
    }

    // Saving replaces the file atomically, keeps its permissions, leaves no temporary file, and a failed
    // save leaves the old file as it was.
    void atomicSave() {
        const QString file = writeFile(path("Keep.syx"), message(Patch));
        ::chmod(QFile::encodeName(file).constData(), 0640);
        QZPPreset preset;
        preset.setFileURL(QUrl::fromLocalFile(file));
        QVERIFY(preset.loadFileContents());
        preset.setValue(Id::LFO_Rate, 0x55);
        QZPError error;
        QVERIFY(preset.save(&error));
        QCOMPARE(qzpContents(file).at(5), char(0x55));
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(file).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0640u);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Keep.syx"});

        // An existing file is never replaced when asked to keep it.
        QVERIFY(!preset.saveToURL(QUrl::fromLocalFile(file), QZPPreset::PresetType,
                                  QZPDocument::SaveToOperation, &error,
                                  QZPFileSystem::WriteMode::KeepExisting));
        QCOMPARE(error.code(), int(QZPError::FileWriteFileExists));
        QCOMPARE(qzpContents(file).size(), 24);

        if (!qzpMakeFolderReadOnly(m_dir.path(), true))
            QSKIP("this file system cannot make a folder read-only");
        preset.setValue(Id::LFO_Rate, 0x66);
        const bool saved = preset.save(&error);
        qzpMakeFolderReadOnly(m_dir.path(), false);
        QVERIFY(!saved);
        QCOMPARE(error.code(), int(QZPError::FileWriteNoPermission));
        QCOMPARE(qzpContents(file).at(5), char(0x55));
    }

    // Many new files at once (a bank's import): each whole under its own name, across batches; a name
    // already there (a file or a link) is never written through but given up for the next; a stop leaves
    // what was written and no temporary file.
    void manyNewFilesAtOnce() {
        QTemporaryDir folder;
        QVERIFY(qzpWriteContents(folder.filePath("P 3.syx"), "mine"));
        QVERIFY(qzpWriteContents(folder.filePath("elsewhere"), "theirs"));
        QVERIFY(QFile::link(folder.filePath("elsewhere"), folder.filePath("P 5.syx")));
        QList<QByteArray> contents;
        for (int i = 0; i < 600; ++i)
            contents << QByteArray::number(i);
        for (const auto& [stopAt, expected] : {std::pair{-1, 600}, {299, 300}}) {
            int next = 0, wrong = 0;
            QStringList written;
            QZPError error;
            QVERIFY(QZPFileSystem::writeNewFiles(
                folder.path(), contents,
                [&next, stopAt](qsizetype) {
                    return QStringLiteral("%1 %2.syx").arg(stopAt < 0 ? "P" : "Q").arg(next++);
                },
                [&](qsizetype i, const QString& path) -> bool {
                    written << path;
                    wrong += qzpContents(path) != contents.at(i);
                    return i != stopAt;
                },
                &error));
            QCOMPARE(written.size(), expected);
            QCOMPARE(wrong, 0);
        }
        QCOMPARE(qzpContents(folder.filePath("P 3.syx")), QByteArray("mine"));
        QCOMPARE(qzpContents(folder.filePath("elsewhere")), QByteArray("theirs"));
        QCOMPARE(qzpContents(folder.filePath("P 4.syx")), QByteArray("3"));
        QCOMPARE(qzpContents(folder.filePath("P 601.syx")), QByteArray("599"));
        QCOMPARE(QDir(folder.path()).entryList({"P *.syx"}, QDir::Files | QDir::System).size(), 602);
        QCOMPARE(QDir(folder.path()).entryList({"Q *.syx"}, QDir::Files).size(), 300);
        QVERIFY(QDir(folder.path()).entryList({".tb-*"}, QDir::Files | QDir::Hidden).isEmpty());
    }

    // What a killed save left behind goes with the next write into the folder: at once when its name
    // tells of a writer that has ended (no process of its id, or one started at another time), an older
    // release's unnamed one once old; never a live writer's, a link, or another name.
    void staleTemporaryFilesGo() {
        QTemporaryDir folder;
        const auto make = [&folder](const char* name, bool old) {
            QVERIFY(qzpWriteContents(folder.filePath(QString::fromLatin1(name)), "partial"));
            QFile file(folder.filePath(QString::fromLatin1(name)));
            if (old)
                QVERIFY(file.open(QIODevice::ReadWrite) &&
                        file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                         QFileDevice::FileModificationTime));
        };
        // This process's start time, as a writer's name gives it.
        QFile stat(QStringLiteral("/proc/self/stat"));
        QVERIFY(stat.open(QIODevice::ReadOnly));
        const QByteArray line = stat.readAll();
        const QByteArray start = line.mid(line.lastIndexOf(')') + 2).split(' ').at(19);
        const QByteArray self = QByteArray::number(QCoreApplication::applicationPid());
        const QByteArray live = ".tb-" + self + '-' + start + "-0000abcd.tmp";
        const QByteArray reused = ".tb-" + self + '-' + start + "1-0000abcd.tmp"; // the id, another start
        const QByteArray gone = ".tb-4194301-5-0000abcd.tmp";                     // no such process
        make(".tb-0123456789abcdef.tmp", true);
        make(".tb-fedcba9876543210.tmp", false);
        make(".tb-0123456789ABCDEF.tmp", true);
        for (const QByteArray& fresh : {live, reused, gone})
            make(fresh.constData(), false);
        make("mine.tmp", true);
        QVERIFY(QFile::link(folder.filePath("mine.tmp"), folder.filePath(".tb-aaaaaaaaaaaaaaaa.tmp")));
        QZPError error;
        QVERIFY(QZPFileSystem::writeFile(folder.filePath("New.syx"), message(Patch),
                                         QZPFileSystem::WriteMode::KeepExisting, &error));
        QCOMPARE(
            QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name),
            (QStringList{".tb-0123456789ABCDEF.tmp", QString::fromLatin1(live), ".tb-aaaaaaaaaaaaaaaa.tmp",
                         ".tb-fedcba9876543210.tmp", "New.syx", "mine.tmp"}));
    }

    // Property lists from outside are read within bounds: no nesting without end, no expansion of shared
    // objects beyond the file's size, no text that stops the reader; what our own writer makes (it shares
    // equal objects) reads back whole.
    void hostilePropertyLists_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("readable");
        QList<QByteArray> deep;
        for (quint32 i = 0; i < 100000; ++i)
            deep << arrayOf({i + 1});
        deep << arrayOf({});
        QTest::newRow("binary nested 100,000 deep") << bplist(deep) << false;
        QTest::newRow("xml nested 100,000 deep")
            << QByteArray("<plist>") + QByteArray("<array>").repeated(100000) +
                   QByteArray("</array>").repeated(100000) + "</plist>"
            << false;
        QList<QByteArray> shared;
        for (quint32 i = 0; i < 40; ++i)
            shared << arrayOf({i + 1, i + 1});
        shared << QByteArray("\x10\x01", 2);
        QTest::newRow("binary sharing 2^40 copies") << bplist(shared) << false;
        QList<QByteArray> cycle{arrayOf({0})};
        QTest::newRow("binary cycle") << bplist(cycle) << false;
        const QByteArray nulText("\x62\x00\x00\x00\x78", 5); // UTF-16 "\0x"
        QTest::newRow("binary NUL in a key and a value")
            << bplist({QByteArray("\xD1", 1) + QByteArray::fromHex("0000000100000001"), nulText}) << true;
        QByteArray outside = bplist({arrayOf({5})});
        QTest::newRow("binary reference past the objects") << outside << false;
        QByteArray badTable = bplist({QByteArray("\x09", 1)});
        badTable[badTable.size() - 1] = char(0x7F);
        QTest::newRow("binary table outside the file") << badTable << false;
        const QVariantMap entry{{"name", "Same"}, {"data", message(Patch)}};
        QTest::newRow("our own list with equal entries") << plist(QVariantList{entry, entry, entry}) << true;
    }
    void hostilePropertyLists() {
        QFETCH(QByteArray, content);
        QFETCH(bool, readable);
        QCOMPARE(bool(QZPPropertyList::parse(content)), readable);
        QZPPreset preset;
        QZPError error;
        QVERIFY(!preset.readFromData(content, QZPPreset::PresetType, &error));
        QCOMPARE(error.code(), 404);
    }

    // A new file that takes the inode number of a deleted one is not taken for it.
    void aReusedInodeIsAnotherFile() {
        const QString first = writeFile(path("First.syx"), "first");
        struct statx st {};
        if (::statx(AT_FDCWD, QFile::encodeName(first).constData(), 0, STATX_INO | STATX_BTIME, &st) != 0 ||
            !(st.stx_mask & STATX_BTIME))
            QSKIP("this file system does not tell birth times");
        const QZPFileReference reference = QZPFileReference::forPath(first);
        QVERIFY(QFile::remove(first));
        QString reused;
        for (int n = 0; n < 64 && reused.isEmpty(); ++n) {
            const QString candidate = writeFile(path(QStringLiteral("New %1.syx").arg(n)), "new");
            if (QZPFileReference::forPath(candidate).identity() == reference.identity())
                reused = candidate;
        }
        if (reused.isEmpty())
            QSKIP("the file system gave no new file the freed inode number");
        QVERIFY(!reference.refersTo(reused) && !(QZPFileReference::forPath(reused) == reference));
        QCOMPARE(reference.resolvedPath(), QString());
    }

    // What sits at a name decides whether it is written: a link is never written through, a folder or a
    // read-only file never replaced; a name as long as the file system allows is saved again.
    void writingOverHostileEntries() {
        for (const auto& [what, code] : {std::pair{"link", int(QZPError::FileWriteUnknown)},
                                         {"read-only", int(QZPError::FileWriteNoPermission)},
                                         {"folder", int(QZPError::FileWriteUnknown)},
                                         {"long name", 0}}) {
            const QString kind = QString::fromLatin1(what);
            QTemporaryDir elsewhere;
            const QString outside = writeFile(elsewhere.filePath("Outside.syx"), "outside");
            QString target = path(kind + ".syx");
            if (kind == "link")
                QVERIFY(QFile::link(outside, target));
            if (kind == "read-only") {
                writeFile(target, "mine");
                ::chmod(QFile::encodeName(target).constData(), 0444);
            }
            if (kind == "folder")
                QVERIFY(QDir().mkpath(target));
            if (kind == "long name")
                target = writeFile(path(QString(251, 'n') + ".syx"), "old");
            QZPError error;
            const bool written = QZPFileSystem::writeFile(target, message(Patch),
                                                          QZPFileSystem::WriteMode::ReplaceExisting, &error);
            QCOMPARE(written, code == 0);
            QCOMPARE(qzpContents(outside), QByteArray("outside"));
            if (code == 0) {
                QCOMPARE(qzpContents(target), message(Patch));
                continue;
            }
            QCOMPARE(error.code(), code);
            QVERIFY(!error.localizedFailureReason().isEmpty());
            QCOMPARE(QFileInfo(target).isSymLink(), kind == "link");
            if (kind == "read-only")
                QCOMPARE(qzpContents(target), QByteArray("mine"));
        }
    }

    // Reading takes regular files only and never waits: a FIFO, a device or a folder is an error at once,
    // and so is a file above the size cap.
    void readingHostileEntries() {
        const QString irregular = QStringLiteral("“x.syx” isn’t a regular file.");
        for (const auto& [what, reason] :
             {std::pair{"fifo", irregular},
              {"device", irregular},
              {"folder", QStringLiteral("“x.syx” is a folder.")},
              {"large", QStringLiteral("The file is too large (more than 64 bytes).")}}) {
            const QString kind = QString::fromLatin1(what);
            QVERIFY(QDir().mkpath(path(kind)));
            const QString file = path(kind + "/x.syx");
            if (kind == "fifo")
                QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
            if (kind == "device")
                QVERIFY(QFile::link("/dev/zero", file));
            if (kind == "folder")
                QVERIFY(QDir().mkpath(file));
            if (kind == "large")
                writeFile(file, QByteArray(65, 'x'));
            QZPError error;
            QVERIFY(!QZPFileSystem::readFile(file, &error, 64));
            QCOMPARE(error.localizedFailureReason(), reason);
        }
        QZPError error;
        QVERIFY(QZPFileSystem::readFile(writeFile(path("fits.syx"), QByteArray(64, 'x')), &error, 64));
    }

    // A listed preset is read only when needed, through its file reference; a vanished file is reported.
    void lazyLoading() {
        QZPCapturingPresenter presenter;
        const QString file = writeFile(path("Lazy.tbpreset"), plist(QVariantMap{{"sysexData", Patch}}));
        QZPPreset preset;
        preset.setFileType(QZPPreset::PresetType);
        preset.setFileURL(QUrl::fromLocalFile(file));
        QVERIFY(!preset.isFileContentsLoaded());
        QCOMPARE(preset.sysexData(), QZPPreset::defaultPatchData());

        QVERIFY(QFile::rename(file, path("Moved.tbpreset")));
        QCOMPARE(preset.junoSysexData().mid(5, 18), Patch);
        QVERIFY(preset.isFileContentsLoaded() && !preset.isDocumentEdited());

        QZPPreset gone;
        gone.setFileURL(QUrl::fromLocalFile(writeFile(path("Gone.syx"), message(Patch))));
        QFile::remove(path("Gone.syx"));
        QVERIFY(!gone.loadFileContents());
        QCOMPARE(presenter.errors.size(), 1);
        QCOMPARE(presenter.errors.first().code(), int(QZPError::FileNoSuchFile));
        QCOMPARE(gone.sysexData(), QZPPreset::defaultPatchData());
        QVERIFY(presenter.alerts.isEmpty());
    }

    void editedStateSaveUndoRevert() {
        const QString file = writeFile(path("Edit.syx"), message(Patch));
        QZPPreset preset;
        preset.setFileURL(QUrl::fromLocalFile(file));
        QVERIFY(preset.loadFileContents() && !preset.isDocumentEdited());
        QVERIFY(!preset.validateUserInterfaceItem(QZPDocument::Command::Revert));

        preset.setValue(Id::VCF_Resonance, 0x70);
        QVERIFY(preset.isDocumentEdited() && preset.validateUserInterfaceItem(QZPDocument::Command::Revert));
        preset.setValue(Id::VCF_Resonance, Patch.at(6));
        QVERIFY(!preset.isDocumentEdited());

        preset.setValue(Id::VCF_Resonance, 0x70);
        QZPError error;
        QCOMPARE(changeTypes(&preset, [&] { QVERIFY(preset.save(&error)); }),
                 QList<int>{int(QZPPreset::Change::Saved)});
        QVERIFY(!preset.isDocumentEdited());
        QCOMPARE(changeTypes(&preset, [&] { preset.undoStack()->undo(); }),
                 QList<int>{QZPDocument::ChangeUndone});
        QVERIFY(preset.isDocumentEdited());

        preset.setValue(Id::chorusMode, 1);
        QCOMPARE(changeTypes(&preset, [&] { QVERIFY(preset.revertDocumentToSaved(&error)); }),
                 QList<int>{QZPDocument::ChangeCleared});
        QCOMPARE(preset.value(Id::VCF_Resonance), 0x70);
        QVERIFY(!preset.isDocumentEdited());
        QCOMPARE(preset.undoStack()->count(), 0);
    }

    void renaming() {
        QZPCapturingPresenter presenter;
        const QString bass = writeFile(path("Bass.syx"), message(Patch));
        writeFile(path("Lead.syx"), message(Patch, 0));
        QZPPreset preset;
        preset.setFileURL(QUrl::fromLocalFile(bass));

        preset.setName(QStringLiteral("Bass"));
        preset.setName(QString());
        QVERIFY(QFile::exists(bass));

        // Onto an existing name: refused, reported once, both files intact.
        preset.setName(QStringLiteral("Lead"));
        QCoreApplication::sendPostedEvents();
        QCOMPARE(presenter.errors.size(), 1);
        QCOMPARE(presenter.errors.first().code(), int(QZPError::FileWriteFileExists));
        QCOMPARE(qzpContents(path("Lead.syx")).at(4), char(0));
        QCOMPARE(preset.filePath(), bass);

        // A name that would leave the folder or hide the file.
        preset.setName(QStringLiteral("sub/Pad"));
        preset.setName(QStringLiteral(".Pad"));
        QCOMPARE(presenter.errors.size(), 3);
        QVERIFY(QFile::exists(bass));

        preset.setName(QStringLiteral("Pad"));
        QCoreApplication::sendPostedEvents();
        QCOMPARE(preset.filePath(), path("Pad.syx"));
        QCOMPARE(preset.name(), QStringLiteral("Pad"));
        QVERIFY(!QFile::exists(bass) && preset.fileReference().refersTo(path("Pad.syx")));

        QZPPreset draft;
        QVERIFY(!draft.validateUserInterfaceItem(QZPDocument::Command::Rename));
        draft.setName(QStringLiteral("Anything"));
        QCOMPARE(draft.name(), QStringLiteral("Untitled Preset"));
        QCOMPARE(presenter.errors.size(), 3);
    }

    void displayNames() {
        QZPPreset preset;
        preset.setFileURL(QUrl::fromLocalFile(path("My.Bass.syx")));
        QCOMPARE(preset.displayName(), QStringLiteral("My.Bass"));
        preset.setFileURL(QUrl());
        preset.setDisplayName(QStringLiteral("Strings v1.2"));
        QCOMPARE(preset.displayName(), QStringLiteral("Strings v1.2"));
    }

    void clipboardRoundTrip() {
        QZPPreset first(message(Patch));
        QZPPreset second;
        std::unique_ptr<QMimeData> data(QZPPresetPasteboard::mimeDataForPresets({&first, &second}));
        QVERIFY(QZPPresetPasteboard::canReadPresets(data.get()));
        const QList<QZPPreset*> pasted = QZPPresetPasteboard::presetsFromMimeData(data.get());
        QCOMPARE(pasted.size(), 2);
        QCOMPARE(pasted.at(0)->sysexData(), Patch);
        QCOMPARE(pasted.at(1)->sysexData(), QZPPreset::defaultPatchData());
        QVERIFY(pasted.at(0)->isNew());
        qDeleteAll(pasted);

        for (const QByteArray& bad :
             {QByteArray(25, '\xF0'), message(Patch).left(23) + '\x00', QByteArray()}) {
            QMimeData garbled;
            garbled.setData(QZPPresetPasteboard::Format, bad);
            QVERIFY(!QZPPresetPasteboard::canReadPresets(&garbled));
            QVERIFY(QZPPresetPasteboard::presetsFromMimeData(&garbled).isEmpty());
        }
    }

    void duplicating() {
        QZPDocumentControllerBase controller;
        const QString file = writeFile(path("Organ.syx"), message(Patch));
        QZPPreset preset;
        preset.setFileURL(QUrl::fromLocalFile(file));
        QZPDocument* copy = preset.duplicateDocument(nullptr);
        QVERIFY(copy);
        auto* duplicate = qobject_cast<QZPPreset*>(copy);
        QCOMPARE(duplicate->sysexData(), Patch);
        QCOMPARE(duplicate->displayName(), QStringLiteral("Organ copy"));
        QVERIFY(duplicate->isNew() && controller.documents().contains(duplicate));
        // Further copies take names no open preset has.
        std::unique_ptr<QZPDocument> second(preset.duplicateDocument(nullptr));
        std::unique_ptr<QZPDocument> third(preset.duplicateDocument(nullptr));
        QCOMPARE(second->displayName(), QStringLiteral("Organ copy 2"));
        QCOMPARE(third->displayName(), QStringLiteral("Organ copy 3"));
        second->close();
        third->close();
        duplicate->close();
        QVERIFY(!controller.documents().contains(duplicate));
    }
};

QZP_TEST_MAIN(TestPresetDocument)
#include "tst_presetdocument.moc"
