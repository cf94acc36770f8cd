/*
 * gp_codecs.cpp - the decoder and encoder tables the bitmap core consults.
 */
#include "codec_util.h"

namespace gp {

/* Decoders with a signature come first; TGA has none and is tried last. */
const decoder* const* decoder_table(size_t& count) {
    static const decoder* const kDecoders[] = {&kPngDecoder, &kJpegDecoder, &kGifDecoder,  &kBmpDecoder, &kTiffDecoder,
                                               &kIcoDecoder, &kHeifDecoder, &kWebpDecoder, &kJxlDecoder, &kTgaDecoder};
    count = sizeof(kDecoders) / sizeof(kDecoders[0]);
    return kDecoders;
}

/* The order callers enumerate: BMP, JPEG, GIF, TIFF, PNG, WebP, AVIF, JPEG XL. */
const encoder* encoder_table(size_t& count) {
    static const encoder kEncoders[] = {kBmpEncoder, kJpegEncoder, kGifEncoder,  kTiffEncoder,
                                        kPngEncoder, kWebpEncoder, kAvifEncoder, kJxlEncoder};
    count = sizeof(kEncoders) / sizeof(kEncoders[0]);
    return kEncoders;
}

} // namespace gp
