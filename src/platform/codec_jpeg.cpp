/*
 * codec_jpeg.cpp - JPEG decoder and encoder over libjpeg(-turbo).
 *
 * libjpeg reports fatal errors through error_exit, which we turn into a
 * longjmp. Every setjmp lives in a small plain function (jp_read_header,
 * jp_read_icc, jp_read_pixels, jp_write_image) whose frame holds no object
 * with a destructor; the library state and the buffers belong to the caller.
 *
 * Decoding gives 24bppRGB (grey and CMYK images are converted; CMYK through
 * the embedded profile when there is one) with the EXIF orientation applied,
 * so width and height are the upright size. When the caller will draw the
 * frame much smaller, libjpeg's DCT scaling decodes it at 1/2, 1/4 or 1/8 of
 * its size: the smallest of these that still leaves the drawn size on both
 * sides, so the resampler that follows (with a filter chosen for what the
 * DCT scaling already averaged) keeps its quality at a fraction of the work. The ICC profile of the APP2
 * segments goes into image_info for the bitmap core. Damaged or
 * truncated data fails with GenericError: libjpeg's warnings of a premature
 * end, a bad code or a lost restart marker end the decode like errors (a
 * file cut only before its final EOI marker still decodes completely).
 * An image larger than kUnprovenPixels is allocated only when the data
 * after the header could hold it: Huffman coding spends at least one bit on
 * every 8 x 8 block, and we ask arithmetic coding for one bit per 8 blocks.
 * Progressive files with more than 500 scans are refused (GenericError):
 * each scan costs a pass over the image.
 *
 * Encoding: quality 0..100 (default 75); chroma is subsampled 4:2:0 below
 * quality 90 and kept at 4:4:4 from 90 up; Huffman tables are optimised.
 * The output carries no EXIF block, so no orientation tag either.
 */
#include "codec_exif.h"
#include "codec_util.h"
#include "colour_lcms.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include <jpeglib.h>
#include <jerror.h>

namespace gp {
namespace {

constexpr int kMaxScans = 500;
/* 8 x 8 blocks one byte of entropy-coded data may stand for: one bit a
 * block for Huffman codes; arithmetic codes go lower on flat areas. */
constexpr uint64_t kHuffmanBlocksPerByte = 8;
constexpr uint64_t kArithBlocksPerByte = 64;

struct jp_error {
    jpeg_error_mgr pub;
    jmp_buf jump;
};

void jp_error_exit(j_common_ptr cinfo) {
    longjmp(reinterpret_cast<jp_error*>(cinfo->err)->jump, 1);
}

void jp_output_message(j_common_ptr) {}

/* The error manager of one compression or decompression: errors jump, and
 * nothing is printed. */
jpeg_error_mgr* jp_errors(jp_error& err) {
    jpeg_std_error(&err.pub);
    err.pub.error_exit = jp_error_exit;
    err.pub.output_message = jp_output_message;
    return &err.pub;
}

/* True while libjpeg reads the one scan that holds the whole image. */
bool jp_in_only_scan(j_common_ptr cinfo) {
    const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    return cinfo->is_decompressor && !d->progressive_mode && d->comps_in_scan == d->num_components;
}

/* Warnings that mean missing or damaged data end the decode like errors;
 * the others (an unknown JFIF revision, stray bytes before a marker) do not.
 * The end of the data inside a file's only scan is no fault by itself: the
 * bit reader looks ahead, so a file that lacks only its EOI marker gets
 * there too, and a real shortfall follows as JWRN_HIT_MARKER. */
void jp_emit_message(j_common_ptr cinfo, int level) {
    if (level >= 0)
        return;
    switch (cinfo->err->msg_code) {
    case JWRN_JPEG_EOF:
        if (!jp_in_only_scan(cinfo))
            jp_error_exit(cinfo);
        break;
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC: jp_error_exit(cinfo); break;
    default: break;
    }
}

void jp_progress(j_common_ptr cinfo) {
    if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans)
        jp_error_exit(cinfo);
}

/* Plain decompression state: lives in the caller's frame, zero-initialised,
 * destroyed by cJpegGuard. */
struct jp_decoder {
    jpeg_decompress_struct cinfo;
    jp_error err;
    jpeg_progress_mgr progress;
};

/* Plain compression state, likewise; buffer is malloc'ed by jpeg_mem_dest. */
struct jp_encoder {
    jpeg_compress_struct cinfo;
    jp_error err;
    unsigned char* buffer;
    unsigned long size;
};

/* Destroys the libjpeg state of a jp_decoder or jp_encoder (jpeg_destroy
 * releases nothing for a state never created, whose memory manager is
 * NULL), and frees an encoder's output. */
template <class State> class cJpegGuard {
  public:
    explicit cJpegGuard(State& s) : mState(s) {}
    ~cJpegGuard() {
        jpeg_destroy(reinterpret_cast<j_common_ptr>(&mState.cinfo));
        if constexpr (std::is_same_v<State, jp_encoder>)
            std::free(mState.buffer);
    }
    cJpegGuard(const cJpegGuard&) = delete;
    cJpegGuard& operator=(const cJpegGuard&) = delete;

  private:
    State& mState;
};

int jp_read_header(jp_decoder* d, const uint8_t* data, size_t size) {
    d->cinfo.err = jp_errors(d->err);
    d->err.pub.emit_message = jp_emit_message;
    if (setjmp(d->err.jump))
        return 0;
    jpeg_create_decompress(&d->cinfo);
    d->progress.progress_monitor = jp_progress;
    d->cinfo.progress = &d->progress;
    jpeg_mem_src(&d->cinfo, data, static_cast<unsigned long>(size));
    jpeg_save_markers(&d->cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(&d->cinfo, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&d->cinfo, TRUE);
    return 1;
}

bool jp_is_cmyk(const jp_decoder& d) {
    return d.cinfo.jpeg_color_space == JCS_CMYK || d.cinfo.jpeg_color_space == JCS_YCCK;
}

/* CMYK row (4 bytes a pixel) to B, G, R. Adobe files store the inks inverted. */
void jp_cmyk_to_bgr(const uint8_t* cmyk, uint8_t* bgr, uint32_t width, bool inverted) {
    for (uint32_t x = 0; x < width; ++x) {
        uint32_t c = cmyk[4 * x], m = cmyk[4 * x + 1], y = cmyk[4 * x + 2], k = cmyk[4 * x + 3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        bgr[3 * x] = static_cast<uint8_t>((y * k + 127) / 255);
        bgr[3 * x + 1] = static_cast<uint8_t>((m * k + 127) / 255);
        bgr[3 * x + 2] = static_cast<uint8_t>((c * k + 127) / 255);
    }
}

/* Decodes all rows at 1/denom of the size, which must come out as
 * width x height, into base (stride bytes apart); cmykRow holds one CMYK row
 * when the file is CMYK, converted through cmykProfile when there is one.
 * Returns 0 after a libjpeg error. */
int jp_read_pixels(jp_decoder* d, unsigned denom, uint32_t width, uint32_t height, uint8_t* base, size_t stride,
                   uint8_t* cmykRow, const colour_transform* cmykProfile) {
    if (setjmp(d->err.jump))
        return 0;
    j_decompress_ptr cinfo = &d->cinfo;
    cinfo->out_color_space = cmykRow ? JCS_CMYK : JCS_EXT_BGR;
    cinfo->scale_num = 1;
    cinfo->scale_denom = denom;
    jpeg_start_decompress(cinfo);
    if (cinfo->output_width != width || cinfo->output_height != height)
        return 0;
    while (cinfo->output_scanline < cinfo->output_height) {
        uint8_t* dst = base + size_t{cinfo->output_scanline} * stride;
        JSAMPROW row = cmykRow ? cmykRow : dst;
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1)
            return 0;
        if (cmykRow && cmykProfile)
            colour_apply(*cmykProfile, cmykRow, dst, cinfo->output_width);
        else if (cmykRow)
            jp_cmyk_to_bgr(cmykRow, dst, cinfo->output_width, cinfo->saw_Adobe_marker);
    }
    return 1;
}

/* EXIF orientation (0 when none) and properties from the saved APP1 markers. */
int jp_exif(const jp_decoder& d, std::vector<property>* properties) {
    static constexpr uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
    std::vector<property> scratch;
    for (jpeg_saved_marker_ptr m = d.cinfo.marker_list; m; m = m->next) {
        if (m->marker != JPEG_APP0 + 1 || m->data_length < 6 || std::memcmp(m->data, kExif, 6) != 0)
            continue;
        const int orientation = exif_read(m->data + 6, m->data_length - 6, properties ? *properties : scratch);
        if (orientation != 0)
            return orientation;
    }
    return 0;
}

/* The ICC profile of the APP2 "ICC_PROFILE" segments, which libjpeg joins
 * in their sequence order (none when a segment is missing or repeated) into
 * *icc, malloc'ed. Returns 0 after a libjpeg error. */
int jp_read_icc(jp_decoder* d, JOCTET** icc, unsigned int* size) {
    if (setjmp(d->err.jump))
        return 0;
    jpeg_read_icc_profile(&d->cinfo, icc, size);
    return 1;
}

/* The ICC profile of the file, into profile; left empty when there is none. */
void jp_icc(jp_decoder& d, std::vector<uint8_t>& profile) {
    JOCTET* icc = nullptr;
    unsigned int size = 0;
    if (jp_read_icc(&d, &icc, &size) && icc != nullptr)
        cu_append(profile, icc, size);
    std::free(icc);
}

bool jp_sniff(const uint8_t* data, size_t size) {
    return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

/* Reads the header; Ok when the image is within limits and the bytes after
 * the header could code every block of it. */
GpStatus jp_open(jp_decoder& d, const uint8_t* data, size_t size, const decode_limits& limits) {
    if (!jp_read_header(&d, data, size))
        return GenericError;
    const jpeg_decompress_struct& c = d.cinfo;
    const GpStatus st = cu_check_size(c.image_width, c.image_height, limits);
    if (st != Ok)
        return st;
    uint64_t blocks = 0;
    for (int i = 0; i < c.num_components; ++i)
        blocks += uint64_t{c.comp_info[i].width_in_blocks} * c.comp_info[i].height_in_blocks;
    const uint64_t perByte = c.arith_code ? kArithBlocksPerByte : kHuffmanBlocksPerByte;
    return cu_check_fill(uint64_t{c.image_width} * c.image_height, blocks / perByte, c.src->bytes_in_buffer);
}

GpStatus jp_probe(const uint8_t* data, size_t size, const decode_limits& limits, image_info& info) {
    jp_decoder d{};
    cJpegGuard guard(d);
    const GpStatus st = jp_open(d, data, size, limits);
    if (st != Ok)
        return st;
    const int orientation = jp_exif(d, &info.properties);
    jp_icc(d, info.icc_profile);
    const bool swap = orientation >= 5;
    info.width = swap ? d.cinfo.image_height : d.cinfo.image_width;
    info.height = swap ? d.cinfo.image_width : d.cinfo.image_height;
    info.format = PixelFormat24bppRGB;
    info.raw_format = ImageFormatJPEG;
    return Ok;
}

GpStatus jp_decode(const uint8_t* data, size_t size, const decode_limits& limits, raster& out) {
    jp_decoder d{};
    cJpegGuard guard(d);
    GpStatus st = jp_open(d, data, size, limits);
    if (st != Ok)
        return st;
    const int orientation = jp_exif(d, nullptr);
    const unsigned denom = cu_draw_denom(d.cinfo.image_width, d.cinfo.image_height, limits, orientation >= 5);
    const uint32_t width = cu_scaled(d.cinfo.image_width, denom);
    const uint32_t height = cu_scaled(d.cinfo.image_height, denom);
    st = cu_alloc(out, width, height, PixelFormat24bppRGB, limits);
    if (st != Ok)
        return st;
    std::vector<uint8_t> cmykRow;
    std::shared_ptr<const colour_transform> cmykProfile;
    if (jp_is_cmyk(d)) {
        cmykRow.resize(size_t{width} * 4);
        std::vector<uint8_t> icc;
        jp_icc(d, icc);
        cmykProfile = colour_cmyk_transform(icc, d.cinfo.saw_Adobe_marker);
    }
    if (!jp_read_pixels(&d, denom, width, height, out.pixels.data(), out.stride,
                        cmykRow.empty() ? nullptr : cmykRow.data(), cmykProfile.get()))
        return GenericError;
    return cu_apply_orientation(out, orientation);
}

/* ---- Encoder ----------------------------------------------------------------- */

/* Compresses r; indexed rows are expanded into bgrxRow (4 bytes a pixel). */
int jp_write_image(jp_encoder* e, const raster* r, int quality, uint8_t* bgrxRow) {
    e->cinfo.err = jp_errors(e->err);
    if (setjmp(e->err.jump))
        return 0;
    jpeg_create_compress(&e->cinfo);
    j_compress_ptr cinfo = &e->cinfo;
    jpeg_mem_dest(cinfo, &e->buffer, &e->size);
    cinfo->image_width = r->width;
    cinfo->image_height = r->height;
    const bool packed24 = r->format == PixelFormat24bppRGB;
    cinfo->input_components = packed24 ? 3 : 4;
    cinfo->in_color_space = packed24 ? JCS_EXT_BGR : JCS_EXT_BGRX;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, quality, TRUE);
    const int sampling = quality >= 90 ? 1 : 2;
    cinfo->comp_info[0].h_samp_factor = sampling;
    cinfo->comp_info[0].v_samp_factor = sampling;
    cinfo->optimize_coding = TRUE;
    jpeg_start_compress(cinfo, TRUE);
    while (cinfo->next_scanline < cinfo->image_height) {
        const uint32_t y = cinfo->next_scanline;
        JSAMPROW row = const_cast<uint8_t*>(r->pixels.data()) + size_t{y} * r->stride;
        if (bgrxRow) {
            cu_row_to_bgra(*r, y, bgrxRow);
            row = bgrxRow;
        }
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    return 1;
}

GpStatus jp_encode(const raster& r, const encode_options& options, std::vector<uint8_t>& out) {
    if (const GpStatus status = cu_lossy_arguments(r, options, JPEG_MAX_DIMENSION); status != Ok)
        return status;
    const bool indexed = GetPixelFormatSize(r.format) <= 8;
    std::vector<uint8_t> bgrxRow(indexed ? size_t{r.width} * 4 : 0);
    jp_encoder e{};
    cJpegGuard guard(e);
    if (!jp_write_image(&e, &r, cu_quality(options), indexed ? bgrxRow.data() : nullptr))
        return GenericError;
    out.assign(e.buffer, e.buffer + e.size);
    return Ok;
}

} // namespace

const decoder kJpegDecoder = cu_decoder<jp_sniff, jp_probe, jp_decode>("JPEG");

const encoder kJpegEncoder =
    cu_encoder<jp_encode>(cu_gdiplus_clsid(0x557cf401), ImageFormatJPEG, u"Built-in JPEG Codec", "JPG");

} // namespace gp
