#pragma once
/*
 * Builders for metafiles assembled record by record in the tests, and pixel
 * helpers. The EMF builder uses a 96-dpi reference device, so one logical
 * unit is one output pixel in the default mapping mode.
 */

#include "Metafile.h"

#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace mftest {

constexpr uint32_t Red = 0xFFFF0000, Blue = 0xFF0000FF, Transparent = 0x00000000;

inline uint32_t Bits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline uint32_t Rgb(uint8_t r, uint8_t g, uint8_t b) { return r | (g << 8) | (uint32_t{b} << 16); }

class ByteWriter {
public:
    std::vector<uint8_t> bytes;
    void U8(uint32_t v) { bytes.push_back(static_cast<uint8_t>(v)); }
    void U16(uint32_t v) { U8(v); U8(v >> 8); }
    void U32(uint32_t v) { U16(v); U16(v >> 16); }
    void Put32(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
};

/* A DIB: 40-byte header, colour table, bottom-up rows of 24-bit pixels given top-down as 0xRRGGBB. */
struct Dib {
    std::vector<uint8_t> header;
    std::vector<uint8_t> bits;
};

inline Dib MakeDib24(int width, int height, const std::vector<uint32_t>& topDownRgb) {
    ByteWriter h;
    h.U32(40); h.U32(width); h.U32(height); h.U16(1); h.U16(24);
    for (int i = 0; i < 6; ++i) h.U32(0);
    ByteWriter b;
    const int stride = (width * 3 + 3) / 4 * 4;
    for (int row = height - 1; row >= 0; --row) {
        for (int x = 0; x < width; ++x) {
            uint32_t rgb = topDownRgb[size_t(row * width + x)];
            b.U8(rgb); b.U8(rgb >> 8); b.U8(rgb >> 16);
        }
        for (int pad = width * 3; pad < stride; ++pad) b.U8(0);
    }
    return {h.bytes, b.bytes};
}

class EmfBuilder {
public:
    /* A picture of width x height pixels at 96 dpi. */
    EmfBuilder(int width, int height, uint16_t handles = 16) {
        w.U32(1); w.U32(88);
        for (int v : {0, 0, width - 1, height - 1}) w.U32(uint32_t(v));
        for (int v : {0, 0, width * 2540 / 96, height * 2540 / 96}) w.U32(uint32_t(v));
        w.U32(0x464D4520); w.U32(0x10000); w.U32(0); w.U32(0);
        w.U16(handles); w.U16(0);
        w.U32(0); w.U32(0); w.U32(0);
        w.U32(960); w.U32(960); w.U32(254); w.U32(254);
        records = 1;
    }
    /* A record of the given type whose fields are 32-bit values. */
    EmfBuilder& Record(uint32_t type, std::initializer_list<uint32_t> fields) {
        w.U32(type);
        w.U32(uint32_t(8 + 4 * fields.size()));
        for (uint32_t f : fields) w.U32(f);
        ++records;
        return *this;
    }
    /* A record with raw field bytes (padded to 4). */
    EmfBuilder& Raw(uint32_t type, std::vector<uint8_t> fields) {
        while (fields.size() % 4) fields.push_back(0);
        w.U32(type);
        w.U32(uint32_t(8 + fields.size()));
        w.bytes.insert(w.bytes.end(), fields.begin(), fields.end());
        ++records;
        return *this;
    }
    EmfBuilder& Rect(uint32_t type, int l, int t, int r, int b) {
        return Record(type, {uint32_t(l), uint32_t(t), uint32_t(r), uint32_t(b)});
    }
    EmfBuilder& SolidBrush(uint32_t index, uint32_t color) {
        Record(39, {index, 0, color, 0});
        return Record(37, {index});
    }
    EmfBuilder& NullPen() { return Record(37, {0x80000008}); }
    /* ExtTextOutW at (x, y) without a rectangle or advances. */
    EmfBuilder& TextW(int x, int y, const std::u16string& text) {
        ByteWriter f;
        for (int i = 0; i < 4; ++i) f.U32(0);          /* bounds */
        f.U32(1); f.U32(Bits(1)); f.U32(Bits(1));       /* graphics mode, scales */
        f.U32(uint32_t(x)); f.U32(uint32_t(y));
        f.U32(uint32_t(text.size())); f.U32(76); f.U32(0x100); f.U32(0);
        while (f.bytes.size() < 76 - 8) f.U8(0);
        for (char16_t c : text) f.U16(c);
        return Raw(84, f.bytes);
    }
    /* A bitmap record (StretchDIBits, SetDIBitsToDevice): empty bounds, six
     * placement fields, the DIB's offsets and sizes, the tail fields, the DIB. */
    EmfBuilder& DibRecord(uint32_t type, std::initializer_list<int> place, std::initializer_list<uint32_t> tail,
                          const Dib& dib) {
        ByteWriter f;
        for (int i = 0; i < 4; ++i) f.U32(0);
        for (int v : place) f.U32(uint32_t(v));
        const auto at = uint32_t(8 + 4 * (f.bytes.size() / 4 + 4 + tail.size()));
        f.U32(at); f.U32(uint32_t(dib.header.size()));
        f.U32(uint32_t(at + dib.header.size())); f.U32(uint32_t(dib.bits.size()));
        for (uint32_t v : tail) f.U32(v);
        f.bytes.insert(f.bytes.end(), dib.header.begin(), dib.header.end());
        f.bytes.insert(f.bytes.end(), dib.bits.begin(), dib.bits.end());
        return Raw(type, f.bytes);
    }
    std::vector<uint8_t> Finish() {
        Record(14, {0, 16, 20});
        w.Put32(48, uint32_t(w.bytes.size()));
        w.Put32(52, records);
        return w.bytes;
    }
    ByteWriter w;
    uint32_t records = 0;
};

class WmfBuilder {
public:
    /* Placeable when unitsPerInch > 0, with bounds (0, 0, right, bottom). */
    WmfBuilder(int right, int bottom, int unitsPerInch, uint16_t objects = 8) {
        if (unitsPerInch > 0) {
            w.U32(0x9AC6CDD7); w.U16(0);
            w.U16(0); w.U16(0); w.U16(uint32_t(right)); w.U16(uint32_t(bottom));
            w.U16(uint32_t(unitsPerInch)); w.U32(0); w.U16(0);
        }
        headerAt = w.bytes.size();
        w.U16(1); w.U16(9); w.U16(0x300); w.U32(0); w.U16(objects); w.U32(0); w.U16(0);
    }
    WmfBuilder& Record(uint16_t function, std::initializer_list<int> words) {
        w.U32(uint32_t(3 + words.size()));
        w.U16(function);
        for (int v : words) w.U16(uint32_t(v));
        return *this;
    }
    WmfBuilder& Raw(uint16_t function, std::vector<uint8_t> params) {
        if (params.size() % 2) params.push_back(0);
        w.U32(uint32_t(3 + params.size() / 2));
        w.U16(function);
        w.bytes.insert(w.bytes.end(), params.begin(), params.end());
        return *this;
    }
    /* CreateBrushIndirect (solid) then SelectObject of slot. */
    WmfBuilder& Brush(uint32_t color) {
        return Record(0x02FC, {0, int(color & 0xFFFF), int(color >> 16), 0});
    }
    WmfBuilder& Select(int slot) { return Record(0x012D, {slot}); }
    WmfBuilder& Rectangle(int l, int t, int r, int b) { return Record(0x041B, {b, r, t, l}); }
    std::vector<uint8_t> Finish() {
        Record(0, {});
        w.Put32(headerAt + 6, uint32_t((w.bytes.size() - headerAt) / 2));
        return w.bytes;
    }
    ByteWriter w;
    size_t headerAt = 0;
};

inline GpStatus Render(const std::vector<uint8_t>& bytes, QImage& out) {
    return RenderMetafile(bytes.data(), bytes.size(), out);
}

/* 0xAARRGGBB of a pixel, for readable failures. */
inline uint32_t Px(const QImage& image, int x, int y) { return image.pixel(x, y); }

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
        QImage image;
        ASSERT_EQ(Render(d.bytes, image), Ok) << d.name;
        EXPECT_EQ(image.format(), QImage::Format_ARGB32) << d.name;
        if (d.size.isValid()) {
            EXPECT_EQ(image.size(), d.size) << d.name;
        }
        for (const Probe& p : d.probes)
            EXPECT_EQ(Px(image, p.x, p.y), p.argb) << d.name << " at " << p.x << ", " << p.y;
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
