// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QStringList>
#include <optional>

// The arguments of one command: flags (--json), options with a value (--to NAME or --to=NAME) and the
// positional arguments, in order.
class QZPCommandArguments {
public:
    // Nothing, with the reason in `error`, for an unknown option or an option without its value.
    static std::optional<QZPCommandArguments> parse(const QStringList& arguments, const QStringList& flags,
                                                    const QStringList& options, QString* error);

    bool isSet(const QString& name) const { return m_set.contains(name); }
    QString value(const QString& name) const { return m_values.value(name); }
    const QStringList& positional() const { return m_positional; }
    // The option's whole-number value in [minimum, maximum]; `fallback` when the option is absent.
    // Nothing, with the reason in `error`, when the value is not such a number.
    std::optional<qint64> number(const QString& name, qint64 minimum, qint64 maximum, qint64 fallback,
                                 QString* error) const;

private:
    QStringList m_set;
    QHash<QString, QString> m_values;
    QStringList m_positional;
};
