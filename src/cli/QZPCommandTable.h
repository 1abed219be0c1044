// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QZPCommandLine;

// Every command of tonebench-cli, in the order its help lists them: the name it is called by, its
// synopsis, what it does, and the function that runs it. The help is written from this table, and the
// README's list of commands is checked against it.
class QZPCommandTable {
public:
    using Handler = int (*)(QZPCommandLine& commandLine, const QStringList& arguments);

    struct Command {
        const char* name;
        // The synopsis after the program's name ("info FILE... [--json]").
        const char* usage;
        // What it does, a line of the help each.
        QStringList summary;
        Handler run;
        // Talks to MIDI: takes the --midi-api given before the command.
        bool usesMidi = false;
    };
    struct Group {
        const char* title;
        QList<Command> commands;
        // Lines printed after the group's commands.
        QStringList notes;
    };

    static const QList<Group>& groups();
    // The command called `name` (the first of several synopses); null for none.
    static const Command* find(const QString& name);
    // The whole help: usage, the groups, the options.
    static QString helpText();
};
