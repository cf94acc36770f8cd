/*
 * codec_jxl_read.cpp - JPEG XL decoder over libjxl.
 *
 * One frame per file: a still image, or the first frame of an animation.
 * Images with alpha give 32bppARGB, the rest 24bppRGB; libjxl applies the
 * orientation, so width and height are the upright size. Lossy (XYB) images
 * are decoded straight to sRGB; others in their own colour space, whose ICC
 * profile is handed on in image_info.icc_profile unless it is sRGB. A
 * truncated or damaged file fails with GenericError.
 *
 * Memory: the size is checked against our caps before anything is
 * allocated, and an image over kJxlUnprovenPixels must come with a byte of
 * file for every kPixelsPerByte pixels. libjxl keeps full-size planes of
 * 32-bit samples besides our raster (a 3 KB file of a flat 4096 x 4096
 * image took 246 MB to decode), so a small file must not be able to claim a
 * large image: no file under 100 KB gets past 8 megapixels.
 */
#include "codec_util.h"

#include <jxl/decode.h>

#include <cstring>

namespace gp {
namespace {

/* Photographs take well over a byte per 16 pixels. */
constexpr uint64_t kJxlUnprovenPixels = uint64_t{1} << 23;
constexpr uint64_t kPixelsPerByte = 64;
/* Cap for an ICC profile. */
constexpr size_t kMaxProfile = size_t{4} << 20;

bool jr_sniff(const uint8_t* data, size_t size) {
    const JxlSignature signature = JxlSignatureCheck(data, size);
    return signature == JXL_SIG_CODESTREAM || signature == JXL_SIG_CONTAINER;
}

/* What one run of the decoder learns and fills. out is null for a probe. */
struct jr_job {
    const decode_limits* limits;
    size_t file_size;
    image_info* info;
    raster* out;
    uint32_t width = 0; /* upright */
    uint32_t height = 0;
    bool alpha = false;
};

GpStatus jr_basic_info(JxlDecoder* dec, jr_job& job) {
    JxlBasicInfo basic;
    if (JxlDecoderGetBasicInfo(dec, &basic) != JXL_DEC_SUCCESS)
        return GenericError;
    const uint64_t pixels = uint64_t{basic.xsize} * basic.ysize;
    GpStatus status = cu_check_size(basic.xsize, basic.ysize, *job.limits);
    if (status != Ok)
        return status;
    if (pixels > kJxlUnprovenPixels && job.file_size < pixels / kPixelsPerByte)
        return GenericError; /* claims more than its data could hold */
    const bool swap = basic.orientation >= JXL_ORIENT_TRANSPOSE;
    job.width = swap ? basic.ysize : basic.xsize;
    job.height = swap ? basic.xsize : basic.ysize;
    job.alpha = basic.alpha_bits > 0;
    return Ok;
}

bool jr_is_srgb(const JxlColorEncoding& colour) {
    return colour.color_space == JXL_COLOR_SPACE_RGB && colour.white_point == JXL_WHITE_POINT_D65 &&
           colour.primaries == JXL_PRIMARIES_SRGB && colour.transfer_function == JXL_TRANSFER_FUNCTION_SRGB;
}

/* Asks for sRGB samples; where libjxl cannot give them (images not stored
 * as XYB), a probe keeps the image's own profile. */
GpStatus jr_colour(JxlDecoder* dec, jr_job& job) {
    JxlColorEncoding srgb{};
    srgb.color_space = JXL_COLOR_SPACE_RGB;
    srgb.white_point = JXL_WHITE_POINT_D65;
    srgb.primaries = JXL_PRIMARIES_SRGB;
    srgb.transfer_function = JXL_TRANSFER_FUNCTION_SRGB;
    srgb.rendering_intent = JXL_RENDERING_INTENT_PERCEPTUAL;
    if (JxlDecoderSetPreferredColorProfile(dec, &srgb) == JXL_DEC_SUCCESS || job.info == nullptr)
        return Ok;
    JxlColorEncoding own;
    if (JxlDecoderGetColorAsEncodedProfile(dec, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &own) == JXL_DEC_SUCCESS &&
        jr_is_srgb(own))
        return Ok;
    size_t size = 0;
    if (JxlDecoderGetICCProfileSize(dec, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &size) != JXL_DEC_SUCCESS ||
        size == 0 || size > kMaxProfile)
        return Ok; /* no usable profile: the samples are taken as sRGB */
    job.info->icc_profile.resize(size);
    if (JxlDecoderGetColorAsICCProfile(dec, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, job.info->icc_profile.data(),
                                       size) != JXL_DEC_SUCCESS)
        job.info->icc_profile.clear();
    return Ok;
}

/* libjxl hands over runs of RGB(A) samples of one row; the raster is BGR(A). */
void jr_put(void* opaque, size_t x, size_t y, size_t count, const void* pixels) {
    raster& out = *static_cast<raster*>(opaque);
    const uint32_t channels = out.format == PixelFormat32bppARGB ? 4 : 3;
    cu_swap_red_blue(static_cast<const uint8_t*>(pixels), channels, out.pixels.data() + y * out.stride + x * channels,
                     channels, count);
}

GpStatus jr_out_buffer(JxlDecoder* dec, jr_job& job) {
    raster& out = *job.out;
    const GpStatus status =
        cu_alloc(out, job.width, job.height, job.alpha ? PixelFormat32bppARGB : PixelFormat24bppRGB, *job.limits);
    if (status != Ok)
        return status;
    const JxlPixelFormat format{job.alpha ? 4u : 3u, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    return JxlDecoderSetImageOutCallback(dec, &format, jr_put, &out) == JXL_DEC_SUCCESS ? Ok : GenericError;
}

/* Runs the decoder over the whole file until the probe or the first frame is done. */
GpStatus jr_run(const uint8_t* data, size_t size, jr_job& job) {
    const cu_owned<JxlDecoder, JxlDecoderDestroy> decoder(JxlDecoderCreate(nullptr));
    JxlDecoder* dec = decoder.get();
    const int events = JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | (job.out ? JXL_DEC_FULL_IMAGE : 0);
    if (dec == nullptr || JxlDecoderSubscribeEvents(dec, events) != JXL_DEC_SUCCESS ||
        JxlDecoderSetInput(dec, data, size) != JXL_DEC_SUCCESS)
        return OutOfMemory;
    JxlDecoderCloseInput(dec);
    for (;;) {
        GpStatus status = Ok;
        switch (JxlDecoderProcessInput(dec)) {
        case JXL_DEC_BASIC_INFO: status = jr_basic_info(dec, job); break;
        case JXL_DEC_COLOR_ENCODING:
            status = jr_colour(dec, job);
            if (status == Ok && job.out == nullptr)
                return Ok;
            break;
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: status = jr_out_buffer(dec, job); break;
        case JXL_DEC_FULL_IMAGE: return Ok;
        default: /* errors, truncation, or the end without a frame */ return GenericError;
        }
        if (status != Ok)
            return status;
    }
}

GpStatus jr_probe(const uint8_t* data, size_t size, const decode_limits& limits, image_info& info) {
    jr_job job{&limits, size, &info, nullptr};
    const GpStatus status = jr_run(data, size, job);
    if (status != Ok)
        return status;
    info.width = job.width;
    info.height = job.height;
    info.format = job.alpha ? PixelFormat32bppARGB : PixelFormat24bppRGB;
    info.raw_format = ImageFormatJXL;
    return Ok;
}

GpStatus jr_decode(const uint8_t* data, size_t size, const decode_limits& limits, raster& out) {
    jr_job job{&limits, size, nullptr, &out};
    return jr_run(data, size, job);
}

} // namespace

const decoder kJxlDecoder = cu_decoder<jr_sniff, jr_probe, jr_decode>("JXL");

} // namespace gp
