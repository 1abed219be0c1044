#include "model/QZPSettings.h"

#include <QFile>
#include <QFileInfo>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QStandardPaths>
#include <cmath>

QZPSettings::QZPSettings(const QString& filePath, QObject* parent)
    : QObject(parent), m_store(std::make_unique<QSettings>(filePath, QSettings::IniFormat)) {
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

QZPSettings::~QZPSettings() = default;

QZPSettings* QZPSettings::standard() {
    static QZPSettings* settings = [] {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        auto* instance = new QZPSettings(folder + QStringLiteral("/ToneBench/ToneBench.ini"));
        instance->registerDefaults(registeredDefaults());
        return instance;
    }();
    return settings;
}

QVariantMap QZPSettings::registeredDefaults() {
    return {
        {AppearanceIndexKey, 1},        {SliderTrackOpacityKey, 0.5},
        {HardwareControlKey, true},     {ClaviatureEnabledKey, true},
        {ValueChangeDisplayModeKey, 0}, {DynamicsAmplifierKey, true},
        {DynamicsFilterKey, true},      {SendsPresetsOnSelectionChangeKey, false},
        {DraftOnRecordKey, true},       {FinerTrackingKey, true},
    };
}

QString QZPSettings::filePath() const {
    return m_store->fileName();
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
    const QVariant stored = m_store->value(key);
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
    return m_store->contains(key);
}

void QZPSettings::setValue(const QString& key, const QVariant& value) {
    {
        QMutexLocker lock(&m_lock);
        if (m_store->contains(key) && m_store->value(key) == value)
            return;
        m_store->setValue(key, value);
        m_store->sync();
    }
    emit valueChanged(key);
}

void QZPSettings::remove(const QString& key) {
    {
        QMutexLocker lock(&m_lock);
        if (!m_store->contains(key))
            return;
        m_store->remove(key);
        m_store->sync();
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
