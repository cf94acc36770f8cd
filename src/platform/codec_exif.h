#pragma once
/*
 * codec_exif.h - bounds-checked reading of the EXIF block of a JPEG APP1
 * segment: orientation, date taken, camera make and model.
 */

#include "gp_codec.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace gp {

/* Reads an APP1 payload that starts with "Exif\0\0". Appends Make (0x010F),
 * Model (0x0110), Orientation (0x0112, Short) and DateTimeOriginal (0x9003)
 * to properties when present and well-formed, and returns the orientation
 * (1..8), or 0 when there is none or the payload is not EXIF. Any offset or
 * count that points outside the payload makes that entry (or IFD) ignored. */
int exif_read(const uint8_t* data, size_t size, std::vector<property>& properties);

} // namespace gp
