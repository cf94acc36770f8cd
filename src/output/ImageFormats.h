#pragma once
// The format table (gp_formats.h) in the terms of the window and
// quillet-batch: file names, output extensions and the Save menu's codes.

#include <QString>
#include <QStringList>

// True when the extension of sFilename (GetExtension) is one the open dialog
// lists: the files the Open command, a drop and a folder scan take.
bool IsImageFile(const QString& sFilename);

// The open dialog's filter in Qt's form: "All Image Files" first, then one
// row per format the dialog lists.
QString OpenDialogFilter();

// The Save menu's format codes: "DFT" (each file's own format) first, then
// every format the menu offers, in its order.
QStringList SaveFormatCodes();
// The menu caption of a code of SaveFormatCodes: "Original Format", "JPG Format".
QString SaveFormatCaption(const QString& sCode);

// The code of the format whose names include the extension sExtension (any
// letter case): "JPG" for "jpeg"; "" when no format claims it.
QString FormatCodeOf(const QString& sExtension);
// What an output extension (any letter case) gets before its encoder runs.
// Quality and palette go by the format's own code only: "jpg" takes the
// quality, "jpeg" the encoder's default.
bool TakesQuality(const QString& sExtension);
bool ReducesToPalette(const QString& sExtension);
// True when the encoder writes no transparency ("jpg", "jpeg", "bmp", ...):
// a transparent image is laid on white first.
bool DropsTransparency(const QString& sExtension);
