// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>

class QZPPreset;

// Collects the distinct Patch messages the instrument sends, as the Record Multiple Presets window and
// `tonebench-cli record` do: one unsaved preset per distinct 24 bytes (channel and program bytes
// included), named "<program> Untitled Preset", listed by program name.
class QZPPatchCollector : public QObject {
    Q_OBJECT

public:
    explicit QZPPatchCollector(QObject* parent = nullptr);

    // Takes a Patch message of type 0x30 and answers its preset (an earlier one for the same bytes);
    // null for anything else. `isNew` tells whether the preset was made now.
    QZPPreset* collect(const QByteArray& message, quint8 messageType, bool* isNew = nullptr);
    // The collected presets by program name (as text: every A before every B), in arrival order within one
    // name.
    QList<QZPPreset*> presets() const;
    int count() const { return int(m_presets.size()); }
    // Takes the preset out of the list and forgets it.
    void remove(QZPPreset* preset);

    static QString nameForProgram(const QString& programName);

signals:
    void presetAdded(QZPPreset* preset);
    void presetRemoved(QZPPreset* preset);

private:
    QList<QPointer<QZPPreset>> m_presets;
    QHash<QByteArray, QPointer<QZPPreset>> m_presetsByMessage;
};
