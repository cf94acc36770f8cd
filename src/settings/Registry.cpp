#include "Registry.h"

#include <QSettings>
#include <QStringList>

#include <algorithm>
#include <iterator>
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
    // Lists, byte arrays and other kinds are not something this store reads.
    const int kinds[] = {QMetaType::QString, QMetaType::Short,    QMetaType::Int,
                         QMetaType::UInt,    QMetaType::LongLong, QMetaType::ULongLong};
    return std::find(std::begin(kinds), std::end(kinds), value.typeId()) != std::end(kinds) ? value : QVariant();
}

void WriteString(const QString& sKey, const QString& sValueName, const QString& sValue) {
    const std::unique_ptr<QSettings> settings = OpenKey(sKey);
    settings->setValue(sValueName, sValue);
    settings->sync();
}
