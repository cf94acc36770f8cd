/*
 * codec_util.cpp - shared codec helpers: checked allocation, row expansion
 * and the EXIF orientation transform.
 */
#include "codec_util.h"

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

uint64_t cu_stride(uint64_t width, PixelFormat format) {
    const uint64_t bpp = GetPixelFormatSize(format);
    if (bpp == 0 || width > (uint64_t{1} << 32))
        return 0;
    return ((width * bpp + 31) / 32) * 4; /* + 31 rounds up to whole 32-bit words */
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

bool cu_resize(std::vector<uint8_t>& v, size_t n) noexcept {
    try {
        v.assign(n, 0);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
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
    const uint64_t stride = cu_stride(width, format);
    if (stride == 0 || stride > SIZE_MAX / height)
        return ValueOverflow;
    out.palette.clear();
    out.palette_flags = 0;
    if (!cu_resize(out.pixels, static_cast<size_t>(stride * height)))
        return OutOfMemory;
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

GpStatus cu_lossy_arguments(const raster* const* pages, size_t pageCount, const encode_options& options,
                            uint32_t maxSide) {
    if (pageCount < 1 || !pages[0] || !cu_raster_valid(*pages[0]))
        return InvalidParameter;
    if (options.quality > 100 || options.quality < -1)
        return InvalidParameter;
    if (pages[0]->width > maxSide || pages[0]->height > maxSide)
        return ValueOverflow;
    return Ok;
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
    /* Destination offset of source pixel (x, y) is o0 + x * sx + y * sy. */
    const ptrdiff_t w = r.width, h = r.height, p = pb, so = out.stride;
    ptrdiff_t o0 = 0, sx = p, sy = so;
    switch (orientation) {
    case 2:
        o0 = (w - 1) * p;
        sx = -p;
        sy = so;
        break;
    case 3:
        o0 = (w - 1) * p + (h - 1) * so;
        sx = -p;
        sy = -so;
        break;
    case 4:
        o0 = (h - 1) * so;
        sx = p;
        sy = -so;
        break;
    case 5:
        o0 = 0;
        sx = so;
        sy = p;
        break;
    case 6:
        o0 = (h - 1) * p;
        sx = so;
        sy = -p;
        break;
    case 7:
        o0 = (h - 1) * p + (w - 1) * so;
        sx = -so;
        sy = -p;
        break;
    default:
        o0 = (w - 1) * so;
        sx = -so;
        sy = p;
        break; /* 8 */
    }
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
