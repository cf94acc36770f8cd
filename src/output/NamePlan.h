#pragma once
// The names a run will write, worked out before any image is decoded, so that
// a name template that gives two outputs one name is refused before any work.
// Only the headers of the sources are read (for {w} and {h}) and, for
// {date}, their photo details.

#include "OutputNaming.h"
#include "cSaveList.h"
#include "cSaveJob.h"

#include <QString>

// The name fields of the entry sFileName at sPath, position lPosition, that do
// not depend on its size (the date only when bWithDate).
cNameFields NameFieldsFor(const QString& sPath, const QString& sFileName, int lPosition, const cSaveJob& job,
                          bool bWithDate);

// Why the run of job over list cannot go ahead with its name template:
// two outputs would take one name (in one folder), or a name would be longer
// than a file name can be; "" when every name is its own, and always without
// a template (the save then numbers a repeated name as it always has).
QString NameClashText(const cSaveList& list, const cSaveJob& job);
