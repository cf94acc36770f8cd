#pragma once
// Table rows of the tests give lists of names and options as one text.

#include <QString>
#include <QStringList>

// The words of sText, split at spaces.
inline QStringList Words(const char* sText) {
    return QString::fromLatin1(sText).split(u' ', Qt::SkipEmptyParts);
}
