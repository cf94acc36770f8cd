#include "Registry.h"

#include <QSettings>
#include <QStringList>

#include <memory>

namespace {

// The settings file for a key path "Software\<organisation>\<application>".
std::unique_ptr<QSettings> OpenKey(const QString& sKey) {
    const QStringList levels = sKey.split(u'\\', Qt::SkipEmptyParts);
    const QString organisation = levels.size() >= 2 ? levels.at(levels.size() - 2) : QString();
    const QString application = levels.isEmpty() ? QString() : levels.last();
    return std::make_unique<QSettings>(QSettings::UserScope, organisation, application);
}

} // namespace

bool ValueExists(const QString& sKey, const QString& sValueName) {
    return OpenKey(sKey)->contains(sValueName);
}

QVariant ReadValue(const QString& sKey, const QString& sValueName) {
    const QVariant value = OpenKey(sKey)->value(sValueName);
    switch (value.typeId()) {
    case QMetaType::QString:
    case QMetaType::Short:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: return value;
    default:
        // Lists, byte arrays and other kinds are not something this store reads.
        return {};
    }
}

void WriteString(const QString& sKey, const QString& sValueName, const QString& sValue) {
    const std::unique_ptr<QSettings> settings = OpenKey(sKey);
    settings->setValue(sValueName, sValue);
    settings->sync();
}
