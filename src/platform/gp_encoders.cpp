/*
 * gp_encoders.cpp - start-up tokens, encoder enumeration and the save calls
 * (single images and multi-page TIFF).
 */
#include "AtomicFile.h"
#include "gp_formats.h"
#include "gp_internal.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <new>
#include <string>
using namespace gp;

/* Tokens only need to be distinct and non-zero; nothing else is shared. */
static std::atomic<uintptr_t> en_next_token{1};

GpStatus GdiplusStartup(uintptr_t* token, const GdiplusStartupInput* input, GdiplusStartupOutput* output) {
    if (token == nullptr || input == nullptr)
        return InvalidParameter;
    if (input->GdiplusVersion != 1)
        return UnsupportedGdiplusVersion;
    if (output != nullptr) {
        output->NotificationHook = nullptr;
        output->NotificationUnhook = nullptr;
    }
    *token = en_next_token.fetch_add(1);
    return Ok;
}

void GdiplusShutdown(uintptr_t) {}

/* ---- Enumeration -------------------------------------------------------------------- */

/* The four strings of one encoder's description, each followed by its
 * terminator: codec name, format description (the code of the format's row
 * in the format table, "JPG"), extension patterns and MIME type. */
static std::u16string en_strings(const encoder& codec) {
    const image_format& format = *format_by_code(codec.format_code);
    std::u16string text = codec.codec_name;
    text += u'\0';
    for (const std::string& ascii :
         {std::string(codec.format_code), encoder_patterns(format), encoder_mime_type(format)}) {
        text.append(ascii.begin(), ascii.end());
        text += u'\0';
    }
    return text;
}

GpStatus GdipGetImageEncodersSize(uint32_t* numEncoders, uint32_t* size) {
    if (numEncoders == nullptr || size == nullptr)
        return InvalidParameter;
    return guard_alloc([&] {
        size_t count = 0;
        const encoder* table = encoder_table(count);
        size_t bytes = count * sizeof(ImageCodecInfo);
        for (size_t i = 0; i < count; ++i)
            bytes += en_strings(table[i]).size() * sizeof(WCHAR);
        *numEncoders = static_cast<uint32_t>(count);
        *size = static_cast<uint32_t>(bytes);
        return Ok;
    });
}

GpStatus GdipGetImageEncoders(uint32_t numEncoders, uint32_t size, ImageCodecInfo* encoders) {
    if (encoders == nullptr)
        return InvalidParameter;
    uint32_t expected_count = 0;
    uint32_t expected_size = 0;
    const GpStatus status = GdipGetImageEncodersSize(&expected_count, &expected_size);
    if (status != Ok)
        return status;
    if (numEncoders != expected_count || size != expected_size)
        return InvalidParameter;
    return guard_alloc([&] {
        size_t count = 0;
        const encoder* table = encoder_table(count);
        /* Strings follow the records; sizeof(ImageCodecInfo) keeps them 2-aligned. */
        auto* cursor = reinterpret_cast<WCHAR*>(encoders + count);
        for (size_t i = 0; i < count; ++i) {
            ImageCodecInfo& info = encoders[i];
            info = ImageCodecInfo{};
            info.Clsid = table[i].clsid;
            info.FormatID = table[i].format_id;
            info.Flags = 0x00010007; /* encoder, supports bitmaps, built in */
            info.Version = 1;
            const std::u16string text = en_strings(table[i]);
            std::copy(text.begin(), text.end(), cursor);
            for (const WCHAR** field :
                 {&info.CodecName, &info.FormatDescription, &info.FilenameExtension, &info.MimeType}) {
                *field = cursor;
                cursor += std::char_traits<char16_t>::length(cursor) + 1;
            }
        }
        return Ok;
    });
}

/* ---- Saving ----------------------------------------------------------------------- */

static const encoder* en_find(const CLSID& clsid) {
    size_t count = 0;
    const encoder* table = encoder_table(count);
    const encoder* found = std::find_if(table, table + count, [&](const encoder& e) { return e.clsid == clsid; });
    return found != table + count ? found : nullptr;
}

/* Copies one parameter of Undefined bytes into block. */
static GpStatus en_bytes(const EncoderParameter& p, std::vector<uint8_t>& block) {
    if (p.Type != EncoderParameterValueTypeUndefined || p.NumberOfValues > GpMaxDetailBytes ||
        (p.NumberOfValues > 0 && p.Value == nullptr))
        return InvalidParameter;
    const auto* bytes = static_cast<const uint8_t*>(p.Value);
    return guard_alloc([&] {
        block.assign(bytes, bytes + p.NumberOfValues);
        return Ok;
    });
}

/* Reads the parameters the encoders understand. save_flag stays 0 without one. */
static GpStatus en_parse(const EncoderParameters* params, encode_options& options, uint32_t& save_flag) {
    save_flag = 0;
    if (params == nullptr)
        return Ok;
    for (uint32_t i = 0; i < params->Count; ++i) {
        const EncoderParameter& p = params->Parameter[i];
        if (p.Guid == EncoderExifBlock || p.Guid == EncoderXmpPacket) {
            const GpStatus status = en_bytes(p, p.Guid == EncoderExifBlock ? options.exif : options.xmp);
            if (status != Ok)
                return status;
            continue;
        }
        const bool is_quality = p.Guid == EncoderQuality;
        if (!is_quality && p.Guid != EncoderSaveFlag)
            continue;
        if (p.NumberOfValues < 1 || p.Type != EncoderParameterValueTypeLong || p.Value == nullptr)
            return InvalidParameter;
        uint32_t value = 0;
        std::memcpy(&value, p.Value, sizeof value);
        if (is_quality) {
            if (value > 100)
                return InvalidParameter;
            options.quality = static_cast<int32_t>(value);
        } else {
            save_flag = value;
        }
    }
    return Ok;
}

/* The one file writer of the program: the file takes its name only once it
 * is complete, so no half-written file is ever left behind. */
static GpStatus en_write_file(const char* path, const std::vector<uint8_t>& bytes) {
    return guard_alloc([&] {
        const std::string full(path);
        const size_t slash = full.rfind('/');
        const cFolder folder(slash == std::string::npos ? "." : slash == 0 ? "/" : full.substr(0, slash));
        const cWriteStatus written =
            WriteFileAtomically(folder, full.substr(slash + 1), reinterpret_cast<const char*>(bytes.data()),
                                bytes.size(), eCommit::Replace, nullptr);
        if (written.Step == eWriteStep::Done)
            return Ok;
        return written.Error == EACCES || written.Error == EPERM ? AccessDenied : Win32Error;
    });
}

static GpStatus en_write_stream(GpStream* stream, const std::vector<uint8_t>& bytes) {
    if (bytes.size() > UINT32_MAX)
        return ValueOverflow;
    uint32_t written = 0;
    const HRESULT result = GpStreamWrite(stream, bytes.data(), static_cast<uint32_t>(bytes.size()), &written);
    if (result == E_OUTOFMEMORY)
        return OutOfMemory;
    return result == S_OK && written == bytes.size() ? Ok : Win32Error;
}

/* Encodes the pages and writes them to the file at path, or else to stream. */
static GpStatus en_encode_write(const encoder& codec, const raster* const* pages, size_t count,
                                const encode_options& options, const char* path, GpStream* stream) {
    std::vector<uint8_t> bytes;
    const GpStatus status = codec.encode(pages, count, options, bytes);
    if (status != Ok)
        return status;
    return path != nullptr ? en_write_file(path, bytes) : en_write_stream(stream, bytes);
}

static GpStatus en_finish(const save_session& session) {
    return guard_alloc([&] {
        std::vector<const raster*> pages;
        for (const raster& page : session.pages)
            pages.push_back(&page);
        return en_encode_write(*session.codec, pages.data(), pages.size(), session.options,
                               session.path.empty() ? nullptr : session.path.c_str(), session.stream.get());
    });
}

/* The common part of the two save calls; exactly one of path and stream is set. */
static GpStatus en_save(GpImage* image, const char* path, GpStream* stream, const CLSID* clsid,
                        const EncoderParameters* params) {
    const encoder* codec = en_find(*clsid);
    if (codec == nullptr)
        return UnknownImageFormat;
    if (image->lock)
        return WrongState;
    encode_options options;
    uint32_t save_flag = 0;
    GpStatus status = en_parse(params, options, save_flag);
    if (status == Ok)
        status = ensure_decoded(*image);
    if (status != Ok)
        return status;
    if (save_flag != EncoderValueMultiFrame || codec->format_id != ImageFormatTIFF) {
        const raster* page = &image->pixels;
        return en_encode_write(*codec, &page, 1, options, path, stream);
    }
    /* Multi-page: the pages are collected until the flush. */
    return guard_alloc([&] {
        auto session = std::make_unique<save_session>();
        session->codec = codec;
        session->options = options;
        if (path != nullptr)
            session->path = path;
        session->pages.push_back(image->pixels);
        GpStreamAddRef(stream);
        session->stream.reset(stream);
        image->pending_save = std::move(session);
        return Ok;
    });
}

GpStatus GdipSaveImageToFile(GpImage* image, const WCHAR* filename, const CLSID* clsidEncoder,
                             const EncoderParameters* encoderParams) {
    if (image == nullptr || filename == nullptr || clsidEncoder == nullptr)
        return InvalidParameter;
    std::vector<char> path;
    if (!utf16_to_path(filename, path))
        return InvalidParameter;
    return en_save(image, path.data(), nullptr, clsidEncoder, encoderParams);
}

GpStatus GdipSaveImageToStream(GpImage* image, GpStream* stream, const CLSID* clsidEncoder,
                               const EncoderParameters* encoderParams) {
    if (image == nullptr || stream == nullptr || clsidEncoder == nullptr)
        return InvalidParameter;
    return en_save(image, nullptr, stream, clsidEncoder, encoderParams);
}

/* Adds a copy of source's active frame to image's pending save. */
static GpStatus en_add_page(GpImage* image, GpImage* source) {
    const GpStatus status = ensure_decoded(*source);
    if (status != Ok)
        return status;
    return guard_alloc([&] {
        image->pending_save->pages.push_back(source->pixels);
        return Ok;
    });
}

/* The common start of the calls that add to a multi-page save: a save must be
 * pending on image, and the parameters must parse; gives their save flag. */
static GpStatus en_continue_save(GpImage* image, const EncoderParameters* params, uint32_t& save_flag) {
    if (!image->pending_save)
        return WrongState;
    encode_options ignored;
    return en_parse(params, ignored, save_flag);
}

GpStatus GdipSaveAdd(GpImage* image, const EncoderParameters* encoderParams) {
    if (image == nullptr || encoderParams == nullptr)
        return InvalidParameter;
    uint32_t save_flag = 0;
    const GpStatus status = en_continue_save(image, encoderParams, save_flag);
    if (status != Ok)
        return status;
    if (save_flag == EncoderValueFrameDimensionPage)
        return en_add_page(image, image);
    if (save_flag != EncoderValueFlush)
        return InvalidParameter;
    const std::unique_ptr<save_session> session = std::move(image->pending_save);
    return en_finish(*session);
}

GpStatus GdipSaveAddImage(GpImage* image, GpImage* newImage, const EncoderParameters* encoderParams) {
    if (image == nullptr || newImage == nullptr)
        return InvalidParameter;
    uint32_t save_flag = 0;
    const GpStatus status = en_continue_save(image, encoderParams, save_flag);
    if (status != Ok)
        return status;
    return en_add_page(image, newImage);
}
