/*
 * codec_quant.cpp - median cut for the GIF encoder.
 *
 * Colours are counted in a 32 x 32 x 32 histogram (5 bits a channel) that
 * also sums the exact 8-bit values, so each palette entry is the true mean of
 * the pixels it stands for. The box with the most pixels among those that
 * can still be split is cut at the pixel median of its widest channel.
 */
#include "codec_quant.h"

#include "codec_util.h"

#include <algorithm>
#include <array>
#include <unordered_map>

namespace gp {
namespace {

constexpr uint32_t kBins = 32 * 32 * 32;

struct qt_bin {
    uint64_t count;
    uint64_t sum[3]; /* blue, green, red */
};

struct qt_box {
    uint32_t lo[3];
    uint32_t hi[3]; /* inclusive, in 5-bit units; channel 0 blue, 1 green, 2 red */
    uint64_t count;
};

uint32_t qt_bin_of(uint32_t b, uint32_t g, uint32_t r) {
    return (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
}

uint32_t qt_bin_at(const uint32_t c[3]) {
    return c[2] << 10 | c[1] << 5 | c[0];
}

/* Calls f with the 5-bit coordinates of every bin of box. */
template <class F> void qt_each_bin(const qt_box& box, F f) {
    uint32_t c[3];
    for (c[2] = box.lo[2]; c[2] <= box.hi[2]; ++c[2])
        for (c[1] = box.lo[1]; c[1] <= box.hi[1]; ++c[1])
            for (c[0] = box.lo[0]; c[0] <= box.hi[0]; ++c[0])
                f(c);
}

/* Pixels of the histogram inside box b, and its bounds shrunk to them. */
void qt_shrink(const std::vector<qt_bin>& hist, qt_box& box) {
    uint32_t lo[3] = {31, 31, 31}, hi[3] = {0, 0, 0};
    uint64_t count = 0;
    qt_each_bin(box, [&](const uint32_t c[3]) {
        const uint64_t n = hist[qt_bin_at(c)].count;
        count += n;
        for (int k = 0; k < 3 && n != 0; ++k) {
            lo[k] = std::min(lo[k], c[k]);
            hi[k] = std::max(hi[k], c[k]);
        }
    });
    box.count = count;
    for (int k = 0; k < 3; ++k) {
        box.lo[k] = count ? lo[k] : box.lo[k];
        box.hi[k] = count ? hi[k] : box.lo[k];
    }
}

/* Splits box at the pixel median of its widest channel; false when it is a
 * single bin. */
bool qt_split(const std::vector<qt_bin>& hist, qt_box& box, qt_box& other) {
    int axis = 0;
    for (int k = 1; k < 3; ++k)
        if (box.hi[k] - box.lo[k] > box.hi[axis] - box.lo[axis])
            axis = k;
    if (box.hi[axis] == box.lo[axis])
        return false;
    std::array<uint64_t, 32> slice{};
    qt_each_bin(box, [&](const uint32_t c[3]) { slice[c[axis]] += hist[qt_bin_at(c)].count; });
    uint64_t seen = 0;
    uint32_t cut = box.lo[axis];
    for (uint32_t v = box.lo[axis]; v < box.hi[axis]; ++v) {
        seen += slice[v];
        cut = v;
        if (seen * 2 >= box.count)
            break;
    }
    other = box;
    box.hi[axis] = cut;
    other.lo[axis] = cut + 1;
    qt_shrink(hist, box);
    qt_shrink(hist, other);
    return true;
}

/* Exact palette when the opaque colours number at most maxColours. */
bool qt_exact(const raster& r, const std::vector<uint8_t>& bgra, size_t maxColours, quant_result& out) {
    std::unordered_map<uint32_t, uint8_t> seen;
    for (size_t i = 0; i < size_t{r.width} * r.height; ++i) {
        const uint8_t* p = bgra.data() + 4 * i;
        if (p[3] < 128)
            continue;
        const uint32_t rgb = uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
        if (seen.count(rgb))
            continue;
        if (seen.size() == maxColours)
            return false;
        seen.emplace(rgb, static_cast<uint8_t>(seen.size()));
        out.palette.push_back(0xFF000000u | rgb);
    }
    for (size_t i = 0; i < size_t{r.width} * r.height; ++i) {
        const uint8_t* p = bgra.data() + 4 * i;
        out.indices[i] = p[3] < 128 ? 0 : seen[uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0]];
    }
    return true;
}

void qt_median_cut(const raster& r, const std::vector<uint8_t>& bgra, size_t maxColours, quant_result& out) {
    std::vector<qt_bin> hist(kBins, qt_bin{0, {0, 0, 0}});
    const size_t n = size_t{r.width} * r.height;
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* p = bgra.data() + 4 * i;
        if (p[3] < 128)
            continue;
        qt_bin& b = hist[qt_bin_of(p[0], p[1], p[2])];
        ++b.count;
        for (int k = 0; k < 3; ++k)
            b.sum[k] += p[k];
    }
    std::vector<qt_box> boxes{qt_box{{0, 0, 0}, {31, 31, 31}, 0}};
    qt_shrink(hist, boxes[0]);
    while (boxes.size() < maxColours) {
        size_t pick = boxes.size();
        for (size_t i = 0; i < boxes.size(); ++i) {
            const qt_box& b = boxes[i];
            const bool splittable = b.hi[0] > b.lo[0] || b.hi[1] > b.lo[1] || b.hi[2] > b.lo[2];
            if (splittable && (pick == boxes.size() || b.count > boxes[pick].count))
                pick = i;
        }
        qt_box other{};
        if (pick == boxes.size() || !qt_split(hist, boxes[pick], other))
            break;
        boxes.push_back(other);
    }
    std::vector<uint8_t> binIndex(kBins, 0);
    for (size_t i = 0; i < boxes.size(); ++i) {
        uint64_t count = 0, sum[3] = {0, 0, 0};
        qt_each_bin(boxes[i], [&](const uint32_t c[3]) {
            const qt_bin& h = hist[qt_bin_at(c)];
            binIndex[qt_bin_at(c)] = static_cast<uint8_t>(i);
            count += h.count;
            for (int k = 0; k < 3; ++k)
                sum[k] += h.sum[k];
        });
        const uint64_t d = count ? count : 1;
        out.palette.push_back(0xFF000000u | static_cast<uint32_t>((sum[2] + d / 2) / d) << 16 |
                              static_cast<uint32_t>((sum[1] + d / 2) / d) << 8 |
                              static_cast<uint32_t>((sum[0] + d / 2) / d));
    }
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* p = bgra.data() + 4 * i;
        out.indices[i] = p[3] < 128 ? 0 : binIndex[qt_bin_of(p[0], p[1], p[2])];
    }
}

} // namespace

void quant_reduce(const raster& r, quant_result& out) {
    out = quant_result{};
    const std::vector<uint8_t> bgra = cu_to_bgra(r);
    out.indices.resize(size_t{r.width} * r.height);
    bool anyTransparent = false;
    for (size_t i = 0; i < out.indices.size() && !anyTransparent; ++i)
        anyTransparent = bgra[4 * i + 3] < 128;
    const size_t maxColours = anyTransparent ? 255 : 256;
    if (!qt_exact(r, bgra, maxColours, out)) {
        out.palette.clear();
        qt_median_cut(r, bgra, maxColours, out);
    }
    if (anyTransparent) {
        out.transparent = static_cast<int>(out.palette.size());
        out.palette.push_back(0x00000000u);
        for (size_t i = 0; i < out.indices.size(); ++i)
            if (bgra[4 * i + 3] < 128)
                out.indices[i] = static_cast<uint8_t>(out.transparent);
    }
    if (out.palette.empty())
        out.palette.push_back(0xFF000000u);
}

} // namespace gp
