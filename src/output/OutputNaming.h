#pragma once
// How a run names and places its outputs. The file name comes first: the
// source's base name as always, or the user's name template; with several
// sizes and no template the size follows the base name ("photo-320").
// Placement is separate: with size folders each size goes into a folder of
// its own ("320/photo.jpg").

#include "cNameTemplate.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

struct cNaming {
    std::optional<cNameTemplate> Template; // nullopt: the base name
    bool SeveralSizes = false;             // the run makes more than one size
    bool SizeFolders = false;              // each size in a folder named after it

    // The naming of a run with iSizeCount sizes and the template text
    // sTemplate ("" for none; a template that does not parse counts as none:
    // callers check it when it is given).
    static cNaming For(const QString& sTemplate, size_t iSizeCount, bool bSizeFolders);
};

// The output's file name before its extension, for fields at target size iSize.
QString OutputBaseFor(const cNaming& naming, const cNameFields& fields, int16_t iSize);

// The folder inside the output folder that the output at iSize of an entry
// in sSubFolder ("" for none) goes into: with size folders the size's
// ("320", "0" for the images' own size), holding the entry's subfolders as
// the output folder does ("320/Trip/Day 1"); "" for the output folder itself.
QString OutputFolderFor(const cNaming& naming, int16_t iSize, const QString& sSubFolder);

// The longest file name the file systems take, in bytes of UTF-8.
inline constexpr int kMaxFileNameBytes = 255;
