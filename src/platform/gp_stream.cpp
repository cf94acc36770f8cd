/*
 * gp_stream.cpp - in-memory byte streams (CreateStreamOnHGlobal stand-in) and
 * GUID parsing.
 */
#include "gp_internal.h"

#include <charconv>
#include <cstring>
#include <span>

struct GpStream {
    uint32_t refs = 1;
    /* Either the stream's own growable bytes, or the caller's fixed ones. */
    std::vector<uint8_t> own;
    std::span<uint8_t> fixed;
    uint64_t position = 0;

    bool growable() const { return fixed.data() == nullptr; }
    uint64_t size() const { return growable() ? own.size() : fixed.size(); }
    uint8_t* data() { return growable() ? own.data() : fixed.data(); }
};

HRESULT CreateStreamOnHGlobal(void* hGlobal, size_t size, int32_t fDeleteOnRelease, GpStream** ppstm) {
    if (ppstm == nullptr)
        return E_INVALIDARG;
    /* The stream cannot free memory it did not allocate. */
    if (hGlobal != nullptr && fDeleteOnRelease != 0)
        return E_INVALIDARG;
    auto* stream = new (std::nothrow) GpStream;
    if (stream == nullptr)
        return E_OUTOFMEMORY;
    if (hGlobal != nullptr)
        stream->fixed = std::span(static_cast<uint8_t*>(hGlobal), size);
    *ppstm = stream;
    return S_OK;
}

GpStream* gp::stream_holding(std::vector<uint8_t>&& bytes) {
    auto* stream = new (std::nothrow) GpStream;
    if (stream != nullptr)
        stream->own = std::move(bytes);
    return stream;
}

HRESULT GpStreamRead(GpStream* stream, void* pv, uint32_t cb, uint32_t* pcbRead) {
    if (stream == nullptr || (pv == nullptr && cb > 0))
        return E_INVALIDARG;
    const uint64_t size = stream->size();
    uint64_t count = 0;
    if (stream->position < size)
        count = size - stream->position < cb ? size - stream->position : cb;
    if (count > 0)
        std::memcpy(pv, stream->data() + stream->position, static_cast<size_t>(count));
    stream->position += count;
    if (pcbRead != nullptr)
        *pcbRead = static_cast<uint32_t>(count);
    return S_OK;
}

HRESULT GpStreamWrite(GpStream* stream, const void* pv, uint32_t cb, uint32_t* pcbWritten) {
    if (stream == nullptr || (pv == nullptr && cb > 0))
        return E_INVALIDARG;
    if (pcbWritten != nullptr)
        *pcbWritten = 0;
    const uint64_t end = stream->position + cb;
    if (end > stream->size()) {
        if (!stream->growable())
            return STG_E_MEDIUMFULL;
        if (end > SIZE_MAX / 2)
            return E_OUTOFMEMORY;
        try {
            stream->own.resize(static_cast<size_t>(end));
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }
    if (cb > 0)
        std::memcpy(stream->data() + stream->position, pv, cb);
    stream->position = end;
    if (pcbWritten != nullptr)
        *pcbWritten = cb;
    return S_OK;
}

HRESULT GpStreamSeek(GpStream* stream, int64_t move, StreamSeek origin, uint64_t* newPosition) {
    if (stream == nullptr)
        return E_INVALIDARG;
    int64_t base = 0;
    switch (origin) {
    case STREAM_SEEK_SET: base = 0; break;
    case STREAM_SEEK_CUR: base = static_cast<int64_t>(stream->position); break;
    case STREAM_SEEK_END: base = static_cast<int64_t>(stream->size()); break;
    default: return STG_E_INVALIDFUNCTION;
    }
    if ((move < 0 && base + move < 0) || (move > 0 && base > INT64_MAX - move))
        return STG_E_INVALIDFUNCTION;
    stream->position = static_cast<uint64_t>(base + move);
    if (newPosition != nullptr)
        *newPosition = stream->position;
    return S_OK;
}

HRESULT GpStreamStat(GpStream* stream, uint64_t* size) {
    if (stream == nullptr || size == nullptr)
        return E_INVALIDARG;
    *size = stream->size();
    return S_OK;
}

uint32_t GpStreamAddRef(GpStream* stream) {
    if (stream == nullptr)
        return 0;
    return ++stream->refs;
}

uint32_t GpStreamRelease(GpStream* stream) {
    if (stream == nullptr)
        return 0;
    const uint32_t refs = --stream->refs;
    if (refs == 0)
        delete stream;
    return refs;
}

/* ---- GUID text ------------------------------------------------------------------ */

/* Reads the digits characters at text[at] as hex digits into value; false
 * unless all of them are. */
static bool st_read_hex(const WCHAR* text, size_t at, int digits, uint32_t& value) {
    char ascii[8];
    for (int i = 0; i < digits; ++i) {
        const WCHAR c = text[at + static_cast<size_t>(i)];
        ascii[i] = c < 0x80 ? static_cast<char>(c) : '?';
    }
    const auto [end, error] = std::from_chars(ascii, ascii + digits, value, 16);
    return error == std::errc{} && end == ascii + digits;
}

HRESULT IIDFromString(const WCHAR* lpsz, GUID* lpiid) {
    if (lpiid == nullptr)
        return E_INVALIDARG;
    *lpiid = GUID{};
    if (lpsz == nullptr)
        return CO_E_IIDSTRING;
    size_t length = 0;
    while (length < 39 && lpsz[length] != 0)
        ++length;
    /* {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX} */
    if (length != 38 || lpsz[0] != u'{' || lpsz[9] != u'-' || lpsz[14] != u'-' || lpsz[19] != u'-' ||
        lpsz[24] != u'-' || lpsz[37] != u'}')
        return CO_E_IIDSTRING;
    /* Where each field's digits start, and how many there are: Data1, Data2,
     * Data3, then the eight bytes of Data4. */
    static constexpr size_t kAt[11] = {1, 10, 15, 20, 22, 25, 27, 29, 31, 33, 35};
    static constexpr int kDigits[11] = {8, 4, 4, 2, 2, 2, 2, 2, 2, 2, 2};
    uint32_t value[11];
    for (int i = 0; i < 11; ++i)
        if (!st_read_hex(lpsz, kAt[i], kDigits[i], value[i]))
            return CO_E_IIDSTRING;
    GUID guid{value[0], static_cast<uint16_t>(value[1]), static_cast<uint16_t>(value[2]), {}};
    for (int i = 0; i < 8; ++i)
        guid.Data4[i] = static_cast<uint8_t>(value[3 + i]);
    *lpiid = guid;
    return S_OK;
}
