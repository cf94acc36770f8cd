#pragma once
// File modification times, carried from a source file to its output.

#include <QString>

#include <optional>

#include <time.h>

// The modification time of the file sPath, to the nanosecond; nullopt when it
// cannot be read.
std::optional<timespec> ModificationTime(const QString& sPath);

// Gives the file sPath the modification time oTime; its access time stays.
// False when the time cannot be set.
bool SetModificationTime(const QString& sPath, const timespec& oTime);
