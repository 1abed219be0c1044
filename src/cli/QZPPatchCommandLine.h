// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <optional>

class QZPCommandLine;

// The commands of tonebench-cli that compare presets and make new ones from old: diff, morph and
// mutate.
class QZPPatchCommandLine {
public:
    explicit QZPPatchCommandLine(QZPCommandLine& commandLine) : m_commandLine(commandLine) {}

    int diff(const QStringList& arguments);
    int morph(const QStringList& arguments);
    int mutate(const QStringList& arguments);

private:
    // The value of --amount, 0–1; nothing, after reporting the usage error, when it is missing or out of
    // range.
    std::optional<double> amount(const QString& text, bool given);

    QZPCommandLine& m_commandLine;
};
