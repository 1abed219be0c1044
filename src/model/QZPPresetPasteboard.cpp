// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/QZPPresetPasteboard.h"

#include "model/QZPPatchText.h"
#include "model/QZPPreset.h"

#include <QMimeData>

namespace {

// Whole Patch messages only: anything else on the clipboard is not ours to paste.
bool isPatchMessageList(const QByteArray& bytes) {
    if (bytes.isEmpty() || bytes.size() % QZPPreset::PatchMessageLength != 0)
        return false;
    for (qsizetype at = 0; at < bytes.size(); at += QZPPreset::PatchMessageLength)
        if (!QZPPreset::patchProblem(bytes.mid(at, QZPPreset::PatchMessageLength)).isEmpty())
            return false;
    return true;
}

} // namespace

QMimeData* QZPPresetPasteboard::mimeDataForPresets(const QList<QZPPreset*>& presets) {
    QByteArray bytes;
    for (QZPPreset* preset : presets)
        bytes += preset->junoSysexData();
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(Format), bytes);
    return data;
}

QMimeData* QZPPresetPasteboard::textForPresets(const QList<QZPPreset*>& presets) {
    QStringList lines;
    for (QZPPreset* preset : presets)
        lines << QZPPatchText::format(QZPPatch(preset->junoSysexData()), preset->displayName());
    auto* data = new QMimeData;
    data->setText(lines.join(QLatin1Char('\n')));
    return data;
}

bool QZPPresetPasteboard::canReadPresets(const QMimeData* data) {
    return data && (isPatchMessageList(data->data(QString::fromLatin1(Format))) ||
                    (data->hasText() && !QZPPatchText::read(data->text()).isEmpty()));
}

QList<QZPPreset*> QZPPresetPasteboard::presetsFromMimeData(const QMimeData* data) {
    QList<QZPPreset*> presets;
    if (!data)
        return presets;
    const QByteArray bytes = data->data(QString::fromLatin1(Format));
    if (isPatchMessageList(bytes)) {
        for (qsizetype at = 0; at < bytes.size(); at += QZPPreset::PatchMessageLength)
            presets.append(QZPPreset::presetWithJunoSysexData(bytes.mid(at, QZPPreset::PatchMessageLength)));
        return presets;
    }
    if (data->hasText())
        for (const QZPPatchText::Entry& entry : QZPPatchText::read(data->text()))
            presets.append(QZPPreset::presetWithJunoSysexData(entry.patch.message(0, 0)));
    return presets;
}
