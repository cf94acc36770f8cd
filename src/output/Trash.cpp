#include "Trash.h"

#include <gio/gio.h>

#include <memory>

namespace {

struct cGObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct cGErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};

} // namespace

cTrashResult MoveToTrash(const std::string& sPath) {
    // GIO's own words for this case name the file, as if it were missing.
    const char* home = g_get_home_dir();
    if (!g_file_test(home, G_FILE_TEST_IS_DIR))
        return {false, std::string("there is no home folder (") + home + ") to hold the trash"};
    const std::unique_ptr<GFile, cGObjectUnref> file(g_file_new_for_path(sPath.c_str()));
    GError* rawError = nullptr;
    if (g_file_trash(file.get(), nullptr, &rawError))
        return {true, {}};
    const std::unique_ptr<GError, cGErrorFree> error(rawError);
    return {false, error ? error->message : "unknown reason"};
}
