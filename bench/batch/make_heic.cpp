// Turns photographs into phone-like HEIC files for the batch benchmark's HEIC
// job: every JPEG of SOURCE_DIR is decoded through the program's imaging
// layer and written to DEST_DIR with libheif's HEVC encoder (x265) at
// quality 50, the size phones write (about 2 MB for 12 megapixels).
//
//   make_heic SOURCE_DIR DEST_DIR
//
// The same sources give the same pictures (x265 output may differ between
// library versions). Files already in DEST_DIR are kept.
#include "gp_flat.h"

#include <libheif/heif.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kQuality = 50;

heif_error AppendBytes(heif_context*, const void* data, size_t size, void* userdata) {
    auto* out = static_cast<std::vector<uint8_t>*>(userdata);
    out->insert(out->end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
}

// The pixels of a JPEG as tightly packed R, G, B rows; empty when it does not load.
std::vector<uint8_t> LoadRgb(const fs::path& path, int& lWidth, int& lHeight) {
    const std::u16string name = path.u16string();
    GpImage* image = nullptr;
    std::vector<uint8_t> rgb;
    if (GdipLoadImageFromFile(reinterpret_cast<const WCHAR*>(name.c_str()), &image) != Ok)
        return rgb;
    BitmapData data{};
    if (GdipBitmapLockBits(image, nullptr, ImageLockModeRead, PixelFormat24bppRGB, &data) == Ok) {
        lWidth = static_cast<int>(data.Width);
        lHeight = static_cast<int>(data.Height);
        rgb.resize(size_t(data.Width) * data.Height * 3);
        for (uint32_t y = 0; y < data.Height; ++y) {
            const auto* row = static_cast<const uint8_t*>(data.Scan0) + size_t(y) * size_t(data.Stride);
            for (uint32_t x = 0; x < data.Width; ++x)
                for (int c = 0; c < 3; ++c)
                    rgb[(size_t(y) * data.Width + x) * 3 + size_t(c)] = row[x * 3 + 2 - size_t(c)];
        }
        GdipBitmapUnlockBits(image, &data);
    }
    GdipDisposeImage(image);
    return rgb;
}

bool WriteHeic(const std::vector<uint8_t>& rgb, int lWidth, int lHeight, const fs::path& path) {
    heif_context* ctx = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* image = nullptr;
    std::vector<uint8_t> out;
    bool ok = heif_context_get_encoder_for_format(ctx, heif_compression_HEVC, &encoder).code == heif_error_Ok &&
              heif_image_create(lWidth, lHeight, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image).code ==
                  heif_error_Ok &&
              heif_image_add_plane(image, heif_channel_interleaved, lWidth, lHeight, 8).code == heif_error_Ok;
    if (ok) {
        int stride = 0;
        uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
        for (int y = 0; y < lHeight; ++y)
            std::memcpy(plane + size_t(y) * size_t(stride), rgb.data() + size_t(y) * size_t(lWidth) * 3,
                        size_t(lWidth) * 3);
        heif_encoder_set_lossy_quality(encoder, kQuality);
        heif_writer writer{1, AppendBytes};
        ok = heif_context_encode_image(ctx, image, encoder, nullptr, nullptr).code == heif_error_Ok &&
             heif_context_write(ctx, &writer, &out).code == heif_error_Ok;
    }
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(ctx);
    if (!ok)
        return false;
    FILE* file = std::fopen(path.c_str(), "wb");
    ok = file != nullptr && std::fwrite(out.data(), 1, out.size(), file) == out.size();
    if (file != nullptr)
        ok = std::fclose(file) == 0 && ok;
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_heic SOURCE_DIR DEST_DIR\n");
        return 2;
    }
    fs::create_directories(argv[2]);
    int failed = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(argv[1])) {
        const fs::path target = fs::path(argv[2]) / entry.path().filename().replace_extension(".heic");
        if (fs::exists(target))
            continue;
        int width = 0, height = 0;
        const std::vector<uint8_t> rgb = LoadRgb(entry.path(), width, height);
        if (rgb.empty() || !WriteHeic(rgb, width, height, target)) {
            std::fprintf(stderr, "%s: not converted\n", entry.path().c_str());
            ++failed;
        }
    }
    return failed == 0 ? 0 : 1;
}
