// Palette reduction of photographic images: QuantizeImage on a bitmap, and
// the tree alone (build plus one index lookup per pixel) on a raw buffer.
#include "OctTree.h"
#include "Quantize.h"
#include "cBitmap.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

namespace {

struct cPhoto {
    int32_t Width;
    int32_t Height;
    int32_t Stride;
    std::vector<uint8_t> Bytes; // blue, green, red
};

// Smooth gradients and waves with a little sensor noise: many thousands of
// distinct colours that cluster the way a photograph's do.
cPhoto MakePhoto(int32_t lWidth, int32_t lHeight) {
    cPhoto photo{lWidth, lHeight, (3 * lWidth + 3) / 4 * 4, {}};
    photo.Bytes.assign(size_t(photo.Stride) * size_t(lHeight), 0);
    std::mt19937 random(1234);
    std::normal_distribution<double> noise(0.0, 4.0);
    for (int32_t y = 0; y < lHeight; ++y)
        for (int32_t x = 0; x < lWidth; ++x) {
            const double u = double(x) / lWidth;
            const double v = double(y) / lHeight;
            const double wave = 40.0 * std::sin(12.0 * u + 7.0 * v) * std::cos(9.0 * v);
            const double channels[3] = {60.0 + 150.0 * v + wave, 90.0 + 100.0 * u * v - wave, 200.0 * u + 0.5 * wave};
            uint8_t* pixel = &photo.Bytes[size_t(y) * photo.Stride + 3 * size_t(x)];
            for (int c = 0; c < 3; ++c)
                pixel[c] = uint8_t(std::clamp(channels[c] + noise(random), 0.0, 255.0));
        }
    return photo;
}

const cPhoto& Photo(int64_t lWidth) {
    static const cPhoto small = MakePhoto(800, 600);
    static const cPhoto large = MakePhoto(4000, 3000);
    return lWidth == 800 ? small : large;
}

void BM_QuantizeImage(benchmark::State& state) {
    const cPhoto& photo = Photo(state.range(0));
    std::vector<uint8_t> bytes = photo.Bytes;
    for (auto _ : state) {
        state.PauseTiming();
        auto source = std::make_unique<cBitmap>();
        source->CreateFromScan0(photo.Width, photo.Height, photo.Stride, PixelFormat24bppRGB, bytes.data());
        state.ResumeTiming();
        int32_t limit = 256;
        std::unique_ptr<cBitmap> result = QuantizeImage(std::move(source), limit);
        benchmark::DoNotOptimize(result);
        if (!result || result->PixelFormat() != PixelFormat8bppIndexed)
            state.SkipWithError("no palettized bitmap");
        state.PauseTiming();
        result.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * int64_t{photo.Width} * photo.Height);
}
BENCHMARK(BM_QuantizeImage)->Arg(800)->Arg(4000)->Unit(benchmark::kMillisecond);

void BM_OctTreeBuildAndMap(benchmark::State& state) {
    const cPhoto& photo = Photo(state.range(0));
    for (auto _ : state) {
        BuildPalette(photo.Stride, photo.Height, photo.Stride - 3 * photo.Width, photo.Bytes, 256, 8);
        int64_t sum = 0;
        for (int32_t y = 0; y < photo.Height; ++y) {
            const uint8_t* pixel = &photo.Bytes[size_t(y) * photo.Stride];
            for (int32_t x = 0; x < photo.Width; ++x, pixel += 3)
                sum += GetPaletteIndex(pixel[0], pixel[1], pixel[2]);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * int64_t{photo.Width} * photo.Height);
}
BENCHMARK(BM_OctTreeBuildAndMap)->Arg(800)->Arg(4000)->Unit(benchmark::kMillisecond);

} // namespace
