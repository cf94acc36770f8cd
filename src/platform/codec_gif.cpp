/*
 * codec_gif.cpp - GIF decoder and encoder over giflib.
 *
 * Decoding walks the records once: images that are not needed are skipped
 * without decompressing them. A file with one image gives an 8bppIndexed
 * raster of the logical screen (the transparent index, if any, has alpha 0
 * in the palette). A file with several images gives 32bppARGB frames: frame
 * n is frames 0..n composited on a transparent screen with each frame's
 * disposal method, as a viewer shows it. Delays (1/100 s) are reported as
 * property 0x5100 (Long per frame) and the NETSCAPE loop count as 0x5101
 * (Short). A corrupt or truncated image, in any frame, fails with
 * GenericError; records after the last complete image are ignored, so a
 * file that only lacks its trailer still decodes. Images and screens larger
 * than kUnprovenPixels are allocated only when the LZW data could fill them
 * (a 12-bit code stands for at most 4096 pixels).
 *
 * Encoding: an 8bppIndexed (or 1/4-bit) raster is written as it is, its first
 * palette entry with alpha 0 becoming the transparent index; anything else is
 * reduced by quant_reduce first.
 */
#include "codec_quant.h"
#include "codec_util.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace gp {
namespace {

constexpr int kDisposeBackground = 2;
constexpr int kDisposePrevious = 3;
/* Pixels one byte of LZW data may stand for: 4096 per 12-bit code. */
constexpr uint64_t kLzwPixelsPerByte = 2731;

int gf_read(GifFileType* gif, GifByteType* out, int n) {
    return static_cast<int>(static_cast<cu_source*>(gif->UserData)->read(out, static_cast<size_t>(std::max(n, 0))));
}

struct gf_close {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using gf_handle = std::unique_ptr<GifFileType, gf_close>;

/* Frame control from the graphics control extension before an image. */
struct gf_control {
    int transparent = -1;
    int disposal = 0;
    uint32_t delay = 0;
};

/* The composition state while walking towards the wanted frame. */
struct gf_canvas {
    uint32_t width = 0;
    uint32_t height = 0;
    bool indexed = false;       /* single-image file: indices, else BGRA */
    raster* out = nullptr;      /* allocated when the first image is met */
    std::vector<uint8_t> saved; /* canvas before a "restore previous" frame */
    GifImageDesc previous{};    /* rectangle and disposal of the frame drawn last */
    int previous_disposal = 0;
};

struct gf_walk {
    uint32_t frames = 0;
    int loop = -1;
    std::vector<uint32_t> delays;
};

/* Reads the extension blocks; fills control from a GCE and loop from a
 * NETSCAPE2.0 block. */
bool gf_extension(GifFileType* gif, gf_control& control, int& loop) {
    int code = 0;
    GifByteType* ext = nullptr;
    if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR)
        return false;
    bool netscape = false;
    bool first = true;
    while (ext) {
        if (code == GRAPHICS_EXT_FUNC_CODE && first && ext[0] >= 4) {
            control.disposal = (ext[1] >> 2) & 7;
            control.delay = uint32_t{ext[2]} | uint32_t{ext[3]} << 8;
            control.transparent = (ext[1] & 1) ? ext[4] : -1;
        } else if (code == APPLICATION_EXT_FUNC_CODE && first && ext[0] == 11) {
            netscape = std::memcmp(ext + 1, "NETSCAPE2.0", 11) == 0 || std::memcmp(ext + 1, "ANIMEXTS1.0", 11) == 0;
        } else if (netscape && !first && ext[0] >= 3 && ext[1] == 1) {
            loop = ext[2] | ext[3] << 8;
        }
        first = false;
        if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR)
            return false;
    }
    return true;
}

bool gf_skip_image(GifFileType* gif) {
    int codeSize = 0;
    GifByteType* block = nullptr;
    if (DGifGetCode(gif, &codeSize, &block) == GIF_ERROR)
        return false;
    while (block)
        if (DGifGetCodeNext(gif, &block) == GIF_ERROR)
            return false;
    return true;
}

/* Bytes of LZW data in the sub-blocks after the image descriptor and code
 * size that giflib has just read. */
uint64_t gf_lzw_bytes(const GifFileType* gif) {
    const auto* src = static_cast<const cu_source*>(gif->UserData);
    uint64_t total = 0;
    size_t at = src->pos;
    while (at < src->size && src->data[at] != 0) {
        const size_t n = src->data[at];
        total += std::min(n, src->size - at - 1);
        at += n + 1;
    }
    return total;
}

/* Ok when have bytes of LZW data could fill pixels pixels. */
GpStatus gf_check_fill(uint64_t pixels, uint64_t have) {
    return cu_check_fill(pixels, pixels / kLzwPixelsPerByte, have);
}

/* Decompresses the current image into one index byte a pixel, rows stride
 * bytes apart from base in display order (interlacing undone). */
GpStatus gf_read_indices(GifFileType* gif, uint8_t* base, size_t stride) {
    const GifImageDesc& d = gif->Image;
    const size_t h = static_cast<size_t>(d.Height);
    static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    const int passes = d.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const size_t start = d.Interlace ? kStart[pass] : 0, step = d.Interlace ? kStep[pass] : 1;
        for (size_t y = start; y < h; y += step)
            if (DGifGetLine(gif, base + y * stride, d.Width) == GIF_ERROR)
                return GenericError;
    }
    return Ok;
}

ARGB gf_colour(const ColorMapObject* map, int i) {
    const GifColorType& c = map->Colors[i];
    return 0xFF000000u | uint32_t{c.Red} << 16 | uint32_t{c.Green} << 8 | c.Blue;
}

/* Clears or restores the area of the frame drawn last, per its disposal. */
void gf_dispose(gf_canvas& cv) {
    raster& r = *cv.out;
    if (cv.previous_disposal == kDisposePrevious && !cv.saved.empty()) {
        r.pixels = cv.saved;
        return;
    }
    if (cv.previous_disposal != kDisposeBackground)
        return;
    const GifImageDesc& p = cv.previous;
    for (uint32_t y = static_cast<uint32_t>(p.Top); y < std::min<uint64_t>(cv.height, uint64_t(p.Top) + p.Height);
         ++y) {
        uint8_t* row = r.pixels.data() + size_t{y} * r.stride;
        const uint32_t x0 = static_cast<uint32_t>(p.Left);
        const uint32_t x1 = static_cast<uint32_t>(std::min<uint64_t>(cv.width, uint64_t(p.Left) + p.Width));
        if (x0 < x1)
            std::memset(row + size_t{x0} * 4, 0, size_t{x1 - x0} * 4);
    }
}

/* Draws the decoded indices of the current image onto the canvas. */
void gf_draw(gf_canvas& cv, const GifImageDesc& d, const std::vector<uint8_t>& idx, const ColorMapObject* map,
             int transparent) {
    raster& r = *cv.out;
    for (uint32_t fy = 0; fy < static_cast<uint32_t>(d.Height); ++fy) {
        const uint64_t y = uint64_t(d.Top) + fy;
        if (y >= cv.height)
            break;
        uint8_t* row = r.pixels.data() + size_t(y) * r.stride;
        for (uint32_t fx = 0; fx < static_cast<uint32_t>(d.Width); ++fx) {
            const uint64_t x = uint64_t(d.Left) + fx;
            if (x >= cv.width)
                break;
            const uint8_t i = idx[size_t{fy} * static_cast<size_t>(d.Width) + fx];
            if (i == transparent)
                continue;
            if (cv.indexed) {
                row[x] = i;
                continue;
            }
            if (i >= map->ColorCount)
                continue;
            const ARGB c = gf_colour(map, i);
            std::memcpy(row + size_t(x) * 4, &c, 4); /* little-endian: B, G, R, A */
        }
    }
}

/* Sets up the canvas on the first image; the logical screen grows to hold
 * a first image that does not fit it. */
GpStatus gf_begin(GifFileType* gif, gf_canvas& cv, const decode_limits& limits) {
    const GifImageDesc& d = gif->Image;
    cv.width = std::max<uint32_t>(static_cast<uint32_t>(gif->SWidth), static_cast<uint32_t>(d.Left + d.Width));
    cv.height = std::max<uint32_t>(static_cast<uint32_t>(gif->SHeight), static_cast<uint32_t>(d.Top + d.Height));
    GpStatus st = cu_check_size(cv.width, cv.height, limits);
    /* The whole file's data must be able to paint the screen. */
    if (st != Ok ||
        (st = gf_check_fill(uint64_t{cv.width} * cv.height, static_cast<const cu_source*>(gif->UserData)->size)) !=
            Ok ||
        !cv.out)
        return st;
    return cu_alloc(*cv.out, cv.width, cv.height, cv.indexed ? PixelFormat8bppIndexed : PixelFormat32bppARGB, limits);
}

/* True when the image fills the whole canvas. */
bool gf_covers(const gf_canvas& cv, const GifImageDesc& d) {
    return d.Left == 0 && d.Top == 0 && uint32_t(d.Width) >= cv.width && uint32_t(d.Height) >= cv.height;
}

/* Single image: palette from the map; pixels the image does not cover get
 * the transparent index, else a new transparent entry, else the background.
 * An empty idx means the image covered the canvas and was decoded into it. */
GpStatus gf_finish_indexed(gf_canvas& cv, const GifImageDesc& d, const ColorMapObject* map, int transparent,
                           int background, const std::vector<uint8_t>& idx) {
    raster& r = *cv.out;
    for (int i = 0; i < map->ColorCount; ++i)
        r.palette.push_back(gf_colour(map, i));
    const bool covers = gf_covers(cv, d);
    int fill = transparent;
    if (!covers && fill < 0)
        fill = r.palette.size() < 256 ? static_cast<int>(r.palette.size()) : background;
    const bool fillIsNew = fill >= map->ColorCount && transparent < 0;
    uint8_t maxIndex = 0;
    for (uint8_t v : idx)
        maxIndex = std::max(maxIndex, v);
    for (uint32_t y = 0; idx.empty() && y < r.height; ++y)
        for (uint32_t x = 0; x < r.width; ++x)
            maxIndex = std::max(maxIndex, r.pixels[size_t{y} * r.stride + x]);
    if (fill >= 0)
        maxIndex = std::max<uint8_t>(maxIndex, static_cast<uint8_t>(fill));
    r.palette.resize(std::max<size_t>(r.palette.size(), size_t{maxIndex} + 1), 0xFF000000u);
    if (fill >= 0 && !covers)
        std::memset(r.pixels.data(), fill, r.pixels.size());
    const int clear = transparent >= 0 ? transparent : (fillIsNew ? fill : -1);
    if (clear >= 0) {
        r.palette[static_cast<size_t>(clear)] &= 0x00FFFFFFu;
        r.palette_flags |= PaletteFlagsHasAlpha;
    }
    if (!idx.empty())
        gf_draw(cv, d, idx, map, covers ? -1 : transparent);
    return Ok;
}

/* Handles one image record: skips it, or decodes and composites it when it
 * is at or before the wanted frame. */
GpStatus gf_image(GifFileType* gif, gf_canvas& cv, const gf_control& control, uint32_t index, int64_t wanted,
                  const decode_limits& limits) {
    if (DGifGetImageDesc(gif) == GIF_ERROR)
        return GenericError;
    const GifImageDesc d = gif->Image;
    if (d.Width <= 0 || d.Height <= 0 || d.Left < 0 || d.Top < 0)
        return GenericError;
    GpStatus st = Ok;
    if (index == 0 && (st = gf_begin(gif, cv, limits)) != Ok)
        return st;
    if ((st = gf_check_fill(uint64_t(d.Width) * uint64_t(d.Height), gf_lzw_bytes(gif))) != Ok)
        return st;
    if (static_cast<int64_t>(index) > wanted)
        return gf_skip_image(gif) ? Ok : GenericError;
    if ((st = cu_check_size(uint32_t(d.Width), uint32_t(d.Height), limits)) != Ok)
        return st;
    const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
    if (!map || map->ColorCount <= 0 || map->ColorCount > 256)
        return GenericError;
    /* A single image that fills the canvas goes straight into it. */
    std::vector<uint8_t> idx;
    if (cv.indexed && gf_covers(cv, d))
        st = gf_read_indices(gif, cv.out->pixels.data(), cv.out->stride);
    else {
        idx.resize(size_t(d.Width) * size_t(d.Height));
        st = gf_read_indices(gif, idx.data(), size_t(d.Width));
    }
    if (st != Ok)
        return st;
    if (cv.indexed)
        return gf_finish_indexed(cv, d, map, control.transparent, gif->SBackGroundColor, idx);
    if (index > 0)
        gf_dispose(cv);
    if (control.disposal == kDisposePrevious && static_cast<int64_t>(index) < wanted)
        cv.saved = cv.out->pixels;
    gf_draw(cv, d, idx, map, control.transparent);
    cv.previous = d;
    cv.previous_disposal = control.disposal;
    return Ok;
}

/* Walks every record; decodes images up to frame wanted (-1: none) onto cv.
 * Images after the wanted one are only counted. */
GpStatus gf_walk_file(const uint8_t* data, size_t size, const decode_limits& limits, int64_t wanted, gf_canvas& cv,
                      gf_walk& walk) {
    cu_source src{data, size, 0};
    int error = 0;
    gf_handle gif(DGifOpen(&src, gf_read, &error));
    if (!gif)
        return error == D_GIF_ERR_NOT_ENOUGH_MEM ? OutOfMemory : UnknownImageFormat;
    gf_control control;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR || type == TERMINATE_RECORD_TYPE)
            break;
        if (type == EXTENSION_RECORD_TYPE) {
            if (!gf_extension(gif.get(), control, walk.loop))
                break;
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE)
            break;
        const GpStatus st = gf_image(gif.get(), cv, control, walk.frames, wanted, limits);
        if (st != Ok)
            return st;
        /* giflib keeps a record of every image read; we need none of them. */
        GifFreeSavedImages(gif.get());
        gif->ImageCount = 0;
        walk.delays.push_back(control.delay);
        ++walk.frames;
        control = gf_control{};
    }
    return walk.frames == 0 ? GenericError : Ok;
}

bool gf_sniff(const uint8_t* data, size_t size) {
    return size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0);
}

GpStatus gf_probe(const uint8_t* data, size_t size, const decode_limits& limits, image_info& info) {
    gf_canvas cv;
    gf_walk walk;
    const GpStatus st = gf_walk_file(data, size, limits, -1, cv, walk);
    if (st != Ok)
        return st;
    info.width = cv.width;
    info.height = cv.height;
    info.format = walk.frames == 1 ? PixelFormat8bppIndexed : PixelFormat32bppARGB;
    info.frame_count = walk.frames;
    info.frames_are_pages = false;
    info.raw_format = ImageFormatGIF;
    property delays{PropertyTagFrameDelay, PropertyTagTypeLong, {}};
    for (uint32_t d : walk.delays)
        for (int s = 0; s < 32; s += 8)
            delays.value.push_back(static_cast<uint8_t>(d >> s));
    info.properties.push_back(std::move(delays));
    if (walk.loop >= 0)
        info.properties.push_back(property{PropertyTagLoopCount,
                                           PropertyTagTypeShort,
                                           {static_cast<uint8_t>(walk.loop), static_cast<uint8_t>(walk.loop >> 8)}});
    return Ok;
}

GpStatus gf_decode(const uint8_t* data, size_t size, uint32_t frame, const decode_limits& limits, raster& out) {
    /* The format depends on the image count, so count first (no decoding). */
    gf_canvas counted;
    gf_walk count;
    GpStatus st = gf_walk_file(data, size, limits, -1, counted, count);
    if (st != Ok)
        return st;
    if (frame >= count.frames)
        return InvalidParameter;
    gf_canvas cv;
    cv.indexed = count.frames == 1;
    cv.out = &out;
    gf_walk walk;
    st = gf_walk_file(data, size, limits, frame, cv, walk);
    if (st == Ok && walk.frames <= frame)
        st = GenericError;
    return st;
}

/* ---- Encoder ----------------------------------------------------------------- */

int gf_write(GifFileType* gif, const GifByteType* data, int n) {
    auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    return n > 0 && cu_append(*out, data, static_cast<size_t>(n)) ? n : 0;
}

/* Owns the giflib writer until close() hands back its status. */
class cGifWriter {
  public:
    explicit cGifWriter(std::vector<uint8_t>& out) {
        int error = 0;
        mGif = EGifOpen(&out, gf_write, &error);
    }
    ~cGifWriter() { close(); }
    cGifWriter(const cGifWriter&) = delete;
    cGifWriter& operator=(const cGifWriter&) = delete;
    GifFileType* get() const { return mGif; }
    bool close() {
        if (!mGif)
            return false;
        int error = 0;
        const int result = EGifCloseFile(mGif, &error);
        mGif = nullptr;
        return result == GIF_OK;
    }

  private:
    GifFileType* mGif = nullptr;
};

/* Indices (one byte a pixel), palette and transparent index of an indexed
 * raster: pixels of any fully transparent entry use the first such entry. */
void gf_from_indexed(const raster& r, quant_result& q) {
    q = quant_result{};
    q.indices.resize(size_t{r.width} * r.height);
    q.palette = r.palette;
    for (size_t i = 0; i < q.palette.size() && q.transparent < 0; ++i)
        if ((q.palette[i] >> 24) == 0)
            q.transparent = static_cast<int>(i);
    const uint32_t bpp = GetPixelFormatSize(r.format);
    for (uint32_t y = 0; y < r.height; ++y) {
        const uint8_t* row = r.pixels.data() + size_t{y} * r.stride;
        for (uint32_t x = 0; x < r.width; ++x) {
            uint32_t i = cu_index_at(row, x, bpp);
            if (i >= q.palette.size())
                i = 0;
            else if (q.transparent >= 0 && (q.palette[i] >> 24) == 0)
                i = static_cast<uint32_t>(q.transparent);
            q.indices[size_t{y} * r.width + x] = static_cast<uint8_t>(i);
        }
    }
}

GpStatus gf_write_image(const raster& r, const quant_result& q, std::vector<uint8_t>& out) {
    int mapSize = 2;
    while (mapSize < static_cast<int>(q.palette.size()))
        mapSize *= 2;
    GifColorType colours[256] = {};
    for (size_t i = 0; i < q.palette.size(); ++i)
        colours[i] = GifColorType{static_cast<GifByteType>(q.palette[i] >> 16),
                                  static_cast<GifByteType>(q.palette[i] >> 8), static_cast<GifByteType>(q.palette[i])};
    const cu_owned<ColorMapObject, GifFreeMapObject> map(GifMakeMapObject(mapSize, colours));
    cGifWriter gif(out);
    if (!map || !gif.get())
        return OutOfMemory;
    EGifSetGifVersion(gif.get(), q.transparent >= 0);
    const int w = static_cast<int>(r.width), h = static_cast<int>(r.height);
    if (EGifPutScreenDesc(gif.get(), w, h, 8, 0, map.get()) == GIF_ERROR)
        return GenericError;
    if (q.transparent >= 0) {
        const GifByteType gce[4] = {0x01, 0, 0, static_cast<GifByteType>(q.transparent)};
        if (EGifPutExtension(gif.get(), GRAPHICS_EXT_FUNC_CODE, 4, gce) == GIF_ERROR)
            return GenericError;
    }
    if (EGifPutImageDesc(gif.get(), 0, 0, w, h, false, nullptr) == GIF_ERROR)
        return GenericError;
    for (uint32_t y = 0; y < r.height; ++y) {
        auto* line = const_cast<GifPixelType*>(q.indices.data() + size_t{y} * r.width);
        if (EGifPutLine(gif.get(), line, w) == GIF_ERROR)
            return GenericError;
    }
    return gif.close() ? Ok : GenericError;
}

GpStatus gf_encode(const raster& r, const encode_options&, std::vector<uint8_t>& out) {
    if (r.width > 65535 || r.height > 65535)
        return ValueOverflow;
    quant_result q;
    if (GetPixelFormatSize(r.format) <= 8)
        gf_from_indexed(r, q);
    else
        quant_reduce(r, q);
    return gf_write_image(r, q, out);
}

} // namespace

const decoder kGifDecoder = cu_decoder<gf_sniff, gf_probe, gf_decode>("GIF");

const encoder kGifEncoder =
    cu_encoder<gf_encode>(cu_gdiplus_clsid(0x557cf402), ImageFormatGIF, u"Built-in GIF Codec", "GIF");

} // namespace gp
