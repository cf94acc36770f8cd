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

/* Widens 1- or 4-bit indices to one byte each. */
void rt_unpack(const raster& src, uint8_t* bytes) {
    const uint32_t bpp = GetPixelFormatSize(src.format);
    for (uint32_t y = 0; y < src.height; ++y, bytes += src.width)
        for (uint32_t x = 0; x < src.width; ++x)
            bytes[x] = static_cast<uint8_t>(index_at(src.pixels.data() + static_cast<size_t>(y) * src.stride, bpp, x));
}

/* Narrows one byte per index back into out's rows. */
void rt_pack(const uint8_t* bytes, raster& out) {
    const uint32_t bpp = GetPixelFormatSize(out.format);
    for (uint32_t y = 0; y < out.height; ++y, bytes += out.width)
        for (uint32_t x = 0; x < out.width; ++x)
            set_index(out.pixels.data() + static_cast<size_t>(y) * out.stride, bpp, x, bytes[x]);
}

/* The source steps per destination x and y of each type: 1 is one pixel
 * right, 2 one row down, negative the opposite way. Type 1 (clockwise):
 * destination (x, y) is source (y, height - 1 - x); type 3: (width - 1 - y,
 * x); type 5 (Rotate90 then mirror): (y, x). */
constexpr int rt_steps[8][2] = {{1, 2}, {-2, 1}, {-1, -2}, {2, -1}, {-1, 2}, {2, 1}, {1, -2}, {-2, -1}};

/* Source byte offset of destination (0, 0) and the steps per destination x
 * and y, for a source of width x height pixels of n bytes, rows stride apart:
 * an axis walked backwards starts at its far end. */
void rt_mapping(RotateFlipType type, uint32_t width, uint32_t height, size_t n, size_t stride, ptrdiff_t& origin,
                ptrdiff_t step[2]) {
    const ptrdiff_t unit[2] = {static_cast<ptrdiff_t>(n), static_cast<ptrdiff_t>(stride)};
    const ptrdiff_t last[2] = {static_cast<ptrdiff_t>(width) - 1, static_cast<ptrdiff_t>(height) - 1};
    origin = 0;
    for (int i = 0; i < 2; ++i) {
        const int code = rt_steps[type][i];
        const int axis = code < 0 ? -code - 1 : code - 1;
        step[i] = code < 0 ? -unit[axis] : unit[axis];
        if (code < 0)
            origin += last[axis] * unit[axis];
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
    return guard_alloc([&] {
        const uint8_t* from = src.pixels.data();
        uint8_t* to = result.pixels.data();
        size_t n = bpp / 8;
        size_t from_stride = src.stride;
        size_t to_stride = result.stride;
        std::vector<uint8_t> wide;
        std::vector<uint8_t> turned;
        if (bpp < 8) {
            /* Sizes were checked by make_raster: width x height fits in memory. */
            wide.resize(static_cast<size_t>(src.width) * src.height);
            turned.resize(wide.size());
            rt_unpack(src, wide.data());
            from = wide.data();
            to = turned.data();
            n = 1;
            from_stride = src.width;
            to_stride = result.width;
        }
        ptrdiff_t origin = 0;
        ptrdiff_t step[2] = {0, 0};
        rt_mapping(type, src.width, src.height, n, from_stride, origin, step);
        const auto copy = n == 1 ? rt_copy_blocked<1> : n == 3 ? rt_copy_blocked<3> : rt_copy_blocked<4>;
        copy(from + origin, step[0], step[1], to, static_cast<uint32_t>(to_stride), result.width, result.height);
        if (bpp < 8)
            rt_pack(turned.data(), result);
        out = std::move(result);
        return Ok;
    });
}

} // namespace gp
