#pragma once
/*
 * codec_util.h - helpers shared by the codec_*.cpp files: checked raster
 * allocation, bounded byte readers, row expansion for encoders and the
 * codec objects that gp_codecs.cpp puts into its tables.
 */

#include "gp_codec.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

namespace gp {

/* The codec objects, one per file. */
extern const decoder kPngDecoder;
extern const decoder kJpegDecoder;
extern const decoder kGifDecoder;
extern const decoder kBmpDecoder;
extern const decoder kTiffDecoder;
extern const decoder kIcoDecoder;
extern const decoder kTgaDecoder;
extern const decoder kHeifDecoder;
extern const decoder kWebpDecoder;
extern const decoder kJxlDecoder;
extern const encoder kBmpEncoder;
extern const encoder kJpegEncoder;
extern const encoder kGifEncoder;
extern const encoder kTiffEncoder;
extern const encoder kPngEncoder;
extern const encoder kWebpEncoder;
extern const encoder kAvifEncoder;
extern const encoder kJxlEncoder;

/* ---- Bounded little/big-endian reads (caller checked the range) ---------- */

inline uint16_t cu_le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t cu_le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
inline uint16_t cu_be16(const uint8_t* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}
inline uint32_t cu_be32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

/* A read position in bytes that the caller holds, for the read callbacks
 * of the C libraries. */
struct cu_source {
    const uint8_t* data;
    size_t size;
    size_t pos;

    /* Copies up to n bytes from pos on to to and moves past them; returns
     * how many. */
    size_t read(void* to, size_t n) {
        const size_t k = std::min(n, size - pos);
        std::memcpy(to, data + pos, k);
        pos += k;
        return k;
    }
};

/* ---- Sizes and allocation -------------------------------------------------- */

/* Ok when width x height is a non-empty size within limits; ValueOverflow when
 * a side or the pixel count is over them; GenericError for a zero side. */
GpStatus cu_check_size(uint64_t width, uint64_t height, const decode_limits& limits);

/* Images up to this many pixels are allocated on the header's word alone;
 * larger ones only when the compressed data present could fill them. Even
 * at 32 bits a pixel such a raster stays within 64 MiB. */
inline constexpr uint64_t kUnprovenPixels = uint64_t{1} << 24;

/* Ok when an image of pixels pixels may be allocated: it is small (up to
 * kUnprovenPixels), or the data holds at least needBytes, the fewest bytes
 * that can encode it. GenericError otherwise: the file claims more than its
 * data could hold, so it is damaged or truncated. */
GpStatus cu_check_fill(uint64_t pixels, uint64_t needBytes, uint64_t haveBytes);

/* ---- Reduced decodes ---------------------------------------------------------
 * A decoder that can shrink while it decodes (JPEG by its DCT scaling, HEVC
 * by averaging blocks of the decoded planes) divides both sides by 2, 4 or 8,
 * rounding up, and the draw finishes the reduction with an interpolating
 * filter. Measured on photos against an exact area average of the full
 * picture, that keeps the quality of a full decode while the decoded sides
 * are at least 5/4 of the drawn ones (12 MP to 800 px from a quarter scale:
 * 1000 px), and loses several times as much just above the drawn size (8 MP
 * to 800 px from a quarter scale: 816 px), where the next larger scale is
 * better than both. A scale that gives the drawn size exactly needs no filter
 * and is the best. */

/* Side of an image decoded at 1/denom. */
inline uint32_t cu_scaled(uint32_t side, unsigned denom) {
    return static_cast<uint32_t>((uint64_t{side} + denom - 1) / denom);
}

/* True when a decode of side decoded serves a draw of side drawn. */
bool cu_scale_serves(uint64_t decoded, uint64_t drawn);

/* The largest of 8, 4, 2 whose decode of width x height serves a draw of
 * needWidth x needHeight (the same orientation) on both sides; 1 when none
 * does. */
unsigned cu_reduced_denom(uint32_t width, uint32_t height, uint64_t needWidth, uint64_t needHeight);

/* cu_reduced_denom for a draw of a width x height picture at the draw size
 * of limits, which swap turns a quarter first (the picture is turned after
 * decoding); 1 when limits give no draw size. */
unsigned cu_draw_denom(uint32_t width, uint32_t height, const decode_limits& limits, bool swap);

/* Bytes of one row of width pixels of bits each, padded to 4; 0 on overflow. */
uint64_t cu_stride(uint64_t width, uint32_t bits);

/* Sets out to a zero-filled width x height raster of format after checking the
 * size against limits. Leaves the palette empty. */
GpStatus cu_alloc(raster& out, uint32_t width, uint32_t height, PixelFormat format, const decode_limits& limits);

/* Appends n bytes to v; false when memory runs out (never throws). */
bool cu_append(std::vector<uint8_t>& v, const void* data, size_t n) noexcept;

/* ---- Pixel access for encoders -------------------------------------------- */

/* True when r is one of the six formats, with a plausible stride and buffer,
 * and an indexed format carries a palette of 1..2^bpp entries. */
bool cu_raster_valid(const raster& r);

/* The checks a lossy encoder makes before it starts: a quality of -1 (the
 * encoder's default) to 100, and sides of at most maxSide (ValueOverflow
 * beyond). */
GpStatus cu_lossy_arguments(const raster& r, const encode_options& options, uint32_t maxSide);

/* The quality options ask for, or the default of 75 for -1. */
inline int cu_quality(const encode_options& options) {
    return options.quality < 0 ? 75 : options.quality;
}

/* True when r is 32bppARGB with at least one pixel not fully opaque. */
bool cu_has_transparency(const raster& r);

/* Palette index of pixel x of an indexed row. */
inline uint32_t cu_index_at(const uint8_t* row, uint32_t x, uint32_t bpp) {
    if (bpp == 8)
        return row[x];
    if (bpp == 4)
        return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
    return (row[x >> 3] >> (7 - (x & 7))) & 0x01;
}

/* Writes row y of r as width B, G, R, A quadruplets into bgra. 24bppRGB and
 * 32bppRGB give alpha 255; indexed pixels past the palette read as opaque
 * black. */
void cu_row_to_bgra(const raster& r, uint32_t y, uint8_t* bgra);

/* All of r as packed B, G, R, A rows (width * 4 bytes apart). */
std::vector<uint8_t> cu_to_bgra(const raster& r);

/* Copies count pixels from from (fromStep bytes apart) to to (toStep bytes
 * apart), swapping the first and third bytes (R, G, B <-> B, G, R). A toStep
 * of 4 copies the fourth byte too, alpha, which from must then hold; with
 * premultiplied set the colour is divided by it again. */
void cu_swap_red_blue(const uint8_t* from, uint32_t fromStep, uint8_t* to, uint32_t toStep, size_t count,
                      bool premultiplied = false);

/* Widens a row of width 2-bit indices (four a byte, the first in the top
 * bits) into the zeroed 4-bit row at to (two a byte). */
void cu_widen_2bit(const uint8_t* from, uint32_t width, uint8_t* to);

/* Turns a raster into the upright image for an EXIF orientation (1..8):
 * 2 mirror, 3 rotate 180, 4 flip, 5 transpose, 6 rotate 90 clockwise,
 * 7 transverse, 8 rotate 270 clockwise. Other values leave r unchanged.
 * Works on 24- and 32-bit rasters. */
GpStatus cu_apply_orientation(raster& r, int orientation);

/* ---- Codec objects ----------------------------------------------------------------
 * Every codec object is made by cu_decoder or cu_encoder, whose entry points
 * never throw: an allocation failure deep inside (a std::vector growing)
 * becomes OutOfMemory, any other exception GenericError. So the codec
 * functions may let std::bad_alloc leave them, except the callbacks that the
 * C libraries call and the functions that hold a setjmp frame. */

template <class Fn> GpStatus cu_no_throw(const Fn& fn) noexcept {
    try {
        return fn();
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    } catch (...) {
        return GenericError;
    }
}

/* A decoder whose probe and decode see only bytes that Sniff accepts
 * (UnknownImageFormat for others), and whose probe fills an info cleared
 * beforehand. A Decode without a frame argument reads single-frame files:
 * any frame but 0 is refused (InvalidParameter) before the bytes are looked at. */
template <bool (*Sniff)(const uint8_t*, size_t), auto Probe, auto Decode>
constexpr decoder cu_decoder(const char* name) {
    return {name, Sniff,
            [](const uint8_t* data, size_t size, const decode_limits& limits, image_info& info) noexcept {
                if (!Sniff(data, size))
                    return UnknownImageFormat;
                return cu_no_throw([&] {
                    info = image_info{};
                    return Probe(data, size, limits, info);
                });
            },
            [](const uint8_t* data, size_t size, uint32_t frame, const decode_limits& limits, raster& out) noexcept {
                constexpr bool kSingleFrame =
                    std::is_invocable_v<decltype(Decode), const uint8_t*, size_t, const decode_limits&, raster&>;
                if (kSingleFrame && frame != 0)
                    return InvalidParameter;
                if (!Sniff(data, size))
                    return UnknownImageFormat;
                return cu_no_throw([&] {
                    if constexpr (kSingleFrame)
                        return Decode(data, size, limits, out);
                    else
                        return Decode(data, size, frame, limits, out);
                });
            }};
}

/* An encoder whose Encode starts on an empty out, which it leaves empty
 * unless it returns Ok. An Encode that takes one raster writes single-page
 * files and gets the first page, checked by cu_raster_valid
 * (InvalidParameter when there is none or it is not valid). */
template <auto Encode>
constexpr encoder cu_encoder(const CLSID& clsid, const GUID& format, const WCHAR* name, const char* code) {
    return {clsid, format, name, code,
            [](const raster* const* pages, size_t pageCount, const encode_options& options,
               std::vector<uint8_t>& out) noexcept {
                constexpr bool kSinglePage =
                    std::is_invocable_v<decltype(Encode), const raster&, const encode_options&, std::vector<uint8_t>&>;
                out.clear();
                if (kSinglePage && (pageCount < 1 || !pages[0] || !cu_raster_valid(*pages[0])))
                    return InvalidParameter;
                const GpStatus status = cu_no_throw([&] {
                    if constexpr (kSinglePage)
                        return Encode(*pages[0], options, out);
                    else
                        return Encode(pages, pageCount, options, out);
                });
                if (status != Ok)
                    out.clear();
                return status;
            }};
}

/* The CLSID of a built-in GDI+ encoder: they differ only in the first field. */
constexpr CLSID cu_gdiplus_clsid(uint32_t first) {
    return {first, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
}

/* Owns an object of a C library, released by Free (never given NULL). */
template <auto Free> struct cu_free {
    template <class T> void operator()(T* p) const { Free(p); }
};
template <class T, auto Free> using cu_owned = std::unique_ptr<T, cu_free<Free>>;

} // namespace gp
