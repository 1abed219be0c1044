// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/QZPMidiBackend.h"

#include "midi/backends/QZPRtMidiBackend.h"
#include "midi/backends/QZPVirtualMidiBackend.h"

Q_LOGGING_CATEGORY(lcMidi, "tonebench.midi", QtInfoMsg)

QZPMidiBackend::~QZPMidiBackend() = default;

namespace {
QZPMidiBackend::Wrapper& wrapper() {
    static QZPMidiBackend::Wrapper installed;
    return installed;
}
} // namespace

void QZPMidiBackend::setWrapper(Wrapper wrap) {
    wrapper() = std::move(wrap);
}

QStringList QZPMidiBackend::choices() {
    return {QStringLiteral("auto"), QStringLiteral("alsa"), QStringLiteral("jack"), QStringLiteral("none")};
}

std::unique_ptr<QZPMidiBackend> QZPMidiBackend::create(const QString& requested, QString* explanation) {
    QString choice = requested.isEmpty() ? qEnvironmentVariable("TONEBENCH_MIDI_API") : requested;
    if (choice.isEmpty())
        choice = QStringLiteral("auto");
    choice = choice.toLower();
    if (!choices().contains(choice))
        return nullptr;

    QString say;
    std::unique_ptr<QZPMidiBackend> backend;
    if (choice == QLatin1String("alsa") || choice == QLatin1String("jack")) {
        QString why;
        const auto api =
            choice == QLatin1String("alsa") ? QZPRtMidiBackend::Api::Alsa : QZPRtMidiBackend::Api::Jack;
        backend = QZPRtMidiBackend::open(api, &why);
        say = backend ? QStringLiteral("MIDI through %1, as asked").arg(choice.toUpper())
                      : QStringLiteral("MIDI through %1 was asked for, but %2: working without MIDI")
                            .arg(choice.toUpper(), why);
    } else if (choice == QLatin1String("auto")) {
        QString alsaWhy;
        QString jackWhy;
        if ((backend = QZPRtMidiBackend::open(QZPRtMidiBackend::Api::Alsa, &alsaWhy)))
            say = QStringLiteral("MIDI through ALSA: its sequencer opens");
        else if ((backend = QZPRtMidiBackend::open(QZPRtMidiBackend::Api::Jack, &jackWhy)))
            say = QStringLiteral("MIDI through JACK: %1, and a JACK server runs").arg(alsaWhy);
        else
            say = QStringLiteral("Working without MIDI: %1, and %2").arg(alsaWhy, jackWhy);
    } else {
        say = QStringLiteral("Working without MIDI, as asked");
    }
    if (!backend)
        backend = std::make_unique<QZPVirtualMidiBackend>(QStringLiteral("none"));
    if (explanation)
        *explanation = say;
    if (wrapper())
        backend = wrapper()(std::move(backend));
    return backend;
}
