#pragma once
/*
 * gp_formats.h - the image formats the program knows, described once.
 *
 * Every place that names formats reads this table: the encoders' extension
 * patterns and MIME types (GdipGetImageEncoders), the open dialog's rows, the
 * test for image files, the Save menu and quillet-batch's --format, what
 * takes a quality or a palette, and the desktop entry's MimeType= line (made
 * at build time by quillet-mime-types). No Qt here.
 */

#include <cstddef>
#include <cstdint>
#include <string>

namespace gp {

enum format_flags : uint32_t {
    format_read = 1,    /* a decoder reads it: offered by the open dialog */
    format_write = 2,   /* an encoder writes it */
    format_quality = 4, /* the encoder takes the quality options (0..100) */
    format_palette = 8, /* reduced to a palette of at most 256 colours before encoding */
    format_alpha = 16,  /* keeps transparency; without it output is laid on white */
    format_menu = 32,   /* offered by the Save menu and quillet-batch --format */
};

struct image_format {
    /* Upper case: the Save menu's code, and the one output extension that
     * gets the quality and the palette ("JPG": a ".jpeg" output keeps the
     * encoder's default quality). */
    const char* code;
    const char* menu_caption; /* "JPG Format"; nullptr unless format_menu */
    const char* open_row;     /* the open dialog's display text; nullptr: not listed */
    /* Lower case, ";"-separated: the names the open dialog lists and the
     * image-file test accepts; the first is the one written. */
    const char* extensions;
    const char* also_written; /* further names the encoder claims, "" when none */
    const char* mime_types;   /* ";"-separated, the encoder's first; "" when none */
    uint32_t flags;
};

/* The table, in the order of the open dialog's rows and the Save menu. */
const image_format* image_formats(size_t& count);

/* The format whose code is code (any letter case); nullptr when none. */
const image_format* format_by_code(const char* code);

/* The format that claims the extension (no dot, any letter case) among its
 * extensions or also_written; nullptr when none. */
const image_format* format_by_extension(const char* extension);

/* The encoder's pattern list, every name as "*." + upper case, ";"-separated
 * ("*.JPG;*.JPEG;*.JPE;*.JFIF"), and its MIME type (the first of mime_types). */
std::string encoder_patterns(const image_format& format);
std::string encoder_mime_type(const image_format& format);

} // namespace gp
