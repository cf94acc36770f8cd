/*
 * gp_resample.cpp - the separable resampler behind the draw calls.
 *
 * As in Pillow's Resample.c: per output pixel of each axis, a window of
 * source pixels and normalised weights is precomputed once; the horizontal
 * pass turns each needed source row into an output-width row, the vertical
 * pass combines the rows of each output row's window. A prefiltering filter
 * is widened by the reduction factor when shrinking (no aliasing), and
 * windows are cut at the source edges and renormalised (no dark border).
 *
 * Pixels are held as premultiplied floats (blue, green, red, alpha, 0..255),
 * so alpha edges carry no colour fringes, and a solid colour comes out within
 * float rounding of itself, which rounds back to the exact value. Only the
 * rows the current vertical window needs are kept (a ring of them), so memory
 * stays at a few output rows however large the source.
 */
#include "gp_internal.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

namespace gp {

namespace {

struct rs_filter {
    double (*weight)(double x);
    double support;
};

double rs_box(double x) {
    return x > -0.5 && x <= 0.5 ? 1.0 : 0.0;
}

double rs_triangle(double x) {
    x = std::fabs(x);
    return x < 1.0 ? 1.0 - x : 0.0;
}

/* Keys' cubic with a = -0.5. */
double rs_bicubic(double x) {
    constexpr double a = -0.5;
    x = std::fabs(x);
    if (x < 1.0)
        return ((a + 2.0) * x - (a + 3.0)) * x * x + 1.0;
    if (x < 2.0)
        return (((x - 5.0) * x + 8.0) * x - 4.0) * a;
    return 0.0;
}

/* The filter of each filter_kind, in its order. */
constexpr rs_filter kFilters[] = {{rs_box, 0.5}, {rs_triangle, 1.0}, {rs_bicubic, 2.0}};

/* The windows of one axis: output pixel i reads first[i] .. first[i] + count[i] - 1
 * with weights weights[i * taps ...]. A reversed axis runs backwards through
 * the area: output o is window out_size - 1 - o, whose taps read area pixels
 * in_size - 1 - (first + t), in that order. An unscaled axis has one tap of
 * weight 1, which reproduces each pixel exactly. */
struct rs_axis {
    uint32_t taps = 0;
    uint32_t in_size = 0;
    uint32_t out_size = 0;
    bool reversed = false;
    std::vector<uint32_t> first;
    std::vector<uint32_t> count;
    std::vector<float> weights;
};

void rs_precompute(uint32_t in_size, uint32_t out_size, const rs_filter& filter, bool prefilter, double widen,
                   bool reversed, rs_axis& axis) {
    axis.in_size = in_size;
    axis.out_size = out_size;
    axis.reversed = reversed;
    if (in_size == out_size) {
        axis.taps = 1;
        axis.count.assign(out_size, 1);
        axis.weights.assign(out_size, 1.0f);
        axis.first.resize(out_size);
        std::iota(axis.first.begin(), axis.first.end(), 0u);
        return;
    }
    const double scale = static_cast<double>(in_size) / out_size;
    const double filterscale = prefilter ? std::max(scale * widen, 1.0) : 1.0;
    const double support = filter.support * filterscale;
    axis.taps = static_cast<uint32_t>(std::ceil(support)) * 2 + 1;
    axis.first.assign(out_size, 0);
    axis.count.assign(out_size, 0);
    axis.weights.assign(static_cast<size_t>(out_size) * axis.taps, 0.0f);
    std::vector<double> w(axis.taps);
    for (uint32_t i = 0; i < out_size; ++i) {
        const double center = (i + 0.5) * scale;
        const double lo = std::max(std::floor(center - support + 0.5), 0.0);
        const double hi = std::min(std::floor(center + support + 0.5), static_cast<double>(in_size));
        const uint32_t first = static_cast<uint32_t>(lo);
        uint32_t count = hi > lo ? static_cast<uint32_t>(hi - lo) : 0;
        count = std::min(count, axis.taps);
        double total = 0.0;
        for (uint32_t k = 0; k < count; ++k) {
            w[k] = filter.weight((first + k - center + 0.5) / filterscale);
            total += w[k];
        }
        if (total == 0.0) {
            /* No tap carries weight (cannot happen for these filters, but a
             * window must never be empty): take the nearest pixel. */
            const uint32_t nearest = std::min(static_cast<uint32_t>(center), in_size - 1);
            axis.first[i] = nearest;
            axis.count[i] = 1;
            axis.weights[static_cast<size_t>(i) * axis.taps] = 1.0f;
            continue;
        }
        axis.first[i] = first;
        axis.count[i] = count;
        for (uint32_t k = 0; k < count; ++k)
            axis.weights[static_cast<size_t>(i) * axis.taps + k] = static_cast<float>(w[k] / total);
    }
}

/* Window of output o: its index into first/count/weights. */
uint32_t rs_window(const rs_axis& axis, uint32_t o) {
    return axis.reversed ? axis.out_size - 1 - o : o;
}

/* Area pixel read by tap t of window i. */
uint32_t rs_tap(const rs_axis& axis, uint32_t i, uint32_t t) {
    const uint32_t index = axis.first[i] + t;
    return axis.reversed ? axis.in_size - 1 - index : index;
}

bool rs_in_key(ARGB color, const GpImageAttributes& key) {
    for (unsigned shift = 0; shift < 24; shift += 8) {
        const uint32_t c = (color >> shift) & 255u;
        if (c < ((key.key_low >> shift) & 255u) || c > ((key.key_high >> shift) & 255u))
            return false;
    }
    return true;
}

/* A row of 24-bit pixels straight to floats: opaque, so premultiplying
 * changes nothing. */
void rs_rgb24_to_float(const uint8_t* in, uint32_t count, float* out) {
    for (uint32_t i = 0; i < count; ++i, in += 3, out += 4) {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
        out[3] = 255.0f;
    }
}

/* ARGB values to premultiplied floats; alpha_of gives each value's alpha.
 * Inlined with a constant 255 for opaque sources, which then skip the
 * multiplications (a factor of exactly 1 changes nothing). */
template <typename AlphaOf> void rs_premultiply(const ARGB* in, uint32_t count, AlphaOf alpha_of, float* out) {
    for (uint32_t i = 0; i < count; ++i) {
        const ARGB c = in[i];
        const float a = alpha_of(c);
        const float f = a / 255.0f;
        out[i * 4 + 0] = static_cast<float>(c & 255u) * f;
        out[i * 4 + 1] = static_cast<float>((c >> 8) & 255u) * f;
        out[i * 4 + 2] = static_cast<float>((c >> 16) & 255u) * f;
        out[i * 4 + 3] = a;
    }
}

/* ARGB values to premultiplied floats, through the colour key when set. */
void rs_to_float(const ARGB* in, uint32_t count, bool has_alpha, const GpImageAttributes* key, float* out) {
    const auto keyed = [key](ARGB c) { return rs_in_key(c, *key) ? 0.0f : static_cast<float>(c >> 24); };
    const auto straight = [](ARGB c) { return static_cast<float>(c >> 24); };
    const auto opaque = [](ARGB) { return 255.0f; };
    if (key != nullptr && key->key_enabled)
        rs_premultiply(in, count, keyed, out);
    else if (has_alpha)
        rs_premultiply(in, count, straight, out);
    else
        rs_premultiply(in, count, opaque, out);
}

/* Four floats of one pixel, added and scaled lane by lane: the same
 * operations in the same order as four scalar sums. */
typedef float rs_pixel __attribute__((vector_size(16)));

rs_pixel rs_load(const float* p) {
    rs_pixel v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

/* One pass along a row of premultiplied pixels: every output pixel sums its
 * taps in window order, starting from 0. */
void rs_horizontal(const float* in, const rs_axis& axis, float* out) {
    const ptrdiff_t step = axis.reversed ? -4 : 4;
    for (uint32_t o = 0; o < axis.out_size; ++o) {
        const uint32_t i = rs_window(axis, o);
        const float* k = axis.weights.data() + static_cast<size_t>(i) * axis.taps;
        const float* p = in + static_cast<ptrdiff_t>(rs_tap(axis, i, 0)) * 4;
        const uint32_t count = axis.count[i];
        rs_pixel sum = {0.0f, 0.0f, 0.0f, 0.0f};
        for (uint32_t t = 0; t < count; ++t, p += step)
            sum += rs_load(p) * k[t];
        std::memcpy(out + static_cast<size_t>(o) * 4, &sum, sizeof sum);
    }
}

/* One pass across rows: out (floats floats) is the weighted sum of the rows
 * of window o, taken in window order and starting from 0. */
template <typename RowAt> void rs_vertical(const rs_axis& axis, uint32_t o, size_t floats, RowAt&& row_at, float* out) {
    const uint32_t i = rs_window(axis, o);
    const float* k = axis.weights.data() + static_cast<size_t>(i) * axis.taps;
    std::fill(out, out + floats, 0.0f);
    for (uint32_t t = 0; t < axis.count[i]; ++t) {
        const float* line = row_at(rs_tap(axis, i, t));
        const float w = k[t];
        for (size_t n = 0; n < floats; ++n)
            out[n] += line[n] * w;
    }
}

bool rs_has_alpha(const raster& src) {
    return src.format == PixelFormat32bppARGB || is_indexed(src.format);
}

} // namespace

GpStatus resample(const raster& src, uint32_t sx, uint32_t sy, uint32_t sw, uint32_t sh, uint32_t dst_width,
                  uint32_t dst_height, const resample_request& request, const row_sink& sink) {
    if (sw == 0 || sh == 0 || dst_width == 0 || dst_height == 0)
        return Ok;
    return guard_alloc([&] {
        const rs_filter& filter = kFilters[static_cast<int>(request.filter)];
        rs_axis across;
        rs_axis down;
        const double widen = request.prefilter_share;
        rs_precompute(sw, dst_width, filter, request.prefilter, widen, request.reverse_x, across);
        rs_precompute(sh, dst_height, filter, request.prefilter, widen, request.reverse_y, down);
        /* Rows of the area as premultiplied floats, when the vertical pass
         * comes first; else already passed across. A ring of the rows the
         * current window needs. */
        const size_t ring_floats = static_cast<size_t>(request.transpose ? sw : dst_width) * 4;
        const size_t out_floats = static_cast<size_t>(dst_width) * 4;
        std::vector<ARGB> argb(sw);
        std::vector<float> wide(static_cast<size_t>(sw) * 4);
        std::vector<float> ring(ring_floats * down.taps);
        std::vector<int64_t> ring_tag(down.taps, -1);
        std::vector<float> out(out_floats);
        const bool has_alpha = rs_has_alpha(src);
        const bool direct_rgb24 =
            src.format == PixelFormat24bppRGB && (request.attributes == nullptr || !request.attributes->key_enabled);

        auto row_at = [&](uint32_t r) -> const float* {
            const uint32_t slot = r % down.taps;
            float* dst = ring.data() + slot * ring_floats;
            if (ring_tag[slot] != r) {
                const uint8_t* line = src.pixels.data() + static_cast<size_t>(sy + r) * src.stride;
                float* floats = request.transpose ? dst : wide.data();
                if (direct_rgb24) {
                    rs_rgb24_to_float(line + static_cast<size_t>(sx) * 3, sw, floats);
                } else {
                    read_row_argb(line, src.format, src.palette, sx, sw, argb.data());
                    rs_to_float(argb.data(), sw, has_alpha, request.attributes, floats);
                }
                if (!request.transpose)
                    rs_horizontal(wide.data(), across, dst);
                ring_tag[slot] = r;
            }
            return dst;
        };

        for (uint32_t y = 0; y < dst_height; ++y) {
            if (request.transpose) {
                rs_vertical(down, y, wide.size(), row_at, wide.data());
                rs_horizontal(wide.data(), across, out.data());
            } else {
                rs_vertical(down, y, out_floats, row_at, out.data());
            }
            sink(y, out.data());
        }
        return Ok;
    });
}

void sample_bilinear(const raster& src, uint32_t sx, uint32_t sy, uint32_t sw, uint32_t sh,
                     const GpImageAttributes* attributes, double x, double y, float* out) {
    const double fx = std::clamp(x - 0.5, 0.0, static_cast<double>(sw - 1));
    const double fy = std::clamp(y - 0.5, 0.0, static_cast<double>(sh - 1));
    const uint32_t x0 = static_cast<uint32_t>(fx);
    const uint32_t y0 = static_cast<uint32_t>(fy);
    const uint32_t x1 = std::min(x0 + 1, sw - 1);
    const uint32_t y1 = std::min(y0 + 1, sh - 1);
    const float ax = static_cast<float>(fx - x0);
    const float ay = static_cast<float>(fy - y0);
    const uint32_t xs[2] = {x0, x1};
    const uint32_t ys[2] = {y0, y1};
    const float wx[2] = {1.0f - ax, ax};
    const float wy[2] = {1.0f - ay, ay};
    const bool has_alpha = rs_has_alpha(src);
    for (int c = 0; c < 4; ++c)
        out[c] = 0.0f;
    for (int j = 0; j < 2; ++j) {
        const uint8_t* line = src.pixels.data() + static_cast<size_t>(sy + ys[j]) * src.stride;
        for (int i = 0; i < 2; ++i) {
            ARGB color = 0;
            float value[4];
            read_row_argb(line, src.format, src.palette, sx + xs[i], 1, &color);
            rs_to_float(&color, 1, has_alpha, attributes, value);
            for (int c = 0; c < 4; ++c)
                out[c] += value[c] * wx[i] * wy[j];
        }
    }
}

} // namespace gp
