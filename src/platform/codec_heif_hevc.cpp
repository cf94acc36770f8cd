/*
 * codec_heif_hevc.cpp - the reduced decode of HEVC-coded HEIF pictures
 * straight through libde265.
 *
 * libheif 1.15 turns every decoded picture into full-size planar RGB before
 * it hands it out, whatever colour space is asked for: for a 12 MP photo
 * drawn at 800 px that is 36 MB converted, written and mostly thrown away.
 * When a draw is served by a half, a quarter or an eighth of the picture,
 * this path finds the coded pictures in the file's boxes itself, decodes them
 * with libde265 and averages blocks of the Y, Cb and Cr planes straight into
 * the smaller RGB raster, tile by tile for a grid.
 *
 * The boxes read (meta: pitm, iinf, iloc, iprp, iref) are the ones libheif
 * has already parsed and accepted for the same file; every size and offset
 * is still checked against its range here. Whatever this path does not do
 * (other item types, data in idat or another file, clap, other bit depths or
 * chroma formats, matrices other than BT.601, BT.709 and BT.2020) is left to
 * libheif by returning NotImplemented.
 */
#include "codec_heif_hevc.h"
#include "codec_util.h"

#include <libde265/de265.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace gp {

bool hv_next_box(const uint8_t* data, size_t& at, size_t end, heif_box& box) {
    if (at > end || end - at < 8)
        return false;
    uint64_t boxSize = cu_be32(data + at);
    size_t header = 8;
    if (boxSize == 1) {
        if (end - at < 16)
            return false;
        boxSize = uint64_t{cu_be32(data + at + 8)} << 32 | cu_be32(data + at + 12);
        header = 16;
    } else if (boxSize == 0) {
        boxSize = end - at; /* runs to the end of its parent */
    }
    if (boxSize < header || boxSize > end - at)
        return false;
    std::memcpy(box.type, data + at + 4, 4);
    box.begin = at + header;
    box.end = at + static_cast<size_t>(boxSize);
    at = box.end;
    return true;
}

bool hv_child(const uint8_t* data, size_t begin, size_t end, const char* type, heif_box& found) {
    heif_box box;
    for (size_t at = begin; hv_next_box(data, at, end, box);)
        if (std::memcmp(box.type, type, 4) == 0) {
            found = box;
            return true;
        }
    return false;
}

namespace {

/* Items of a grid looked at; phones write 48 tiles for 12 MP. */
constexpr uint32_t kMaxTiles = 4096;
/* Properties of one item followed; a picture has a handful. */
constexpr int kMaxAssociations = 64;

bool hv_is(const heif_box& box, const char* type) {
    return std::memcmp(box.type, type, 4) == 0;
}

/* Big-endian reads within [at, end); ok turns false at the first read past
 * the end, and every later read gives 0. */
struct hv_reader {
    const uint8_t* data;
    size_t at;
    size_t end;
    bool ok = true;

    uint64_t u(unsigned bytes) {
        if (!ok || end - at < bytes) {
            ok = false;
            return 0;
        }
        uint64_t v = 0;
        for (unsigned i = 0; i < bytes; ++i)
            v = v << 8 | data[at++];
        return v;
    }
};

/* The meta box's children this path reads. */
struct hv_meta {
    const uint8_t* data = nullptr;
    size_t size = 0;
    uint32_t primary = 0;
    heif_box iinf, iloc, ipco, ipma, iref, idat;
    bool has_iref = false;
    bool has_idat = false;
};

/* Where an item's coded bytes lie in the file. */
struct hv_extent {
    uint64_t offset;
    uint64_t length;
};

/* What one picture item gives the decode. */
struct hv_item {
    uint32_t type = 0;
    std::vector<hv_extent> extents;
    heif_box hvcc;
    bool has_hvcc = false;
    uint32_t width = 0; /* ispe: the coded size */
    uint32_t height = 0;
    /* Its rotations and mirrors in the file's order, as EXIF orientations. */
    std::vector<int> turns;
    bool cropped = false;
};

constexpr uint32_t hv_fourcc(const char (&s)[5]) {
    return uint32_t(uint8_t(s[0])) << 24 | uint32_t(uint8_t(s[1])) << 16 | uint32_t(uint8_t(s[2])) << 8 |
           uint32_t(uint8_t(s[3]));
}

bool hv_read_meta(const uint8_t* data, size_t size, hv_meta& m) {
    m.data = data;
    m.size = size;
    heif_box meta, pitm, iprp;
    /* meta and the item boxes are full boxes: 4 bytes of version and flags. */
    if (!hv_child(data, 0, size, "meta", meta) || meta.end - meta.begin < 4)
        return false;
    const size_t begin = meta.begin + 4;
    if (!hv_child(data, begin, meta.end, "pitm", pitm) || !hv_child(data, begin, meta.end, "iinf", m.iinf) ||
        !hv_child(data, begin, meta.end, "iloc", m.iloc) || !hv_child(data, begin, meta.end, "iprp", iprp) ||
        !hv_child(data, iprp.begin, iprp.end, "ipco", m.ipco) || !hv_child(data, iprp.begin, iprp.end, "ipma", m.ipma))
        return false;
    m.has_iref = hv_child(data, begin, meta.end, "iref", m.iref);
    m.has_idat = hv_child(data, begin, meta.end, "idat", m.idat);
    hv_reader r{data, pitm.begin, pitm.end};
    const uint64_t version = r.u(1);
    r.u(3);
    m.primary = static_cast<uint32_t>(r.u(version == 0 ? 2 : 4));
    return r.ok;
}

bool hv_item_type(const hv_meta& m, uint32_t id, uint32_t& type) {
    hv_reader r{m.data, m.iinf.begin, m.iinf.end};
    const uint64_t version = r.u(1);
    r.u(3);
    r.u(version == 0 ? 2 : 4); /* entry count: the boxes say it again */
    heif_box box;
    for (size_t at = r.at; r.ok && hv_next_box(m.data, at, m.iinf.end, box);) {
        hv_reader e{m.data, box.begin, box.end};
        const uint64_t entryVersion = e.u(1);
        e.u(3);
        if (!hv_is(box, "infe") || entryVersion < 2)
            continue;
        const uint64_t entryId = e.u(entryVersion == 2 ? 2 : 4);
        e.u(2); /* protection index */
        const auto entryType = static_cast<uint32_t>(e.u(4));
        if (e.ok && entryId == id) {
            type = entryType;
            return true;
        }
    }
    return false;
}

/* The item's extents from iloc, as offsets into the file: data in the file
 * (construction method 0) or in meta's idat box (1, as phones store a grid's
 * layout), every extent inside it; none from another file or item. */
bool hv_item_extents(const hv_meta& m, uint32_t id, std::vector<hv_extent>& out) {
    hv_reader r{m.data, m.iloc.begin, m.iloc.end};
    const uint64_t version = r.u(1);
    r.u(3);
    const uint64_t sizes = r.u(1), moreSizes = r.u(1);
    const unsigned offsetSize = unsigned(sizes >> 4), lengthSize = unsigned(sizes & 15);
    const unsigned baseSize = unsigned(moreSizes >> 4), indexSize = version == 0 ? 0 : unsigned(moreSizes & 15);
    for (unsigned s : {offsetSize, lengthSize, baseSize, indexSize})
        if (s != 0 && s != 4 && s != 8)
            return false;
    if (version > 2)
        return false;
    const uint64_t count = r.u(version < 2 ? 2 : 4);
    for (uint64_t i = 0; i < count && r.ok; ++i) {
        const uint64_t itemId = r.u(version < 2 ? 2 : 4);
        const uint64_t method = version == 0 ? 0 : r.u(2) & 15;
        const uint64_t reference = r.u(2);
        const uint64_t base = r.u(baseSize);
        const uint64_t extents = r.u(2);
        for (uint64_t e = 0; e < extents && r.ok; ++e) {
            r.u(indexSize);
            const uint64_t offset = r.u(offsetSize), length = r.u(lengthSize);
            if (itemId == id)
                out.push_back({base + offset, length});
        }
        if (itemId != id)
            continue;
        if (!r.ok || method > 1 || (method == 1 && !m.has_idat) || reference != 0 || out.empty())
            return false;
        const size_t begin = method == 0 ? 0 : m.idat.begin, end = method == 0 ? m.size : m.idat.end;
        for (hv_extent& x : out) {
            if (x.length == 0 || x.offset < base || x.offset > end - begin || x.length > end - begin - x.offset)
                return false;
            x.offset += begin;
        }
        return true;
    }
    return false;
}

/* Applies property index (from 1) of ipco to item. */
void hv_take_property(const hv_meta& m, uint64_t index, hv_item& item) {
    heif_box box;
    size_t at = m.ipco.begin;
    for (uint64_t i = 1; hv_next_box(m.data, at, m.ipco.end, box); ++i) {
        if (i != index)
            continue;
        hv_reader r{m.data, box.begin, box.end};
        if (hv_is(box, "hvcC")) {
            item.hvcc = box;
            item.has_hvcc = true;
        } else if (hv_is(box, "ispe")) {
            r.u(4);
            item.width = static_cast<uint32_t>(r.u(4));
            item.height = static_cast<uint32_t>(r.u(4));
        } else if (hv_is(box, "irot")) {
            /* Quarter turns anticlockwise: none, 270, 180 and 90 degrees clockwise. */
            static constexpr int kTurns[4] = {1, 8, 3, 6};
            item.turns.push_back(kTurns[r.u(1) & 3]);
        } else if (hv_is(box, "imir")) {
            /* Axis 0 is vertical: left and right change places. */
            item.turns.push_back((r.u(1) & 1) == 0 ? 2 : 4);
        } else if (hv_is(box, "clap")) {
            item.cropped = true;
        }
        item.cropped = item.cropped || !r.ok;
        return;
    }
}

bool hv_item_properties(const hv_meta& m, uint32_t id, hv_item& item) {
    hv_reader r{m.data, m.ipma.begin, m.ipma.end};
    const uint64_t version = r.u(1);
    const uint64_t flags = r.u(3);
    const uint64_t count = r.u(4);
    for (uint64_t i = 0; i < count && r.ok; ++i) {
        const uint64_t itemId = r.u(version < 1 ? 2 : 4);
        const uint64_t associations = r.u(1);
        for (uint64_t a = 0; a < associations && r.ok; ++a) {
            const uint64_t index = (flags & 1) != 0 ? r.u(2) & 0x7FFF : r.u(1) & 0x7F;
            if (itemId == id && index != 0 && a < kMaxAssociations)
                hv_take_property(m, index, item);
        }
        if (itemId == id)
            return r.ok;
    }
    return false;
}

bool hv_read_item(const hv_meta& m, uint32_t id, hv_item& item) {
    return hv_item_type(m, id, item.type) && hv_item_extents(m, id, item.extents) && hv_item_properties(m, id, item);
}

/* ---- Decoding ---------------------------------------------------------------- */

/* Feeds the NAL units of lengthSize-byte lengths in [at, end) to the decoder. */
bool hv_push_units(de265_decoder_context* ctx, const uint8_t* data, size_t at, size_t end, unsigned lengthSize) {
    while (at < end) {
        hv_reader r{data, at, end};
        const uint64_t length = r.u(lengthSize);
        if (!r.ok || length > end - r.at || de265_push_NAL(ctx, data + r.at, int(length), 0, nullptr) != DE265_OK)
            return false;
        at = r.at + static_cast<size_t>(length);
    }
    return true;
}

/* True when the hvcC record announces 8-bit 4:2:0 pictures. */
bool hv_is_plain_420(const uint8_t* data, const heif_box& hvcc) {
    /* Bytes 16-18 of the record: chroma format, luma and chroma bit depth - 8. */
    return hvcc.end - hvcc.begin >= 23 && (data[hvcc.begin + 16] & 3) == 1 && (data[hvcc.begin + 17] & 7) == 0 &&
           (data[hvcc.begin + 18] & 7) == 0;
}

/* Pushes the parameter sets of the hvcC record, then the item's data. */
bool hv_push_item(de265_decoder_context* ctx, const hv_meta& m, const hv_item& item) {
    hv_reader r{m.data, item.hvcc.begin + 21, item.hvcc.end};
    const auto lengthSize = unsigned((r.u(1) & 3) + 1);
    const uint64_t arrays = r.u(1);
    for (uint64_t a = 0; a < arrays && r.ok; ++a) {
        r.u(1); /* completeness and NAL unit type */
        const uint64_t units = r.u(2);
        for (uint64_t n = 0; n < units && r.ok; ++n) {
            const uint64_t length = r.u(2);
            if (!r.ok || length > r.end - r.at ||
                de265_push_NAL(ctx, m.data + r.at, int(length), 0, nullptr) != DE265_OK)
                return false;
            r.at += static_cast<size_t>(length);
        }
    }
    if (!r.ok || lengthSize == 3)
        return false;
    if (item.extents.size() == 1) {
        const size_t at = static_cast<size_t>(item.extents[0].offset);
        return hv_push_units(ctx, m.data, at, at + static_cast<size_t>(item.extents[0].length), lengthSize);
    }
    /* Units may run across extents: join them first. */
    std::vector<uint8_t> joined;
    for (const hv_extent& e : item.extents)
        if (!cu_append(joined, m.data + e.offset, static_cast<size_t>(e.length)))
            return false;
    return hv_push_units(ctx, joined.data(), 0, joined.size(), lengthSize);
}

/* YCbCr to RGB for one matrix and range, on 0..255 values. */
struct hv_matrix {
    float y_scale, y_offset, c_scale;
    float r_cr, g_cb, g_cr, b_cb;
};

bool hv_make_matrix(int matrix, bool fullRange, hv_matrix& out) {
    float kr = 0.299f, kb = 0.114f; /* BT.601, also for an unspecified matrix (2) */
    if (matrix == 1) {
        kr = 0.2126f;
        kb = 0.0722f;
    } else if (matrix == 9) {
        kr = 0.2627f;
        kb = 0.0593f;
    } else if (matrix != 2 && matrix != 5 && matrix != 6) {
        return false;
    }
    const float kg = 1 - kr - kb;
    out.y_scale = fullRange ? 1.0f : 255.0f / 219.0f;
    out.y_offset = fullRange ? 0.0f : 16.0f;
    out.c_scale = fullRange ? 1.0f : 255.0f / 224.0f;
    out.r_cr = 2 * (1 - kr);
    out.b_cb = 2 * (1 - kb);
    out.g_cb = -2 * kb * (1 - kb) / kg;
    out.g_cr = -2 * kr * (1 - kr) / kg;
    return true;
}

uint8_t hv_clamp(float v) {
    return static_cast<uint8_t>(std::clamp(v, 0.0f, 255.0f) + 0.5f);
}

/* Adds the sums of runs of 2^Shift samples of row (width samples) to sums,
 * one per run; the last run may be shorter. */
template <unsigned Shift> void hv_add_runs(const uint8_t* row, uint32_t width, uint32_t* sums) {
    constexpr uint32_t kRun = 1u << Shift;
    const uint32_t whole = width >> Shift;
    for (uint32_t b = 0; b < whole; ++b, row += kRun) {
        uint32_t t = 0;
        for (uint32_t k = 0; k < kRun; ++k)
            t += row[k];
        sums[b] += t;
    }
    for (uint32_t k = 0; k < (width & (kRun - 1)); ++k)
        sums[whole] += row[k];
}

void hv_add_row(const uint8_t* row, uint32_t width, unsigned shift, uint32_t* sums) {
    static constexpr void (*kAddRuns[])(const uint8_t*, uint32_t, uint32_t*) = {hv_add_runs<0>, hv_add_runs<1>,
                                                                                hv_add_runs<2>, hv_add_runs<3>};
    kAddRuns[std::min(shift, 3u)](row, width, sums);
}

/* One decoded picture's planes. */
struct hv_planes {
    const uint8_t* plane[3];
    int stride[3];
};

/* Averages denom x denom blocks of the picture's area [0, width) x [0, height)
 * (its 4:2:0 chroma over denom/2 x denom/2) into out, from pixel (x0, y0) on
 * and within out. shift: log2 of denom. */
void hv_reduce(const hv_planes& p, uint32_t width, uint32_t height, unsigned shift, const hv_matrix& mx, raster& out,
               uint32_t x0, uint32_t y0) {
    const uint32_t denom = 1u << shift;
    const uint32_t outWidth = std::min(cu_scaled(width, denom), out.width - x0);
    const uint32_t outHeight = std::min(cu_scaled(height, denom), out.height - y0);
    const uint32_t chromaWidth = (width + 1) / 2, chromaHeight = (height + 1) / 2;
    /* Block sums of Y, Cb and Cr, one run of the row each; wide enough for
     * the picture's last block even where out cuts it off. */
    const size_t run = cu_scaled(width, denom);
    std::vector<uint32_t> sums(run * 3);
    uint32_t* const sumY = sums.data();
    uint32_t* const sumCb = sumY + run;
    uint32_t* const sumCr = sumCb + run;
    for (uint32_t oy = 0; oy < outHeight; ++oy) {
        std::fill(sums.begin(), sums.end(), 0u);
        const uint32_t yEnd = std::min(height, (oy + 1) << shift);
        for (uint32_t y = oy << shift; y < yEnd; ++y)
            hv_add_row(p.plane[0] + size_t(y) * size_t(p.stride[0]), width, shift, sumY);
        const uint32_t cyEnd = std::min(chromaHeight, (oy + 1) << (shift - 1));
        for (uint32_t cy = oy << (shift - 1); cy < cyEnd; ++cy) {
            hv_add_row(p.plane[1] + size_t(cy) * size_t(p.stride[1]), chromaWidth, shift - 1, sumCb);
            hv_add_row(p.plane[2] + size_t(cy) * size_t(p.stride[2]), chromaWidth, shift - 1, sumCr);
        }
        const uint32_t rows = yEnd - (oy << shift), chromaRows = cyEnd - (oy << (shift - 1));
        uint8_t* dst = out.pixels.data() + size_t(y0 + oy) * out.stride + size_t(x0) * 3;
        for (uint32_t ox = 0; ox < outWidth; ++ox, dst += 3) {
            const uint32_t columns = std::min(width, (ox + 1) << shift) - (ox << shift);
            const uint32_t chromaColumns = std::min(chromaWidth, (ox + 1) << (shift - 1)) - (ox << (shift - 1));
            const float chromaScale = mx.c_scale / float(chromaRows * chromaColumns);
            const float y = (float(sumY[ox]) / float(rows * columns) - mx.y_offset) * mx.y_scale;
            const float cb = float(sumCb[ox]) * chromaScale - 128 * mx.c_scale;
            const float cr = float(sumCr[ox]) * chromaScale - 128 * mx.c_scale;
            dst[0] = hv_clamp(y + mx.b_cb * cb);
            dst[1] = hv_clamp(y + mx.g_cb * cb + mx.g_cr * cr);
            dst[2] = hv_clamp(y + mx.r_cr * cr);
        }
    }
}

/* Decodes one picture item and averages the area [0, width) x [0, height) of
 * it into out at (x0, y0). */
GpStatus hv_decode_item(const hv_meta& m, const hv_item& item, uint32_t width, uint32_t height, unsigned shift,
                        const hevc_colour& colour, raster& out, uint32_t x0, uint32_t y0) {
    const cu_owned<de265_decoder_context, de265_free_decoder> decoder(de265_new_decoder());
    de265_decoder_context* ctx = decoder.get();
    if (ctx == nullptr)
        return OutOfMemory;
    /* One worker thread, as libheif's own libde265 decoder runs it: libde265
     * then carries on past a damaged slice where its single-threaded decode
     * stops, so a damaged file gives the same picture either way. The calling
     * thread waits meanwhile; the CPU time is the same. Without the thread the
     * decode still runs, on this one. */
    de265_start_worker_threads(ctx, 1);
    if (!hv_push_item(ctx, m, item) || de265_flush_data(ctx) != DE265_OK)
        return GenericError;
    const de265_image* picture = nullptr;
    for (int more = 1; more != 0 && picture == nullptr;) {
        more = 0;
        if (de265_decode(ctx, &more) != DE265_OK)
            break;
        picture = de265_get_next_picture(ctx);
    }
    if (picture == nullptr || de265_get_chroma_format(picture) != de265_chroma_420 ||
        de265_get_image_width(picture, 0) != int64_t{item.width} ||
        de265_get_image_height(picture, 0) != int64_t{item.height} || de265_get_bits_per_pixel(picture, 0) != 8 ||
        de265_get_bits_per_pixel(picture, 1) != 8 || de265_get_bits_per_pixel(picture, 2) != 8)
        return GenericError;
    hv_matrix mx{};
    const bool known = colour.known ? hv_make_matrix(colour.matrix, colour.full_range, mx)
                                    : hv_make_matrix(de265_get_image_matrix_coefficients(picture),
                                                     de265_get_image_full_range_flag(picture) != 0, mx);
    if (!known)
        return NotImplemented;
    hv_planes planes{};
    for (int c = 0; c < 3; ++c)
        planes.plane[c] = de265_get_image_plane(picture, c, &planes.stride[c]);
    if (planes.plane[0] == nullptr || planes.plane[1] == nullptr || planes.plane[2] == nullptr)
        return GenericError;
    hv_reduce(planes, std::min(width, item.width), std::min(height, item.height), shift, mx, out, x0, y0);
    return Ok;
}

/* The tiles of a grid item, row by row, from its dimg references. */
bool hv_grid_tiles(const hv_meta& m, uint32_t grid, std::vector<uint32_t>& tiles) {
    if (!m.has_iref)
        return false;
    hv_reader r{m.data, m.iref.begin, m.iref.end};
    const unsigned idSize = r.u(1) == 0 ? 2 : 4;
    r.u(3);
    heif_box box;
    for (size_t at = r.at; r.ok && hv_next_box(m.data, at, m.iref.end, box);) {
        hv_reader e{m.data, box.begin, box.end};
        if (!hv_is(box, "dimg") || e.u(idSize) != grid)
            continue;
        const uint64_t count = e.u(2);
        for (uint64_t i = 0; i < count && e.ok && i < kMaxTiles; ++i)
            tiles.push_back(static_cast<uint32_t>(e.u(idSize)));
        return e.ok && count == tiles.size();
    }
    return false;
}

struct hv_grid {
    uint32_t rows = 0, columns = 0, width = 0, height = 0;
    std::vector<hv_item> tiles;
};

/* Reads the grid's layout and its tiles: all 'hvc1' of one size that the
 * scale divides, covering the grid's size. */
bool hv_read_grid(const hv_meta& m, const hv_item& item, unsigned denom, hv_grid& grid) {
    if (item.extents.size() != 1)
        return false;
    hv_reader r{m.data, static_cast<size_t>(item.extents[0].offset),
                static_cast<size_t>(item.extents[0].offset + item.extents[0].length)};
    r.u(1);
    const unsigned fieldSize = (r.u(1) & 1) != 0 ? 4 : 2;
    grid.rows = static_cast<uint32_t>(r.u(1) + 1);
    grid.columns = static_cast<uint32_t>(r.u(1) + 1);
    grid.width = static_cast<uint32_t>(r.u(fieldSize));
    grid.height = static_cast<uint32_t>(r.u(fieldSize));
    std::vector<uint32_t> ids;
    if (!r.ok || grid.width != item.width || grid.height != item.height || !hv_grid_tiles(m, m.primary, ids) ||
        ids.size() != size_t{grid.rows} * grid.columns)
        return false;
    grid.tiles.resize(ids.size());
    for (size_t i = 0; i < ids.size(); ++i) {
        hv_item& tile = grid.tiles[i];
        if (!hv_read_item(m, ids[i], tile) || tile.type != hv_fourcc("hvc1") || !tile.has_hvcc || tile.cropped ||
            !hv_is_plain_420(m.data, tile.hvcc) || tile.width != grid.tiles[0].width ||
            tile.height != grid.tiles[0].height || tile.width % denom != 0 || tile.height % denom != 0)
            return false;
    }
    return uint64_t{grid.tiles[0].width} * grid.columns >= grid.width &&
           uint64_t{grid.tiles[0].height} * grid.rows >= grid.height;
}

GpStatus hv_decode_grid(const hv_meta& m, const hv_grid& grid, unsigned shift, const hevc_colour& colour, raster& out) {
    const uint32_t tileWidth = grid.tiles[0].width, tileHeight = grid.tiles[0].height;
    for (uint32_t row = 0; row < grid.rows; ++row)
        for (uint32_t column = 0; column < grid.columns; ++column) {
            const uint32_t x = column * tileWidth, y = row * tileHeight;
            if (x >= grid.width || y >= grid.height)
                continue;
            const GpStatus st = hv_decode_item(m, grid.tiles[size_t{row} * grid.columns + column], grid.width - x,
                                               grid.height - y, shift, colour, out, x >> shift, y >> shift);
            if (st != Ok)
                return st;
        }
    return Ok;
}

} // namespace

GpStatus hv_decode_reduced(const uint8_t* data, size_t size, const decode_limits& limits, int exifOrientation,
                           const hevc_colour& colour, raster& out) {
    hv_meta m;
    hv_item item;
    if (limits.draw_width == 0 || limits.draw_height == 0 || !hv_read_meta(data, size, m) ||
        !hv_read_item(m, m.primary, item) || item.cropped || item.width == 0 || item.height == 0)
        return NotImplemented;
    const bool isGrid = item.type == hv_fourcc("grid");
    if (!isGrid && (item.type != hv_fourcc("hvc1") || !item.has_hvcc || !hv_is_plain_420(data, item.hvcc)))
        return NotImplemented;
    /* Whether the turns exchange the coded picture's sides. */
    bool swap = exifOrientation >= 5;
    for (int turn : item.turns)
        swap = swap != (turn >= 5);
    const unsigned denom = cu_draw_denom(item.width, item.height, limits, swap);
    hv_grid grid;
    if (denom == 1 || (isGrid && !hv_read_grid(m, item, denom, grid)))
        return NotImplemented;
    raster reduced;
    GpStatus st =
        cu_alloc(reduced, cu_scaled(item.width, denom), cu_scaled(item.height, denom), PixelFormat24bppRGB, limits);
    if (st != Ok)
        return st;
    const unsigned shift = denom == 8 ? 3 : denom == 4 ? 2 : 1;
    st = isGrid ? hv_decode_grid(m, grid, shift, colour, reduced)
                : hv_decode_item(m, item, item.width, item.height, shift, colour, reduced, 0, 0);
    for (size_t i = 0; i < item.turns.size() && st == Ok; ++i)
        st = cu_apply_orientation(reduced, item.turns[i]);
    if (st == Ok)
        st = cu_apply_orientation(reduced, exifOrientation);
    if (st == Ok)
        out = std::move(reduced);
    return st;
}

} // namespace gp
