/*
 * codec_exif.cpp - the EXIF orientation the decoders apply. The other photo
 * details are read, and carried into outputs, by the output layer (Exiv2).
 * Every offset comes from the file, so every read goes through ex_range(),
 * which checks it against the payload size.
 */
#include "codec_exif.h"

#include "codec_util.h"

#include <new>

namespace gp {
namespace {

constexpr uint32_t kMaxIfdEntries = 1024;

struct ex_block {
    const uint8_t* data; /* the TIFF header starts here */
    size_t size;
    bool big_endian;
};

bool ex_range(const ex_block& b, uint64_t offset, uint64_t length) {
    return offset <= b.size && length <= b.size - offset;
}

uint16_t ex_u16(const ex_block& b, size_t at) {
    return b.big_endian ? cu_be16(b.data + at) : cu_le16(b.data + at);
}

uint32_t ex_u32(const ex_block& b, size_t at) {
    return b.big_endian ? cu_be32(b.data + at) : cu_le32(b.data + at);
}

/* The first value of the Short entry at entryAt: inline when the values fit
 * in 4 bytes, else at the offset the entry gives; 0 when it is no Short or
 * lies outside the block. */
uint16_t ex_first_short(const ex_block& b, size_t entryAt) {
    const uint32_t count = ex_u32(b, entryAt + 4);
    if (ex_u16(b, entryAt + 2) != PropertyTagTypeShort || count == 0)
        return 0;
    const uint64_t valueAt = count <= 2 ? entryAt + 8 : ex_u32(b, entryAt + 8);
    return ex_range(b, valueAt, 2) ? ex_u16(b, static_cast<size_t>(valueAt)) : 0;
}

/* The orientation (1..8) in the first IFD; 0 when there is none. */
int ex_orientation(const ex_block& b) {
    const uint64_t ifdAt = ex_u32(b, 4);
    if (!ex_range(b, ifdAt, 2))
        return 0;
    const uint32_t count = ex_u16(b, static_cast<size_t>(ifdAt));
    if (count > kMaxIfdEntries || !ex_range(b, ifdAt + 2, uint64_t{count} * 12))
        return 0;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t at = static_cast<size_t>(ifdAt) + 2 + size_t{i} * 12;
        if (ex_u16(b, at) == PropertyTagOrientation) {
            const uint16_t value = ex_first_short(b, at);
            return value >= 1 && value <= 8 ? value : 0;
        }
    }
    return 0;
}

} // namespace

int exif_read(const uint8_t* data, size_t size, std::vector<property>& properties) {
    if (size < 8)
        return 0;
    ex_block b{data, size, false};
    if (b.data[0] == 'M' && b.data[1] == 'M')
        b.big_endian = true;
    else if (b.data[0] != 'I' || b.data[1] != 'I')
        return 0;
    if (ex_u16(b, 2) != 42)
        return 0;
    const int orientation = ex_orientation(b);
    if (orientation == 0)
        return 0;
    try {
        properties.push_back(
            property{PropertyTagOrientation, PropertyTagTypeShort, {static_cast<uint8_t>(orientation), 0}});
    } catch (const std::bad_alloc&) {
        /* the property is optional; the orientation is still applied */
    }
    return orientation;
}

} // namespace gp
