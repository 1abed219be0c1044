// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/QZPCommandArguments.h"

std::optional<QZPCommandArguments> QZPCommandArguments::parse(const QStringList& arguments,
                                                              const QStringList& flags,
                                                              const QStringList& options, QString* error) {
    QZPCommandArguments parsed;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (!argument.startsWith(QLatin1String("--")) || argument == QLatin1String("--")) {
            parsed.m_positional << argument;
            continue;
        }
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        const QString name = argument.mid(2, equals < 0 ? -1 : equals - 2);
        if (flags.contains(name) && equals < 0) {
            parsed.m_set << name;
        } else if (options.contains(name)) {
            if (equals >= 0) {
                parsed.m_values.insert(name, argument.mid(equals + 1));
            } else if (i + 1 < arguments.size()) {
                parsed.m_values.insert(name, arguments.at(++i));
            } else {
                *error = QStringLiteral("--%1 needs a value").arg(name);
                return std::nullopt;
            }
            parsed.m_set << name;
        } else {
            *error = QStringLiteral("unknown option “%1”").arg(argument);
            return std::nullopt;
        }
    }
    return parsed;
}

std::optional<qint64> QZPCommandArguments::number(const QString& name, qint64 minimum, qint64 maximum,
                                                  qint64 fallback, QString* error) const {
    if (!m_values.contains(name))
        return fallback;
    bool ok = false;
    const qint64 value = m_values.value(name).toLongLong(&ok);
    if (!ok || value < minimum || value > maximum) {
        *error = QStringLiteral("--%1 takes a whole number from %2 to %3, not “%4”")
                     .arg(name)
                     .arg(minimum)
                     .arg(maximum)
                     .arg(m_values.value(name));
        return std::nullopt;
    }
    return value;
}
