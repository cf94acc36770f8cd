/* Imaging speed: the mode-6 reduction of a 12-megapixel image, the quarter
 * turn, and the JPEG decode and encode of the batch's typical sizes. */
#include "gp_flat.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

/* A photo-like 12 MP picture: smooth gradients with fine noise. */
GpBitmap* MakePhoto(int width, int height, PixelFormat format) {
    GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromScan0(width, height, 0, format, nullptr, &bitmap) != Ok)
        return nullptr;
    std::vector<ARGB> pixels(static_cast<size_t>(width) * height);
    uint32_t seed = 1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const uint32_t noise = (seed >> 28) & 15u;
            const uint32_t r = (x * 255 / width + noise) & 255u;
            const uint32_t g = (y * 255 / height + noise) & 255u;
            const uint32_t b = ((x + y) * 255 / (width + height)) & 255u;
            pixels[static_cast<size_t>(y) * width + x] = 0xFF000000u | (r << 16) | (g << 8) | b;
        }
    BitmapData data{
        static_cast<uint32_t>(width), static_cast<uint32_t>(height), width * 4, PixelFormat32bppARGB, pixels.data(), 0};
    GdipBitmapLockBits(bitmap, nullptr, ImageLockModeWrite | ImageLockModeUserInputBuf, PixelFormat32bppARGB, &data);
    GdipBitmapUnlockBits(bitmap, &data);
    return bitmap;
}

bool FindEncoder(const char16_t* pattern, CLSID& clsid) {
    uint32_t count = 0, size = 0;
    GdipGetImageEncodersSize(&count, &size);
    std::vector<ImageCodecInfo> buffer(size / sizeof(ImageCodecInfo) + 1);
    if (GdipGetImageEncoders(count, size, buffer.data()) != Ok)
        return false;
    for (uint32_t i = 0; i < count; ++i) {
        const std::u16string list(buffer[i].FilenameExtension);
        if (list.find(pattern) != std::u16string::npos) {
            clsid = buffer[i].Clsid;
            return true;
        }
    }
    return false;
}

/* Encodes image as JPEG at quality into bytes. */
bool EncodeJpeg(GpImage* image, uint32_t quality, std::vector<uint8_t>& bytes) {
    CLSID jpeg{};
    if (!FindEncoder(u"*.JPG", jpeg))
        return false;
    EncoderParameters params{1, {{EncoderQuality, 1, EncoderParameterValueTypeLong, &quality}}};
    GpStream* stream = nullptr;
    CreateStreamOnHGlobal(nullptr, 0, 1, &stream);
    const bool ok = GdipSaveImageToStream(image, stream, &jpeg, &params) == Ok;
    uint64_t size = 0;
    GpStreamStat(stream, &size);
    bytes.resize(static_cast<size_t>(size));
    GpStreamSeek(stream, 0, STREAM_SEEK_SET, nullptr);
    uint32_t read = 0;
    GpStreamRead(stream, bytes.data(), static_cast<uint32_t>(size), &read);
    GpStreamRelease(stream);
    return ok;
}

void BM_ReduceMode6(benchmark::State& state) {
    const auto format = static_cast<PixelFormat>(state.range(0));
    GpBitmap* source = MakePhoto(4000, 3000, format);
    for (auto _ : state) {
        GpBitmap* out = nullptr;
        GdipCreateBitmapFromScan0(800, 600, 0, format, nullptr, &out);
        GpGraphics* graphics = nullptr;
        GdipGetImageGraphicsContext(out, &graphics);
        GdipSetInterpolationMode(graphics, InterpolationModeHighQualityBilinear);
        GdipDrawImageRectI(graphics, source, 0, 0, 800, 600);
        GdipDeleteGraphics(graphics);
        GdipDisposeImage(out);
    }
    GdipDisposeImage(source);
}
BENCHMARK(BM_ReduceMode6)->Arg(PixelFormat24bppRGB)->Arg(PixelFormat32bppARGB)->Unit(benchmark::kMillisecond);

void BM_Rotate90(benchmark::State& state) {
    const auto format = static_cast<PixelFormat>(state.range(0));
    GpBitmap* source = MakePhoto(4000, 3000, format);
    for (auto _ : state)
        GdipImageRotateFlip(source, Rotate90FlipNone);
    GdipDisposeImage(source);
}
BENCHMARK(BM_Rotate90)->Arg(PixelFormat24bppRGB)->Arg(PixelFormat32bppARGB)->Unit(benchmark::kMillisecond);

void BM_DecodeJpeg12MP(benchmark::State& state) {
    GpBitmap* source = MakePhoto(4000, 3000, PixelFormat24bppRGB);
    std::vector<uint8_t> bytes;
    const bool ok = EncodeJpeg(source, 84, bytes);
    GdipDisposeImage(source);
    if (!ok) {
        state.SkipWithError("no JPEG encoder");
        return;
    }
    for (auto _ : state) {
        GpStream* stream = nullptr;
        CreateStreamOnHGlobal(bytes.data(), bytes.size(), 0, &stream);
        GpImage* image = nullptr;
        GdipLoadImageFromStream(stream, &image);
        GpStreamRelease(stream);
        ARGB pixel = 0;
        GdipBitmapGetPixel(image, 0, 0, &pixel); /* forces the decode */
        benchmark::DoNotOptimize(pixel);
        GdipDisposeImage(image);
    }
    state.counters["bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_DecodeJpeg12MP)->Unit(benchmark::kMillisecond);

void BM_EncodeJpeg800x600(benchmark::State& state) {
    GpBitmap* source = MakePhoto(800, 600, PixelFormat24bppRGB);
    std::vector<uint8_t> bytes;
    for (auto _ : state) {
        if (!EncodeJpeg(source, 84, bytes)) {
            state.SkipWithError("no JPEG encoder");
            break;
        }
    }
    GdipDisposeImage(source);
}
BENCHMARK(BM_EncodeJpeg800x600)->Unit(benchmark::kMillisecond);

} // namespace
