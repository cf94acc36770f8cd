/* libFuzzer target for one decoder (QUILLET_FUZZ_DECODER names it): probe,
 * then decode every frame up to 4, with limits lowered to one megapixel,
 * touching every output byte so that a short buffer shows up under ASan. */
#include "gp_codec.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const gp::decoder* const dec = [] {
        size_t count = 0;
        const gp::decoder* const* table = gp::decoder_table(count);
        for (size_t i = 0; i < count; ++i)
            if (std::strcmp(table[i]->name, QUILLET_FUZZ_DECODER) == 0)
                return table[i];
        __builtin_trap(); /* a target without its decoder is a build mistake */
    }();
    const gp::decode_limits limits{.max_side = 4096, .max_pixels = uint64_t{1} << 20};
    gp::image_info info;
    if (dec->probe(data, size, limits, info) != Ok)
        return 0;
    volatile uint32_t sink = 0;
    for (uint32_t frame = 0; frame < info.frame_count && frame < 4; ++frame) {
        gp::raster out;
        if (dec->decode(data, size, frame, limits, out) != Ok)
            break;
        const size_t bytes = size_t{out.stride} * out.height;
        if (out.pixels.size() < bytes)
            __builtin_trap();
        for (size_t i = 0; i < bytes; ++i)
            sink = sink + out.pixels[i];
        for (ARGB c : out.palette)
            sink = sink + c;
    }
    return 0;
}
