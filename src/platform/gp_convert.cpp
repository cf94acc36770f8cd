/*
 * gp_convert.cpp - pixel conversion among the six formats.
 *
 * Everything passes through rows of ARGB values except copies within one
 * format and index-to-index copies. The format is switched once per row,
 * never per pixel.
 */
#include "gp_internal.h"

#include <cstring>

namespace gp {

uint32_t index_at(const uint8_t* row, uint32_t bpp, uint32_t x) {
    switch (bpp) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15u;
    default: return row[x];
    }
}

void set_index(uint8_t* row, uint32_t bpp, uint32_t x, uint32_t index) {
    switch (bpp) {
    case 1: {
        const uint8_t mask = static_cast<uint8_t>(0x80u >> (x & 7));
        row[x >> 3] = static_cast<uint8_t>(index ? (row[x >> 3] | mask) : (row[x >> 3] & ~mask));
        break;
    }
    case 4: {
        const unsigned shift = (x & 1) ? 0 : 4;
        row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & ~(15u << shift)) | ((index & 15u) << shift));
        break;
    }
    default: row[x] = static_cast<uint8_t>(index);
    }
}

namespace {

/* Nearest palette entry by squared distance over all four channels; remembers
 * the last answer, since neighbouring pixels repeat colours. */
struct cv_nearest {
    const std::vector<ARGB>& palette;
    ARGB last_color = 0;
    uint32_t last_index = 0;
    bool has_last = false;

    uint32_t find(ARGB color) {
        if (has_last && color == last_color)
            return last_index;
        uint32_t best = 0;
        uint32_t best_distance = UINT32_MAX;
        for (uint32_t i = 0; i < palette.size(); ++i) {
            const ARGB p = palette[i];
            uint32_t distance = 0;
            for (unsigned shift = 0; shift < 32; shift += 8) {
                const int d = static_cast<int>((color >> shift) & 255u) - static_cast<int>((p >> shift) & 255u);
                distance += static_cast<uint32_t>(d * d);
            }
            if (distance < best_distance) {
                best_distance = distance;
                best = i;
                if (distance == 0)
                    break;
            }
        }
        last_color = color;
        last_index = best;
        has_last = true;
        return best;
    }
};

void cv_write_row_argb(const ARGB* in, uint8_t* row, PixelFormat format, cv_nearest& nearest, uint32_t x,
                       uint32_t count) {
    switch (format) {
    case PixelFormat24bppRGB: {
        uint8_t* p = row + static_cast<size_t>(x) * 3;
        for (uint32_t i = 0; i < count; ++i, p += 3) {
            p[0] = static_cast<uint8_t>(in[i]);
            p[1] = static_cast<uint8_t>(in[i] >> 8);
            p[2] = static_cast<uint8_t>(in[i] >> 16);
        }
        break;
    }
    case PixelFormat32bppRGB: {
        auto* p = reinterpret_cast<ARGB*>(row) + x;
        for (uint32_t i = 0; i < count; ++i)
            p[i] = in[i] | 0xFF000000u;
        break;
    }
    case PixelFormat32bppARGB: std::memcpy(row + static_cast<size_t>(x) * 4, in, static_cast<size_t>(count) * 4); break;
    default: {
        const uint32_t bpp = GetPixelFormatSize(format);
        for (uint32_t i = 0; i < count; ++i)
            set_index(row, bpp, x + i, nearest.find(in[i]));
    }
    }
}

} // namespace

void read_row_argb(const uint8_t* row, PixelFormat format, const std::vector<ARGB>& palette, uint32_t x, uint32_t count,
                   ARGB* out) {
    switch (format) {
    case PixelFormat24bppRGB: {
        const uint8_t* p = row + static_cast<size_t>(x) * 3;
        for (uint32_t i = 0; i < count; ++i, p += 3)
            out[i] = 0xFF000000u | (static_cast<ARGB>(p[2]) << 16) | (static_cast<ARGB>(p[1]) << 8) | p[0];
        break;
    }
    case PixelFormat32bppRGB: {
        const auto* p = reinterpret_cast<const ARGB*>(row) + x;
        for (uint32_t i = 0; i < count; ++i)
            out[i] = p[i] | 0xFF000000u;
        break;
    }
    case PixelFormat32bppARGB:
        std::memcpy(out, row + static_cast<size_t>(x) * 4, static_cast<size_t>(count) * 4);
        break;
    default: {
        const uint32_t bpp = GetPixelFormatSize(format);
        /* An index beyond the palette reads as opaque black. */
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t index = index_at(row, bpp, x + i);
            out[i] = index < palette.size() ? palette[index] : 0xFF000000u;
        }
    }
    }
}

void convert_pixels(const uint8_t* src, int32_t src_stride, PixelFormat src_format,
                    const std::vector<ARGB>& src_palette, uint8_t* dst, int32_t dst_stride, PixelFormat dst_format,
                    const std::vector<ARGB>& dst_palette, uint32_t x_src, uint32_t x_dst, uint32_t width,
                    uint32_t height) {
    const uint32_t src_bpp = GetPixelFormatSize(src_format);
    const uint32_t dst_bpp = GetPixelFormatSize(dst_format);
    const bool same_bytes =
        src_format == dst_format && src_bpp >= 8 && (!is_indexed(src_format) || src_palette == dst_palette);
    const bool index_copy = is_indexed(src_format) && is_indexed(dst_format);
    cv_nearest nearest{dst_palette};
    std::vector<ARGB> line(same_bytes || index_copy ? 0 : width);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* in = src + static_cast<ptrdiff_t>(y) * src_stride;
        uint8_t* out = dst + static_cast<ptrdiff_t>(y) * dst_stride;
        if (same_bytes) {
            const size_t bytes = src_bpp / 8;
            std::memcpy(out + x_dst * bytes, in + x_src * bytes, static_cast<size_t>(width) * bytes);
        } else if (index_copy) {
            const uint32_t limit = 1u << dst_bpp;
            for (uint32_t i = 0; i < width; ++i) {
                uint32_t index = index_at(in, src_bpp, x_src + i);
                if (index >= limit || index >= dst_palette.size()) {
                    const ARGB color = index < src_palette.size() ? src_palette[index] : 0xFF000000u;
                    index = nearest.find(color);
                }
                set_index(out, dst_bpp, x_dst + i, index);
            }
        } else {
            read_row_argb(in, src_format, src_palette, x_src, width, line.data());
            cv_write_row_argb(line.data(), out, dst_format, nearest, x_dst, width);
        }
    }
}

std::vector<ARGB> grey_palette(PixelFormat format) {
    const uint32_t count = 1u << GetPixelFormatSize(format);
    std::vector<ARGB> palette(count);
    for (uint32_t i = 0; i < count; ++i) {
        const ARGB level = count > 1 ? i * 255u / (count - 1) : 0;
        palette[i] = 0xFF000000u | (level << 16) | (level << 8) | level;
    }
    return palette;
}

} // namespace gp
