/*
 * codec_util.cpp - shared codec helpers: checked allocation, row expansion
 * and the EXIF orientation transform.
 */
#include "codec_util.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

namespace gp {

GpStatus cu_check_size(uint64_t width, uint64_t height, const decode_limits& limits) {
    if (width == 0 || height == 0)
        return GenericError;
    if (width > limits.max_side || height > limits.max_side)
        return ValueOverflow;
    if (width * height > limits.max_pixels) /* both below 2^32: no overflow */
        return ValueOverflow;
    return Ok;
}

GpStatus cu_check_fill(uint64_t pixels, uint64_t needBytes, uint64_t haveBytes) {
    return pixels <= kUnprovenPixels || needBytes <= haveBytes ? Ok : GenericError;
}

uint64_t cu_stride(uint64_t width, uint32_t bits) {
    if (bits == 0 || width > (uint64_t{1} << 32))
        return 0;
    return ((width * bits + 31) / 32) * 4; /* + 31 rounds up to whole 32-bit words */
}

/* The margin of a reduced decode over the drawn size: 5/4. */
constexpr uint64_t kReducedMarginNum = 5;
constexpr uint64_t kReducedMarginDen = 4;

bool cu_scale_serves(uint64_t decoded, uint64_t drawn) {
    return decoded == drawn || decoded * kReducedMarginDen >= drawn * kReducedMarginNum;
}

unsigned cu_reduced_denom(uint32_t width, uint32_t height, uint64_t needWidth, uint64_t needHeight) {
    for (unsigned denom = 8; denom >= 2; denom /= 2)
        if (cu_scale_serves(cu_scaled(width, denom), needWidth) &&
            cu_scale_serves(cu_scaled(height, denom), needHeight))
            return denom;
    return 1;
}

unsigned cu_draw_denom(uint32_t width, uint32_t height, const decode_limits& limits, bool swap) {
    if (limits.draw_width == 0 || limits.draw_height == 0)
        return 1;
    return swap ? cu_reduced_denom(width, height, limits.draw_height, limits.draw_width)
                : cu_reduced_denom(width, height, limits.draw_width, limits.draw_height);
}

bool cu_append(std::vector<uint8_t>& v, const void* data, size_t n) noexcept {
    if (n == 0)
        return true;
    try {
        const auto* p = static_cast<const uint8_t*>(data);
        v.insert(v.end(), p, p + n);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

GpStatus cu_alloc(raster& out, uint32_t width, uint32_t height, PixelFormat format, const decode_limits& limits) {
    const GpStatus st = cu_check_size(width, height, limits);
    if (st != Ok)
        return st;
    const uint64_t stride = cu_stride(width, GetPixelFormatSize(format));
    if (stride == 0 || stride > SIZE_MAX / height)
        return ValueOverflow;
    out.palette.clear();
    out.palette_flags = 0;
    try {
        out.pixels.assign(static_cast<size_t>(stride * height), 0);
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
    out.width = width;
    out.height = height;
    out.format = format;
    out.stride = static_cast<uint32_t>(stride);
    return Ok;
}

bool cu_raster_valid(const raster& r) {
    switch (r.format) {
    case PixelFormat1bppIndexed:
    case PixelFormat4bppIndexed:
    case PixelFormat8bppIndexed:
        if (r.palette.empty() || r.palette.size() > (size_t{1} << GetPixelFormatSize(r.format)))
            return false;
        break;
    case PixelFormat24bppRGB:
    case PixelFormat32bppRGB:
    case PixelFormat32bppARGB: break;
    default: return false;
    }
    if (r.width == 0 || r.height == 0)
        return false;
    const uint64_t minStride = (uint64_t{r.width} * GetPixelFormatSize(r.format) + 7) / 8;
    if (r.stride < minStride)
        return false;
    return uint64_t{r.stride} * (r.height - 1) + minStride <= r.pixels.size();
}

GpStatus cu_lossy_arguments(const raster& r, const encode_options& options, uint32_t maxSide) {
    if (options.quality > 100 || options.quality < -1)
        return InvalidParameter;
    return r.width > maxSide || r.height > maxSide ? ValueOverflow : Ok;
}

void cu_row_to_bgra(const raster& r, uint32_t y, uint8_t* bgra) {
    const uint8_t* row = r.pixels.data() + size_t{y} * r.stride;
    const uint32_t bpp = GetPixelFormatSize(r.format);
    switch (r.format) {
    case PixelFormat24bppRGB:
        for (uint32_t x = 0; x < r.width; ++x) {
            bgra[4 * x] = row[3 * x];
            bgra[4 * x + 1] = row[3 * x + 1];
            bgra[4 * x + 2] = row[3 * x + 2];
            bgra[4 * x + 3] = 255;
        }
        return;
    case PixelFormat32bppRGB:
        for (uint32_t x = 0; x < r.width; ++x) {
            std::memcpy(bgra + 4 * x, row + 4 * x, 3);
            bgra[4 * x + 3] = 255;
        }
        return;
    case PixelFormat32bppARGB: std::memcpy(bgra, row, size_t{r.width} * 4); return;
    default: break;
    }
    for (uint32_t x = 0; x < r.width; ++x) {
        const uint32_t i = cu_index_at(row, x, bpp);
        const ARGB c = i < r.palette.size() ? r.palette[i] : 0xFF000000u;
        bgra[4 * x] = static_cast<uint8_t>(c);
        bgra[4 * x + 1] = static_cast<uint8_t>(c >> 8);
        bgra[4 * x + 2] = static_cast<uint8_t>(c >> 16);
        bgra[4 * x + 3] = static_cast<uint8_t>(c >> 24);
    }
}

std::vector<uint8_t> cu_to_bgra(const raster& r) {
    std::vector<uint8_t> bgra(size_t{r.width} * 4 * r.height);
    for (uint32_t y = 0; y < r.height; ++y)
        cu_row_to_bgra(r, y, bgra.data() + size_t{y} * r.width * 4);
    return bgra;
}

void cu_swap_red_blue(const uint8_t* from, uint32_t fromStep, uint8_t* to, uint32_t toStep, size_t count,
                      bool premultiplied) {
    for (size_t i = 0; i < count; ++i, from += fromStep, to += toStep) {
        to[0] = from[2];
        to[1] = from[1];
        to[2] = from[0];
        if (toStep < 4)
            continue;
        const uint32_t a = from[3];
        to[3] = static_cast<uint8_t>(a);
        if (premultiplied && a != 0 && a != 255)
            for (int c = 0; c < 3; ++c)
                to[c] = static_cast<uint8_t>(std::min<uint32_t>(255, (to[c] * 255u + a / 2) / a)); /* + a / 2 rounds */
    }
}

void cu_widen_2bit(const uint8_t* from, uint32_t width, uint8_t* to) {
    for (uint32_t x = 0; x < width; ++x) {
        const uint32_t i = (from[x >> 2] >> (6 - 2 * (x & 3))) & 3;
        to[x >> 1] |= static_cast<uint8_t>(i << ((x & 1) ? 0 : 4));
    }
}

GpStatus cu_apply_orientation(raster& r, int orientation) {
    if (orientation < 2 || orientation > 8)
        return Ok;
    if (r.format != PixelFormat24bppRGB && r.format != PixelFormat32bppRGB && r.format != PixelFormat32bppARGB)
        return InvalidParameter;
    const uint32_t pb = GetPixelFormatSize(r.format) / 8;
    const bool swap = orientation >= 5;
    const uint32_t ow = swap ? r.height : r.width;
    const uint32_t oh = swap ? r.width : r.height;
    raster out;
    decode_limits unlimited;
    unlimited.max_side = UINT32_MAX;
    unlimited.max_pixels = UINT64_MAX;
    const GpStatus st = cu_alloc(out, ow, oh, r.format, unlimited);
    if (st != Ok)
        return st;
    /* Source pixel (x, y) lands at (x or w - 1 - x, y or h - 1 - y), mirrored
     * for flipX / flipY, with the two coordinates exchanged for 5..8. Its
     * destination offset is o0 + x * sx + y * sy. */
    const bool flipX = orientation == 2 || orientation == 3 || orientation == 7 || orientation == 8;
    const bool flipY = orientation == 3 || orientation == 4 || orientation == 6 || orientation == 7;
    const ptrdiff_t w = r.width, h = r.height;
    const ptrdiff_t column = swap ? ptrdiff_t{out.stride} : ptrdiff_t{pb};
    const ptrdiff_t row = swap ? ptrdiff_t{pb} : ptrdiff_t{out.stride};
    const ptrdiff_t sx = flipX ? -column : column, sy = flipY ? -row : row, p = pb;
    const ptrdiff_t o0 = (flipX ? (w - 1) * column : 0) + (flipY ? (h - 1) * row : 0);
    for (ptrdiff_t y = 0; y < h; ++y) {
        const uint8_t* src = r.pixels.data() + y * static_cast<ptrdiff_t>(r.stride);
        uint8_t* dst = out.pixels.data() + o0 + y * sy;
        for (ptrdiff_t x = 0; x < w; ++x)
            std::memcpy(dst + x * sx, src + x * p, pb);
    }
    r = std::move(out);
    return Ok;
}

bool cu_has_transparency(const raster& r) {
    if (r.format != PixelFormat32bppARGB)
        return false;
    for (uint32_t y = 0; y < r.height; ++y) {
        const uint8_t* row = r.pixels.data() + size_t{y} * r.stride;
        for (uint32_t x = 0; x < r.width; ++x)
            if (row[x * 4 + 3] != 0xFF)
                return true;
    }
    return false;
}

} // namespace gp
