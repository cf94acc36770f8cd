#pragma once
// Names of output files and the test for image files by extension.

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

// True when GetExtension of the name is one of the accepted image extensions:
// BMP, EMF, GIF, ICO, JPG, JPEG, PNG, TGA, TIF, TIFF, WMF, HEIC, HEIF, AVIF, WEBP, JXL.
bool IsImageFile(const QString& sFilename);
