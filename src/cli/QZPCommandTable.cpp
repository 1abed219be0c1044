// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/QZPCommandTable.h"

#include "cli/QZPCommandLine.h"
#include "cli/QZPLibraryCommandLine.h"
#include "cli/QZPMidiCommandLine.h"
#include "cli/QZPPatchCommandLine.h"
#include "cli/QZPSoundCommandLine.h"

namespace {

// The help's layout: a synopsis that fits is followed on its line by its summary, from this column.
constexpr int SummaryColumn = 36;

} // namespace

const QList<QZPCommandTable::Group>& QZPCommandTable::groups() {
    static const QList<Group> table{
        {"Preset files",
         {
             {"info",
              "info FILE... [--json]",
              {"Show the patch of each preset file."},
              [](QZPCommandLine& c, const QStringList& a) {
                  return c.info(a);
              }},
             {"convert",
              "convert IN OUT [--type syx|tbpreset] [--force]",
              {"Write IN's patch to OUT, typed by --type or OUT's extension.",
               "An existing OUT is replaced only with --force."},
              [](QZPCommandLine& c, const QStringList& a) {
                  return c.convert(a);
              }},
             {"set",
              "set FILE NAME=VALUE...",
              {"Change parameters and save the file in its own type."},
              [](QZPCommandLine& c, const QStringList& a) {
                  return c.set(a);
              }},
             {"rename",
              "rename FILE NEWNAME",
              {"Rename the preset file within its folder."},
              [](QZPCommandLine& c, const QStringList& a) {
                  return c.rename(a);
              }},
         },
         {}},
        {"Libraries",
         {
             {"library",
              "library FOLDER [--filter TEXT | --query QUERY] [--modified] [--json]",
              {"The list the library shows for FOLDER, in order, filtered as the",
               "window's filter field does (--filter and --query are the same).",
               "Every word of a QUERY holds: conditions on the patch (vcf>90,",
               "res>=100, chorus:II, range:16, env:gate, hpf!=0, saw, pulse), the",
               "folder's marks (fav, #pad) and name text. A parameter goes by its",
               "panel name without spaces (vcffreq), its table name (VCF_Cutoff)",
               "or its label (freq, res); a value as the panel names it (II, gate,",
               "16') or as a number. A slider's number is the value the instrument",
               "stores, 0-127, whatever scale the window shows (vcf>90, not vcf>7)."},
              [](QZPCommandLine& c, const QStringList& a) {
                  return QZPLibraryCommandLine(c).library(a);
              }},
             {"similar",
              "similar FILE FOLDER [--count N] [--json]",
              {"FOLDER's presets closest in sound to FILE, best first, with their",
               "distance (0 equal, 1 as far apart as can be); 10 unless --count."},
              [](QZPCommandLine& c, const QStringList& a) {
                  return QZPLibraryCommandLine(c).similar(a);
              }},
             {"duplicates",
              "duplicates FOLDER [--near STEPS] [--json]",
              {"Groups of FOLDER's presets with the same patch (with --near: every",
               "slider within STEPS, every switch equal). Exit status 0 when there",
               "are none, 3 when there are."},
              [](QZPCommandLine& c, const QStringList& a) {
                  return QZPLibraryCommandLine(c).duplicates(a);
              }},
             {"export-list",
              "export-list FOLDER OUT [--force]",
              {"Write FOLDER's list as one property list of {name, data}."},
              [](QZPCommandLine& c, const QStringList& a) {
                  return QZPLibraryCommandLine(c).exportList(a);
              }},
             {"import-list",
              "import-list LIST DIR [--type syx|tbpreset] [--overwrite]",
              {"Write one preset file per entry of LIST into DIR."},
              [](QZPCommandLine& c, const QStringList& a) {
                  return QZPLibraryCommandLine(c).importList(a);
              }},
             {"import-list",
              "import-list --factory DIR [--type syx|tbpreset] [--overwrite]",
              {"Write ToneBench's factory presets into DIR."},
              [](QZPCommandLine& c, const QStringList& a) {
                  return QZPLibraryCommandLine(c).importList(a);
              }},
             {"export-bank",
              "export-bank FOLDER OUT [--force]",
              {"Write FOLDER's list as one bank file of Patch messages."},
              [](QZPCommandLine& c, const QStringList& a) {
                  return QZPLibraryCommandLine(c).exportBank(a);
              }},
             {"import-bank",
              "import-bank FILE DIR",
              {"Write one preset file per Patch message of the bank FILE into DIR,",
               "named \"<FILE> <program>\"; anything else in FILE is skipped."},
              [](QZPCommandLine& c, const QStringList& a) {
                  return QZPLibraryCommandLine(c).importBank(a);
              }},
         },
         {}},
        {"Comparing and making new presets",
         {
             {"diff",
              "diff A B [--json]",
              {"The parameters whose values differ, one line each: the name, A's",
               "value and B's. Exit status 0 when the two are equal, 3 when not."},
              [](QZPCommandLine& c, const QStringList& a) {
                  return QZPPatchCommandLine(c).diff(a);
              }},
             {"morph",
              "morph A B OUT --amount 0.0-1.0 [--type syx|tbpreset] [--force]",
              {"Write the preset between A (0.0) and B (1.0): sliders on the line",
               "between them, switches B's from 0.5 on."},
              [](QZPCommandLine& c, const QStringList& a) {
                  return QZPPatchCommandLine(c).morph(a);
              }},
             {"mutate",
              "mutate IN OUT --amount 0.0-1.0 [--seed N] [--lock NAME,...] [--type syx|tbpreset] [--force]",
              {"Write IN with each unlocked parameter moved by chance within the",
               "amount (1.0 randomises); prints the seed: the same seed and amount",
               "make the same preset again."},
              [](QZPCommandLine& c, const QStringList& a) {
                  return QZPPatchCommandLine(c).mutate(a);
              }},
         },
         {}},
        {"The built-in sound",
         {
             {"render",
              "render FILE OUT.wav [--notes \"C4:0:1.5 E4:0.5:1\"] [--seconds S] [--rate 48000] [--force]",
              {"Play the preset offline into a 24-bit stereo WAV file: each note",
               "NOTE:START:LENGTH[:VELOCITY] (a name such as F#3 or a number, times",
               "in seconds); the file lasts until the last note has faded below",
               "−90 dBFS (at most 60 s after it), or --seconds S.",
               "An existing OUT.wav is replaced only with --force."},
              [](QZPCommandLine& c, const QStringList& a) {
                  return QZPSoundCommandLine(c).render(a);
              }},
             {"analyse",
              "analyse FILE... [--notes …] [--seconds S] [--rate 48000] [--json]",
              {"Play each preset as render does and print its peak (dBFS), DC",
               "offset, how long it stays within 20 dB of its peak, and its",
               "brightness (spectral centroid of the first third of a second)."},
              [](QZPCommandLine& c, const QStringList& a) {
                  return QZPSoundCommandLine(c).analyse(a);
              }},
         },
         {}},
        {"The instrument",
         {
             {"cc-map",
              "cc-map [--json]",
              {"The Control Change numbers a sequencer moves the instrument's",
               "controls by: number, parameter, panel name, values (a switch's",
               "positions take even shares of 0–127). Values here are 0–127."},
              [](QZPCommandLine& c, const QStringList& a) {
                  return c.controllerMap(a);
              }},
             {"ports",
              "ports [--json]",
              {"List the MIDI sources and destinations."},
              [](QZPCommandLine& c, const QStringList& a) { return QZPMidiCommandLine(c).ports(a); },
              true},
             {"send",
              "send FILE... --to ENDPOINT [--channel 1-16] [--interval MS] [--notes \"C4:0:1 E4:0.5:1\"]",
              {"Send each preset's Patch message to the destination, and play",
               "the notes after each (as for render); \"ToneBench Sound\" is the", "built-in sound."},
              [](QZPCommandLine& c, const QStringList& a) { return QZPMidiCommandLine(c).send(a); },
              true},
             {"listen",
              "listen [--from ENDPOINT] [--count N] [--timeout S] [--json]",
              {"Print the SysEx messages the instrument sends."},
              [](QZPCommandLine& c, const QStringList& a) { return QZPMidiCommandLine(c).listen(a); },
              true},
             {"record",
              "record --out DIR [--from ENDPOINT] [--type syx|tbpreset] [--count N] [--timeout S] "
              "[--overwrite|--unique]",
              {"Save each distinct patch the instrument sends into DIR."},
              [](QZPCommandLine& c, const QStringList& a) { return QZPMidiCommandLine(c).record(a); },
              true},
         },
         {"ENDPOINT is a unique ID, an exact display name, or a part of one display name.",
          "--rate BYTES_PER_SECOND paces what is sent (default 3125, a MIDI cable; 0: no pacing).",
          "The MIDI system may also be chosen with TONEBENCH_MIDI_API."}},
    };
    return table;
}

const QZPCommandTable::Command* QZPCommandTable::find(const QString& name) {
    for (const Group& group : groups())
        for (const Command& command : group.commands)
            if (name == QLatin1String(command.name))
                return &command;
    return nullptr;
}

QString QZPCommandTable::helpText() {
    const QString indent(SummaryColumn, QLatin1Char(' '));
    QString text =
        QStringLiteral("Usage: tonebench-cli [--midi-api auto|alsa|jack|none] COMMAND [ARGUMENTS]\n");
    const auto entry = [&](const QString& head, const QStringList& lines) {
        QString line = QStringLiteral("  ") + head;
        QStringList rest = lines;
        if (!rest.isEmpty() && line.size() < SummaryColumn)
            line = line.leftJustified(SummaryColumn) + rest.takeFirst();
        text += line + QLatin1Char('\n');
        for (const QString& more : rest)
            text += indent + more + QLatin1Char('\n');
    };
    for (const Group& group : groups()) {
        text += QLatin1Char('\n') + QString::fromUtf8(group.title) + QStringLiteral(":\n");
        for (const Command& command : group.commands)
            entry(QString::fromUtf8(command.usage), command.summary);
        if (!group.notes.isEmpty())
            text += QLatin1Char('\n');
        for (const QString& note : group.notes)
            text += QStringLiteral("  ") + note + QLatin1Char('\n');
    }
    text += QStringLiteral("\nOptions:\n");
    entry(QStringLiteral("--help"), {QStringLiteral("Show this help.")});
    entry(QStringLiteral("--version"), {QStringLiteral("Show the version.")});
    return text;
}
