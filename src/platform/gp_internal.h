#pragma once
/*
 * gp_internal.h - the objects behind the opaque handles of gp_flat.h and the
 * helpers the gp_*.cpp files share. Not part of the public API.
 */

#include "gp_codec.h"
#include "gp_flat.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace gp {

/* Held by an object that handles point at without owning it (a graphics
 * object bound to an image or a device context); they keep a weak_ptr to it,
 * which expires when the object goes away. */
using alive_token = std::shared_ptr<const bool>;

/* A pending multi-page save, started by a save with EncoderValueMultiFrame. */
struct save_session {
    const encoder* codec = nullptr;
    encode_options options;
    std::vector<raster> pages;
    std::string path; /* UTF-8, when saving to a file; empty else */
    /* Referenced (AddRef) when saving to a stream, released with the session. */
    std::unique_ptr<GpStream, uint32_t (*)(GpStream*)> stream{nullptr, GpStreamRelease};
};

/* An active lock of GdipBitmapLockBits. */
struct lock_state {
    GpRect rect{0, 0, 0, 0};
    uint32_t flags = 0;
    PixelFormat format = 0;
    std::vector<uint8_t> own; /* the layer's buffer unless UserInputBuf */
    uint8_t* scan0 = nullptr;
    int32_t stride = 0;
};

/* While alive, what decoding libraries print on stderr from this thread is
 * appended to text instead (gp_messages.cpp). Captures nest. */
class message_capture {
  public:
    explicit message_capture(std::string& text);
    ~message_capture();
    message_capture(const message_capture&) = delete;
    message_capture& operator=(const message_capture&) = delete;

  private:
    std::string* mPrevious;
};

} // namespace gp

struct GpImage {
    GpImage() = default;
    GpImage(const GpImage&) = delete;
    GpImage& operator=(const GpImage&) = delete;

    /* Encoded bytes the image was loaded from; empty for created bitmaps. */
    std::shared_ptr<const std::vector<uint8_t>> source;
    const gp::decoder* codec = nullptr;
    gp::image_info info;
    uint32_t active_frame = 0;
    /* Pixels of the active frame; valid once decoded is true. */
    bool decoded = false;
    gp::raster pixels;
    /* The active frame decoded at a reduced scale for a draw, while decoded
     * is false; empty otherwise. Never locked, turned or drawn on. */
    gp::raster reduced;
    /* A reduced decode was asked for (GdipSetImageReducedDecode). */
    bool may_reduce = false;
    std::unique_ptr<gp::lock_state> lock;
    std::unique_ptr<gp::save_session> pending_save;
    /* What the decoding libraries printed while the image was read. */
    std::string decoder_messages;
    gp::alive_token alive = std::make_shared<const bool>(true);
};

struct GpDeviceContext {
    GpDeviceContext() = default;
    GpDeviceContext(const GpDeviceContext&) = delete;
    GpDeviceContext& operator=(const GpDeviceContext&) = delete;

    gp::raster pixels; /* always 32bppARGB */
    gp::alive_token alive = std::make_shared<const bool>(true);
};

struct GpDisplayBitmap {
    gp::raster pixels; /* always 32bppARGB */
};

struct GpImageAttributes {
    bool key_enabled = false;
    ARGB key_low = 0;
    ARGB key_high = 0;
};

namespace gp {

/* Runs body, a callable giving a GpStatus, and gives its status, or
 * OutOfMemory when it fails to allocate: no exception leaves the flat API. */
template <typename Body> GpStatus guard_alloc(Body&& body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

/* ---- gp_bitmap.cpp ---------------------------------------------------------------- */

/* Decodes the active frame at full size if that has not happened yet. */
GpStatus ensure_decoded(GpImage& image);
/* The active frame for drawing all of it at about draw_width x draw_height
 * (upright): the full pixels once decoded, else what the decoder gives for
 * that size, which may be reduced (never below the drawn sides). */
GpStatus decoded_for_draw(GpImage& image, uint32_t draw_width, uint32_t draw_height, const raster*& out);
/* A raster of width x height in format, zeroed (indexed: greyscale palette).
 * Checks the size caps and every multiplication. */
GpStatus make_raster(uint32_t width, uint32_t height, PixelFormat format, raster& out);
/* A new 32bppARGB raster holding the pixels of from. */
GpStatus copy_as_argb(const raster& from, raster& to);
/* Wraps a finished raster in a new created bitmap. */
GpStatus wrap_raster(raster&& pixels, GpImage** image);
/* Row bytes for width pixels of format, padded to 4; 0 on overflow. */
uint32_t stride_for(uint32_t width, PixelFormat format);
bool is_known_format(PixelFormat format);
bool is_indexed(PixelFormat format);
/* Converts the UTF-16 name to a zero-terminated UTF-8 path. A lone U+DC80..
 * U+DCFF stands for the byte 0x80..0xFF of a name that is not UTF-8. */
bool utf16_to_path(const WCHAR* name, std::vector<char>& path);

/* ---- gp_file.cpp ------------------------------------------------------------------ */

/* The GpStatus for a failed file operation's errno. */
GpStatus status_from_errno(int error);
/* Opens path for reading if it is a regular file, without ever waiting on a
 * FIFO or device. *fd receives a blocking descriptor the caller closes, *size
 * the file's size in bytes. Returns FileNotFound (missing, or not a regular
 * file), AccessDenied, OutOfMemory or Win32Error; both are untouched on
 * failure. */
GpStatus open_regular_file(const char* path, int* fd, uint64_t* size);

/* ---- gp_stream.cpp ---------------------------------------------------------------- */

/* A new growable stream positioned at 0 that owns bytes; NULL when out of
 * memory. */
GpStream* stream_holding(std::vector<uint8_t>&& bytes);

/* ---- gp_convert.cpp --------------------------------------------------------------- */

/* Copies width x height pixels between two buffers of any of the six formats.
 * Indexed to direct goes through src_palette; direct to indexed picks the
 * nearest entry of dst_palette; indexed to indexed keeps index values that
 * fit, else picks the nearest colour. */
void convert_pixels(const uint8_t* src, int32_t src_stride, PixelFormat src_format,
                    const std::vector<ARGB>& src_palette, uint8_t* dst, int32_t dst_stride, PixelFormat dst_format,
                    const std::vector<ARGB>& dst_palette, uint32_t x_src, uint32_t x_dst, uint32_t width,
                    uint32_t height);
/* Reads count pixels of row from x into ARGB values. */
void read_row_argb(const uint8_t* row, PixelFormat format, const std::vector<ARGB>& palette, uint32_t x, uint32_t count,
                   ARGB* out);
/* Index of pixel x in a row of 1-, 4- or 8-bit indices; setting it. */
uint32_t index_at(const uint8_t* row, uint32_t bpp, uint32_t x);
void set_index(uint8_t* row, uint32_t bpp, uint32_t x, uint32_t index);
/* A greyscale ramp of 2^bpp entries. */
std::vector<ARGB> grey_palette(PixelFormat format);

/* ---- gp_rotate.cpp ---------------------------------------------------------------- */

/* Rotates clockwise by quarter turns, then mirrors when type says FlipX. */
GpStatus rotate_flip(const raster& src, RotateFlipType type, raster& out);

/* ---- gp_resample.cpp -------------------------------------------------------------- */

/* Filters of the draw calls. */
enum class filter_kind { nearest, bilinear, bicubic };

struct resample_request {
    filter_kind filter = filter_kind::bilinear;
    /* Widen the kernel by the reduction factor when shrinking... */
    bool prefilter = true;
    /* ...times this share: below 1 for a source the decoder has already
     * reduced, whose own averaging stands for the rest. */
    double prefilter_share = 1.0;
    const GpImageAttributes* attributes = nullptr;
    /* How the block lands on the device, so that the sums run in the order
     * they would for the turned area drawn straight: transpose when the
     * area's x runs down the device (the vertical pass then comes first),
     * reverse_x / reverse_y when the area's x / y run backwards. Drawing
     * through a quarter turn therefore equals turning first, exactly. */
    bool transpose = false;
    bool reverse_x = false;
    bool reverse_y = false;
};

/* Receives each row y of the resampled block: dst_width premultiplied
 * pixels, four floats each (blue, green, red, alpha; 0..255). */
using row_sink = std::function<void(uint32_t y, const float* row)>;

/* Scales the area (sx, sy, sw, sh) of src to dst_width x dst_height and hands
 * every row (in the area's own orientation) to sink in order. OutOfMemory when the work buffers fail. */
GpStatus resample(const raster& src, uint32_t sx, uint32_t sy, uint32_t sw, uint32_t sh, uint32_t dst_width,
                  uint32_t dst_height, const resample_request& request, const row_sink& sink);

/* Bilinear sample of src at (x, y) in pixel units (pixel centres at +0.5),
 * clamped to the area; premultiplied, four floats into out. */
void sample_bilinear(const raster& src, uint32_t sx, uint32_t sy, uint32_t sw, uint32_t sh,
                     const GpImageAttributes* attributes, double x, double y, float* out);

} // namespace gp
