/*
 * codec_heif.cpp - HEIF (HEIC) and AVIF decoder over libheif, and the
 * photo details (EXIF and XMP blocks) of such files, read without decoding
 * any pixel.
 *
 * Only the primary image is read, so every file has one frame. For a draw of
 * the whole image at a reduced size, an embedded thumbnail of the same shape
 * whose size serves the draw (cu_scale_serves) is decoded in its place; with
 * none, an HEVC picture or grid that a half, a quarter or an eighth serves is
 * decoded straight through libde265 at that scale (codec_heif_hevc.cpp).
 * libheif applies the file's transformations (irot, imir, clap); the handle's size is
 * already the transformed one. The EXIF orientation is applied on top only
 * when the file carries no irot or imir: phones write both, describing the
 * same turn, and the transformations are the ones that count in HEIF.
 *
 * Decoding gives 32bppARGB when the image has an alpha plane, else 24bppRGB;
 * 10- and 12-bit images are brought down to 8 bits by libheif. An embedded
 * ICC profile is handed on in image_info.icc_profile; so is a profile made
 * from the primaries of an nclx colour description when they are not sRGB's
 * (for the common transfer curves; PQ and HLG images are left as they are).
 *
 * Bounds: our side cap goes into libheif's own image size limit (its other
 * security limits stay at their defaults), and the side and pixel caps are
 * checked against the primary image before libheif decodes anything; so is
 * the file's size, for an image over kUnprovenPixels.
 *
 * libheif hands back what its decoder made of damaged data without a word
 * (libde265 leaves the pictures it could not decode as it found them), so
 * the decoded image is taken only when its plane has the size and depth
 * asked for; the memory behind it starts cleared (gp_bitmap.cpp), so an
 * undecoded area can never show an earlier image.
 */
#include "codec_exif.h"
#include "codec_heif_hevc.h"
#include "codec_util.h"
#include "colour_lcms.h"
#include "gp_internal.h"

#include <libheif/heif.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <mutex>
#include <utility>

namespace gp {
namespace {

/* Pixels a byte of a large file may stand for. HEVC and AV1 code a flat
 * picture in next to nothing, and a grid of tiles can repeat one coded
 * tile, but real photos take far more than a byte per 4096 pixels. */
constexpr uint64_t kPixelsPerByte = 4096;
/* Cap for one EXIF, XMP or ICC block read out of the file. */
constexpr size_t kMaxMetadata = size_t{4} << 20;
/* Metadata blocks of each kind looked at; a file rarely has more than one. */
constexpr int kMaxBlocks = 4;
/* Thumbnails looked at; phones write one. */
constexpr int kMaxThumbnails = 4;

constexpr char kHeifBrands[][5] = {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1", "avif", "avis"};

bool hf_brand_in(const uint8_t* p, bool avifOnly) {
    for (const char* brand : kHeifBrands) {
        const bool isAvif = brand[0] == 'a';
        if ((!avifOnly || isAvif) && std::memcmp(p, brand, 4) == 0)
            return true;
    }
    return false;
}

/* True when the ftyp box at the start names a HEIF brand, as its major brand
 * or one of its compatible brands; avifOnly narrows that to AVIF brands. */
bool hf_ftyp_has(const uint8_t* data, size_t size, bool avifOnly) {
    if (size < 16 || std::memcmp(data + 4, "ftyp", 4) != 0)
        return false;
    const size_t boxEnd = std::min<size_t>(cu_be32(data), size);
    if (hf_brand_in(data + 8, avifOnly))
        return true;
    for (size_t at = 16; at + 4 <= boxEnd; at += 4) /* 16: after the minor version */
        if (hf_brand_in(data + at, avifOnly))
            return true;
    return false;
}

bool hf_sniff(const uint8_t* data, size_t size) {
    return hf_ftyp_has(data, size, false);
}

/* True when the item properties (meta/iprp/ipco) hold a rotation or mirror. */
bool hf_has_turn(const uint8_t* data, size_t size) {
    heif_box meta, iprp, ipco, turn;
    /* meta is a full box: its children follow 4 bytes of version and flags. */
    return hv_child(data, 0, size, "meta", meta) && meta.end - meta.begin >= 4 &&
           hv_child(data, meta.begin + 4, meta.end, "iprp", iprp) &&
           hv_child(data, iprp.begin, iprp.end, "ipco", ipco) &&
           (hv_child(data, ipco.begin, ipco.end, "irot", turn) || hv_child(data, ipco.begin, ipco.end, "imir", turn));
}

GpStatus hf_status(const heif_error& error) {
    if (error.code == heif_error_Ok)
        return Ok;
    /* libheif reports its size limits as allocation errors with this subcode. */
    if (error.subcode == heif_suberror_Security_limit_exceeded)
        return ValueOverflow;
    if (error.code == heif_error_Memory_allocation_error)
        return OutOfMemory;
    return GenericError;
}

/* Owns the libheif objects of one read. */
class cHeifFile {
  public:
    cHeifFile() = default;
    ~cHeifFile() {
        heif_image_release(mImage);
        heif_image_handle_release(mThumbnail);
        heif_image_handle_release(mHandle);
        heif_context_free(mContext);
    }
    cHeifFile(const cHeifFile&) = delete;
    cHeifFile& operator=(const cHeifFile&) = delete;

    heif_context* mContext = nullptr;
    heif_image_handle* mHandle = nullptr;
    /* The thumbnail decoded in place of the primary image, if any. */
    heif_image_handle* mThumbnail = nullptr;
    heif_image* mImage = nullptr;
};

/* Reads the file structure and finds the primary image; nothing decoded.
 * maxSide, when not 0, becomes libheif's image size limit. libheif registers
 * its codecs in process-wide tables on first use: doing it once here, guarded
 * by call_once, keeps reads on several threads from racing on that; the
 * tables live until the process ends. */
GpStatus hf_read(cHeifFile& f, const uint8_t* data, size_t size, uint32_t maxSide) {
    static std::once_flag once;
    std::call_once(once, [] { heif_init(nullptr); });
    f.mContext = heif_context_alloc();
    if (f.mContext == nullptr)
        return OutOfMemory;
    if (maxSide != 0)
        heif_context_set_maximum_image_size_limit(f.mContext, static_cast<int>(std::min<uint32_t>(maxSide, INT_MAX)));
    const GpStatus st = hf_status(heif_context_read_from_memory_without_copy(f.mContext, data, size, nullptr));
    return st != Ok ? st : hf_status(heif_context_get_primary_image_handle(f.mContext, &f.mHandle));
}

/* Reads the primary image's header, checked against limits. */
GpStatus hf_open(cHeifFile& f, const uint8_t* data, size_t size, const decode_limits& limits) {
    GpStatus st = hf_read(f, data, size, limits.max_side);
    if (st != Ok)
        return st;
    const int width = heif_image_handle_get_width(f.mHandle);
    const int height = heif_image_handle_get_height(f.mHandle);
    if (width <= 0 || height <= 0)
        return GenericError;
    st = cu_check_size(static_cast<uint32_t>(width), static_cast<uint32_t>(height), limits);
    const uint64_t pixels = uint64_t(width) * uint64_t(height);
    return st != Ok ? st : cu_check_fill(pixels, pixels / kPixelsPerByte, size);
}

/* The bytes of metadata block id; empty when it is over kMaxMetadata or
 * libheif cannot give it. */
std::vector<uint8_t> hf_block(const cHeifFile& f, heif_item_id id) {
    const size_t size = heif_image_handle_get_metadata_size(f.mHandle, id);
    if (size == 0 || size > kMaxMetadata)
        return {};
    std::vector<uint8_t> block(size);
    if (heif_image_handle_get_metadata(f.mHandle, id, block.data()).code != heif_error_Ok)
        return {};
    return block;
}

/* EXIF orientation of the primary image (0 when none), appending its
 * properties. A HEIF EXIF block starts with the 32-bit offset of the TIFF
 * header. */
int hf_exif(const cHeifFile& f, std::vector<property>& properties) {
    heif_item_id ids[kMaxBlocks];
    const int count = heif_image_handle_get_list_of_metadata_block_IDs(f.mHandle, "Exif", ids, kMaxBlocks);
    for (int i = 0; i < count; ++i) {
        const std::vector<uint8_t> block = hf_block(f, ids[i]);
        if (block.size() < 4 || cu_be32(block.data()) > block.size() - 4)
            continue;
        const size_t tiff = 4 + size_t{cu_be32(block.data())};
        const int orientation = exif_read(block.data() + tiff, block.size() - tiff, properties);
        if (orientation != 0)
            return orientation;
    }
    return 0;
}

using hf_nclx = cu_owned<heif_color_profile_nclx, heif_nclx_color_profile_free>;

/* The primary image's nclx colour description; none when it has none. */
hf_nclx hf_get_nclx(const cHeifFile& f) {
    heif_color_profile_nclx* nclx = nullptr;
    /* libheif may hand out the description even when it reports an error
     * about it: it is ours to free either way. */
    const heif_error error = heif_image_handle_get_nclx_color_profile(f.mHandle, &nclx);
    hf_nclx owned(nclx);
    if (error.code != heif_error_Ok)
        return nullptr;
    return owned;
}

/* A profile for an nclx description: its primaries and white point with the
 * gamma that stands in for the sRGB and BT.709 family of curves. */
void hf_nclx_profile(const cHeifFile& f, std::vector<uint8_t>& profile) {
    const hf_nclx nclx = hf_get_nclx(f);
    if (nclx == nullptr)
        return;
    const heif_transfer_characteristics curve = nclx->transfer_characteristics;
    if (curve == heif_transfer_characteristic_ITU_R_BT_709_5 || curve == heif_transfer_characteristic_ITU_R_BT_601_6 ||
        curve == heif_transfer_characteristic_IEC_61966_2_1 ||
        curve == heif_transfer_characteristic_ITU_R_BT_2020_2_10bit ||
        curve == heif_transfer_characteristic_ITU_R_BT_2020_2_12bit ||
        curve == heif_transfer_characteristic_unspecified) {
        const double xy[8] = {nclx->color_primary_white_x, nclx->color_primary_white_y, nclx->color_primary_red_x,
                              nclx->color_primary_red_y,   nclx->color_primary_green_x, nclx->color_primary_green_y,
                              nclx->color_primary_blue_x,  nclx->color_primary_blue_y};
        profile = colour_profile_from_chromaticities(xy, 1 / 2.2);
    }
}

void hf_icc(const cHeifFile& f, std::vector<uint8_t>& profile) {
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(f.mHandle);
    if (type == heif_color_profile_type_nclx)
        hf_nclx_profile(f, profile);
    if (type != heif_color_profile_type_prof && type != heif_color_profile_type_rICC)
        return;
    const size_t size = heif_image_handle_get_raw_color_profile_size(f.mHandle);
    if (size == 0 || size > kMaxMetadata)
        return;
    profile.resize(size);
    if (heif_image_handle_get_raw_color_profile(f.mHandle, profile.data()).code != heif_error_Ok)
        profile.clear();
}

/* The EXIF orientation to apply: none when the file turns the image itself. */
int hf_orientation(const cHeifFile& f, const uint8_t* data, size_t size, std::vector<property>& properties) {
    const int orientation = hf_exif(f, properties);
    return hf_has_turn(data, size) ? 0 : orientation;
}

GpStatus hf_probe(const uint8_t* data, size_t size, const decode_limits& limits, image_info& info) {
    cHeifFile f;
    const GpStatus st = hf_open(f, data, size, limits);
    if (st != Ok)
        return st;
    const bool swap = hf_orientation(f, data, size, info.properties) >= 5;
    const auto width = static_cast<uint32_t>(heif_image_handle_get_width(f.mHandle));
    const auto height = static_cast<uint32_t>(heif_image_handle_get_height(f.mHandle));
    info.width = swap ? height : width;
    info.height = swap ? width : height;
    info.format = heif_image_handle_has_alpha_channel(f.mHandle) ? PixelFormat32bppARGB : PixelFormat24bppRGB;
    info.raw_format = hf_ftyp_has(data, size, true) ? ImageFormatAVIF : ImageFormatHEIF;
    hf_icc(f, info.icc_profile);
    return Ok;
}

/* The matrix and range of the primary image's nclx description, if it has one. */
hevc_colour hf_hevc_colour(const cHeifFile& f) {
    hevc_colour colour;
    if (const hf_nclx nclx = hf_get_nclx(f)) {
        colour.known = true;
        colour.matrix = nclx->matrix_coefficients;
        colour.full_range = nclx->full_range_flag != 0;
    }
    return colour;
}

/* True when thumb can stand for the primary image drawn whole at the
 * (file-oriented) size needWidth x needHeight: smaller than the primary, of a
 * size that serves the draw as a reduced decode would (cu_scale_serves), the same shape to within a pixel (so the draw
 * maps it exactly as it would the primary; a thumbnail left unturned fails
 * this), and with alpha exactly when the primary has it. */
bool hf_thumbnail_fits(const cHeifFile& f, heif_image_handle* thumb, uint64_t needWidth, uint64_t needHeight) {
    const int64_t width = heif_image_handle_get_width(f.mHandle);
    const int64_t height = heif_image_handle_get_height(f.mHandle);
    const int64_t thumbWidth = heif_image_handle_get_width(thumb);
    const int64_t thumbHeight = heif_image_handle_get_height(thumb);
    const int64_t skew = thumbWidth * height - thumbHeight * width;
    return thumbWidth > 0 && thumbHeight > 0 && thumbWidth < width && thumbHeight < height &&
           cu_scale_serves(uint64_t(thumbWidth), needWidth) && cu_scale_serves(uint64_t(thumbHeight), needHeight) &&
           std::max(skew, -skew) <= std::min(width, height) &&
           heif_image_handle_has_alpha_channel(thumb) == heif_image_handle_has_alpha_channel(f.mHandle);
}

/* Picks the smallest thumbnail that fits a draw of the whole image at the
 * size in limits into f.mThumbnail; none when no draw size is given. */
void hf_pick_thumbnail(cHeifFile& f, const decode_limits& limits, bool swap) {
    if (limits.draw_width == 0 || limits.draw_height == 0)
        return;
    const uint64_t needWidth = swap ? limits.draw_height : limits.draw_width;
    const uint64_t needHeight = swap ? limits.draw_width : limits.draw_height;
    heif_item_id ids[kMaxThumbnails];
    const int count = heif_image_handle_get_list_of_thumbnail_IDs(f.mHandle, ids, kMaxThumbnails);
    for (int i = 0; i < count; ++i) {
        heif_image_handle* thumb = nullptr;
        if (heif_image_handle_get_thumbnail(f.mHandle, ids[i], &thumb).code == heif_error_Ok && thumb != nullptr &&
            hf_thumbnail_fits(f, thumb, needWidth, needHeight) &&
            (f.mThumbnail == nullptr || heif_image_handle_get_width(thumb) < heif_image_handle_get_width(f.mThumbnail)))
            std::swap(thumb, f.mThumbnail);
        heif_image_handle_release(thumb);
    }
}

GpStatus hf_decode(const uint8_t* data, size_t size, const decode_limits& limits, raster& out) {
    cHeifFile f;
    GpStatus st = hf_open(f, data, size, limits);
    if (st != Ok)
        return st;
    std::vector<property> ignored;
    const int orientation = hf_orientation(f, data, size, ignored);
    hf_pick_thumbnail(f, limits, orientation >= 5);
    heif_image_handle* const source = f.mThumbnail != nullptr ? f.mThumbnail : f.mHandle;
    const bool alpha = heif_image_handle_has_alpha_channel(source) != 0;
    if (source == f.mHandle && !alpha) {
        st = hv_decode_reduced(data, size, limits, orientation, hf_hevc_colour(f), out);
        if (st != NotImplemented)
            return st;
    }
    const cu_owned<heif_decoding_options, heif_decoding_options_free> options(heif_decoding_options_alloc());
    if (options == nullptr)
        return OutOfMemory;
    options.get()->convert_hdr_to_8bit = 1;
    st =
        hf_status(heif_decode_image(source, &f.mImage, heif_colorspace_RGB,
                                    alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get()));
    if (st != Ok)
        return st;
    int stride = 0;
    const uint8_t* plane = heif_image_get_plane_readonly(f.mImage, heif_channel_interleaved, &stride);
    const int width = heif_image_get_primary_width(f.mImage);
    const int height = heif_image_get_primary_height(f.mImage);
    if (plane == nullptr || width <= 0 || height <= 0 ||
        heif_image_get_width(f.mImage, heif_channel_interleaved) != width ||
        heif_image_get_height(f.mImage, heif_channel_interleaved) != height ||
        heif_image_get_bits_per_pixel_range(f.mImage, heif_channel_interleaved) != 8 ||
        static_cast<int64_t>(stride) < int64_t{width} * (alpha ? 4 : 3))
        return GenericError;
    /* A coded picture of another size than its container announced is damage:
     * the image's Width and Height come from the container. */
    if (width != heif_image_handle_get_width(source) || height != heif_image_handle_get_height(source))
        return GenericError;
    st = cu_alloc(out, static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                  alpha ? PixelFormat32bppARGB : PixelFormat24bppRGB, limits);
    if (st != Ok)
        return st;
    /* libheif's interleaved R, G, B(, A) rows into out's B, G, R(, A) */
    const bool premultiplied = heif_image_handle_is_premultiplied_alpha(source) != 0;
    for (uint32_t y = 0; y < out.height; ++y)
        cu_swap_red_blue(plane + size_t(y) * size_t(stride), alpha ? 4 : 3, out.pixels.data() + size_t{y} * out.stride,
                         alpha ? 4 : 3, out.width, premultiplied);
    return cu_apply_orientation(out, orientation);
}

} // namespace

const decoder kHeifDecoder = cu_decoder<hf_sniff, hf_probe, hf_decode>("HEIF");

/* ---- Photo details ------------------------------------------------------------ */

namespace {

bool hf_is_tiff_header(const uint8_t* p, size_t size) {
    return size >= 8 && (std::memcmp(p, "II*\0", 4) == 0 || std::memcmp(p, "MM\0*", 4) == 0);
}

/* A new stream holding size bytes of data; NULL when out of memory. */
GpStream* hf_stream_of(const uint8_t* data, size_t size) {
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

/* The first EXIF block as a TIFF structure. A HEIF EXIF block starts with the
 * 32-bit offset of the TIFF header; some writers leave "Exif\0\0" in front
 * of the header as well. */
GpStream* hf_exif_stream(const cHeifFile& f) {
    heif_item_id ids[kMaxBlocks];
    const int count = heif_image_handle_get_list_of_metadata_block_IDs(f.mHandle, "Exif", ids, kMaxBlocks);
    for (int i = 0; i < count; ++i) {
        const std::vector<uint8_t> block = hf_block(f, ids[i]);
        if (block.size() < 4)
            continue;
        size_t at = 4 + size_t{cu_be32(block.data())};
        if (at < block.size() && block.size() - at >= 6 && std::memcmp(&block[at], "Exif\0\0", 6) == 0)
            at += 6;
        if (at < block.size() && hf_is_tiff_header(&block[at], block.size() - at))
            return hf_stream_of(&block[at], block.size() - at);
    }
    return nullptr;
}

/* The first XMP packet: a "mime" item of type application/rdf+xml. */
GpStream* hf_xmp_stream(const cHeifFile& f) {
    heif_item_id ids[kMaxBlocks];
    const int count = heif_image_handle_get_list_of_metadata_block_IDs(f.mHandle, "mime", ids, kMaxBlocks);
    for (int i = 0; i < count; ++i) {
        const char* type = heif_image_handle_get_metadata_content_type(f.mHandle, ids[i]);
        if (type == nullptr || std::strcmp(type, "application/rdf+xml") != 0)
            continue;
        const std::vector<uint8_t> block = hf_block(f, ids[i]);
        if (!block.empty())
            return hf_stream_of(block.data(), block.size());
    }
    return nullptr;
}

GpStatus hf_read_details(const std::vector<uint8_t>& bytes, GpStream** exif, GpStream** xmp) {
    cHeifFile f;
    const GpStatus st = hf_read(f, bytes.data(), bytes.size(), 0);
    if (st != Ok)
        return f.mContext == nullptr ? OutOfMemory : UnknownImageFormat;
    *exif = hf_exif_stream(f);
    *xmp = hf_xmp_stream(f);
    return Ok;
}

} // namespace

} // namespace gp

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
            status = gp::hf_read_details(bytes, exif, xmp);
    } catch (const std::bad_alloc&) {
        status = OutOfMemory;
    }
    GpStreamRelease(file);
    return status;
}
