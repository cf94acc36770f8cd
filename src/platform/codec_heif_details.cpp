/*
 * codec_heif_details.cpp - the EXIF and XMP blocks of a HEIF or AVIF file,
 * read through libheif for the photo details of outputs. No pixel is decoded.
 */
#include "codec_util.h"
#include "gp_internal.h"

#include <libheif/heif.h>

#include <cstring>
#include <mutex>
#include <new>
#include <vector>

namespace {

/* Cap for one block copied out of the file. */
constexpr size_t kMaxBlock = size_t{4} << 20;
/* Blocks of each kind looked at; a file rarely has more than one. */
constexpr int kMaxBlocks = 4;

/* Owns the libheif objects of one read. */
class cHeifDetailsFile {
  public:
    cHeifDetailsFile() = default;
    ~cHeifDetailsFile() {
        heif_image_handle_release(mHandle);
        heif_context_free(mContext);
    }
    cHeifDetailsFile(const cHeifDetailsFile&) = delete;
    cHeifDetailsFile& operator=(const cHeifDetailsFile&) = delete;

    heif_context* mContext = nullptr;
    heif_image_handle* mHandle = nullptr;
};

/* heif_init counts its callers, so this once per process pairs with the
 * decoder's own call. */
void hd_init_once() {
    static std::once_flag once;
    std::call_once(once, [] { heif_init(nullptr); });
}

bool hd_is_tiff_header(const uint8_t* p, size_t size) {
    return size >= 8 && (std::memcmp(p, "II*\0", 4) == 0 || std::memcmp(p, "MM\0*", 4) == 0);
}

/* A new stream holding size bytes of data; NULL when out of memory. */
GpStream* hd_stream_of(const uint8_t* data, size_t size) {
    GpStream* stream = nullptr;
    if (CreateStreamOnHGlobal(nullptr, 0, 1, &stream) != S_OK)
        return nullptr;
    uint32_t written = 0;
    if (GpStreamWrite(stream, data, static_cast<uint32_t>(size), &written) != S_OK || written != size ||
        GpStreamSeek(stream, 0, STREAM_SEEK_SET, nullptr) != S_OK) {
        GpStreamRelease(stream);
        return nullptr;
    }
    return stream;
}

/* The block's bytes; empty when it is too big or libheif cannot give it. */
std::vector<uint8_t> hd_block(const cHeifDetailsFile& f, heif_item_id id) {
    const size_t size = heif_image_handle_get_metadata_size(f.mHandle, id);
    if (size == 0 || size > kMaxBlock)
        return {};
    std::vector<uint8_t> block(size);
    if (heif_image_handle_get_metadata(f.mHandle, id, block.data()).code != heif_error_Ok)
        return {};
    return block;
}

/* The first EXIF block as a TIFF structure. A HEIF EXIF block starts with the
 * 32-bit offset of the TIFF header; some writers leave "Exif\0\0" in front
 * of the header as well. */
GpStream* hd_exif(const cHeifDetailsFile& f) {
    heif_item_id ids[kMaxBlocks];
    const int count = heif_image_handle_get_list_of_metadata_block_IDs(f.mHandle, "Exif", ids, kMaxBlocks);
    for (int i = 0; i < count; ++i) {
        const std::vector<uint8_t> block = hd_block(f, ids[i]);
        if (block.size() < 4)
            continue;
        size_t at = 4 + size_t{gp::cu_be32(block.data())};
        if (at < block.size() && block.size() - at >= 6 && std::memcmp(&block[at], "Exif\0\0", 6) == 0)
            at += 6;
        if (at < block.size() && hd_is_tiff_header(&block[at], block.size() - at))
            return hd_stream_of(&block[at], block.size() - at);
    }
    return nullptr;
}

/* The first XMP packet: a "mime" item of type application/rdf+xml. */
GpStream* hd_xmp(const cHeifDetailsFile& f) {
    heif_item_id ids[kMaxBlocks];
    const int count = heif_image_handle_get_list_of_metadata_block_IDs(f.mHandle, "mime", ids, kMaxBlocks);
    for (int i = 0; i < count; ++i) {
        const char* type = heif_image_handle_get_metadata_content_type(f.mHandle, ids[i]);
        if (type == nullptr || std::strcmp(type, "application/rdf+xml") != 0)
            continue;
        const std::vector<uint8_t> block = hd_block(f, ids[i]);
        if (!block.empty())
            return hd_stream_of(block.data(), block.size());
    }
    return nullptr;
}

GpStatus hd_read(const std::vector<uint8_t>& bytes, GpStream** exif, GpStream** xmp) {
    hd_init_once();
    cHeifDetailsFile f;
    f.mContext = heif_context_alloc();
    if (f.mContext == nullptr)
        return OutOfMemory;
    if (heif_context_read_from_memory_without_copy(f.mContext, bytes.data(), bytes.size(), nullptr).code !=
            heif_error_Ok ||
        heif_context_get_primary_image_handle(f.mContext, &f.mHandle).code != heif_error_Ok)
        return UnknownImageFormat;
    *exif = hd_exif(f);
    *xmp = hd_xmp(f);
    return Ok;
}

} // namespace

GpStatus GpGetHeifDetails(const WCHAR* filename, GpStream** exif, GpStream** xmp) {
    if (filename == nullptr || exif == nullptr || xmp == nullptr)
        return InvalidParameter;
    *exif = nullptr;
    *xmp = nullptr;
    GpStream* file = nullptr;
    const GpStatus opened = GpCreateStreamOnFile(filename, &file);
    if (opened != Ok)
        return opened;
    uint64_t size = 0;
    GpStatus status = GpStreamStat(file, &size) == S_OK ? Ok : GenericError;
    try {
        /* GpCreateStreamOnFile keeps files within 32 bits */
        std::vector<uint8_t> bytes(static_cast<size_t>(size));
        uint32_t got = 0;
        if (status == Ok &&
            (GpStreamRead(file, bytes.data(), static_cast<uint32_t>(size), &got) != S_OK || got != size))
            status = GenericError;
        if (status == Ok)
            status = hd_read(bytes, exif, xmp);
    } catch (const std::bad_alloc&) {
        status = OutOfMemory;
    }
    GpStreamRelease(file);
    return status;
}
