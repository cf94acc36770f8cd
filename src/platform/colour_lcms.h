#pragma once
/*
 * colour_lcms.h - conversion of decoded pixels to sRGB through the image's
 * embedded ICC profile, over Little CMS 2.
 *
 * Everything after the decode step (resampling, preview, quantizer, every
 * encoder) works in sRGB, the web's default, and outputs carry no profile.
 * An image without a profile is taken as sRGB and left alone, bit for bit.
 * A profile that cannot be read, or that does not describe the decoded
 * pixels (a CMYK profile over RGB pixels, a grey one over coloured pixels),
 * is ignored: never a failure.
 *
 * Transforms are built once per profile and pixel layout and kept in a small
 * cache shared by all threads; a mutex guards the cache, and a transform,
 * once built, is only read (lcms's one-pixel cache is switched off), so
 * several threads may convert with it at the same time.
 */

#include "gp_codec.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace gp {

/* A built conversion into 24-bit B, G, R. Opaque. */
struct colour_transform;

/* Converts r in place from the colour space of profile to sRGB: the pixels of
 * 24- and 32-bit rasters (alpha kept), the palette of indexed ones. An empty
 * profile, an unusable one, or one that already matches sRGB within one
 * level leaves r untouched. */
void colour_to_srgb(const std::vector<uint8_t>& profile, raster& r) noexcept;

/* A transform from CMYK samples (4 bytes a pixel; inverted = Adobe's
 * convention of 255 for no ink) through profile to sRGB B, G, R; null when
 * the profile is not a usable CMYK profile. */
std::shared_ptr<const colour_transform> colour_cmyk_transform(const std::vector<uint8_t>& profile,
                                                              bool inverted) noexcept;

/* Converts count CMYK pixels at cmyk into B, G, R triplets at bgr. */
void colour_apply(const colour_transform& transform, const uint8_t* cmyk, uint8_t* bgr, uint32_t count) noexcept;

/* Builds the profile of an RGB space from its white point and primaries
 * (xy chromaticities: white, red, green, blue) and an encoding gamma (file
 * value = linear ^ gamma, as PNG's gAMA stores it). Empty profile when the
 * numbers do not make a space, or when they are sRGB's own within rounding
 * (nothing to convert). chromaticities may be null: sRGB's primaries. */
std::vector<uint8_t> colour_profile_from_chromaticities(const double* chromaticities, double gamma) noexcept;

} // namespace gp
