/*
 * codec_exif.cpp - EXIF reader. Every offset comes from the file, so every
 * read goes through ex_range(), which checks it against the payload size.
 */
#include "codec_exif.h"

#include "codec_util.h"

#include <cstring>
#include <utility>

namespace gp {
namespace {

constexpr uint16_t kTagExifIfd = 0x8769;
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

/* Bytes of one value of a TIFF field type; 0 for types we do not read. */
uint32_t ex_type_size(uint16_t type) {
    switch (type) {
    case PropertyTagTypeByte:
    case PropertyTagTypeASCII:
    case PropertyTagTypeUndefined: return 1;
    case PropertyTagTypeShort: return 2;
    case PropertyTagTypeLong:
    case PropertyTagTypeSLONG: return 4;
    default: return 0;
    }
}

/* Copies one IFD entry at entryAt into a property when it has the wanted
 * type; the value lies inline when it fits in 4 bytes, else at an offset. */
bool ex_entry(const ex_block& b, size_t entryAt, uint16_t wantType, property& prop) {
    const uint16_t type = ex_u16(b, entryAt + 2);
    const uint32_t count = ex_u32(b, entryAt + 4);
    if (type != wantType || count == 0 || count > 65535)
        return false;
    const uint64_t length = uint64_t{count} * ex_type_size(type);
    uint64_t valueAt = entryAt + 8;
    if (length > 4)
        valueAt = ex_u32(b, entryAt + 8);
    if (!ex_range(b, valueAt, length))
        return false;
    prop.id = ex_u16(b, entryAt);
    prop.type = type;
    const uint8_t* src = b.data + valueAt;
    if (type == PropertyTagTypeShort) {
        prop.value.resize(static_cast<size_t>(length));
        for (uint32_t i = 0; i < count; ++i) {
            const uint16_t v = ex_u16(b, static_cast<size_t>(valueAt) + 2 * i);
            prop.value[2 * i] = static_cast<uint8_t>(v);
            prop.value[2 * i + 1] = static_cast<uint8_t>(v >> 8);
        }
        return true;
    }
    prop.value.assign(src, src + length);
    if (prop.value.back() != 0) /* ASCII values carry their terminating NUL */
        prop.value.push_back(0);
    return true;
}

/* Reads the entries of the IFD at ifdAt that we report; returns the offset of
 * the EXIF sub-IFD (0 when none). */
uint32_t ex_ifd(const ex_block& b, uint64_t ifdAt, std::vector<property>& props, int& orientation) {
    if (!ex_range(b, ifdAt, 2))
        return 0;
    const uint32_t count = ex_u16(b, static_cast<size_t>(ifdAt));
    if (count > kMaxIfdEntries || !ex_range(b, ifdAt + 2, uint64_t{count} * 12))
        return 0;
    uint32_t exifIfd = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t at = static_cast<size_t>(ifdAt) + 2 + size_t{i} * 12;
        const uint16_t tag = ex_u16(b, at);
        property prop;
        if (tag == PropertyTagEquipMake || tag == PropertyTagEquipModel ||
            tag == PropertyTagExifDTOrig) {
            if (ex_entry(b, at, PropertyTagTypeASCII, prop))
                props.push_back(std::move(prop));
        } else if (tag == PropertyTagOrientation) {
            if (ex_entry(b, at, PropertyTagTypeShort, prop)) {
                const int v = prop.value[0] | (prop.value[1] << 8);
                if (v >= 1 && v <= 8) {
                    orientation = v;
                    prop.value.resize(2);
                    props.push_back(std::move(prop));
                }
            }
        } else if (tag == kTagExifIfd && ex_u16(b, at + 2) == PropertyTagTypeLong) {
            exifIfd = ex_u32(b, at + 8);
        }
    }
    return exifIfd;
}

} // namespace

int exif_read(const uint8_t* data, size_t size, std::vector<property>& properties) {
    static constexpr uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (size < 14 || std::memcmp(data, kExif, 6) != 0)
        return 0;
    ex_block b{data + 6, size - 6, false};
    if (b.data[0] == 'M' && b.data[1] == 'M')
        b.big_endian = true;
    else if (b.data[0] != 'I' || b.data[1] != 'I')
        return 0;
    if (ex_u16(b, 2) != 42)
        return 0;
    int orientation = 0;
    std::vector<property> found;
    try {
        const uint32_t exifIfd = ex_ifd(b, ex_u32(b, 4), found, orientation);
        if (exifIfd != 0) {
            int ignored = 0;
            ex_ifd(b, exifIfd, found, ignored);
        }
        for (property& p : found)
            properties.push_back(std::move(p));
    } catch (...) {
        return orientation; /* out of memory: the properties are optional */
    }
    return orientation;
}

} // namespace gp
