/*
 * codec_jxl_write.cpp - JPEG XL encoder over libjxl.
 *
 * One lossy frame (VarDCT, 8-bit sRGB samples), in a container when there
 * are photo details: the EXIF block becomes an Exif box (behind its 4-byte
 * offset of the TIFF header, 0 here) and the XMP packet an "xml " box.
 * Images with alpha keep it as an extra channel; images with nothing
 * transparent are written without one. Single-threaded: the save runs one
 * encode per core already.
 *
 * Quality 0..100 (default 75) maps onto the Butteraugli distance, 15
 * (coarsest) to 0.12: the points below were measured so that the four
 * quality options give about the SSIM of a JPEG of the same quality on
 * photographs (bench/README.md).
 */
#include "codec_util.h"

#include <jxl/encode.h>

namespace gp {
namespace {

/* Effort 3 of 1..9: as fast as 1 with 8 % smaller files; 5 saves 8 % more
 * for 2.5 times the time (bench/README.md). */
constexpr int64_t kEffort = 3;
/* libjxl's level 5 limit on a side. */
constexpr uint32_t kMaxSide = 262144;
/* The output buffer grows in steps of this much. */
constexpr size_t kOutputStep = size_t{1} << 16;

/* Quality -> distance, interpolated linearly between these points. */
struct jw_point {
    int quality;
    float distance;
};
constexpr jw_point kDistances[] = {{0, 15.0f}, {48, 3.4f}, {66, 2.45f}, {84, 1.37f}, {100, 0.12f}};

float jw_distance(int quality) {
    const size_t count = sizeof(kDistances) / sizeof(kDistances[0]);
    for (size_t i = 1; i < count; ++i) {
        const jw_point& lo = kDistances[i - 1];
        const jw_point& hi = kDistances[i];
        if (quality <= hi.quality)
            return lo.distance + (hi.distance - lo.distance) * static_cast<float>(quality - lo.quality) /
                                     static_cast<float>(hi.quality - lo.quality);
    }
    return kDistances[count - 1].distance;
}

/* r's pixels as packed RGB or RGBA samples, the order libjxl reads. */
std::vector<uint8_t> jw_samples(const raster& r, uint32_t channels) {
    std::vector<uint8_t> bgra(size_t{r.width} * 4), samples(size_t{r.width} * channels * r.height);
    for (uint32_t y = 0; y < r.height; ++y) {
        cu_row_to_bgra(r, y, bgra.data());
        cu_swap_red_blue(bgra.data(), 4, samples.data() + size_t{y} * r.width * channels, channels, r.width);
    }
    return samples;
}

/* Size, colour and the detail boxes. */
bool jw_header(JxlEncoder* enc, const raster& r, bool alpha, const encode_options& options) {
    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = r.width;
    info.ysize = r.height;
    info.bits_per_sample = 8;
    info.num_color_channels = 3;
    info.num_extra_channels = alpha ? 1 : 0;
    info.alpha_bits = alpha ? 8 : 0;
    info.uses_original_profile = JXL_FALSE;
    JxlColorEncoding srgb;
    JxlColorEncodingSetToSRGB(&srgb, JXL_FALSE);
    if (JxlEncoderSetBasicInfo(enc, &info) != JXL_ENC_SUCCESS ||
        JxlEncoderSetColorEncoding(enc, &srgb) != JXL_ENC_SUCCESS)
        return false;
    if (options.exif.empty() && options.xmp.empty())
        return true;
    if (JxlEncoderUseBoxes(enc) != JXL_ENC_SUCCESS)
        return false;
    if (!options.exif.empty()) {
        std::vector<uint8_t> box(4, 0); /* the TIFF header starts right after the offset */
        box.insert(box.end(), options.exif.begin(), options.exif.end());
        if (JxlEncoderAddBox(enc, "Exif", box.data(), box.size(), JXL_FALSE) != JXL_ENC_SUCCESS)
            return false;
    }
    return options.xmp.empty() ||
           JxlEncoderAddBox(enc, "xml ", options.xmp.data(), options.xmp.size(), JXL_FALSE) == JXL_ENC_SUCCESS;
}

/* Runs the encoder to its end, growing out as it fills. */
GpStatus jw_collect(JxlEncoder* enc, std::vector<uint8_t>& out) {
    size_t used = 0;
    for (;;) {
        out.resize(used + kOutputStep);
        uint8_t* next = out.data() + used;
        size_t avail = kOutputStep;
        const JxlEncoderStatus status = JxlEncoderProcessOutput(enc, &next, &avail);
        used = static_cast<size_t>(next - out.data());
        if (status == JXL_ENC_SUCCESS)
            break;
        if (status != JXL_ENC_NEED_MORE_OUTPUT)
            return JxlEncoderGetError(enc) == JXL_ENC_ERR_OOM ? OutOfMemory : GenericError;
    }
    out.resize(used);
    return Ok;
}

GpStatus jw_encode(const raster& r, const encode_options& options, std::vector<uint8_t>& out) {
    if (const GpStatus status = cu_lossy_arguments(r, options, kMaxSide); status != Ok)
        return status;
    const bool alpha = cu_has_transparency(r);
    const JxlPixelFormat format{alpha ? 4u : 3u, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    const std::vector<uint8_t> samples = jw_samples(r, format.num_channels);

    const cu_owned<JxlEncoder, JxlEncoderDestroy> encoder(JxlEncoderCreate(nullptr));
    JxlEncoder* enc = encoder.get();
    if (enc == nullptr)
        return OutOfMemory;
    if (!jw_header(enc, r, alpha, options))
        return GenericError;
    JxlEncoderFrameSettings* settings = JxlEncoderFrameSettingsCreate(enc, nullptr);
    const float distance = jw_distance(cu_quality(options));
    if (settings == nullptr ||
        JxlEncoderFrameSettingsSetOption(settings, JXL_ENC_FRAME_SETTING_EFFORT, kEffort) != JXL_ENC_SUCCESS ||
        JxlEncoderSetFrameDistance(settings, distance) != JXL_ENC_SUCCESS ||
        JxlEncoderAddImageFrame(settings, &format, samples.data(), samples.size()) != JXL_ENC_SUCCESS)
        return GenericError;
    JxlEncoderCloseInput(enc);
    return jw_collect(enc, out);
}

} // namespace

const encoder kJxlEncoder =
    cu_encoder<jw_encode>({0x8f2a6d15, 0x52c4, 0x4e0b, {0xa7, 0x3e, 0x4a, 0x58, 0x4c, 0x45, 0x45, 0x31}},
                          ImageFormatJXL, u"Built-in JPEG XL Codec", "JXL");

} // namespace gp
