#pragma once
// File names as the system has them: bytes, almost always UTF-8. Old disks
// and archives hold names in other encodings ("caf\xe9.jpg" in Latin-1) that
// QFile::decodeName turns into U+FFFD, losing the byte, so the file could no
// longer be opened. Here each byte that is not part of valid UTF-8 is kept in
// the QString as a lone surrogate U+DC80..U+DCFF, the way the imaging layer
// reads names back, and every name reaches the system exactly as it was.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <string>

// The name for the bytes, each stray byte kept as U+DC00 + byte.
QString NameFromBytes(const QByteArray& bytes);

// The bytes of a name made by NameFromBytes (or of any valid text).
QByteArray NameBytes(const QString& sName);
inline std::string NameBytesStd(const QString& sName) {
    return NameBytes(sName).toStdString();
}

// The name for showing: each stray byte becomes U+FFFD.
QString DisplayName(const QString& sName);

// The program's arguments after its own name, as names (QCoreApplication's
// arguments replace the stray bytes).
QStringList ArgumentNames(int argc, char* argv[]);

// The local file a file:// address names (a dropped file), "" for another
// address.
QString NameOfLocalFile(const QUrl& oAddress);
