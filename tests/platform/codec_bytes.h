#pragma once
/* Byte-level makers for the codec and metafile tests: a builder, and the
 * hand-built BMP, ICO, TGA and EXIF layouts several tests share. */

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace codectest {

/* Little-endian unless said otherwise. */
struct Bytes {
    std::vector<uint8_t> v;
    Bytes& u8(uint32_t x) {
        v.push_back(static_cast<uint8_t>(x));
        return *this;
    }
    Bytes& u16(uint32_t x) { return u8(x).u8(x >> 8); }
    Bytes& u32(uint32_t x) { return u16(x & 0xFFFF).u16(x >> 16); }
    Bytes& be16(uint32_t x) { return u8(x >> 8).u8(x); }
    Bytes& be32(uint32_t x) { return be16(x >> 16).be16(x); }
    Bytes& raw(std::initializer_list<int> bytes) {
        for (int b : bytes)
            u8(uint32_t(b));
        return *this;
    }
    Bytes& text(const std::string& s) { return append({s.begin(), s.end()}); } /* no terminator */
    Bytes& append(const std::vector<uint8_t>& o) {
        v.insert(v.end(), o.begin(), o.end());
        return *this;
    }
    /* Each value as size little-endian bytes. */
    Bytes& le(std::initializer_list<int64_t> values, int size = 4) {
        for (int64_t x : values)
            for (int i = 0; i < size; ++i)
                u8(uint32_t(x >> (8 * i)));
        return *this;
    }
    /* Overwrites n bytes at at with x. */
    Bytes& put(size_t at, int n, uint32_t x, bool bigEndian = false) {
        for (int i = 0; i < n; ++i)
            v[at + i] = static_cast<uint8_t>(x >> (8 * (bigEndian ? n - 1 - i : i)));
        return *this;
    }
};

/* BMP file header + 40-byte info header; height negative for top-down. */
inline Bytes BmpHeader(int32_t width, int32_t height, uint16_t bpp, uint32_t compression, uint32_t colours,
                       uint32_t offBits) {
    Bytes b;
    b.raw({'B', 'M'}).u32(0).u32(0).u32(offBits);
    b.u32(40).u32(static_cast<uint32_t>(width)).u32(static_cast<uint32_t>(height)).u16(1).u16(bpp);
    return b.u32(compression).u32(0).u32(0).u32(0).u32(colours).u32(0);
}

inline Bytes TgaHeader(uint8_t type, uint8_t mapType, uint16_t mapLength, uint8_t mapBits, uint16_t w, uint16_t h,
                       uint8_t bpp, uint8_t descriptor) {
    Bytes b;
    b.u8(0).u8(mapType).u8(type).u16(0).u16(mapLength).u8(mapBits).u16(0).u16(0);
    return b.u16(w).u16(h).u8(bpp).u8(descriptor);
}

/* An icon entry of size x size: 40-byte header (height doubled), for 8 bits
 * a palette whose index 1 is red and every pixel 1, for 32 bits grey 0x40
 * with zero alpha; AND mask rows whose first byte is andBits. */
inline std::vector<uint8_t> IconDib(uint32_t size, uint16_t bpp, uint8_t andBits) {
    Bytes d;
    d.u32(40).u32(size).u32(size * 2).u16(1).u16(bpp).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0);
    for (uint32_t i = 0; bpp == 8 && i < 256; ++i)
        d.u32(i == 1 ? 0x00FF0000u : 0u);
    const uint32_t rowBytes = ((size * bpp + 31) / 32) * 4, maskBytes = ((size + 31) / 32) * 4;
    for (uint32_t i = 0; i < size * rowBytes; ++i)
        d.u8(bpp == 8 ? 1 : (i % 4 == 3 ? 0 : 0x40));
    for (uint32_t i = 0; i < size * maskBytes; ++i)
        d.u8(i % maskBytes == 0 ? andBits : 0);
    return d.v;
}

/* An icon file of entries whose directory claims the given sizes. */
inline std::vector<uint8_t> IconFile(const std::vector<std::vector<uint8_t>>& entries,
                                     const std::vector<uint8_t>& dirSizes) {
    Bytes f;
    f.u16(0).u16(1).u16(static_cast<uint32_t>(entries.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        f.u8(dirSizes[i]).u8(dirSizes[i]).u8(0).u8(0).u16(1).u16(0);
        f.u32(static_cast<uint32_t>(entries[i].size())).u32(offset);
        offset += static_cast<uint32_t>(entries[i].size());
    }
    for (const auto& e : entries)
        f.append(e);
    return f.v;
}

/* An APP1 "Exif" segment, little-endian TIFF block: IFD0 (at 8, ends at 50)
 * with Make "Canon" (at 50), Orientation and a pointer to an EXIF IFD (at 56,
 * ends at 74) holding DateTimeOriginal (at 74). */
inline std::vector<uint8_t> ExifSegment(uint16_t orientation) {
    Bytes t;
    t.raw({0xFF, 0xE1, 0, 0}).text("Exif").u16(0).raw({'I', 'I', 42, 0}).u32(8).u16(3);
    t.u16(0x010F).u16(2).u32(6).u32(50).u16(0x0112).u16(3).u32(1).u16(orientation).u16(0);
    t.u16(0x8769).u16(4).u32(1).u32(56).u32(0).text(std::string("Canon", 6));
    t.u16(1).u16(0x9003).u16(2).u32(20).u32(74).u32(0).text(std::string("2024:05:06 07:08:09", 20));
    return t.put(2, 2, static_cast<uint32_t>(t.v.size() - 2), true).v;
}

/* jpeg with segment put right after its SOI marker. */
inline std::vector<uint8_t> WithSegment(std::vector<uint8_t> jpeg, const std::vector<uint8_t>& segment) {
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
    return jpeg;
}

} // namespace codectest
