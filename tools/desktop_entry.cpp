// Writes the desktop entry: the template with @MIME_TYPES@ replaced by the
// MIME types of every format the program reads, from the format table.
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
    std::string types;
    size_t count = 0;
    const gp::image_format* formats = gp::image_formats(count);
    for (size_t i = 0; i < count; ++i)
        if ((formats[i].flags & gp::format_read) && *formats[i].mime_types != 0)
            types += std::string(formats[i].mime_types) + ";";
    const std::string key = "@MIME_TYPES@";
    const size_t at = entry.find(key);
    if (!in || at == std::string::npos) {
        std::cerr << argv[1] << ": no " << key << " to replace\n";
        return 1;
    }
    entry.replace(at, key.size(), types);
    std::ofstream out(argv[2]);
    out << entry;
    return out ? 0 : 1;
}
