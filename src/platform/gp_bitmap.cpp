/*
 * gp_bitmap.cpp - images: loading, creating, size and format, rotation,
 * pixel locks, palettes, property items, frames, colour-key attributes and
 * the device-context and displayable-bitmap stand-ins.
 */
#include "codec_util.h"
#include "colour_lcms.h"
#include "gp_internal.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <new>

#include <malloc.h>

#include <unistd.h>

/* Largest file GdipLoadImageFromFile reads into memory. */
static constexpr uint64_t bm_max_file_bytes = uint64_t{1} << 30;

/* Pixel decodes so far (GdipGetDecodeCount). Atomic: decodes run on the
 * save's worker threads; relaxed order, as nothing else is published by it. */
static std::atomic<uint64_t> bm_decode_count{0};

namespace gp {

bool is_known_format(PixelFormat format) {
    switch (format) {
    case PixelFormat1bppIndexed:
    case PixelFormat4bppIndexed:
    case PixelFormat8bppIndexed:
    case PixelFormat24bppRGB:
    case PixelFormat32bppRGB:
    case PixelFormat32bppARGB: return true;
    default: return false;
    }
}

bool is_indexed(PixelFormat format) {
    return (static_cast<uint32_t>(format) & 0x00010000u) != 0;
}

uint32_t stride_for(uint32_t width, PixelFormat format) {
    const uint64_t bits = static_cast<uint64_t>(width) * GetPixelFormatSize(format);
    const uint64_t bytes = (bits + 31) / 32 * 4; /* rows padded to 4 bytes */
    return bytes > UINT32_MAX ? 0 : static_cast<uint32_t>(bytes);
}

GpStatus make_raster(uint32_t width, uint32_t height, PixelFormat format, raster& out) {
    if (width == 0 || height == 0 || !is_known_format(format))
        return InvalidParameter;
    if (width > GpMaxImageSide || height > GpMaxImageSide || static_cast<uint64_t>(width) * height > GpMaxImagePixels)
        return ValueOverflow;
    const uint32_t stride = stride_for(width, format);
    /* Overflow checked: stride <= 4 * 32767 * 4, height <= 32767. */
    const uint64_t bytes = static_cast<uint64_t>(stride) * height;
    if (stride == 0 || bytes > SIZE_MAX)
        return ValueOverflow;
    return guard_alloc([&] {
        raster r{width, height, format, stride, std::vector<uint8_t>(static_cast<size_t>(bytes)), {}, 0};
        if (is_indexed(format)) {
            r.palette = grey_palette(format);
            r.palette_flags = PaletteFlagsGrayScale;
        }
        out = std::move(r);
        return Ok;
    });
}

bool utf16_to_path(const WCHAR* name, std::vector<char>& path) {
    path.clear();
    if (name == nullptr || name[0] == 0)
        return false;
    for (size_t i = 0; name[i] != 0; ++i) {
        uint32_t c = name[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            const uint32_t low = name[i + 1];
            if (low < 0xDC00 || low > 0xDFFF)
                return false;
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            ++i;
        } else if (c >= 0xDC80 && c <= 0xDCFF) {
            /* a byte of a name that is not UTF-8, kept as U+DC00 + byte */
            path.push_back(static_cast<char>(c - 0xDC00));
            continue;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
        /* UTF-8: a lead byte, then six bits in each continuation byte. */
        static constexpr uint32_t lead[4] = {0x00, 0xC0, 0xE0, 0xF0};
        const int more = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
        path.push_back(static_cast<char>(lead[more] | (c >> (6 * more))));
        for (int k = more - 1; k >= 0; --k)
            path.push_back(static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F)));
    }
    path.push_back('\0');
    return true;
}

/* A decoder's output must describe itself consistently before it is used. */
static bool bm_raster_is_sound(const raster& r) {
    if (r.width == 0 || r.height == 0 || r.width > GpMaxImageSide || r.height > GpMaxImageSide ||
        !is_known_format(r.format))
        return false;
    if (r.stride < stride_for(r.width, r.format) || r.stride % 4 != 0)
        return false;
    if (r.pixels.size() < static_cast<uint64_t>(r.stride) * r.height)
        return false;
    return !is_indexed(r.format) || r.palette.size() <= (1u << GetPixelFormatSize(r.format));
}

/* Some decoding libraries leave parts of a damaged picture unwritten (libde265
 * with libheif says nothing of it), and their buffers come from the heap, where
 * an earlier image's pixels may still lie. From the first decode on, the C
 * library clears every block it hands out (and fills freed ones with 0xFF), so
 * an unwritten area is plain, never another picture. */
static void bm_clear_fresh_memory() {
    static std::once_flag once;
    std::call_once(once, [] { mallopt(M_PERTURB, 0xFF); });
}

static GpStatus bm_decode(GpImage& image, const decode_limits& limits, raster& frame) {
    if (image.codec == nullptr || !image.source)
        return WrongState;
    bm_clear_fresh_memory();
    bm_decode_count.fetch_add(1, std::memory_order_relaxed);
    const message_capture capture(image.decoder_messages);
    const GpStatus status =
        image.codec->decode(image.source->data(), image.source->size(), image.active_frame, limits, frame);
    if (status != Ok)
        return status;
    if (!bm_raster_is_sound(frame))
        return GenericError;
    colour_to_srgb(image.info.icc_profile, frame);
    return Ok;
}

GpStatus copy_as_argb(const raster& from, raster& to) {
    const GpStatus status = make_raster(from.width, from.height, PixelFormat32bppARGB, to);
    if (status == Ok)
        convert_pixels(from.pixels.data(), static_cast<int32_t>(from.stride), from.format, from.palette,
                       to.pixels.data(), static_cast<int32_t>(to.stride), to.format, {}, 0, 0, from.width, from.height);
    return status;
}

GpStatus ensure_decoded(GpImage& image) {
    if (image.decoded)
        return Ok;
    raster frame;
    const GpStatus status = bm_decode(image, decode_limits{}, frame);
    if (status != Ok)
        return status;
    image.pixels = std::move(frame);
    image.reduced = raster{};
    image.decoded = true;
    return Ok;
}

GpStatus decoded_for_draw(GpImage& image, uint32_t draw_width, uint32_t draw_height, const raster*& out) {
    out = &image.pixels;
    if (image.decoded)
        return Ok;
    if (image.reduced.width >= draw_width && image.reduced.height >= draw_height) {
        out = &image.reduced;
        return Ok;
    }
    decode_limits limits;
    limits.draw_width = draw_width;
    limits.draw_height = draw_height;
    raster frame;
    const GpStatus status = bm_decode(image, limits, frame);
    if (status != Ok)
        return status;
    /* Only a raster smaller on both sides that keeps the promised margin is
     * a reduced one; anything else stands for the full frame. */
    if (frame.width < image.info.width && frame.height < image.info.height) {
        if (frame.width < draw_width || frame.height < draw_height)
            return GenericError;
        image.reduced = std::move(frame);
        out = &image.reduced;
        return Ok;
    }
    image.pixels = std::move(frame);
    image.reduced = raster{};
    image.decoded = true;
    return Ok;
}

} // namespace gp

using namespace gp;

/* ---- Loading ------------------------------------------------------------------------ */

/* Finds the decoder for bytes and reads their header into info, with what
 * the decoder printed meanwhile in messages. */
static GpStatus bm_probe_bytes(const std::vector<uint8_t>& bytes, const decoder*& codec, image_info& info,
                               std::string& messages) {
    size_t count = 0;
    const decoder* const* table = decoder_table(count);
    const auto found =
        std::find_if(table, table + count, [&](const decoder* d) { return d->sniff(bytes.data(), bytes.size()); });
    codec = found != table + count ? *found : nullptr;
    if (codec == nullptr)
        return UnknownImageFormat;
    GpStatus status = Ok;
    {
        const message_capture capture(messages);
        status = codec->probe(bytes.data(), bytes.size(), decode_limits{}, info);
    }
    if (status != Ok)
        return status;
    if (info.width == 0 || info.height == 0 || info.frame_count == 0)
        return UnknownImageFormat;
    if (info.width > GpMaxImageSide || info.height > GpMaxImageSide ||
        static_cast<uint64_t>(info.width) * info.height > GpMaxImagePixels)
        return ValueOverflow;
    if (!is_known_format(info.format))
        return UnknownImageFormat;
    return Ok;
}

static GpStatus bm_load_bytes(std::shared_ptr<const std::vector<uint8_t>> bytes, bool deferred, GpImage** image) {
    const decoder* codec = nullptr;
    image_info info;
    std::string messages;
    if (const GpStatus status = bm_probe_bytes(*bytes, codec, info, messages); status != Ok)
        return status;
    std::unique_ptr<GpImage> result(new (std::nothrow) GpImage);
    if (!result)
        return OutOfMemory;
    result->source = std::move(bytes);
    result->codec = codec;
    result->info = std::move(info);
    result->decoder_messages = std::move(messages);
    /* Decode now unless asked not to, so that damaged pixel data fails the
     * load instead of a later draw, which would otherwise turn it into a
     * blank picture. */
    const GpStatus decoded = deferred ? Ok : ensure_decoded(*result);
    if (decoded == Ok)
        *image = result.release();
    return decoded;
}

/* Reads the whole file (a UTF-16 name), or its first limit bytes when it is
 * longer (*whole then false); the descriptor is closed on every path. */
static GpStatus bm_read_file(const WCHAR* filename, std::vector<uint8_t>& bytes, uint64_t limit = UINT64_MAX,
                             bool* whole = nullptr) {
    std::vector<char> path;
    if (!utf16_to_path(filename, path))
        return InvalidParameter;
    int fd = -1;
    uint64_t size = 0;
    GpStatus status = gp::open_regular_file(path.data(), &fd, &size);
    if (status != Ok)
        return status;
    if (whole != nullptr)
        *whole = size <= limit;
    status = size > bm_max_file_bytes ? OutOfMemory : guard_alloc([&] {
        bytes.resize(static_cast<size_t>(std::min(size, limit)));
        return Ok;
    });
    size_t done = 0;
    while (status == Ok && done < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            status = got < 0 ? gp::status_from_errno(errno) : Win32Error;
            break;
        }
        done += static_cast<size_t>(got);
    }
    ::close(fd);
    return status;
}

static GpStatus bm_load_file(const WCHAR* filename, bool deferred, GpImage** image) {
    if (image == nullptr)
        return InvalidParameter;
    return guard_alloc([&] {
        auto bytes = std::make_shared<std::vector<uint8_t>>();
        const GpStatus status = bm_read_file(filename, *bytes);
        return status != Ok ? status : bm_load_bytes(std::move(bytes), deferred, image);
    });
}

GpStatus GdipLoadImageFromFile(const WCHAR* filename, GpImage** image) {
    return bm_load_file(filename, false, image);
}

GpStatus GdipLoadImageFromFileDeferred(const WCHAR* filename, GpImage** image) {
    return bm_load_file(filename, true, image);
}

/* How much of a JPEG or PNG is read first for its size alone: the header
 * segments of most camera JPEGs (EXIF with its preview, ICC profile) and
 * the start of the pixel data that shows there is any. */
static constexpr uint64_t bm_header_bytes = 64 * 1024;

GpStatus GdipGetImageFileDimensions(const WCHAR* filename, uint32_t* width, uint32_t* height) {
    if (width == nullptr || height == nullptr)
        return InvalidParameter;
    return guard_alloc([&] {
        std::vector<uint8_t> bytes;
        const decoder* codec = nullptr;
        image_info info;
        std::string messages;
        GpStatus status = Ok;
        /* JPEG and PNG keep everything the size needs before the pixel data,
         * so a probe of their start that succeeds says what the whole file's
         * would; a start that is not enough is read again twice as far. Other
         * formats are read whole. */
        for (uint64_t limit = bm_header_bytes;;) {
            bool whole = false;
            if ((status = bm_read_file(filename, bytes, limit, &whole)) != Ok)
                return status;
            info = image_info{};
            status = bm_probe_bytes(bytes, codec, info, messages);
            const bool headerFirst = codec == &kJpegDecoder || codec == &kPngDecoder;
            if (whole || (status == Ok && headerFirst))
                break;
            limit = headerFirst ? limit * 2 : UINT64_MAX;
        }
        if (status != Ok)
            return status;
        *width = info.width;
        *height = info.height;
        return Ok;
    });
}

GpStatus GdipGetDecodeCount(uint64_t* count) {
    if (count == nullptr)
        return InvalidParameter;
    *count = bm_decode_count.load(std::memory_order_relaxed);
    return Ok;
}

GpStatus GdipSetImageReducedDecode(GpImage* image, bool allow) {
    if (image == nullptr)
        return InvalidParameter;
    image->may_reduce = allow;
    return Ok;
}

GpStatus GdipGetImageDecodedSize(GpImage* image, uint32_t* width, uint32_t* height) {
    if (image == nullptr || width == nullptr || height == nullptr)
        return InvalidParameter;
    const raster& held = image->decoded ? image->pixels : image->reduced;
    *width = held.width;
    *height = held.height;
    return Ok;
}

GpStatus GdipGetImageDecodedSizeFor(GpImage* image, uint32_t draw_width, uint32_t draw_height, uint32_t* width,
                                    uint32_t* height) {
    if (image == nullptr || width == nullptr || height == nullptr)
        return InvalidParameter;
    const raster* held = image->decoded ? &image->pixels : nullptr;
    unsigned denom = 1;
    if (!held && image->info.raw_format == ImageFormatJPEG && draw_width > 0 && draw_height > 0)
        denom = cu_reduced_denom(image->info.width, image->info.height, draw_width, draw_height);
    *width = held ? held->width : cu_scaled(image->info.width, denom);
    *height = held ? held->height : cu_scaled(image->info.height, denom);
    return Ok;
}

GpStatus GpCreateStreamOnFile(const WCHAR* filename, GpStream** stream) {
    if (stream == nullptr)
        return InvalidParameter;
    return guard_alloc([&] {
        std::vector<uint8_t> bytes;
        const GpStatus status = bm_read_file(filename, bytes);
        if (status != Ok)
            return status;
        GpStream* created = stream_holding(std::move(bytes));
        if (created == nullptr)
            return OutOfMemory;
        *stream = created;
        return Ok;
    });
}

GpStatus GdipLoadImageFromStream(GpStream* stream, GpImage** image) {
    if (stream == nullptr || image == nullptr)
        return InvalidParameter;
    uint64_t size = 0;
    uint64_t position = 0;
    if (GpStreamStat(stream, &size) != S_OK || GpStreamSeek(stream, 0, STREAM_SEEK_CUR, &position) != S_OK)
        return InvalidParameter;
    const uint64_t remaining = position < size ? size - position : 0;
    if (remaining > bm_max_file_bytes)
        return OutOfMemory;
    return guard_alloc([&] {
        auto bytes = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(remaining));
        uint32_t read = 0;
        if (GpStreamRead(stream, bytes->data(), static_cast<uint32_t>(remaining), &read) != S_OK || read != remaining)
            return GenericError;
        return bm_load_bytes(std::move(bytes), false, image);
    });
}

/* ---- Creating ----------------------------------------------------------------------- */

GpStatus gp::wrap_raster(raster&& pixels, GpImage** image) {
    auto* result = new (std::nothrow) GpImage;
    if (result == nullptr)
        return OutOfMemory;
    result->info.width = pixels.width;
    result->info.height = pixels.height;
    result->info.format = pixels.format;
    result->info.raw_format = ImageFormatMemoryBMP;
    result->pixels = std::move(pixels);
    result->decoded = true;
    *image = result;
    return Ok;
}

GpStatus GdipCreateBitmapFromScan0(int32_t width, int32_t height, int32_t stride, PixelFormat format, uint8_t* scan0,
                                   GpBitmap** bitmap) {
    if (bitmap == nullptr || width <= 0 || height <= 0 || !is_known_format(format))
        return InvalidParameter;
    raster pixels;
    GpStatus status = make_raster(static_cast<uint32_t>(width), static_cast<uint32_t>(height), format, pixels);
    if (status != Ok)
        return status;
    if (scan0 != nullptr) {
        const int64_t row = stride < 0 ? -static_cast<int64_t>(stride) : stride;
        if (row % 4 != 0 || row < pixels.stride)
            return InvalidParameter;
        for (uint32_t y = 0; y < pixels.height; ++y)
            std::memcpy(pixels.pixels.data() + static_cast<size_t>(y) * pixels.stride,
                        scan0 + static_cast<ptrdiff_t>(y) * stride, pixels.stride);
    }
    return wrap_raster(std::move(pixels), bitmap);
}

GpStatus GdipCreateBitmapFromHBITMAP(HBITMAP hbm, HPALETTE, GpBitmap** bitmap) {
    if (hbm == nullptr || bitmap == nullptr)
        return InvalidParameter;
    return guard_alloc([&] { return wrap_raster(raster(hbm->pixels), bitmap); });
}

GpStatus GdipCloneBitmapAreaI(int32_t x, int32_t y, int32_t width, int32_t height, PixelFormat format, GpBitmap* src,
                              GpBitmap** dst) {
    if (src == nullptr || dst == nullptr || width <= 0 || height <= 0 || x < 0 || y < 0 || !is_known_format(format))
        return InvalidParameter;
    GpStatus status = ensure_decoded(*src);
    if (status != Ok)
        return status;
    const raster& from = src->pixels;
    if (static_cast<int64_t>(x) + width > from.width || static_cast<int64_t>(y) + height > from.height)
        return InvalidParameter;
    raster pixels;
    status = make_raster(static_cast<uint32_t>(width), static_cast<uint32_t>(height), format, pixels);
    if (status != Ok)
        return status;
    if (is_indexed(format) && is_indexed(from.format) && !from.palette.empty() &&
        from.palette.size() <= pixels.palette.size()) {
        pixels.palette = from.palette;
        pixels.palette_flags = from.palette_flags;
    }
    convert_pixels(from.pixels.data() + static_cast<size_t>(y) * from.stride, static_cast<int32_t>(from.stride),
                   from.format, from.palette, pixels.pixels.data(), static_cast<int32_t>(pixels.stride), format,
                   pixels.palette, static_cast<uint32_t>(x), 0, pixels.width, pixels.height);
    return wrap_raster(std::move(pixels), dst);
}

GpStatus GdipDisposeImage(GpImage* image) {
    if (image == nullptr)
        return InvalidParameter;
    delete image;
    return Ok;
}

/* ---- Size and format ------------------------------------------------------------------ */

GpStatus GdipGetImagePixelFormat(GpImage* image, PixelFormat* format) {
    if (image == nullptr || format == nullptr)
        return InvalidParameter;
    *format = image->decoded ? image->pixels.format : image->info.format;
    return Ok;
}

GpStatus GdipGetImageDimension(GpImage* image, float* width, float* height) {
    if (image == nullptr || width == nullptr || height == nullptr)
        return InvalidParameter;
    *width = static_cast<float>(image->decoded ? image->pixels.width : image->info.width);
    *height = static_cast<float>(image->decoded ? image->pixels.height : image->info.height);
    return Ok;
}

GpStatus GdipGetImageDecoderMessages(GpImage* image, char* buffer, uint32_t* size) {
    if (image == nullptr || size == nullptr)
        return InvalidParameter;
    const std::string& text = image->decoder_messages;
    if (buffer == nullptr) {
        *size = static_cast<uint32_t>(std::min<size_t>(text.size(), UINT32_MAX));
        return Ok;
    }
    const size_t count = std::min<size_t>(text.size(), *size);
    std::memcpy(buffer, text.data(), count);
    *size = static_cast<uint32_t>(count);
    return Ok;
}

GpStatus GdipImageRotateFlip(GpImage* image, RotateFlipType type) {
    if (image == nullptr || type < RotateNoneFlipNone || type > Rotate270FlipX)
        return InvalidParameter;
    if (image->lock)
        return WrongState;
    GpStatus status = ensure_decoded(*image);
    if (status != Ok || type == RotateNoneFlipNone)
        return status;
    raster turned;
    status = rotate_flip(image->pixels, type, turned);
    if (status == Ok)
        image->pixels = std::move(turned);
    return status;
}

/* ---- Pixel locks ---------------------------------------------------------------------- */

/* The palette a lock in format uses: the image's own, else a grey ramp. */
static const std::vector<ARGB>& bm_lock_palette(const GpImage& image, PixelFormat format, std::vector<ARGB>& fallback) {
    if (!image.pixels.palette.empty())
        return image.pixels.palette;
    fallback = is_indexed(format) ? grey_palette(format) : std::vector<ARGB>{};
    return fallback;
}

GpStatus GdipBitmapLockBits(GpBitmap* bitmap, const GpRect* rect, uint32_t flags, PixelFormat format,
                            BitmapData* lockedData) {
    if (bitmap == nullptr || lockedData == nullptr || !is_known_format(format) ||
        (flags & (ImageLockModeRead | ImageLockModeWrite)) == 0 || (flags & ~7u) != 0)
        return InvalidParameter;
    if (bitmap->lock)
        return WrongState;
    GpStatus status = ensure_decoded(*bitmap);
    if (status != Ok)
        return status;
    const raster& pixels = bitmap->pixels;
    const GpRect area =
        rect != nullptr ? *rect : GpRect{0, 0, static_cast<int32_t>(pixels.width), static_cast<int32_t>(pixels.height)};
    if (area.X < 0 || area.Y < 0 || area.Width <= 0 || area.Height <= 0 ||
        static_cast<int64_t>(area.X) + area.Width > pixels.width ||
        static_cast<int64_t>(area.Y) + area.Height > pixels.height)
        return InvalidParameter;
    const auto width = static_cast<uint32_t>(area.Width);
    const auto height = static_cast<uint32_t>(area.Height);
    const uint32_t row_bytes = stride_for(width, format);
    return guard_alloc([&] {
        auto lock = std::make_unique<lock_state>();
        lock->rect = area;
        lock->flags = flags;
        lock->format = format;
        if (flags & ImageLockModeUserInputBuf) {
            const int64_t stride = lockedData->Stride;
            if (lockedData->Scan0 == nullptr || (stride < 0 ? -stride : stride) < row_bytes)
                return InvalidParameter;
            lock->scan0 = static_cast<uint8_t*>(lockedData->Scan0);
            lock->stride = lockedData->Stride;
        } else {
            lock->own.assign(static_cast<size_t>(row_bytes) * height, 0);
            lock->scan0 = lock->own.data();
            lock->stride = static_cast<int32_t>(row_bytes);
        }
        if (flags & ImageLockModeRead) {
            std::vector<ARGB> fallback;
            const auto& palette = bm_lock_palette(*bitmap, format, fallback);
            convert_pixels(pixels.pixels.data() + static_cast<size_t>(area.Y) * pixels.stride,
                           static_cast<int32_t>(pixels.stride), pixels.format, pixels.palette, lock->scan0,
                           lock->stride, format, palette, static_cast<uint32_t>(area.X), 0, width, height);
        }
        *lockedData = BitmapData{width, height, lock->stride, format, lock->scan0, 0};
        bitmap->lock = std::move(lock);
        return Ok;
    });
}

GpStatus GdipBitmapUnlockBits(GpBitmap* bitmap, BitmapData* lockedData) {
    if (bitmap == nullptr || lockedData == nullptr)
        return InvalidParameter;
    if (!bitmap->lock || lockedData->Scan0 != bitmap->lock->scan0)
        return WrongState;
    const lock_state& lock = *bitmap->lock;
    if (lock.flags & ImageLockModeWrite) {
        raster& pixels = bitmap->pixels;
        std::vector<ARGB> fallback;
        const auto& palette = bm_lock_palette(*bitmap, lock.format, fallback);
        convert_pixels(lock.scan0, lock.stride, lock.format, palette,
                       pixels.pixels.data() + static_cast<size_t>(lock.rect.Y) * pixels.stride,
                       static_cast<int32_t>(pixels.stride), pixels.format, pixels.palette, 0,
                       static_cast<uint32_t>(lock.rect.X), static_cast<uint32_t>(lock.rect.Width),
                       static_cast<uint32_t>(lock.rect.Height));
    }
    bitmap->lock.reset();
    return Ok;
}

GpStatus GdipBitmapGetPixel(GpBitmap* bitmap, int32_t x, int32_t y, ARGB* color) {
    if (bitmap == nullptr || color == nullptr)
        return InvalidParameter;
    GpStatus status = ensure_decoded(*bitmap);
    if (status != Ok)
        return status;
    const raster& pixels = bitmap->pixels;
    if (x < 0 || y < 0 || static_cast<uint32_t>(x) >= pixels.width || static_cast<uint32_t>(y) >= pixels.height)
        return InvalidParameter;
    read_row_argb(pixels.pixels.data() + static_cast<size_t>(y) * pixels.stride, pixels.format, pixels.palette,
                  static_cast<uint32_t>(x), 1, color);
    return Ok;
}

/* ---- Palettes ------------------------------------------------------------------------- */

GpStatus GdipGetImagePalette(GpImage* image, ColorPalette* palette, int32_t size) {
    if (image == nullptr || palette == nullptr || size < 8)
        return InvalidParameter;
    GpStatus status = ensure_decoded(*image);
    if (status != Ok)
        return status;
    const auto& entries = image->pixels.palette;
    const size_t room = static_cast<size_t>(size - 8) / 4;
    const size_t count = entries.size() < room ? entries.size() : room;
    palette->Flags = image->pixels.palette_flags;
    palette->Count = static_cast<uint32_t>(count);
    /* Entries follow Flags and Count; the caller's buffer holds size bytes. */
    if (count > 0)
        std::memcpy(reinterpret_cast<uint8_t*>(palette) + 8, entries.data(), count * 4);
    return Ok;
}

GpStatus GdipSetImagePalette(GpImage* image, const ColorPalette* palette) {
    if (image == nullptr || palette == nullptr || palette->Count == 0 || palette->Count > 256)
        return InvalidParameter;
    GpStatus status = ensure_decoded(*image);
    if (status != Ok)
        return status;
    raster& pixels = image->pixels;
    if (is_indexed(pixels.format) && palette->Count > (1u << GetPixelFormatSize(pixels.format)))
        return InvalidParameter;
    return guard_alloc([&] {
        std::vector<ARGB> entries(palette->Count);
        std::memcpy(entries.data(), reinterpret_cast<const uint8_t*>(palette) + 8, entries.size() * 4);
        pixels.palette = std::move(entries);
        pixels.palette_flags = palette->Flags;
        return Ok;
    });
}

/* ---- Property items ------------------------------------------------------------------- */

static const property* bm_find_property(const GpImage& image, PROPID id) {
    for (const property& item : image.info.properties)
        if (item.id == id)
            return &item;
    return nullptr;
}

GpStatus GdipGetPropertyItemSize(GpImage* image, PROPID propId, uint32_t* size) {
    if (image == nullptr || size == nullptr)
        return InvalidParameter;
    const property* item = bm_find_property(*image, propId);
    if (item == nullptr)
        return PropertyNotFound;
    if (item->value.size() > UINT32_MAX - sizeof(PropertyItem))
        return ValueOverflow;
    *size = static_cast<uint32_t>(sizeof(PropertyItem) + item->value.size());
    return Ok;
}

GpStatus GdipGetPropertyItem(GpImage* image, PROPID propId, uint32_t propSize, PropertyItem* buffer) {
    if (image == nullptr || buffer == nullptr)
        return InvalidParameter;
    const property* item = bm_find_property(*image, propId);
    if (item == nullptr)
        return PropertyNotFound;
    if (propSize != sizeof(PropertyItem) + item->value.size())
        return InvalidParameter;
    /* The value bytes follow the record in the caller's buffer. */
    uint8_t* value = reinterpret_cast<uint8_t*>(buffer) + sizeof(PropertyItem);
    *buffer = PropertyItem{item->id, static_cast<uint32_t>(item->value.size()), item->type,
                           item->value.empty() ? nullptr : value};
    if (!item->value.empty())
        std::memcpy(value, item->value.data(), item->value.size());
    return Ok;
}

/* ---- Frames --------------------------------------------------------------------------- */

/* True when both are given and the image's frames run along dimension. */
static bool bm_has_dimension(const GpImage* image, const GUID* dimension) {
    if (image == nullptr || dimension == nullptr)
        return false;
    if (*dimension == FrameDimensionPage)
        return image->info.frames_are_pages;
    return *dimension == FrameDimensionTime && !image->info.frames_are_pages;
}

GpStatus GdipImageGetFrameCount(GpImage* image, const GUID* dimensionID, uint32_t* count) {
    if (count == nullptr || !bm_has_dimension(image, dimensionID))
        return InvalidParameter;
    *count = image->info.frame_count;
    return Ok;
}

GpStatus GdipImageSelectActiveFrame(GpImage* image, const GUID* dimensionID, uint32_t frameIndex) {
    if (!bm_has_dimension(image, dimensionID) || frameIndex >= image->info.frame_count)
        return InvalidParameter;
    if (image->lock)
        return WrongState;
    if (image->codec == nullptr)
        return Ok; /* a created bitmap has its one frame only */
    const uint32_t previous = image->active_frame;
    image->active_frame = frameIndex;
    image->decoded = false;
    const GpStatus status = ensure_decoded(*image);
    if (status != Ok)
        image->active_frame = previous;
    return status;
}

/* ---- Image attributes ----------------------------------------------------------------- */

GpStatus GdipCreateImageAttributes(GpImageAttributes** imageattr) {
    if (imageattr == nullptr)
        return InvalidParameter;
    *imageattr = new (std::nothrow) GpImageAttributes;
    return *imageattr == nullptr ? OutOfMemory : Ok;
}

GpStatus GdipDisposeImageAttributes(GpImageAttributes* imageattr) {
    delete imageattr;
    return Ok;
}

GpStatus GdipSetImageAttributesColorKeys(GpImageAttributes* imageattr, ColorAdjustType type, int32_t enableFlag,
                                         ARGB colorLow, ARGB colorHigh) {
    if (imageattr == nullptr || (type != ColorAdjustTypeDefault && type != ColorAdjustTypeBitmap))
        return InvalidParameter;
    imageattr->key_enabled = enableFlag != 0;
    imageattr->key_low = colorLow;
    imageattr->key_high = colorHigh;
    return Ok;
}

/* ---- Displayable bitmaps and device contexts -------------------------------------------- */

/* Blends straight-alpha color over background (both ARGB), rounding. */
static ARGB bm_over_background(ARGB color, ARGB background) {
    const uint32_t a = color >> 24;
    const uint32_t ba = ((background >> 24) * (255 - a) + 127) / 255;
    const uint32_t out_a = a + ba;
    if (out_a == 0)
        return 0;
    ARGB result = out_a << 24;
    for (unsigned shift = 0; shift < 24; shift += 8) {
        const uint32_t c = (color >> shift) & 255u;
        const uint32_t bc = (background >> shift) & 255u;
        result |= ((c * a + bc * ba + out_a / 2) / out_a) << shift;
    }
    return result;
}

GpStatus GdipCreateHBITMAPFromBitmap(GpBitmap* bitmap, HBITMAP* hbmReturn, ARGB background) {
    if (bitmap == nullptr || hbmReturn == nullptr)
        return InvalidParameter;
    GpStatus status = ensure_decoded(*bitmap);
    if (status != Ok)
        return status;
    std::unique_ptr<GpDisplayBitmap> result(new (std::nothrow) GpDisplayBitmap);
    if (!result)
        return OutOfMemory;
    status = copy_as_argb(bitmap->pixels, result->pixels);
    if (status != Ok)
        return status;
    raster& to = result->pixels;
    if ((background >> 24) != 0) {
        for (uint32_t y = 0; y < to.height; ++y) {
            auto* row = reinterpret_cast<ARGB*>(to.pixels.data() + static_cast<size_t>(y) * to.stride);
            for (uint32_t x = 0; x < to.width; ++x)
                row[x] = bm_over_background(row[x], background);
        }
    }
    *hbmReturn = result.release();
    return Ok;
}

static void bm_describe(raster& pixels, BitmapData* bits) {
    *bits = BitmapData{pixels.width,  pixels.height,        static_cast<int32_t>(pixels.stride),
                       pixels.format, pixels.pixels.data(), 0};
}

GpStatus GpGetHBITMAPBits(HBITMAP hbm, BitmapData* bits) {
    if (hbm == nullptr || bits == nullptr)
        return InvalidParameter;
    bm_describe(hbm->pixels, bits);
    return Ok;
}

void GpDeleteObject(HBITMAP hbm) {
    delete hbm;
}

GpStatus GpGetDCBits(HDC hdc, BitmapData* bits) {
    if (hdc == nullptr || bits == nullptr)
        return InvalidParameter;
    bm_describe(hdc->pixels, bits);
    return Ok;
}
