#pragma once
// The settings store: three small text values under one per-user key.
// The key path names organisation and application ("Software\Norvane\Quillet"
// is the organisation "Norvane", application "Quillet"); QSettings keeps them
// in the per-user configuration file on Linux and under that very registry
// key on Windows. Every call opens the store, does its one read or write and
// closes it again; nothing is cached.

#include <QString>
#include <QVariant>

inline const QString SettingsKey = QStringLiteral("Software\\Norvane\\Quillet");

// True when the value is stored under the key, whatever it holds ("" too).
bool ValueExists(const QString& sKey, const QString& sValueName);

// The stored value: text, or a number when a number was stored (callers use
// it as its text); an invalid QVariant when it is absent.
QVariant ReadValue(const QString& sKey, const QString& sValueName);

// Stores sValue as text, creating the key when it is missing. A failed write
// is not reported; the value is then simply absent at the next start.
void WriteString(const QString& sKey, const QString& sValueName, const QString& sValue);
