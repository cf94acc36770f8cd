/*
 * codec_png_idat.cpp - filtering and compressing a truecolour PNG's rows.
 */
#include "codec_png_idat.h"

#include "codec_util.h"

#include <libdeflate.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace gp {

namespace {

uint8_t pi_paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    if (pa <= pb && pa <= pc)
        return static_cast<uint8_t>(a);
    return static_cast<uint8_t>(pb <= pc ? b : c);
}

enum pi_filter : uint8_t { kNone, kSub, kUp, kAverage, kPaeth, kFilters };

/* The row under filter f (left of the first pixel and above the first row
 * read as 0). */
void pi_apply(pi_filter f, const uint8_t* row, const uint8_t* up, size_t bytes, size_t bpp, uint8_t* out) {
    switch (f) {
    case kNone: std::memcpy(out, row, bytes); break;
    case kSub:
        for (size_t i = 0; i < bytes; ++i)
            out[i] = static_cast<uint8_t>(row[i] - (i >= bpp ? row[i - bpp] : 0));
        break;
    case kUp:
        for (size_t i = 0; i < bytes; ++i)
            out[i] = static_cast<uint8_t>(row[i] - up[i]);
        break;
    case kAverage:
        for (size_t i = 0; i < bytes; ++i)
            out[i] = static_cast<uint8_t>(row[i] - (((i >= bpp ? row[i - bpp] : 0) + up[i]) >> 1));
        break;
    default:
        for (size_t i = 0; i < bpp; ++i)
            out[i] = static_cast<uint8_t>(row[i] - up[i]);
        for (size_t i = bpp; i < bytes; ++i)
            out[i] = static_cast<uint8_t>(row[i] - pi_paeth(row[i - bpp], up[i], up[i - bpp]));
        break;
    }
}

/* How far the filtered bytes lie from 0, read as signed. */
uint64_t pi_distance(const uint8_t* bytes, size_t count) {
    uint64_t sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum += bytes[i] < 128 ? bytes[i] : 256 - bytes[i];
    return sum;
}

/* Writes the filter byte and the filtered row at out, keeping of all
 * filters the one whose output lies nearest to 0 (the earlier on a tie). */
void pi_filter_row(const uint8_t* row, const uint8_t* up, size_t bytes, size_t bpp, uint8_t* scratch, uint8_t* out) {
    uint64_t best = UINT64_MAX;
    for (uint8_t f = kNone; f < kFilters; ++f) {
        pi_apply(static_cast<pi_filter>(f), row, up, bytes, bpp, scratch);
        const uint64_t distance = pi_distance(scratch, bytes);
        if (distance < best) {
            best = distance;
            out[0] = f;
            std::memcpy(out + 1, scratch, bytes);
        }
    }
}

} // namespace

bool pn_compress_truecolour(const raster& r, std::vector<uint8_t>& zlib) {
    const uint32_t bpp = r.format == PixelFormat32bppARGB ? 4 : 3;
    const uint32_t fromStep = r.format == PixelFormat24bppRGB ? 3 : 4;
    const size_t bytes = size_t{r.width} * bpp;
    const uint64_t filtered_size = uint64_t{r.height} * (bytes + 1);
    if (filtered_size > kWholeImageBytes)
        return false;
    const cu_owned<libdeflate_compressor, libdeflate_free_compressor> compressor(libdeflate_alloc_compressor(6));
    if (!compressor)
        return false;
    /* Left uninitialised: every filtered byte is written below, and of the
     * output only what the compressor writes is ever touched. */
    const size_t bound = libdeflate_zlib_compress_bound(compressor.get(), filtered_size);
    const std::unique_ptr<uint8_t[]> filtered(new (std::nothrow) uint8_t[filtered_size]);
    const std::unique_ptr<uint8_t[]> compressed(new (std::nothrow) uint8_t[bound]);
    /* Two rows in turn, the one above starting as zeros, and a scratch row. */
    const std::unique_ptr<uint8_t[]> rows(new (std::nothrow) uint8_t[3 * bytes]());
    if (!filtered || !compressed || !rows)
        return false;
    for (uint32_t y = 0; y < r.height; ++y) {
        uint8_t* row = rows.get() + (y % 2) * bytes;
        const uint8_t* up = rows.get() + ((y + 1) % 2) * bytes;
        /* in PNG byte order: red, green, blue (and alpha) */
        cu_swap_red_blue(r.pixels.data() + size_t{y} * r.stride, fromStep, row, bpp, r.width);
        pi_filter_row(row, up, bytes, bpp, rows.get() + 2 * bytes, filtered.get() + y * (bytes + 1));
    }
    const size_t size =
        libdeflate_zlib_compress(compressor.get(), filtered.get(), filtered_size, compressed.get(), bound);
    return size > 0 && cu_append(zlib, compressed.get(), size);
}

} // namespace gp
