// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/QZPSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QStandardPaths>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A settings file is a few kilobytes; anything much larger is not ours to read.
constexpr qint64 MaximumFileSize = 1 << 20;

QZPSettings::Access s_standardAccess = QZPSettings::Access::ReadWrite;

} // namespace

// Why the file at `path` cannot be the settings store (nothing when it can, also when it is not there
// yet). Settings follow the rules of every other write: never through a link, never over something that
// is not a regular file, never over a file its owner made read-only. Nothing is opened to find out, so a
// FIFO in its place cannot hold the program up.
QString QZPSettings::unusableReason(const QString& path, bool* readable) {
    *readable = false;
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return errno == ENOENT ? QString()
                               : tr("can’t be examined (%1)").arg(QString::fromLocal8Bit(strerror(errno)));
    if (S_ISLNK(st.st_mode))
        return tr("is a symbolic link");
    if (!S_ISREG(st.st_mode))
        return tr("isn’t a regular file");
    if (st.st_size > MaximumFileSize)
        return tr("is larger than 1 MiB");
    const QByteArray encoded = QFile::encodeName(path);
    if (::access(encoded.constData(), R_OK) != 0)
        return tr("can’t be read");
    *readable = true;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(encoded.constData(), W_OK) != 0)
        return tr("can’t be written");
    return {};
}

// The values of a file that is safe to read, without keeping it open or ever writing it.
QVariantMap QZPSettings::readValues(const QString& path, bool* unparsable) {
    QVariantMap values;
    QSettings file(path, QSettings::IniFormat);
    if (unparsable)
        *unparsable = file.status() == QSettings::FormatError;
    for (const QString& key : file.allKeys())
        values.insert(key, file.value(key));
    return values;
}

QZPSettings::QZPSettings(const QString& filePath, QObject* parent, Access access)
    : QObject(parent), m_filePath(filePath) {
    bool readable = false;
    const QString reason = unusableReason(filePath, &readable);
    if (!reason.isEmpty() && !(readable && access == Access::ReadOnly)) {
        keepInMemory(readable ? readValues(filePath) : QVariantMap(), reason, readable);
        return;
    }
    if (access == Access::ReadOnly) {
        // Read, never written: what the settings hold (nothing, when the file cannot be parsed).
        bool unparsable = false;
        m_memory = readValues(filePath, &unparsable);
        m_inMemory = true;
        if (unparsable)
            m_loadProblem =
                tr("ToneBench’s settings file “%1” couldn’t be read; the standard settings are used.")
                    .arg(QDir::toNativeSeparators(filePath));
        return;
    }
    m_store = std::make_unique<QSettings>(filePath, QSettings::IniFormat);
    if (m_store->status() != QSettings::FormatError)
        return;
    // Nothing of the user's is lost: the unreadable file is kept, and a new one is written from here on.
    const QString kept = filePath + QStringLiteral(".corrupt");
    QFile::remove(kept);
    const bool copied = QFile::copy(filePath, kept);
    m_store->clear();
    m_store->sync();
    m_loadProblem = copied ? tr("ToneBench’s settings file couldn’t be read. It was kept as “%1”, and "
                                "ToneBench starts with its standard settings.")
                                 .arg(QFileInfo(kept).fileName())
                           : tr("ToneBench’s settings file couldn’t be read; ToneBench starts with its "
                                "standard settings.");
}

// From here on the settings live in memory only: read as they are, changed for this run, never written.
void QZPSettings::keepInMemory(const QVariantMap& values, const QString& reason, bool readable) {
    m_store.reset();
    m_memory = values;
    m_inMemory = true;
    const QString file = QDir::toNativeSeparators(m_filePath);
    m_loadProblem = readable ? tr("ToneBench’s settings file “%1” %2. ToneBench uses the settings in it and "
                                  "keeps changes only until it quits.")
                                   .arg(file, reason)
                             : tr("ToneBench’s settings file “%1” %2. ToneBench uses its standard settings "
                                  "and keeps changes only until it quits.")
                                   .arg(file, reason);
}

void QZPSettings::setStandardAccess(Access access) {
    s_standardAccess = access;
}

QZPSettings::~QZPSettings() = default;

QZPSettings* QZPSettings::standard() {
    static QZPSettings* settings = [] {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        auto* instance =
            new QZPSettings(folder + QStringLiteral("/ToneBench/ToneBench.ini"), nullptr, s_standardAccess);
        instance->registerDefaults(registeredDefaults());
        return instance;
    }();
    return settings;
}

QVariantMap QZPSettings::registeredDefaults() {
    return {
        {AppearanceIndexKey, 1},
        {SliderTrackOpacityKey, 0.5},
        {HardwareControlKey, true},
        {ClaviatureEnabledKey, true},
        {ValueChangeDisplayModeKey, 0},
        {ValueScaleKey, 0},
        {DynamicsAmplifierKey, true},
        {DynamicsFilterKey, true},
        {SendsPresetsOnSelectionChangeKey, false},
        {DraftOnRecordKey, true},
        {FinerTrackingKey, true},
        {MidiThruSoundKey, true},
        {MidiThruInstrumentKey, false},
        {DawPortsKey, true},
        {AuditionPhraseKey, 0},
        {AuditionWhileBrowsingKey, false},
        {ClickMakesCurrentKey, false},
    };
}

QString QZPSettings::filePath() const {
    return m_filePath;
}

void QZPSettings::registerDefaults(const QVariantMap& defaults) {
    QMutexLocker lock(&m_lock);
    m_defaults.insert(defaults);
}

// The INI file keeps a boolean as "true" or "false" (older writers: "1" or "0"). Any other text is no
// boolean: Qt's own conversion would read "no" or "garbage" as true.
std::optional<bool> QZPSettings::parseBool(const QVariant& value) {
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (value.typeId() != QMetaType::QString)
        return value.isValid() && value.canConvert<bool>() ? std::optional<bool>(value.toBool())
                                                           : std::nullopt;
    const QString text = value.toString().trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        return true;
    if (text == QLatin1String("false") || text == QLatin1String("0"))
        return false;
    return std::nullopt;
}

bool QZPSettings::boolValue(const QString& key) const {
    const std::optional<bool> parsed = parseBool(value(key));
    if (parsed)
        return *parsed;
    QMutexLocker lock(&m_lock);
    return m_defaults.value(key).toBool();
}

QVariant QZPSettings::value(const QString& key) const {
    QMutexLocker lock(&m_lock);
    const QVariant stored = m_inMemory ? m_memory.value(key) : m_store->value(key);
    if (!stored.isValid())
        return m_defaults.value(key);
    // The INI file keeps every value as text: give it the type of the fallback where there is one.
    const QVariant fallback = m_defaults.value(key);
    if (fallback.isValid() && stored.typeId() == QMetaType::QString) {
        if (fallback.typeId() == QMetaType::Bool) {
            const std::optional<bool> parsed = parseBool(stored);
            return parsed ? QVariant(*parsed) : fallback;
        }
        QVariant converted = stored;
        if (!converted.convert(fallback.metaType()))
            return fallback;
        // "nan" and "inf" read as numbers; no setting means them.
        if (converted.typeId() == QMetaType::Double && !std::isfinite(converted.toDouble()))
            return fallback;
        return converted;
    }
    return stored;
}

bool QZPSettings::hasUserValue(const QString& key) const {
    QMutexLocker lock(&m_lock);
    return m_inMemory ? m_memory.contains(key) : m_store->contains(key);
}

// Before each write the file is looked at again: a file that became a link (or anything else unsafe)
// since is left alone, and the settings go on in memory. Called with the lock held.
bool QZPSettings::fileStillUsable() {
    if (m_inMemory)
        return false;
    bool readable = false;
    const QString reason = unusableReason(m_filePath, &readable);
    if (reason.isEmpty())
        return true;
    QVariantMap values;
    for (const QString& key : m_store->allKeys())
        values.insert(key, m_store->value(key));
    keepInMemory(values, reason, readable);
    qWarning("%s", qPrintable(m_loadProblem));
    return false;
}

void QZPSettings::setValue(const QString& key, const QVariant& value) {
    {
        QMutexLocker lock(&m_lock);
        const bool held = m_inMemory ? m_memory.contains(key) : m_store->contains(key);
        if (held && (m_inMemory ? m_memory.value(key) : m_store->value(key)) == value)
            return;
        if (fileStillUsable()) {
            m_store->setValue(key, value);
            m_store->sync();
        } else {
            m_memory.insert(key, value);
        }
    }
    emit valueChanged(key);
}

void QZPSettings::remove(const QString& key) {
    {
        QMutexLocker lock(&m_lock);
        if (!(m_inMemory ? m_memory.contains(key) : m_store->contains(key)))
            return;
        if (fileStillUsable()) {
            m_store->remove(key);
            m_store->sync();
        } else {
            m_memory.remove(key);
        }
    }
    emit valueChanged(key);
}

void QZPSettings::bind(QObject* target, const char* property, const QString& key) {
    const QMetaObject* meta = target->metaObject();
    const QMetaProperty metaProperty = meta->property(meta->indexOfProperty(property));
    if (!metaProperty.isValid()) {
        qWarning("QZPSettings: %s has no property %s", meta->className(), property);
        return;
    }
    const Binding binding{property, key};
    m_bindings.insert(target, binding);
    applyBinding(target, binding);
    connect(this, &QZPSettings::valueChanged, target, [this, target, binding](const QString& changed) {
        if (changed == binding.key)
            applyBinding(target, binding);
    });
    if (metaProperty.hasNotifySignal())
        connect(target, metaProperty.notifySignal(), this,
                metaObject()->method(metaObject()->indexOfSlot("boundPropertyChanged()")));
    connect(target, &QObject::destroyed, this, [this, target] { m_bindings.remove(target); });
}

void QZPSettings::applyBinding(QObject* target, const Binding& binding) {
    const QVariant current = target->property(binding.property.constData());
    QVariant wanted = value(binding.key);
    if (wanted.isValid() && current.isValid())
        wanted.convert(current.metaType());
    if (current != wanted)
        target->setProperty(binding.property.constData(), wanted);
}

void QZPSettings::boundPropertyChanged() {
    QObject* target = sender();
    const QMetaMethod signal = target->metaObject()->method(senderSignalIndex());
    for (auto it = m_bindings.constFind(target); it != m_bindings.constEnd() && it.key() == target; ++it) {
        const QMetaProperty property =
            target->metaObject()->property(target->metaObject()->indexOfProperty(it->property.constData()));
        if (property.notifySignal() != signal)
            continue;
        const QVariant propertyValue = property.read(target);
        QVariant current = value(it->key);
        if (current.isValid())
            current.convert(propertyValue.metaType());
        if (current != propertyValue)
            setValue(it->key, propertyValue);
    }
}
