/*
 * gp_formats.cpp - the format table and its look-ups.
 */
#include "gp_formats.h"

#include <cctype>
#include <string_view>

#include <strings.h>

namespace gp {
namespace {

constexpr uint32_t kWritten = format_read | format_write | format_menu;

const image_format kFormats[] = {
    {"BMP", "BMP Format", "Bitmap (*.bmp)", "bmp", "dib;rle", "image/bmp;image/x-bmp;image/x-ms-bmp", kWritten},
    {"EMF", nullptr, "Enhanced Meta File (*.emf)", "emf", "", "image/emf;image/x-emf", format_read},
    {"GIF", "GIF Format", "GIF (*.gif)", "gif", "", "image/gif", kWritten | format_palette | format_alpha},
    {"ICO", nullptr, "Icons (*.ico)", "ico", "", "image/x-icon;image/vnd.microsoft.icon", format_read},
    {"JPG", "JPG Format", "JPEG (*.jpg, *.jpeg)", "jpg;jpeg", "jpe;jfif", "image/jpeg", kWritten | format_quality},
    {"PNG", "PNG Format", "PNG (*.png)", "png", "", "image/png", kWritten | format_alpha},
    {"TIF", nullptr, "TIFF (*.tif, *.tiff)", "tif;tiff", "", "image/tiff", format_read | format_write | format_alpha},
    {"WMF", nullptr, "Windows Meta File (*.wmf)", "wmf", "", "image/wmf;image/x-wmf", format_read},
    {"HEIC", nullptr, "HEIF Images (*.heic;*.heif)", "heic;heif", "", "image/heic;image/heif", format_read},
    {"WEBP", "WebP Format", "WebP Images (*.webp)", "webp", "", "image/webp", kWritten | format_quality | format_alpha},
    {"AVIF", "AVIF Format", "AVIF Images (*.avif)", "avif", "", "image/avif", kWritten | format_quality | format_alpha},
    {"JXL", "JPEG XL Format", "JPEG XL Images (*.jxl)", "jxl", "", "image/jxl",
     kWritten | format_quality | format_alpha},
    {"TGA", nullptr, nullptr, "tga", "", "", format_read},
};

/* Equal but for letter case. */
bool fm_same(std::string_view a, std::string_view b) {
    return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

/* True when the ";"-separated list holds name. */
bool fm_lists(std::string_view list, std::string_view name) {
    while (!list.empty()) {
        const size_t end = list.find(';');
        if (fm_same(list.substr(0, end), name))
            return true;
        list = end == std::string_view::npos ? std::string_view{} : list.substr(end + 1);
    }
    return false;
}

/* Appends the names of list to patterns, each as "*." + upper case. */
void fm_add_patterns(std::string_view list, std::string& patterns) {
    for (size_t i = 0; i < list.size(); ++i) {
        if (i == 0 || list[i - 1] == ';')
            patterns += patterns.empty() ? "*." : ";*.";
        if (list[i] != ';')
            patterns += static_cast<char>(std::toupper(static_cast<unsigned char>(list[i])));
    }
}

} // namespace

const image_format* image_formats(size_t& count) {
    count = sizeof(kFormats) / sizeof(kFormats[0]);
    return kFormats;
}

const image_format* format_by_code(const char* code) {
    for (const image_format& format : kFormats)
        if (code != nullptr && fm_same(format.code, code))
            return &format;
    return nullptr;
}

const image_format* format_by_extension(const char* extension) {
    for (const image_format& format : kFormats)
        if (extension != nullptr && *extension != 0 &&
            (fm_lists(format.extensions, extension) || fm_lists(format.also_written, extension)))
            return &format;
    return nullptr;
}

std::string encoder_patterns(const image_format& format) {
    std::string patterns;
    fm_add_patterns(format.extensions, patterns);
    fm_add_patterns(format.also_written, patterns);
    return patterns;
}

std::string encoder_mime_type(const image_format& format) {
    const std::string_view types = format.mime_types;
    return std::string(types.substr(0, types.find(';')));
}

} // namespace gp
