/*
 * libFuzzer target for one decoder (QUILLET_FUZZ_DECODER names it): probe,
 * then decode every frame up to 4, with limits lowered to one megapixel,
 * touching every output byte so that a short buffer shows up under ASan.
 */
#include "gp_codec.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

const gp::decoder* FuzzDecoder() {
    size_t count = 0;
    const gp::decoder* const* table = gp::decoder_table(count);
    for (size_t i = 0; i < count; ++i)
        if (std::strcmp(table[i]->name, QUILLET_FUZZ_DECODER) == 0)
            return table[i];
    __builtin_trap(); /* a target without its decoder is a build mistake */
}

uint32_t Touch(const gp::raster& r) {
    uint32_t sum = 0;
    for (uint32_t y = 0; y < r.height; ++y)
        for (uint32_t x = 0; x < r.stride; ++x)
            sum += r.pixels[size_t{y} * r.stride + x];
    for (ARGB c : r.palette)
        sum += c;
    return sum;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const gp::decoder* dec = FuzzDecoder();
    gp::decode_limits limits;
    limits.max_side = 4096;
    limits.max_pixels = uint64_t{1} << 20;
    gp::image_info info;
    if (dec->probe(data, size, limits, info) != Ok)
        return 0;
    volatile uint32_t sink = 0;
    for (uint32_t frame = 0; frame < info.frame_count && frame < 4; ++frame) {
        gp::raster out;
        if (dec->decode(data, size, frame, limits, out) != Ok)
            break;
        if (out.pixels.size() < size_t{out.stride} * out.height)
            __builtin_trap();
        sink = sink + Touch(out);
    }
    return 0;
}
