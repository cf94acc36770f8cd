#pragma once
/* Builders for metafiles assembled record by record in the tests, and pixel
 * helpers. The EMF builder uses a 96-dpi reference device, so one logical
 * unit is one output pixel in the default mapping mode. */

#include "Metafile.h"
#include "../platform/codec_bytes.h"

#include <QImage>

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace mftest {

constexpr uint32_t Red = 0xFFFF0000, Blue = 0xFF0000FF, Transparent = 0x00000000;

inline uint32_t Bits(float value) {
    return std::bit_cast<uint32_t>(value);
}

inline uint32_t Rgb(uint8_t r, uint8_t g, uint8_t b) {
    return r | (g << 8) | (uint32_t{b} << 16);
}

using codectest::Bytes;

/* A DIB: 40-byte header and colour table (colours used = its length up to 8
 * bits per pixel), and the bits as given. */
struct Dib {
    std::vector<uint8_t> header, bits;
    std::vector<uint8_t> Packed() const { return Bytes{header}.append(bits).v; }
};

inline Dib MakeDib(int width, int height, int bpp, std::initializer_list<int64_t> table, std::vector<uint8_t> bits,
                   int compression = 0) {
    Bytes h;
    h.le({40, width, height}).le({1, bpp}, 2).le({compression, 0, 0, 0, bpp <= 8 ? int(table.size()) : 0, 0});
    return {h.le(table).v, std::move(bits)};
}

/* A 24-bit DIB from top-down 0xRRGGBB pixels. */
inline Dib MakeDib24(int width, int height, const std::vector<uint32_t>& topDownRgb) {
    Bytes b;
    for (int row = height - 1; row >= 0; --row) {
        for (int x = 0; x < width; ++x)
            b.le({topDownRgb[size_t(row * width + x)]}, 3);
        while (b.v.size() % 4)
            b.u8(0);
    }
    return MakeDib(width, height, 24, {}, b.v);
}

class EmfBuilder {
  public:
    /* A picture of width x height pixels at 96 dpi. */
    EmfBuilder(int width, int height, uint16_t handles = 16) {
        w.le({1, 88, 0, 0, width - 1, height - 1, 0, 0, width * 2540 / 96, height * 2540 / 96});
        w.le({0x464D4520, 0x10000, 0, 0}).le({handles, 0}, 2).le({0, 0, 0, 960, 960, 254, 254});
        records = 1;
    }
    /* A record of the given type whose fields are 32-bit values. */
    EmfBuilder& Record(uint32_t type, std::initializer_list<uint32_t> fields) {
        Bytes f;
        for (uint32_t v : fields)
            f.u32(v);
        return Raw(type, f.v);
    }
    /* A record with raw field bytes (padded to 4). */
    EmfBuilder& Raw(uint32_t type, std::vector<uint8_t> fields) {
        while (fields.size() % 4)
            fields.push_back(0);
        w.le({type, int64_t(8 + fields.size())}).append(fields);
        ++records;
        return *this;
    }
    EmfBuilder& Rect(uint32_t type, int l, int t, int r, int b) {
        return Record(type, {uint32_t(l), uint32_t(t), uint32_t(r), uint32_t(b)});
    }
    EmfBuilder& SolidBrush(uint32_t index, uint32_t color) {
        return Record(39, {index, 0, color, 0}).Record(37, {index});
    }
    EmfBuilder& NullPen() { return Record(37, {0x80000008}); }
    /* ExtTextOutW at (x, y) without a rectangle or advances. */
    EmfBuilder& TextW(int x, int y, const std::u16string& text) {
        Bytes f;
        f.le({0, 0, 0, 0, 1, Bits(1), Bits(1), x, y, int64_t(text.size()), 76, 0x100, 0}).v.resize(76 - 8);
        for (char16_t c : text)
            f.u16(c);
        return Raw(84, f.v);
    }
    /* A bitmap record (StretchDIBits, SetDIBitsToDevice): empty bounds, six
     * placement fields, the DIB's offsets and sizes, the tail fields, the DIB. */
    EmfBuilder& DibRecord(uint32_t type, std::initializer_list<int64_t> place, std::initializer_list<int64_t> tail,
                          const Dib& dib) {
        Bytes f;
        f.le({0, 0, 0, 0}).le(place);
        const auto at = int64_t(8 + f.v.size() + 16 + 4 * tail.size());
        f.le({at, int64_t(dib.header.size()), at + int64_t(dib.header.size()), int64_t(dib.bits.size())}).le(tail);
        return Raw(type, f.append(dib.Packed()).v);
    }
    std::vector<uint8_t> Finish() {
        Record(14, {0, 16, 20});
        w.put(48, 4, uint32_t(w.v.size()));
        w.put(52, 4, records);
        return w.v;
    }
    Bytes w;
    uint32_t records = 0;
};

class WmfBuilder {
  public:
    /* Placeable when unitsPerInch > 0, with bounds (0, 0, right, bottom). */
    WmfBuilder(int right, int bottom, int unitsPerInch, uint16_t objects = 8) {
        if (unitsPerInch > 0)
            w.le({0x9AC6CDD7}).le({0, 0, 0, right, bottom, unitsPerInch, 0, 0, 0}, 2);
        headerAt = w.v.size();
        w.le({1, 9, 0x300, 0, 0, objects, 0, 0, 0}, 2);
    }
    WmfBuilder& Record(uint16_t function, std::initializer_list<int> words) {
        Bytes p;
        for (int v : words)
            p.u16(uint32_t(v));
        return Raw(function, p.v);
    }
    WmfBuilder& Raw(uint16_t function, std::vector<uint8_t> params) {
        if (params.size() % 2)
            params.push_back(0);
        w.le({int64_t(3 + params.size() / 2)}).le({function}, 2).append(params);
        return *this;
    }
    /* CreateBrushIndirect (solid) then SelectObject of slot. */
    WmfBuilder& Brush(uint32_t color) { return Record(0x02FC, {0, int(color & 0xFFFF), int(color >> 16), 0}); }
    WmfBuilder& Select(int slot) { return Record(0x012D, {slot}); }
    WmfBuilder& Rectangle(int l, int t, int r, int b) { return Record(0x041B, {b, r, t, l}); }
    std::vector<uint8_t> Finish() {
        Record(0, {});
        w.put(headerAt + 6, 4, uint32_t((w.v.size() - headerAt) / 2));
        return w.v;
    }
    Bytes w;
    size_t headerAt = 0;
};

inline GpStatus Render(const std::vector<uint8_t>& bytes, QImage& out) {
    return RenderMetafile(bytes.data(), bytes.size(), out);
}

/* The picture of a metafile that must render. */
inline QImage Rendered(const std::vector<uint8_t>& bytes) {
    QImage image;
    EXPECT_EQ(Render(bytes, image), Ok);
    return image;
}

/* A pixel a drawing must have, 0xAARRGGBB. */
struct Probe {
    int x, y;
    uint32_t argb;
};

/* A metafile and the pixels (and size, when given) it must give, for
 * table-driven drawing tests. */
struct Drawing {
    const char* name;
    std::vector<uint8_t> bytes;
    std::vector<Probe> probes;
    QSize size = {};
};

inline void ExpectDrawn(const std::vector<Drawing>& drawings) {
    for (const Drawing& d : drawings) {
        SCOPED_TRACE(d.name);
        const QImage image = Rendered(d.bytes);
        EXPECT_EQ(image.format(), QImage::Format_ARGB32);
        if (d.size.isValid()) {
            EXPECT_EQ(image.size(), d.size);
        }
        for (const Probe& p : d.probes)
            EXPECT_EQ(image.pixel(p.x, p.y), p.argb) << "at " << p.x << ", " << p.y;
    }
}

/* Number of dark pixels in [x0, x1) x [y0, y1). */
inline int CountDark(const QImage& image, int x0, int y0, int x1, int y1) {
    int count = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const QRgb p = image.pixel(x, y);
            count += qAlpha(p) > 128 && qRed(p) < 100 && qGreen(p) < 100 && qBlue(p) < 100;
        }
    return count;
}

} // namespace mftest
