#include "MetafileDib.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <array>
#include <bit>
#include <vector>

namespace metafile {
namespace {

constexpr uint32_t BiRgb = 0, BiRle8 = 1, BiRle4 = 2, BiBitfields = 3, BiJpeg = 4, BiPng = 5, BiAlphaBitfields = 6;
/* Run-length bitmaps up to this area are allocated on the header's word alone. */
constexpr uint64_t RleUnprovenPixels = uint64_t{1} << 24;

struct DibHeader {
    uint32_t headerSize = 0;
    int64_t width = 0;
    int64_t height = 0; /* always positive; topDown records the sign */
    bool topDown = false;
    uint32_t bitCount = 0;
    uint32_t compression = BiRgb;
    uint32_t colorsUsed = 0;
    std::array<uint32_t, 3> masks{}; /* red, green, blue */
    size_t tableOffset = 0;          /* where the colour table starts in bmi */
    size_t entrySize = 4;            /* 3 for the old core header */
};

bool ReadHeader(cMetafileBytes& bmi, DibHeader& h) {
    h.headerSize = bmi.U32(0);
    if (h.headerSize == 12) {
        h.width = bmi.U16(4);
        h.height = bmi.U16(6);
        h.bitCount = bmi.U16(10);
        h.entrySize = 3;
    } else if (h.headerSize >= 40) {
        h.width = bmi.I32(4);
        int32_t height = bmi.I32(8);
        h.topDown = height < 0;
        h.height = h.topDown ? -int64_t{height} : height;
        h.bitCount = bmi.U16(14);
        h.compression = bmi.U32(16);
        h.colorsUsed = bmi.U32(32);
    } else {
        return false;
    }
    h.tableOffset = h.headerSize;
    if (h.compression == BiBitfields || h.compression == BiAlphaBitfields) {
        /* Masks follow a 40-byte header, or sit inside a larger one. */
        for (size_t i = 0; i < 3; ++i)
            h.masks[i] = bmi.U32(40 + 4 * i);
        if (h.headerSize == 40)
            h.tableOffset += h.compression == BiBitfields ? 12 : 16;
    } else if (h.bitCount == 16) {
        h.masks = {0x7C00, 0x03E0, 0x001F};
    } else {
        h.masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
    }
    return bmi.Ok() && h.width > 0 && h.height > 0;
}

bool WithinLimits(int64_t width, int64_t height, const MetafileLimits& limits) {
    return width <= limits.maxSide && height <= limits.maxSide &&
           static_cast<uint64_t>(width) * static_cast<uint64_t>(height) <= limits.maxPixels;
}

std::vector<QRgb> ReadColorTable(cMetafileBytes& bmi, const DibHeader& h) {
    std::vector<QRgb> table;
    if (h.bitCount > 8)
        return table;
    size_t count = size_t{1} << h.bitCount;
    if (h.colorsUsed != 0 && h.colorsUsed < count)
        count = h.colorsUsed;
    for (size_t i = 0; i < count; ++i) {
        size_t at = h.tableOffset + i * h.entrySize;
        if (!bmi.Has(at, 3))
            break;
        table.push_back(qRgb(bmi.U8(at + 2), bmi.U8(at + 1), bmi.U8(at)));
    }
    return table;
}

/* Scales the bits of one mask to 0..255. */
uint8_t MaskChannel(uint32_t pixel, uint32_t mask) {
    if (mask == 0)
        return 0;
    uint32_t shift = static_cast<uint32_t>(std::countr_zero(mask));
    uint64_t max = mask >> shift;
    return static_cast<uint8_t>(((pixel & mask) >> shift) * 255 / max);
}

QRgb PaletteColor(const std::vector<QRgb>& table, uint32_t index) {
    return index < table.size() ? table[index] : qRgb(0, 0, 0);
}

void DecodeRow(const uint8_t* src, const DibHeader& h, const std::vector<QRgb>& table, QRgb* dst) {
    const auto width = static_cast<size_t>(h.width);
    for (size_t x = 0; x < width; ++x) {
        switch (h.bitCount) {
        case 1: dst[x] = PaletteColor(table, (src[x / 8] >> (7 - x % 8)) & 1); break;
        case 4: dst[x] = PaletteColor(table, (src[x / 2] >> (x % 2 ? 0 : 4)) & 0xF); break;
        case 8: dst[x] = PaletteColor(table, src[x]); break;
        case 24: dst[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]); break;
        default: {
            uint32_t pixel = h.bitCount == 16
                                 ? static_cast<uint32_t>(src[2 * x] | (src[2 * x + 1] << 8))
                                 : static_cast<uint32_t>(src[4 * x]) | (src[4 * x + 1] << 8) | (src[4 * x + 2] << 16) |
                                       (static_cast<uint32_t>(src[4 * x + 3]) << 24);
            dst[x] =
                qRgb(MaskChannel(pixel, h.masks[0]), MaskChannel(pixel, h.masks[1]), MaskChannel(pixel, h.masks[2]));
        }
        }
    }
}

QImage DecodeUncompressed(cMetafileBytes& bits, const DibHeader& h, const std::vector<QRgb>& table) {
    constexpr uint32_t depths[] = {1, 4, 8, 16, 24, 32};
    if (std::ranges::find(depths, h.bitCount) == std::end(depths))
        return {};
    const uint64_t stride = (static_cast<uint64_t>(h.width) * h.bitCount + 31) / 32 * 4;
    const uint64_t height = static_cast<uint64_t>(h.height);
    if (stride * height > bits.Size())
        return {};
    QImage image(static_cast<int>(h.width), static_cast<int>(h.height), QImage::Format_ARGB32);
    if (image.isNull())
        return {};
    for (uint64_t row = 0; row < height; ++row) {
        uint64_t y = h.topDown ? row : height - 1 - row;
        DecodeRow(bits.Data() + row * stride, h, table, reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y))));
    }
    return image;
}

/* Run-length encoded 8- and 4-bit bitmaps (bottom-up). Pixels that the runs
 * skip stay transparent. */
QImage DecodeRle(cMetafileBytes& bits, const DibHeader& h, const std::vector<QRgb>& table) {
    const bool four = h.compression == BiRle4;
    if (h.topDown || h.bitCount != (four ? 4u : 8u))
        return {};
    /* A large bitmap needs a stream that could fill it: two bytes code at
     * most 255 pixels. */
    const uint64_t pixels = static_cast<uint64_t>(h.width) * static_cast<uint64_t>(h.height);
    if (pixels > RleUnprovenPixels && pixels / 128 > bits.Size())
        return {};
    QImage image(static_cast<int>(h.width), static_cast<int>(h.height), QImage::Format_ARGB32);
    if (image.isNull())
        return {};
    image.fill(Qt::transparent);
    int64_t x = 0, y = h.height - 1;
    size_t at = 0;
    auto put = [&](uint32_t index) {
        if (x < h.width && y >= 0)
            image.setPixel(static_cast<int>(x), static_cast<int>(y), PaletteColor(table, index));
        ++x;
    };
    while (at + 1 < bits.Size() && y >= 0) {
        uint8_t count = bits.U8(at), value = bits.U8(at + 1);
        at += 2;
        if (count > 0) {
            for (uint32_t i = 0; i < count && x < h.width; ++i)
                put(four ? (i % 2 ? value & 0xF : value >> 4) : value);
        } else if (value == 0) {
            x = 0;
            --y;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            x += bits.U8(at);
            y -= bits.U8(at + 1);
            at += 2;
        } else {
            size_t bytes = four ? (value + 1u) / 2 : value;
            if (!bits.Has(at, bytes))
                break;
            for (uint32_t i = 0; i < value && x < h.width; ++i) {
                uint8_t byte = bits.U8(at + (four ? i / 2 : i));
                put(four ? (i % 2 ? byte & 0xF : byte >> 4) : byte);
            }
            at += (bytes + 1) & ~size_t{1}; /* runs are padded to 16 bits */
        }
    }
    return image;
}

/* JPEG or PNG bits: decoded by Qt after checking the size they announce. */
QImage DecodeEmbedded(cMetafileBytes& bits, const MetafileLimits& limits) {
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(bits.Data()), static_cast<qsizetype>(bits.Size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QSize size = reader.size();
    if (!size.isValid() || !WithinLimits(size.width(), size.height(), limits))
        return {};
    QImage image = reader.read();
    return image.isNull() ? image : image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

QImage DecodeDib(cMetafileBytes bmi, cMetafileBytes bits, uint32_t usage, const MetafileLimits& limits) {
    DibHeader h;
    if (usage != DibRgbColors || !ReadHeader(bmi, h))
        return {};
    if (h.compression == BiJpeg || h.compression == BiPng)
        return DecodeEmbedded(bits, limits);
    if (!WithinLimits(h.width, h.height, limits))
        return {};
    std::vector<QRgb> table = ReadColorTable(bmi, h);
    if (h.bitCount <= 8 && table.empty())
        return {};
    switch (h.compression) {
    case BiRgb:
    case BiBitfields:
    case BiAlphaBitfields: return DecodeUncompressed(bits, h, table);
    case BiRle8:
    case BiRle4: return DecodeRle(bits, h, table);
    default: return {};
    }
}

QImage DecodePackedDib(cMetafileBytes dib, uint32_t usage, const MetafileLimits& limits) {
    DibHeader h;
    if (!ReadHeader(dib, h))
        return {};
    /* The table holds colorsUsed entries when given, else 2^bitCount up to 8 bits. */
    size_t entries = h.colorsUsed;
    if (entries == 0 && h.bitCount <= 8)
        entries = size_t{1} << h.bitCount;
    size_t bitsOffset = h.tableOffset + entries * h.entrySize;
    if (!dib.Has(bitsOffset, 0))
        return {};
    return DecodeDib(dib.Sub(0, bitsOffset), dib.Sub(bitsOffset, dib.Size() - bitsOffset), usage, limits);
}

} // namespace metafile
