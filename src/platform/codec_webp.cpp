/*
 * codec_webp.cpp - WebP decoder and encoder over libwebp.
 *
 * Decoding: one frame per file: a still image, or the first frame of an
 * animation composed onto its (transparent) canvas. Images with alpha, and
 * every animation, give 32bppARGB; the rest 24bppRGB. The EXIF orientation
 * of an EXIF chunk is applied, so width and height are the upright size; an
 * ICCP chunk is handed on in image_info.icc_profile. A truncated or damaged
 * file fails with GenericError. The canvas size is checked against our caps
 * before libwebp allocates anything, and a canvas over kUnprovenPixels only
 * when the file is large enough to stand for it.
 *
 * Encoding: lossy, quality 0..100 (default 75), alpha kept; images with
 * nothing transparent are written without an alpha plane. Sides up to 16383.
 * The EXIF block and XMP packet of the options go into EXIF and XMP chunks.
 */
#include "codec_exif.h"
#include "codec_util.h"

#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <cstring>

namespace gp {
namespace {

/* Pixels a byte of a large file may stand for; real photos and drawings
 * take far more bytes than one per 4096 pixels. */
constexpr uint64_t kPixelsPerByte = 4096;
/* Cap for one EXIF or ICCP chunk. */
constexpr size_t kMaxMetadata = size_t{4} << 20;

bool wp_sniff(const uint8_t* data, size_t size) {
    return size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "WEBP", 4) == 0;
}

/* A demuxer over the caller's bytes (which it does not copy). */
using wp_demux = cu_owned<WebPDemuxer, WebPDemuxDelete>;

wp_demux wp_open_demux(const uint8_t* data, size_t size) {
    const WebPData bytes{data, size};
    return wp_demux(WebPDemux(&bytes));
}

struct wp_header {
    uint32_t width;
    uint32_t height;
    bool animated;
    bool alpha;
};

GpStatus wp_open(const wp_demux& demux, const uint8_t* data, size_t size, const decode_limits& limits, wp_header& hdr) {
    if (demux == nullptr)
        return GenericError;
    hdr.width = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH);
    hdr.height = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT);
    hdr.animated = (WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS) & ANIMATION_FLAG) != 0;
    GpStatus st = cu_check_size(hdr.width, hdr.height, limits);
    /* Lossless WebP can code a flat picture in no bits at all, and libwebp
     * composes an animation on two canvases of its own: a canvas over
     * kUnprovenPixels needs a byte of file a kPixelsPerByte pixels of it. */
    const uint64_t pixels = uint64_t{hdr.width} * hdr.height;
    if (st != Ok || (st = cu_check_fill(pixels, pixels / kPixelsPerByte, size)) != Ok)
        return st;
    WebPBitstreamFeatures features{};
    if (!hdr.animated && WebPGetFeatures(data, size, &features) != VP8_STATUS_OK)
        return GenericError;
    hdr.alpha = hdr.animated || features.has_alpha;
    return Ok;
}

/* The payload of the first chunk of fourcc, within the metadata cap. */
bool wp_chunk(const wp_demux& demux, const char* fourcc, WebPData& payload) {
    WebPChunkIterator it;
    if (!WebPDemuxGetChunk(demux.get(), fourcc, 1, &it))
        return false;
    payload = it.chunk;
    WebPDemuxReleaseChunkIterator(&it);
    return payload.size > 0 && payload.size <= kMaxMetadata;
}

/* EXIF orientation (0 when none), appending the EXIF properties. The chunk
 * holds the TIFF header itself, or (some writers) behind "Exif\0\0". */
int wp_exif(const wp_demux& demux, std::vector<property>& properties) {
    WebPData payload{};
    if (!wp_chunk(demux, "EXIF", payload))
        return 0;
    static constexpr uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
    const size_t skip = payload.size >= 6 && std::memcmp(payload.bytes, kExif, 6) == 0 ? 6 : 0;
    return exif_read(payload.bytes + skip, payload.size - skip, properties);
}

GpStatus wp_probe(const uint8_t* data, size_t size, const decode_limits& limits, image_info& info) {
    const wp_demux demux = wp_open_demux(data, size);
    wp_header hdr{};
    const GpStatus st = wp_open(demux, data, size, limits, hdr);
    if (st != Ok)
        return st;
    const bool swap = wp_exif(demux, info.properties) >= 5;
    info.width = swap ? hdr.height : hdr.width;
    info.height = swap ? hdr.width : hdr.height;
    info.format = hdr.alpha ? PixelFormat32bppARGB : PixelFormat24bppRGB;
    info.raw_format = ImageFormatWEBP;
    WebPData icc{};
    if (wp_chunk(demux, "ICCP", icc))
        info.icc_profile.assign(icc.bytes, icc.bytes + icc.size);
    return Ok;
}

/* Decodes a still image straight into out's rows. */
GpStatus wp_decode_still(const uint8_t* data, size_t size, raster& out) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return GenericError;
    config.output.colorspace = out.format == PixelFormat32bppARGB ? MODE_BGRA : MODE_BGR;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = out.pixels.data();
    config.output.u.RGBA.stride = static_cast<int>(out.stride);
    config.output.u.RGBA.size = out.pixels.size();
    const VP8StatusCode status = WebPDecode(data, size, &config);
    WebPFreeDecBuffer(&config.output);
    if (status == VP8_STATUS_OUT_OF_MEMORY)
        return OutOfMemory;
    return status == VP8_STATUS_OK ? Ok : GenericError;
}

/* Composes the first frame of an animation and copies the canvas into out. */
GpStatus wp_decode_first_frame(const uint8_t* data, size_t size, raster& out) {
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        return GenericError;
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    const WebPData bytes{data, size};
    const cu_owned<WebPAnimDecoder, WebPAnimDecoderDelete> decoder(WebPAnimDecoderNew(&bytes, &options));
    uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (decoder == nullptr || !WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp))
        return GenericError;
    const size_t rowBytes = size_t{out.width} * 4; /* the canvas is packed BGRA */
    for (uint32_t y = 0; y < out.height; ++y)
        std::memcpy(out.pixels.data() + size_t{y} * out.stride, canvas + y * rowBytes, rowBytes);
    return Ok;
}

GpStatus wp_decode(const uint8_t* data, size_t size, const decode_limits& limits, raster& out) {
    const wp_demux demux = wp_open_demux(data, size);
    wp_header hdr{};
    GpStatus st = wp_open(demux, data, size, limits, hdr);
    if (st != Ok)
        return st;
    st = cu_alloc(out, hdr.width, hdr.height, hdr.alpha ? PixelFormat32bppARGB : PixelFormat24bppRGB, limits);
    if (st != Ok)
        return st;
    st = hdr.animated ? wp_decode_first_frame(data, size, out) : wp_decode_still(data, size, out);
    if (st != Ok)
        return st;
    std::vector<property> ignored;
    return cu_apply_orientation(out, wp_exif(demux, ignored));
}

/* ---- Encoder ----------------------------------------------------------------- */

/* Owns the picture and the output buffer of one encode. */
class cWebPEncodeState {
  public:
    cWebPEncodeState() {
        mReady = WebPPictureInit(&mPicture) != 0;
        WebPMemoryWriterInit(&mWriter);
        mPicture.writer = WebPMemoryWrite;
        mPicture.custom_ptr = &mWriter;
    }
    ~cWebPEncodeState() {
        WebPPictureFree(&mPicture);
        WebPMemoryWriterClear(&mWriter);
    }
    cWebPEncodeState(const cWebPEncodeState&) = delete;
    cWebPEncodeState& operator=(const cWebPEncodeState&) = delete;

    bool mReady;
    WebPPicture mPicture;
    WebPMemoryWriter mWriter;
};

/* Hands r's pixels to the picture; indexed rows are expanded to BGRA first. */
bool wp_import(const raster& r, WebPPicture& picture) {
    const auto* pixels = r.pixels.data();
    const int stride = static_cast<int>(r.stride);
    switch (r.format) {
    case PixelFormat24bppRGB: return WebPPictureImportBGR(&picture, pixels, stride) != 0;
    case PixelFormat32bppRGB: return WebPPictureImportBGRX(&picture, pixels, stride) != 0;
    case PixelFormat32bppARGB: return WebPPictureImportBGRA(&picture, pixels, stride) != 0;
    default: break;
    }
    const std::vector<uint8_t> bgra = cu_to_bgra(r);
    return WebPPictureImportBGRA(&picture, bgra.data(), static_cast<int>(r.width * 4)) != 0;
}

/* Owns a mux and what it assembles. */
class cWebPMux {
  public:
    explicit cWebPMux(const WebPData& image) : mMux(WebPMuxCreate(&image, 0)) {}
    ~cWebPMux() {
        WebPDataClear(&mAssembled);
        WebPMuxDelete(mMux);
    }
    cWebPMux(const cWebPMux&) = delete;
    cWebPMux& operator=(const cWebPMux&) = delete;

    WebPMux* mMux;
    WebPData mAssembled{};
};

/* Adds the chunk fourcc holding block to the mux, when block is not empty. */
bool wp_add_chunk(WebPMux* mux, const char* fourcc, const std::vector<uint8_t>& block) {
    const WebPData data{block.data(), block.size()};
    return block.empty() || WebPMuxSetChunk(mux, fourcc, &data, 0) == WEBP_MUX_OK;
}

/* The encoded image with the photo details of options, into out. */
GpStatus wp_finish(const WebPMemoryWriter& image, const encode_options& options, std::vector<uint8_t>& out) {
    if (options.exif.empty() && options.xmp.empty())
        return cu_append(out, image.mem, image.size) ? Ok : OutOfMemory;
    cWebPMux mux(WebPData{image.mem, image.size});
    if (mux.mMux == nullptr || !wp_add_chunk(mux.mMux, "EXIF", options.exif) ||
        !wp_add_chunk(mux.mMux, "XMP ", options.xmp) || WebPMuxAssemble(mux.mMux, &mux.mAssembled) != WEBP_MUX_OK)
        return GenericError;
    return cu_append(out, mux.mAssembled.bytes, mux.mAssembled.size) ? Ok : OutOfMemory;
}

GpStatus wp_encode(const raster& r, const encode_options& options, std::vector<uint8_t>& out) {
    if (const GpStatus status = cu_lossy_arguments(r, options, WEBP_MAX_DIMENSION); status != Ok)
        return status;
    WebPConfig config;
    if (!WebPConfigInit(&config))
        return GenericError;
    config.quality = static_cast<float>(cu_quality(options));
    cWebPEncodeState state;
    if (!state.mReady)
        return GenericError;
    state.mPicture.use_argb = 1;
    state.mPicture.width = static_cast<int>(r.width);
    state.mPicture.height = static_cast<int>(r.height);
    if (!wp_import(r, state.mPicture))
        return OutOfMemory;
    if (!WebPEncode(&config, &state.mPicture))
        return state.mPicture.error_code == VP8_ENC_ERROR_OUT_OF_MEMORY ? OutOfMemory : GenericError;
    return wp_finish(state.mWriter, options, out);
}

} // namespace

const decoder kWebpDecoder = cu_decoder<wp_sniff, wp_probe, wp_decode>("WEBP");

const encoder kWebpEncoder =
    cu_encoder<wp_encode>({0x8f2a6d13, 0x52c4, 0x4e0b, {0xa7, 0x3e, 0x57, 0x45, 0x42, 0x50, 0x45, 0x31}},
                          ImageFormatWEBP, u"Built-in WebP Codec", "WEBP");

} // namespace gp
