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

#include <algorithm>
#include <cmath>
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

// The file of a libheif context.
inline std::vector<uint8_t> WriteHeif(heif_context* ctx) {
    std::vector<uint8_t> out;
    heif_writer writer{1, [](heif_context*, const void* data, size_t size, void* userdata) {
                           auto* target = static_cast<std::vector<uint8_t>*>(userdata);
                           target->insert(target->end(), static_cast<const uint8_t*>(data),
                                          static_cast<const uint8_t*>(data) + size);
                           return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
                       }};
    heif_context_write(ctx, &writer, &out);
    return out;
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
        if (handle)
            out = WriteHeif(ctx);
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

// Waves of a few pixels in each channel, R, G, B rows: busy enough that
// averaging blocks matters, smooth enough that lossy coding neither rings
// past 0 or 255 nor clips.
inline std::vector<uint8_t> TexturePixels(int lWidth, int lHeight) {
    std::vector<uint8_t> rgb;
    for (int y = 0; y < lHeight; ++y)
        for (int x = 0; x < lWidth; ++x)
            rgb.insert(rgb.end(),
                       {uint8_t(128 + 90 * std::sin(x * 0.35 + y * 0.1)),
                        uint8_t(128 + 90 * std::sin(y * 0.3 - x * 0.05)), uint8_t(128 + 90 * std::cos((x + y) * 0.2))});
    return rgb;
}

// A HEIC of the texture's area (lLeft, lTop, lWidth x lHeight) of a picture
// lFullWidth wide, its YCbCr matrix and range in the coded stream, and in an
// nclx box as well when bNclxBox.
inline std::vector<uint8_t> EncodeHeifTexture(int lFullWidth, int lLeft, int lTop, int lWidth, int lHeight, int iMatrix,
                                              bool bFullRange, bool bNclxBox) {
    const std::vector<uint8_t> rgb = TexturePixels(lFullWidth, lTop + lHeight);
    std::vector<uint8_t> out;
    heif_context* ctx = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* image = nullptr;
    heif_encoding_options* options = heif_encoding_options_alloc();
    heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
    nclx->matrix_coefficients = static_cast<heif_matrix_coefficients>(iMatrix);
    nclx->full_range_flag = bFullRange;
    options->output_nclx_profile = nclx;
    options->macOS_compatibility_workaround_no_nclx_profile = !bNclxBox;
    if (heif_context_get_encoder_for_format(ctx, heif_compression_HEVC, &encoder).code == heif_error_Ok) {
        heif_encoder_set_lossy_quality(encoder, 95);
        heif_image_create(lWidth, lHeight, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
        heif_image_add_plane(image, heif_channel_interleaved, lWidth, lHeight, 8);
        heif_image_set_nclx_color_profile(image, nclx);
        int stride = 0;
        uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
        for (int y = 0; y < lHeight; ++y)
            std::copy_n(&rgb[(size_t(lTop + y) * lFullWidth + lLeft) * 3], lWidth * 3, plane + y * stride);
        if (heif_context_encode_image(ctx, image, encoder, options, nullptr).code == heif_error_Ok)
            out = WriteHeif(ctx);
    }
    heif_nclx_color_profile_free(nclx);
    heif_encoding_options_free(options);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(ctx);
    return out;
}

// Big-endian fields and boxes for the grid below.
inline void PutBE(std::vector<uint8_t>& v, uint64_t lValue, int lBytes) {
    for (int i = lBytes - 1; i >= 0; --i)
        v.push_back(uint8_t(lValue >> (8 * i)));
}
inline void Append(std::vector<uint8_t>& v, const std::vector<uint8_t>& more) {
    v.insert(v.end(), more.begin(), more.end());
}
inline std::vector<uint8_t> MakeBox(const char* sType, const std::vector<uint8_t>& body, int lVersion = -1) {
    std::vector<uint8_t> box;
    PutBE(box, body.size() + 8 + (lVersion >= 0 ? 4 : 0), 4);
    box.insert(box.end(), sType, sType + 4);
    if (lVersion >= 0)
        PutBE(box, uint32_t(lVersion) << 24, 4);
    Append(box, body);
    return box;
}
// The whole box of sType inside bytes (the first one).
inline std::vector<uint8_t> FindBox(const std::vector<uint8_t>& bytes, const char* sType) {
    for (size_t i = 4; i + 4 <= bytes.size(); ++i)
        if (std::equal(sType, sType + 4, bytes.begin() + long(i))) {
            const size_t size =
                size_t(bytes[i - 4]) << 24 | size_t(bytes[i - 3]) << 16 | bytes[i - 2] << 8 | bytes[i - 1];
            return {bytes.begin() + long(i - 4), bytes.begin() + long(i - 4 + size)};
        }
    return {};
}

// A HEIC grid of lColumns x lRows tiles of lTile x lTile pixels, cropped to
// lWidth x lHeight, as phones write them (the grid the primary item, the
// tiles hidden items with their own hvcC), turned by irot when iQuarterTurns
// (anticlockwise) is set; each tile coded by libheif's HEVC encoder. The
// grid's layout lies in mdat, or in meta's idat with bLayoutInIdat (as
// phones store it). The coded data comes before meta, so that iloc's offsets
// are known as it is written.
inline std::vector<uint8_t> EncodeHeifGrid(int lColumns, int lRows, int lTile, int lWidth, int lHeight,
                                           int iQuarterTurns, bool bLayoutInIdat = false) {
    const int count = lColumns * lRows;
    const std::vector<uint8_t> ftyp = MakeBox("ftyp", {'h', 'e', 'i', 'c', 0, 0, 0, 0, 'm', 'i', 'f', '1'});
    std::vector<uint8_t> ipco, ipma, iinf, dimg = {0, 1, 0, uint8_t(count)}, iloc = {0x44, 0x00};
    std::vector<uint8_t> layout = {0, 0, uint8_t(lRows - 1), uint8_t(lColumns - 1)}, data, sizes;
    PutBE(layout, lWidth, 2);
    PutBE(layout, lHeight, 2);
    if (!bLayoutInIdat)
        data = layout;
    PutBE(sizes, lWidth, 4);
    PutBE(sizes, lHeight, 4);
    Append(ipco, MakeBox("ispe", sizes, 0));
    Append(ipco, MakeBox("irot", {uint8_t(iQuarterTurns)}));
    PutBE(ipma, count + 1, 4);
    ipma.insert(ipma.end(), {0, 1, uint8_t(iQuarterTurns != 0 ? 2 : 1), 1, 0x82});
    ipma.resize(ipma.size() - (iQuarterTurns != 0 ? 0 : 1));
    PutBE(iinf, count + 1, 2);
    PutBE(iloc, count + 1, 2);
    for (int i = 0; i <= count; ++i) {
        const size_t offset = ftyp.size() + 8 + data.size();
        if (i > 0) {
            const int x = (i - 1) % lColumns * lTile, y = (i - 1) / lColumns * lTile;
            const std::vector<uint8_t> file = EncodeHeifTexture(lColumns * lTile, x, y, lTile, lTile, 6, true, false);
            const std::vector<uint8_t> mdat = FindBox(file, "mdat");
            data.insert(data.end(), mdat.begin() + 8, mdat.end());
            Append(ipco, FindBox(file, "hvcC"));
            Append(ipco, FindBox(file, "ispe"));
            ipma.insert(ipma.end(), {0, uint8_t(i + 1), 2, uint8_t(0x80 | (2 * i + 1)), uint8_t(2 * i + 2)});
            PutBE(dimg, i + 1, 2);
        }
        /* id, construction method (1: idat), data reference, one extent */
        for (uint64_t field : {uint64_t(i + 1), uint64_t(i == 0 && bLayoutInIdat), uint64_t(0), uint64_t(1)})
            PutBE(iloc, field, 2);
        PutBE(iloc, i == 0 ? (bLayoutInIdat ? 0 : ftyp.size() + 8) : offset, 4);
        PutBE(iloc, i == 0 ? 8 : ftyp.size() + 8 + data.size() - offset, 4);
        std::vector<uint8_t> infe = {0, uint8_t(i + 1), 0, 0};
        infe.insert(infe.end(), i == 0 ? "grid" : "hvc1", (i == 0 ? "grid" : "hvc1") + 5); /* an empty name */
        Append(iinf, MakeBox("infe", infe, 2));
        iinf.end()[-10] = i == 0 ? 0 : 1; /* the last byte of its flags: tiles are hidden */
    }
    std::vector<uint8_t> iprp = MakeBox("ipco", ipco), meta = MakeBox("hdlr", std::vector<uint8_t>(21, 0), 0);
    std::copy_n("pict", 4, meta.end() - 17);
    Append(iprp, MakeBox("ipma", ipma, 0));
    for (const std::vector<uint8_t>& box :
         {MakeBox("pitm", {0, 1}, 0), MakeBox("iinf", iinf, 0), MakeBox("iref", MakeBox("dimg", dimg), 0),
          MakeBox("iprp", iprp), MakeBox("iloc", iloc, 1), MakeBox("idat", layout)})
        Append(meta, box);
    std::vector<uint8_t> out = ftyp;
    Append(out, MakeBox("mdat", data));
    Append(out, MakeBox("meta", meta, 0));
    return out;
}

} // namespace modern
