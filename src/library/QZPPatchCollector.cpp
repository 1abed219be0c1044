// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/QZPPatchCollector.h"

#include "model/QZPPreset.h"

#include <QCoreApplication>
#include <algorithm>

QZPPatchCollector::QZPPatchCollector(QObject* parent) : QObject(parent) {}

QString QZPPatchCollector::nameForProgram(const QString& programName) {
    return QCoreApplication::translate("QZPPatchCollector", "%1 Untitled Preset").arg(programName);
}

QZPPreset* QZPPatchCollector::collect(const QByteArray& message, quint8 messageType, bool* isNew) {
    if (isNew)
        *isNew = false;
    if (messageType != QZPPatch::PatchType || message.size() != QZPPatch::MessageLength)
        return nullptr;
    if (QZPPreset* known = m_presetsByMessage.value(message))
        return known;
    auto* preset = new QZPPreset(message, this);
    preset->setDisplayName(nameForProgram(preset->programName()));
    m_presetsByMessage.insert(message, preset);
    m_presets.append(preset);
    if (isNew)
        *isNew = true;
    emit presetAdded(preset);
    return preset;
}

QList<QZPPreset*> QZPPatchCollector::presets() const {
    QList<QZPPreset*> result;
    for (const QPointer<QZPPreset>& preset : m_presets)
        if (preset)
            result.append(preset);
    std::stable_sort(result.begin(), result.end(), [](const QZPPreset* a, const QZPPreset* b) {
        return a->programName() < b->programName();
    });
    return result;
}

void QZPPatchCollector::remove(QZPPreset* preset) {
    if (m_presets.removeAll(preset) == 0)
        return;
    for (auto it = m_presetsByMessage.begin(); it != m_presetsByMessage.end();)
        it = it.value() == preset ? m_presetsByMessage.erase(it) : std::next(it);
    emit presetRemoved(preset);
    preset->deleteLater();
}
