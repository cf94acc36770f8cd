/*
 * gp_rotate.cpp - quarter-turn rotations and mirrors of a raster.
 *
 * Every one of the eight types maps a destination pixel (x, y) to the source
 * pixel origin + x * step_x + y * step_y (in bytes), so one cache-blocked
 * loop serves them all: destination tiles of rt_tile x rt_tile pixels keep
 * both the rows written and the source columns read within the caches.
 * Formats below 8 bits per pixel are widened to one index per byte first.
 */
#include "gp_internal.h"

#include <cstring>
#include <new>

namespace gp {

namespace {

constexpr uint32_t rt_tile = 64;

template <size_t N>
void rt_copy_blocked(const uint8_t* origin, ptrdiff_t step_x, ptrdiff_t step_y, uint8_t* dst, uint32_t dst_stride,
                     uint32_t width, uint32_t height) {
    for (uint32_t ty = 0; ty < height; ty += rt_tile) {
        const uint32_t y_end = ty + rt_tile < height ? ty + rt_tile : height;
        for (uint32_t tx = 0; tx < width; tx += rt_tile) {
            const uint32_t x_end = tx + rt_tile < width ? tx + rt_tile : width;
            for (uint32_t y = ty; y < y_end; ++y) {
                uint8_t* out = dst + static_cast<size_t>(y) * dst_stride + static_cast<size_t>(tx) * N;
                const uint8_t* in = origin + static_cast<ptrdiff_t>(tx) * step_x + static_cast<ptrdiff_t>(y) * step_y;
                for (uint32_t x = tx; x < x_end; ++x, out += N, in += step_x)
                    std::memcpy(out, in, N);
            }
        }
    }
}

/* Widens 1- or 4-bit indices to bytes (or narrows them back). */
void rt_unpack(const raster& src, std::vector<uint8_t>& bytes) {
    const uint32_t bpp = GetPixelFormatSize(src.format);
    const uint32_t per_byte = 8 / bpp;
    const uint32_t mask = (1u << bpp) - 1;
    for (uint32_t y = 0; y < src.height; ++y) {
        const uint8_t* row = src.pixels.data() + static_cast<size_t>(y) * src.stride;
        uint8_t* out = bytes.data() + static_cast<size_t>(y) * src.width;
        for (uint32_t x = 0; x < src.width; ++x) {
            const uint32_t shift = (per_byte - 1 - x % per_byte) * bpp;
            out[x] = static_cast<uint8_t>((row[x / per_byte] >> shift) & mask);
        }
    }
}

void rt_pack(const std::vector<uint8_t>& bytes, raster& out) {
    const uint32_t bpp = GetPixelFormatSize(out.format);
    const uint32_t per_byte = 8 / bpp;
    std::fill(out.pixels.begin(), out.pixels.end(), uint8_t{0});
    for (uint32_t y = 0; y < out.height; ++y) {
        const uint8_t* in = bytes.data() + static_cast<size_t>(y) * out.width;
        uint8_t* row = out.pixels.data() + static_cast<size_t>(y) * out.stride;
        for (uint32_t x = 0; x < out.width; ++x) {
            const uint32_t shift = (per_byte - 1 - x % per_byte) * bpp;
            row[x / per_byte] = static_cast<uint8_t>(row[x / per_byte] | (in[x] << shift));
        }
    }
}

/* Source byte offset of destination (0, 0) and the steps per destination x
 * and y, for a source of width x height pixels of n bytes, rows stride apart. */
void rt_mapping(RotateFlipType type, uint32_t width, uint32_t height, size_t n, size_t stride, ptrdiff_t& origin,
                ptrdiff_t& step_x, ptrdiff_t& step_y) {
    const ptrdiff_t px = static_cast<ptrdiff_t>(n);
    const ptrdiff_t row = static_cast<ptrdiff_t>(stride);
    const ptrdiff_t last_x = static_cast<ptrdiff_t>(width) - 1;
    const ptrdiff_t last_y = static_cast<ptrdiff_t>(height) - 1;
    switch (type) {
    case RotateNoneFlipNone:
        origin = 0;
        step_x = px;
        step_y = row;
        break;
    /* Clockwise: destination (x, y) is source (y, height - 1 - x). */
    case Rotate90FlipNone:
        origin = last_y * row;
        step_x = -row;
        step_y = px;
        break;
    case Rotate180FlipNone:
        origin = last_y * row + last_x * px;
        step_x = -px;
        step_y = -row;
        break;
    /* Destination (x, y) is source (width - 1 - y, x). */
    case Rotate270FlipNone:
        origin = last_x * px;
        step_x = row;
        step_y = -px;
        break;
    case RotateNoneFlipX:
        origin = last_x * px;
        step_x = -px;
        step_y = row;
        break;
    /* Rotate90 then mirror: destination (x, y) is source (y, x). */
    case Rotate90FlipX:
        origin = 0;
        step_x = row;
        step_y = px;
        break;
    case Rotate180FlipX:
        origin = last_y * row;
        step_x = px;
        step_y = -row;
        break;
    /* Destination (x, y) is source (width - 1 - y, height - 1 - x). */
    case Rotate270FlipX:
        origin = last_y * row + last_x * px;
        step_x = -row;
        step_y = -px;
        break;
    }
}

} // namespace

GpStatus rotate_flip(const raster& src, RotateFlipType type, raster& out) {
    if (type < RotateNoneFlipNone || type > Rotate270FlipX)
        return InvalidParameter;
    const bool swap = (type & 1) != 0;
    raster result;
    GpStatus status = make_raster(swap ? src.height : src.width, swap ? src.width : src.height, src.format, result);
    if (status != Ok)
        return status;
    result.palette = src.palette;
    result.palette_flags = src.palette_flags;
    const uint32_t bpp = GetPixelFormatSize(src.format);
    try {
        if (bpp < 8) {
            /* Sizes were checked by make_raster: width x height fits in memory. */
            std::vector<uint8_t> wide(static_cast<size_t>(src.width) * src.height);
            std::vector<uint8_t> turned(wide.size());
            rt_unpack(src, wide);
            ptrdiff_t origin = 0, step_x = 0, step_y = 0;
            rt_mapping(type, src.width, src.height, 1, src.width, origin, step_x, step_y);
            rt_copy_blocked<1>(wide.data() + origin, step_x, step_y, turned.data(), result.width, result.width,
                               result.height);
            rt_pack(turned, result);
        } else {
            ptrdiff_t origin = 0, step_x = 0, step_y = 0;
            const size_t n = bpp / 8;
            rt_mapping(type, src.width, src.height, n, src.stride, origin, step_x, step_y);
            const uint8_t* base = src.pixels.data() + origin;
            switch (n) {
            case 1:
                rt_copy_blocked<1>(base, step_x, step_y, result.pixels.data(), result.stride, result.width,
                                   result.height);
                break;
            case 3:
                rt_copy_blocked<3>(base, step_x, step_y, result.pixels.data(), result.stride, result.width,
                                   result.height);
                break;
            default:
                rt_copy_blocked<4>(base, step_x, step_y, result.pixels.data(), result.stride, result.width,
                                   result.height);
                break;
            }
        }
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
    out = std::move(result);
    return Ok;
}

} // namespace gp
