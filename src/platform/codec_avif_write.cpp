/*
 * codec_avif_write.cpp - AVIF encoder over libavif and its AOM encoder.
 * (AVIF files are read by the HEIF decoder, codec_heif.cpp.)
 *
 * One still picture, 8 bits, YUV 4:2:0 with full-range BT.601 coefficients
 * and the sRGB primaries and transfer signalled in nclx (no ICC profile).
 * Images with alpha keep it, coded losslessly; images with nothing
 * transparent are written without an alpha plane. The EXIF block and XMP
 * packet of the options become the file's Exif and XMP items.
 *
 * Quality 0..100 (default 75) maps onto AV1's quantizer, 63 (coarsest) to 0
 * (lossless YUV): the points below were measured so that the four quality
 * options give about the SSIM of a JPEG of the same quality on photographs,
 * resized to 800 px (bench/README.md).
 */
#include "codec_util.h"

#include <avif/avif.h>

namespace gp {
namespace {

/* AOM's speed, of the 5 to 9 measured: only 5 writes files no larger than
 * vipsthumbnail's (libheif's AOM, also at speed 5) for the same SSIM; 6
 * writes 6 % more for a quarter of the CPU time (bench/README.md). */
constexpr int kSpeed = 5;
/* AV1 allows 65536; our sides are smaller still. */
constexpr uint32_t kMaxSide = 65535;

/* Quality -> quantizer, interpolated linearly between these points. */
struct av_point {
    int quality;
    int quantizer;
};
constexpr av_point kQuantizers[] = {{0, 63}, {48, 36}, {66, 33}, {84, 25}, {100, 0}};

int av_quantizer(int quality) {
    const size_t count = sizeof(kQuantizers) / sizeof(kQuantizers[0]);
    for (size_t i = 1; i < count; ++i) {
        const av_point& lo = kQuantizers[i - 1];
        const av_point& hi = kQuantizers[i];
        if (quality <= hi.quality) {
            /* Scaled by the span, the quantizer lies between the two points'
             * and so is never negative: adding half the span rounds to the
             * nearest, and each point's own quality gives its quantizer. */
            const int span = hi.quality - lo.quality;
            const int scaled = lo.quantizer * (hi.quality - quality) + hi.quantizer * (quality - lo.quality);
            return (scaled + span / 2) / span;
        }
    }
    return kQuantizers[count - 1].quantizer;
}

/* Owns the output of one encode. */
struct av_output {
    avifRWData data = AVIF_DATA_EMPTY;
    ~av_output() { avifRWDataFree(&data); }
};

/* Converts r's pixels into the image's YUV (and alpha) planes. Indexed and
 * 32-bit rasters go through BGRA rows. */
GpStatus av_import(const raster& r, avifImage* image) {
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, image);
    rgb.chromaDownsampling = AVIF_CHROMA_DOWNSAMPLING_AVERAGE;
    std::vector<uint8_t> bgra;
    if (r.format == PixelFormat24bppRGB) {
        rgb.format = AVIF_RGB_FORMAT_BGR;
        rgb.pixels = const_cast<uint8_t*>(r.pixels.data()); /* read only */
        rgb.rowBytes = r.stride;
    } else {
        bgra = cu_to_bgra(r);
        rgb.format = AVIF_RGB_FORMAT_BGRA;
        rgb.ignoreAlpha = cu_has_transparency(r) ? AVIF_FALSE : AVIF_TRUE;
        rgb.pixels = bgra.data();
        rgb.rowBytes = r.width * 4;
    }
    const avifResult result = avifImageRGBToYUV(image, &rgb);
    if (result == AVIF_RESULT_OUT_OF_MEMORY)
        return OutOfMemory;
    return result == AVIF_RESULT_OK ? Ok : GenericError;
}

void av_describe(avifImage* image, const encode_options& options) {
    image->yuvRange = AVIF_RANGE_FULL;
    image->colorPrimaries = AVIF_COLOR_PRIMARIES_BT709;
    image->transferCharacteristics = AVIF_TRANSFER_CHARACTERISTICS_SRGB;
    image->matrixCoefficients = AVIF_MATRIX_COEFFICIENTS_BT601;
    if (!options.exif.empty())
        avifImageSetMetadataExif(image, options.exif.data(), options.exif.size());
    if (!options.xmp.empty())
        avifImageSetMetadataXMP(image, options.xmp.data(), options.xmp.size());
}

void av_configure(avifEncoder* encoder, const encode_options& options) {
    const int quantizer = av_quantizer(cu_quality(options));
    encoder->codecChoice = AVIF_CODEC_CHOICE_AOM;
    encoder->speed = kSpeed;
    encoder->maxThreads = 1; /* the save runs one encode per core already */
    encoder->minQuantizer = quantizer;
    encoder->maxQuantizer = quantizer;
    encoder->minQuantizerAlpha = AVIF_QUANTIZER_LOSSLESS;
    encoder->maxQuantizerAlpha = AVIF_QUANTIZER_LOSSLESS;
}

GpStatus av_encode(const raster& r, const encode_options& options, std::vector<uint8_t>& out) {
    if (const GpStatus status = cu_lossy_arguments(r, options, kMaxSide); status != Ok)
        return status;
    const cu_owned<avifImage, avifImageDestroy> image(avifImageCreate(r.width, r.height, 8, AVIF_PIXEL_FORMAT_YUV420));
    const cu_owned<avifEncoder, avifEncoderDestroy> encoder(avifEncoderCreate());
    if (image == nullptr || encoder == nullptr)
        return OutOfMemory;
    av_describe(image.get(), options);
    if (const GpStatus status = av_import(r, image.get()); status != Ok)
        return status;
    av_configure(encoder.get(), options);
    av_output output;
    const avifResult result = avifEncoderWrite(encoder.get(), image.get(), &output.data);
    if (result != AVIF_RESULT_OK)
        return result == AVIF_RESULT_OUT_OF_MEMORY ? OutOfMemory : GenericError;
    out.assign(output.data.data, output.data.data + output.data.size);
    return Ok;
}

} // namespace

const encoder kAvifEncoder =
    cu_encoder<av_encode>({0x8f2a6d14, 0x52c4, 0x4e0b, {0xa7, 0x3e, 0x41, 0x56, 0x49, 0x46, 0x45, 0x31}},
                          ImageFormatAVIF, u"Built-in AVIF Codec", "AVIF");

} // namespace gp
