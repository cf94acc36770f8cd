/*
 * codec_ico.cpp - ICO (and CUR) reader.
 *
 * Picks the best entry of the directory: the largest, then the deepest, as
 * the entries' own headers say (the directory's size and depth fields are
 * often wrong or zero). Bitmap entries are read by the shared DIB reader
 * with their AND mask as alpha; PNG entries by the PNG decoder. The result
 * is always 32bppARGB.
 */
#include "codec_bmp.h"
#include "codec_util.h"

#include <algorithm>
#include <cstring>

namespace gp {
namespace {

constexpr size_t kDirHeader = 6;
constexpr size_t kDirEntry = 16;
constexpr uint32_t kMaxEntries = 1024;

struct ic_entry {
    const uint8_t* data = nullptr;
    size_t size = 0;
    bool png = false;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t depth = 0;
};

bool ic_sniff(const uint8_t* data, size_t size) {
    if (size < kDirHeader + kDirEntry || data[0] != 0 || data[1] != 0)
        return false;
    const uint16_t type = cu_le16(data + 2);
    return (type == 1 || type == 2) && cu_le16(data + 4) > 0;
}

/* Reads the image header an entry points to; false when it is unusable. */
bool ic_describe(const uint8_t* file, size_t size, size_t dirAt, const decode_limits& limits, ic_entry& e) {
    const uint8_t* d = file + dirAt;
    const uint32_t bytes = cu_le32(d + 8), offset = cu_le32(d + 12);
    if (offset >= size || bytes == 0)
        return false;
    e.data = file + offset;
    e.size = std::min<size_t>(bytes, size - offset); /* a short last entry is read as far as it goes */
    image_info info;
    if (kPngDecoder.sniff(e.data, e.size)) {
        e.png = true;
        e.depth = 32;
        if (kPngDecoder.probe(e.data, e.size, limits, info) != Ok)
            return false;
        e.width = info.width;
        e.height = info.height;
        return true;
    }
    PixelFormat format = 0;
    if (bm_probe_dib(bm_dib_source{e.data, e.size, 0, true}, limits, e.width, e.height, format) != Ok)
        return false;
    e.depth = e.size >= 16 ? cu_le16(e.data + 14) : 0;
    return true;
}

/* The best usable entry; ValueOverflow when the only ones are too large. */
GpStatus ic_best(const uint8_t* data, size_t size, const decode_limits& limits, ic_entry& best) {
    const uint32_t count = std::min<uint32_t>(cu_le16(data + 4), kMaxEntries);
    bool any = false, tooLarge = false;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t at = kDirHeader + size_t{i} * kDirEntry;
        if (at + kDirEntry > size)
            break;
        ic_entry e;
        if (!ic_describe(data, size, at, limits, e)) {
            /* Tell an entry over the limits from a broken one by its directory size. */
            const uint32_t w = data[at] ? data[at] : 256u, h = data[at + 1] ? data[at + 1] : 256u;
            tooLarge = tooLarge || cu_check_size(w, h, limits) == ValueOverflow;
            continue;
        }
        const uint64_t area = uint64_t{e.width} * e.height, bestArea = uint64_t{best.width} * best.height;
        if (!any || area > bestArea || (area == bestArea && e.depth > best.depth)) {
            best = e;
            any = true;
        }
    }
    if (any)
        return Ok;
    return tooLarge ? ValueOverflow : GenericError;
}

GpStatus ic_probe(const uint8_t* data, size_t size, const decode_limits& limits, image_info& info) {
    ic_entry best;
    const GpStatus st = ic_best(data, size, limits, best);
    if (st != Ok)
        return st;
    info.width = best.width;
    info.height = best.height;
    info.format = PixelFormat32bppARGB;
    info.raw_format = ImageFormatIcon;
    return Ok;
}

/* Any raster the PNG decoder gives, as 32bppARGB. */
void ic_to_argb(raster& r) {
    if (r.format == PixelFormat32bppARGB)
        return;
    r.pixels = cu_to_bgra(r); /* packed rows of 4 bytes a pixel: the stride of 32bppARGB */
    r.format = PixelFormat32bppARGB;
    r.stride = r.width * 4;
    r.palette.clear();
    r.palette_flags = 0;
}

GpStatus ic_decode(const uint8_t* data, size_t size, const decode_limits& limits, raster& out) {
    ic_entry best;
    GpStatus st = ic_best(data, size, limits, best);
    if (st != Ok)
        return st;
    if (!best.png)
        return bm_read_dib(bm_dib_source{best.data, best.size, 0, true}, limits, out);
    st = kPngDecoder.decode(best.data, best.size, 0, limits, out);
    if (st == Ok)
        ic_to_argb(out);
    return st;
}

} // namespace

const decoder kIcoDecoder = cu_decoder<ic_sniff, ic_probe, ic_decode>("ICO");

} // namespace gp
