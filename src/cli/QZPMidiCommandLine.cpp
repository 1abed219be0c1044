// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/QZPMidiCommandLine.h"

#include "cli/QZPCommandArguments.h"
#include "cli/QZPCommandLine.h"
#include "library/QZPFileMoveOperation.h"
#include "library/QZPPatchCollector.h"
#include "midi/QZPMidiEngine.h"
#include "midi/QZPPatchSettler.h"
#include "midi/QZPSysexMessage.h"
#include "model/QZPPreset.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QTimer>

namespace {

// After the queue is empty, how long the MIDI system may take to pass the last bytes on.
constexpr int DeliveryTimeoutMilliseconds = 2000;

QString endpointList(const QList<QZPMidiEndpoint>& endpoints) {
    QStringList lines;
    for (const QZPMidiEndpoint& endpoint : endpoints)
        lines << QStringLiteral("  %1  %2").arg(endpoint.uniqueID(), 11).arg(endpoint.displayName());
    return lines.isEmpty() ? QStringLiteral("  (none)") : lines.join(QLatin1Char('\n'));
}

QJsonArray endpointsJson(const QList<QZPMidiEndpoint>& endpoints) {
    QJsonArray items;
    for (const QZPMidiEndpoint& endpoint : endpoints)
        items.append(QJsonObject{{"uniqueID", endpoint.uniqueID()}, {"displayName", endpoint.displayName()}});
    return items;
}

} // namespace

QZPMidiCommandLine::QZPMidiCommandLine(QZPCommandLine& commandLine) : m_commandLine(commandLine) {}

QZPMidiCommandLine::~QZPMidiCommandLine() = default;

std::optional<QZPCommandArguments> QZPMidiCommandLine::prepare(const QStringList& arguments,
                                                               QStringList flags, QStringList options,
                                                               int* status) {
    options << QStringLiteral("midi-api") << QStringLiteral("rate");
    QString error;
    std::optional<QZPCommandArguments> parsed = QZPCommandArguments::parse(arguments, flags, options, &error);
    const std::optional<qint64> rate = parsed
                                           ? parsed->number(QStringLiteral("rate"), 0, 10000000,
                                                            QZPMidiOutputQueue::CableBytesPerSecond, &error)
                                           : std::nullopt;
    if (!parsed || !rate) {
        *status = m_commandLine.usageError(error);
        return std::nullopt;
    }
    QString explanation;
    std::unique_ptr<QZPMidiBackend> backend =
        QZPMidiBackend::create(parsed->value(QStringLiteral("midi-api")), &explanation);
    if (!backend) {
        *status = m_commandLine.usageError(
            QStringLiteral("--midi-api takes %1").arg(QZPMidiBackend::choices().join(QLatin1Char('|'))));
        return std::nullopt;
    }
    qCInfo(lcMidi).noquote() << explanation;
    // The command line's own engine: it neither starts from nor changes the devices the application chose.
    m_engine = std::make_unique<QZPMidiEngine>(std::move(backend), nullptr);
    m_engine->outputQueue()->setBytesPerSecond(int(*rate));
    m_engine->setDelegate(this);
    return parsed;
}

std::optional<QZPMidiEndpoint> QZPMidiCommandLine::resolve(const QString& text,
                                                           const QList<QZPMidiEndpoint>& endpoints,
                                                           const QString& what, int* status) {
    const QList<QZPMidiEndpoint> matches = QZPMidiEndpoint::matching(text, endpoints);
    if (matches.size() == 1)
        return matches.first();
    *status = m_commandLine.usageError(
        QStringLiteral("%1 “%2” names %3 of these %4s:\n%5")
            .arg(what.left(1).toUpper() + what.mid(1), text,
                 matches.isEmpty() ? QStringLiteral("none") : QStringLiteral("several"), what,
                 endpointList(endpoints)));
    return std::nullopt;
}

void QZPMidiCommandLine::runUntil(const std::function<bool()>& done, double seconds) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    check.start(5);
    if (seconds > 0)
        QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    if (!done())
        loop.exec();
}

void QZPMidiCommandLine::midiEngineDidReceiveSysex(QZPMidiEngine*, const QByteArray& sysex,
                                                   quint8 messageType) {
    if (m_onSysex)
        m_onSysex(sysex, messageType);
}

int QZPMidiCommandLine::ports(const QStringList& arguments) {
    int status = 0;
    const auto parsed = prepare(arguments, {QStringLiteral("json")}, {}, &status);
    if (!parsed)
        return status;
    if (!parsed->positional().isEmpty())
        return m_commandLine.usageError(QStringLiteral("ports takes no arguments"));
    QTextStream& out = m_commandLine.out();
    if (parsed->isSet(QStringLiteral("json"))) {
        QZPCommandLine::printJson(out, {{"sources", endpointsJson(m_engine->midiSources())},
                                        {"destinations", endpointsJson(m_engine->midiDestinations())}});
    } else {
        out << "Sources:" << Qt::endl << endpointList(m_engine->midiSources()) << Qt::endl;
        out << "Destinations:" << Qt::endl << endpointList(m_engine->midiDestinations()) << Qt::endl;
    }
    return QZPCommandLine::Success;
}

int QZPMidiCommandLine::send(const QStringList& arguments) {
    int status = 0;
    const auto parsed = prepare(arguments, {}, {"to", "channel", "interval", "notes"}, &status);
    if (!parsed)
        return status;
    QString error;
    const auto channel = parsed->number(QStringLiteral("channel"), 1, 16, 1, &error);
    const auto interval = parsed->number(QStringLiteral("interval"), 0, 3600000, 0, &error);
    if (!channel || !interval)
        return m_commandLine.usageError(error);
    std::optional<QList<QZPSoundRenderer::Note>> notes;
    if (parsed->isSet(QStringLiteral("notes")) &&
        !(notes = QZPSoundRenderer::parseNotes(parsed->value(QStringLiteral("notes")), &error)))
        return m_commandLine.usageError(error);
    if (!parsed->isSet(QStringLiteral("to")))
        return m_commandLine.usageError(QStringLiteral("send needs --to ENDPOINT"));
    if (parsed->positional().isEmpty())
        return m_commandLine.usageError(QStringLiteral("send needs at least one FILE"));
    const auto destination = resolve(parsed->value(QStringLiteral("to")), m_engine->midiDestinations(),
                                     QStringLiteral("destination"), &status);
    if (!destination)
        return status;
    m_engine->setDestination(*destination);
    m_engine->setTargetedMidiChannel(*channel - 1);

    int result = QZPCommandLine::Success;
    bool first = true;
    for (const QString& file : parsed->positional()) {
        std::unique_ptr<QZPPreset> preset(m_commandLine.openPreset(file));
        if (!preset) {
            result = QZPCommandLine::FileFailure;
            continue;
        }
        if (!first && *interval > 0)
            runUntil([] { return false; }, double(*interval) / 1000.0);
        first = false;
        m_engine->sendSysex(preset->junoSysexDataWithMidiChannel(quint8(*channel - 1)));
        runUntil([this] { return m_engine->outputQueue()->isEmpty(); }, 0);
        m_commandLine.out() << "sent " << file << Qt::endl;
        if (notes)
            play(*notes);
    }
    // Sent means delivered: the program does not end while the last bytes are still on their way.
    if (!m_engine->backend()->waitUntilSent(DeliveryTimeoutMilliseconds)) {
        m_commandLine.reportFileError(
            m_engine->destination().displayName(),
            QStringLiteral("The MIDI system did not pass the messages on"),
            QStringLiteral("nothing left within %1 s").arg(DeliveryTimeoutMilliseconds / 1000));
        return QZPCommandLine::FileFailure;
    }
    return result;
}

// Plays the notes in real time on the chosen channel, then waits a moment for their release.
void QZPMidiCommandLine::play(const QList<QZPSoundRenderer::Note>& notes) {
    struct Event {
        double time;
        bool on;
        int note;
        int velocity;
    };
    QList<Event> events;
    for (const QZPSoundRenderer::Note& note : notes) {
        events.append({note.start, true, note.note, note.velocity});
        events.append({note.start + note.length, false, note.note, 0});
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const Event& a, const Event& b) { return a.time < b.time; });
    QElapsedTimer clock;
    clock.start();
    for (const Event& event : events) {
        const double wait = event.time - double(clock.elapsed()) / 1000.0;
        if (wait > 0)
            runUntil([] { return false; }, wait);
        if (event.on)
            m_engine->sendNoteOn(quint8(event.note), quint8(event.velocity));
        else
            m_engine->sendNoteOff(quint8(event.note));
    }
    runUntil([this] { return m_engine->outputQueue()->isEmpty(); }, 0);
    runUntil([] { return false; }, ReleaseSeconds);
}

std::optional<QZPMidiCommandLine::Listening>
QZPMidiCommandLine::startListening(const QZPCommandArguments& parsed, int* status) {
    QString error;
    const auto count = parsed.number(QStringLiteral("count"), 1, 1000000000, 0, &error);
    const auto timeout = parsed.number(QStringLiteral("timeout"), 1, 1000000, 0, &error);
    if (!count || !timeout) {
        *status = m_commandLine.usageError(error);
        return std::nullopt;
    }
    if (!parsed.positional().isEmpty()) {
        *status = m_commandLine.usageError(
            QStringLiteral("unexpected argument “%1”").arg(parsed.positional().first()));
        return std::nullopt;
    }
    if (parsed.isSet(QStringLiteral("from"))) {
        const auto source = resolve(parsed.value(QStringLiteral("from")), m_engine->midiSources(),
                                    QStringLiteral("source"), status);
        if (!source)
            return std::nullopt;
        m_engine->setSource(*source);
    }
    return Listening{*count, *timeout};
}

int QZPMidiCommandLine::listen(const QStringList& arguments) {
    int status = 0;
    const auto parsed = prepare(arguments, {QStringLiteral("json")}, {"from", "count", "timeout"}, &status);
    const auto listening = parsed ? startListening(*parsed, &status) : std::nullopt;
    if (!listening)
        return status;
    const bool json = parsed->isSet(QStringLiteral("json"));
    qint64 accepted = 0;
    m_onSysex = [&](const QByteArray& sysex, quint8 type) {
        ++accepted;
        const QString typeText = QStringLiteral("0x%1").arg(type, 2, 16, QLatin1Char('0'));
        if (json)
            QZPCommandLine::printJson(m_commandLine.out(), {{"type", typeText},
                                                            {"source", m_engine->currentSourceID()},
                                                            {"bytes", QZPSysexMessage::hex(sysex)}});
        else
            m_commandLine.out() << typeText << " " << QZPSysexMessage::hex(sysex) << Qt::endl;
    };
    runUntil([&] { return listening->count > 0 && accepted >= listening->count; },
             double(listening->timeout));
    m_onSysex = nullptr;
    return QZPCommandLine::Success;
}

int QZPMidiCommandLine::record(const QStringList& arguments) {
    int status = 0;
    const auto parsed = prepare(arguments, {QStringLiteral("overwrite"), QStringLiteral("unique")},
                                {"out", "from", "type", "count", "timeout"}, &status);
    const auto listening = parsed ? startListening(*parsed, &status) : std::nullopt;
    if (!listening)
        return status;
    if (!parsed->isSet(QStringLiteral("out")))
        return m_commandLine.usageError(QStringLiteral("record needs --out DIR"));
    if (parsed->isSet(QStringLiteral("overwrite")) && parsed->isSet(QStringLiteral("unique")))
        return m_commandLine.usageError(QStringLiteral("--overwrite and --unique exclude each other"));
    const QString type = m_commandLine.saveType(parsed->value(QStringLiteral("type")));
    if (type.isEmpty())
        return QZPCommandLine::UsageError;
    const QString folder = QFileInfo(parsed->value(QStringLiteral("out"))).absoluteFilePath();
    if (!m_commandLine.makeFolder(folder))
        return QZPCommandLine::FileFailure;

    const bool overwrite = parsed->isSet(QStringLiteral("overwrite"));
    const bool unique = parsed->isSet(QStringLiteral("unique"));
    const QString extension = QZPPreset::extensionForType(type);
    QZPPatchCollector collector;
    int result = QZPCommandLine::Success;
    const auto save = [&](const QByteArray& sysex) {
        bool isNew = false;
        QZPPreset* preset = collector.collect(sysex, QZPPatch::PatchType, &isNew);
        if (!preset || !isNew)
            return;
        const QString path = QDir(folder).filePath(preset->displayName() + QLatin1Char('.') + extension);
        QZPError saveError;
        const auto saveTo = [&](const QString& target, QZPFileSystem::WriteMode mode) {
            saveError = QZPError();
            return preset->saveToURL(QUrl::fromLocalFile(target), type, QZPDocument::SaveAsOperation,
                                     &saveError, mode);
        };
        bool saved = saveTo(path, overwrite ? QZPFileSystem::WriteMode::ReplaceExisting
                                            : QZPFileSystem::WriteMode::KeepExisting);
        for (int n = 2; !saved && unique && saveError.code() == QZPError::FileWriteFileExists &&
                        n <= QZPFileMoveOperation::LastUniqueNumber;
             ++n)
            saved =
                saveTo(QZPFileMoveOperation::numberedPath(path, n), QZPFileSystem::WriteMode::KeepExisting);
        if (!m_commandLine.reportSavedFile(saved, preset->filePath(), path, saveError,
                                           QStringLiteral("use --overwrite or --unique")))
            result = QZPCommandLine::FileFailure;
    };
    // The patch a program change leaves behind is not recorded: each program pressed once, with its stored
    // sound.
    QZPPatchSettler settler;
    QObject::connect(&settler, &QZPPatchSettler::settled, [&](const QList<QByteArray>& kept) {
        for (const QByteArray& sysex : kept)
            if (listening->count == 0 || collector.count() < listening->count)
                save(sysex);
    });
    m_onSysex = [&](const QByteArray& sysex, quint8 messageType) {
        settler.take(sysex, messageType);
    };
    runUntil([&] { return listening->count > 0 && collector.count() >= listening->count; },
             double(listening->timeout));
    m_onSysex = nullptr;
    settler.settle();
    return result;
}
