#pragma once
/*
 * codec_exif.h - bounds-checked reading of the orientation from an EXIF block.
 */

#include "gp_codec.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace gp {

/* Reads an EXIF block from its TIFF header on. Returns the orientation of
 * its first IFD (1..8) and appends it to properties as a Short property
 * (0x0112); 0 when there is none, it is out of range, or the block is not
 * EXIF. Any offset or count that points outside the block reads as none. */
int exif_read(const uint8_t* data, size_t size, std::vector<property>& properties);

} // namespace gp
