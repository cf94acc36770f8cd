#pragma once
// Names of output files: base name and extension.

#include <QString>

// The output base name: the name before its last "." (the whole name when
// there is no "." or the only one is the first character), with every space
// turned into "_". "My Photo.jpg" -> "My_Photo", "scan.001.tif" -> "scan.001".
QString GetBaseName(const QString& sFilename);

// The upper-case extension: the text after the last "." ("" when the name
// ends in "."), or "JPG" when there is no "." or the only one is first.
QString GetExtension(const QString& sFilename);

// sFolder with exactly one trailing "/" (the root stays "/").
QString FolderWithSeparator(const QString& sFolder);
