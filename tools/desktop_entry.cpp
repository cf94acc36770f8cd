// Writes the desktop entry or the AppStream metainfo: the template with
// @MIME_TYPES@ replaced by the MIME types of every format the program reads,
// from the format table. In a metainfo template (.xml.in) each type is a
// <mediatype> element on a line of its own, indented as the placeholder is.
//   desktop_entry <template> <output>
#include "gp_formats.h"

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: desktop_entry <template> <output>\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    std::stringstream text;
    text << in.rdbuf();
    std::string entry = text.str();
    const std::string key = "@MIME_TYPES@";
    const size_t at = entry.find(key);
    if (!in || at == std::string::npos) {
        std::cerr << argv[1] << ": no " << key << " to replace\n";
        return 1;
    }
    const bool xml = std::string(argv[1]).ends_with(".xml.in");
    const size_t lineStart = entry.rfind('\n', at) + 1;
    const std::string indent = entry.substr(lineStart, at - lineStart);
    std::string types;
    size_t count = 0;
    const gp::image_format* formats = gp::image_formats(count);
    for (size_t i = 0; i < count; ++i) {
        std::stringstream list(formats[i].mime_types);
        for (std::string type; (formats[i].flags & gp::format_read) && std::getline(list, type, ';');)
            types += xml ? (types.empty() ? "" : "\n" + indent) + "<mediatype>" + type + "</mediatype>" : type + ";";
    }
    entry.replace(at, key.size(), types);
    std::ofstream out(argv[2]);
    out << entry;
    return out ? 0 : 1;
}
