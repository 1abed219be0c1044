// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QZPHelpText.h"

#include <QFile>
#include <QMap>

namespace {

// A resource of the program with each {Name} replaced by that component's version.
QString filled(const QString& resource) {
    const QMap<QString, QString> versions{
        {QStringLiteral("ToneBench"), QStringLiteral(TONEBENCH_VERSION)},
        {QStringLiteral("Qt"), QString::fromLatin1(qVersion())},
        {QStringLiteral("RtMidi"), QStringLiteral(TONEBENCH_RTMIDI_VERSION)},
        {QStringLiteral("RtAudio"), QStringLiteral(TONEBENCH_RTAUDIO_VERSION)},
        {QStringLiteral("libsndfile"), QStringLiteral(TONEBENCH_SNDFILE_VERSION)},
        {QStringLiteral("libplist"), QStringLiteral(TONEBENCH_PLIST_VERSION)},
        {QStringLiteral("ICU"), QStringLiteral(TONEBENCH_ICU_VERSION)},
        {QStringLiteral("JACK"), QStringLiteral(TONEBENCH_JACK_VERSION)},
        {QStringLiteral("ALSA"), QStringLiteral(TONEBENCH_ALSA_VERSION)},
    };
    QFile file(resource);
    // The resources are part of the program: a missing one is a build fault.
    Q_ASSERT(file.exists());
    QString text = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    for (auto it = versions.begin(); it != versions.end(); ++it)
        text.replace(QLatin1Char('{') + it.key() + QLatin1Char('}'), it.value().toHtmlEscaped());
    return text;
}

} // namespace

QString QZPHelpText::about() {
    return filled(QStringLiteral(":/text/About.html")) + acknowledgements();
}

QString QZPHelpText::acknowledgements() {
    return filled(QStringLiteral(":/text/Acknowledgements.html"));
}

QString QZPHelpText::help() {
    return filled(QStringLiteral(":/text/Help.html"));
}
