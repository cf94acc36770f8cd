#pragma once
// Small HEIC, AVIF, WebP and JPEG XL files for tests, made with libheif's,
// libwebp's and libjxl's own encoders (not ours), from a four-quadrant picture whose
// colours survive lossy coding: red, green / blue, white (half transparent
// when alpha is asked for). Orientation: written as irot/imir (HEIF) or as an
// EXIF orientation tag (EXIF 1..8, 0 = no EXIF block).

#include <jxl/encode.h>
#include <libheif/heif.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <cstdint>
#include <vector>

namespace modern {

// Packed B, G, R, A quadrant pixels (quadrant 0 top left, 1 top right, 2 bottom left, 3 bottom right).
inline std::vector<uint8_t> QuadrantPixels(int lWidth, int lHeight, bool bAlpha) {
    static const uint8_t kColours[4][4] = {{0, 0, 255, 255}, {0, 255, 0, 255}, {255, 0, 0, 255}, {255, 255, 255, 128}};
    std::vector<uint8_t> bgra;
    for (int y = 0; y < lHeight; ++y)
        for (int x = 0; x < lWidth; ++x) {
            const uint8_t* c = kColours[(y * 2 >= lHeight ? 2 : 0) + (x * 2 >= lWidth ? 1 : 0)];
            bgra.insert(bgra.end(), {c[0], c[1], c[2], bAlpha ? c[3] : uint8_t(255)});
        }
    return bgra;
}

// A minimal little-endian EXIF block ("Exif\0\0" + TIFF) holding one orientation.
inline std::vector<uint8_t> ExifWithOrientation(int iOrientation) {
    return {'E', 'x',  'i',  'f', 0,
            0,   'I',  'I',  42,  0,
            8,   0,    0,    0,   1,
            0,   0x12, 0x01, 3,   0,
            1,   0,    0,    0,   static_cast<uint8_t>(iOrientation),
            0,   0,    0,    0,   0,
            0,   0};
}

// A stand-in ICC profile: the decoders hand the bytes on without reading them.
inline const std::vector<uint8_t>& FakeIcc() {
    static const std::vector<uint8_t> icc = {'q', 'u', 'i', 'l', 'l', 'e', 't', '-', 'i', 'c', 'c'};
    return icc;
}

// A HEIC (HEVC) or AVIF (AV1) file; empty when the encoder is missing. It
// carries FakeIcc(), or with iNclxPrimaries an nclx description with those
// primaries and the transfer curve iNclxTransfer; with iThumbnailBox, a
// thumbnail of the picture scaled to fit that square.
inline std::vector<uint8_t> EncodeHeif(heif_compression_format eFormat, int lWidth, int lHeight, bool bAlpha,
                                       heif_orientation eTurn, int iExifOrientation, int iNclxPrimaries = 0,
                                       int iNclxTransfer = 13, int iThumbnailBox = 0) {
    std::vector<uint8_t> out;
    heif_context* ctx = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* image = nullptr;
    heif_image_handle* handle = nullptr;
    heif_encoding_options* options = heif_encoding_options_alloc();
    if (heif_context_get_encoder_for_format(ctx, eFormat, &encoder).code == heif_error_Ok) {
        heif_encoder_set_lossy_quality(encoder, 90);
        heif_image_create(lWidth, lHeight, heif_colorspace_RGB,
                          bAlpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &image);
        heif_image_add_plane(image, heif_channel_interleaved, lWidth, lHeight, 8);
        int stride = 0;
        uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
        const std::vector<uint8_t> bgra = QuadrantPixels(lWidth, lHeight, bAlpha);
        const int channels = bAlpha ? 4 : 3;
        for (size_t i = 0; i < bgra.size() / 4; ++i)
            for (int c = 0; c < channels; ++c) // R, G, B, A from B, G, R, A
                plane[i / lWidth * stride + i % lWidth * channels + c] = bgra[i * 4 + (c < 3 ? 2 - c : 3)];
        if (iNclxPrimaries == 0) {
            heif_image_set_raw_color_profile(image, "prof", FakeIcc().data(), FakeIcc().size());
        } else {
            heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
            heif_nclx_color_profile_set_color_primaries(nclx, static_cast<uint16_t>(iNclxPrimaries));
            heif_nclx_color_profile_set_transfer_characteristics(nclx, static_cast<uint16_t>(iNclxTransfer));
            heif_image_set_nclx_color_profile(image, nclx);
            heif_nclx_color_profile_free(nclx);
        }
        options->image_orientation = eTurn;
        heif_context_encode_image(ctx, image, encoder, options, &handle);
        if (handle && iThumbnailBox != 0) {
            heif_image_handle* thumbnail = nullptr;
            heif_context_encode_thumbnail(ctx, image, handle, encoder, options, iThumbnailBox, &thumbnail);
            heif_image_handle_release(thumbnail);
        }
        if (handle && iExifOrientation != 0) {
            const std::vector<uint8_t> exif = ExifWithOrientation(iExifOrientation);
            heif_context_add_exif_metadata(ctx, handle, exif.data(), static_cast<int>(exif.size()));
        }
        heif_writer writer{1, [](heif_context*, const void* data, size_t size, void* userdata) {
                               auto* target = static_cast<std::vector<uint8_t>*>(userdata);
                               target->insert(target->end(), static_cast<const uint8_t*>(data),
                                              static_cast<const uint8_t*>(data) + size);
                               return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
                           }};
        if (handle)
            heif_context_write(ctx, &writer, &out);
    }
    heif_encoding_options_free(options);
    heif_image_handle_release(handle);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(ctx);
    return out;
}

// A lossless WebP of the quadrants with an ICCP chunk, and an EXIF chunk
// (the bare TIFF block, as the format stores it) when iExifOrientation is set.
inline std::vector<uint8_t> EncodeWebP(int lWidth, int lHeight, bool bAlpha, int iExifOrientation) {
    const std::vector<uint8_t> bgra = QuadrantPixels(lWidth, lHeight, bAlpha);
    uint8_t* encoded = nullptr;
    const size_t size = WebPEncodeLosslessBGRA(bgra.data(), lWidth, lHeight, lWidth * 4, &encoded);
    WebPData plain{encoded, size};
    WebPMux* mux = WebPMuxCreate(&plain, 1);
    WebPFree(encoded);
    const WebPData icc{FakeIcc().data(), FakeIcc().size()};
    WebPMuxSetChunk(mux, "ICCP", &icc, 1);
    const std::vector<uint8_t> exif = ExifWithOrientation(iExifOrientation);
    const WebPData tiff{exif.data() + 6, exif.size() - 6};
    if (iExifOrientation != 0)
        WebPMuxSetChunk(mux, "EXIF", &tiff, 1);
    WebPData assembled{};
    WebPMuxAssemble(mux, &assembled);
    std::vector<uint8_t> out(assembled.bytes, assembled.bytes + assembled.size);
    WebPDataClear(&assembled);
    WebPMuxDelete(mux);
    return out;
}

// A lossless JPEG XL of the quadrants with the orientation iOrientation
// (1..8) in its header, in sRGB or, with
// bLinear, in linear-light sRGB (which the decoder hands on as a profile).
inline std::vector<uint8_t> EncodeJxl(int lWidth, int lHeight, bool bAlpha, int iOrientation, bool bLinear) {
    const std::vector<uint8_t> bgra = QuadrantPixels(lWidth, lHeight, bAlpha);
    std::vector<uint8_t> rgba;
    for (size_t i = 0; i < bgra.size(); i += 4) {
        rgba.insert(rgba.end(), {bgra[i + 2], bgra[i + 1], bgra[i]});
        if (bAlpha)
            rgba.push_back(bgra[i + 3]);
    }
    JxlEncoder* enc = JxlEncoderCreate(nullptr);
    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = uint32_t(lWidth);
    info.ysize = uint32_t(lHeight);
    info.bits_per_sample = 8;
    info.num_extra_channels = bAlpha ? 1 : 0;
    info.alpha_bits = bAlpha ? 8 : 0;
    info.uses_original_profile = JXL_TRUE;
    info.orientation = static_cast<JxlOrientation>(iOrientation);
    JxlEncoderSetBasicInfo(enc, &info);
    JxlColorEncoding colour;
    if (bLinear)
        JxlColorEncodingSetToLinearSRGB(&colour, JXL_FALSE);
    else
        JxlColorEncodingSetToSRGB(&colour, JXL_FALSE);
    JxlEncoderSetColorEncoding(enc, &colour);
    JxlEncoderFrameSettings* settings = JxlEncoderFrameSettingsCreate(enc, nullptr);
    JxlEncoderSetFrameLossless(settings, JXL_TRUE);
    const JxlPixelFormat format{bAlpha ? 4u : 3u, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    JxlEncoderAddImageFrame(settings, &format, rgba.data(), rgba.size());
    JxlEncoderCloseInput(enc);
    std::vector<uint8_t> out(size_t{1} << 16);
    uint8_t* next = out.data();
    size_t avail = out.size();
    const bool done = JxlEncoderProcessOutput(enc, &next, &avail) == JXL_ENC_SUCCESS;
    out.resize(done ? out.size() - avail : 0);
    JxlEncoderDestroy(enc);
    return out;
}

} // namespace modern
