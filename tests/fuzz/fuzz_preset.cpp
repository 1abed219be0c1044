// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes read as a preset file of either type, and as an entry of a list or the clipboard: the
// preset either takes a patch whose data bytes are all MIDI data bytes, or refuses with the read error
// and keeps what it had.
#include "model/QZPError.h"
#include "model/QZPPreset.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const char* type : {QZPPreset::SysexType, QZPPreset::PresetType}) {
        QZPPreset preset;
        QZPError error;
        if (preset.readFromData(bytes, QString::fromLatin1(type), &error)) {
            const QByteArray patch = preset.sysexData();
            if (patch.size() != QZPPreset::PatchDataLength || !QZPPreset::patchProblem(patch).isEmpty())
                std::abort();
        } else if (error.code() != QZPPreset::ReadErrorCode ||
                   preset.sysexData() != QZPPreset::defaultPatchData()) {
            std::abort();
        }
    }
    return 0;
}
