#pragma once
// The names a run will write, worked out before any image is decoded, so that
// a name template that gives two outputs one name is refused before any work.
// Only the headers of the sources are read (for {w} and {h}) and, for
// {date}, their photo details.

#include "Dimensions.h"
#include "OutputNaming.h"
#include "cSaveList.h"
#include "cSaveJob.h"

#include <QString>

// The output size of an image of iWidth x iHeight at target size iSize, as
// job shapes it: never enlarged when they say so, the sides swapped for a
// quarter turn.
cDimensions OutputSizeFor(int16_t iSize, int16_t iWidth, int16_t iHeight, const cSaveJob& job);

// The date an output of the file sPath is named with: the date taken from its
// photo details, else the file's own modification date, as "2024-05-01".
QString DateForName(const QString& sPath);

// The name fields of the entry sFileName at sPath, position lPosition, that do
// not depend on its size (the date only when bWithDate).
cNameFields NameFieldsFor(const QString& sPath, const QString& sFileName, int lPosition, const cSaveJob& job,
                          bool bWithDate);

// Why the run of job over list cannot go ahead with its name template:
// two outputs would take one name (in one folder), or a name would be longer
// than a file name can be; "" when every name is its own, and always without
// a template (the save then numbers a repeated name as it always has).
QString NameClashText(const cSaveList& list, const cSaveJob& job);
