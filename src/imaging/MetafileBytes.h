#pragma once
/*
 * MetafileBytes.h - a bounds-checked little-endian view of metafile bytes.
 *
 * Every read checks offset and length against the view's end. A read past the
 * end returns 0 and clears ok(), so a record handler reads all its fields and
 * checks once before acting on them.
 */

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace metafile {

class cMetafileBytes {
  public:
    cMetafileBytes() = default;
    cMetafileBytes(const uint8_t* data, size_t size) : mData(data), mSize(size) {}

    size_t Size() const { return mSize; }
    const uint8_t* Data() const { return mData; }
    bool Ok() const { return mOk; }

    /* True when [offset, offset + length) lies inside the view; no overflow. */
    bool Has(size_t offset, size_t length) const { return offset <= mSize && length <= mSize - offset; }

    /* A view of [offset, offset + length); empty (and ok() cleared) when out of range. */
    cMetafileBytes Sub(size_t offset, size_t length) {
        if (!Has(offset, length)) {
            mOk = false;
            return {};
        }
        return {mData + offset, length};
    }

    uint8_t U8(size_t offset) {
        if (!Has(offset, 1))
            return Fail<uint8_t>();
        return mData[offset];
    }
    uint16_t U16(size_t offset) {
        if (!Has(offset, 2))
            return Fail<uint16_t>();
        return static_cast<uint16_t>(mData[offset] | (mData[offset + 1] << 8));
    }
    int16_t I16(size_t offset) { return static_cast<int16_t>(U16(offset)); }
    uint32_t U32(size_t offset) {
        if (!Has(offset, 4))
            return Fail<uint32_t>();
        return static_cast<uint32_t>(mData[offset]) | (static_cast<uint32_t>(mData[offset + 1]) << 8) |
               (static_cast<uint32_t>(mData[offset + 2]) << 16) | (static_cast<uint32_t>(mData[offset + 3]) << 24);
    }
    int32_t I32(size_t offset) { return static_cast<int32_t>(U32(offset)); }
    /* Fields whose width, lWidth bytes (1, 2 or 4), depends on the format. */
    uint32_t UInt(size_t offset, size_t lWidth) {
        return lWidth == 1 ? U8(offset) : lWidth == 2 ? U16(offset) : U32(offset);
    }
    int32_t Int(size_t offset, size_t lWidth) { return lWidth == 2 ? I16(offset) : I32(offset); }
    float F32(size_t offset) {
        uint32_t bits = U32(offset);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

  private:
    template <typename T> T Fail() {
        mOk = false;
        return T{0};
    }

    const uint8_t* mData = nullptr;
    size_t mSize = 0;
    bool mOk = true;
};

} // namespace metafile
