/* libFuzzer target for decode then encode: the decoder is picked by sniffing
 * as the loader does, the first frame is decoded (a quarter megapixel at most)
 * and written back with each encoder in turn; every encoded file is decoded
 * once more, so encoders meet every raster shape the decoders can produce. */
#include "gp_codec.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const gp::decode_limits limits{.max_side = 2048, .max_pixels = uint64_t{1} << 18};
    size_t count = 0;
    const gp::decoder* const* decoders = gp::decoder_table(count);
    const auto sniffed = [&](const uint8_t* bytes, size_t length) -> const gp::decoder* {
        for (size_t i = 0; i < count; ++i)
            if (decoders[i]->sniff(bytes, length))
                return decoders[i];
        return nullptr;
    };
    const gp::decoder* dec = sniffed(data, size);
    gp::raster in;
    gp::image_info info;
    if (!dec || dec->probe(data, size, limits, info) != Ok || dec->decode(data, size, 0, limits, in) != Ok)
        return 0;
    size_t encoderCount = 0;
    const gp::encoder* encoders = gp::encoder_table(encoderCount);
    const gp::encode_options options{.quality = static_cast<int32_t>(size % 101)};
    for (size_t i = 0; i < encoderCount; ++i) {
        const gp::raster* pages[] = {&in};
        std::vector<uint8_t> bytes;
        if (encoders[i].encode(pages, 1, options, bytes) != Ok)
            __builtin_trap(); /* every decoded raster must be writable */
        const gp::decoder* back = sniffed(bytes.data(), bytes.size());
        gp::raster again;
        if (back && back->decode(bytes.data(), bytes.size(), 0, limits, again) != Ok)
            __builtin_trap(); /* what we write we read back */
    }
    return 0;
}
