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
    const std::unique_ptr<GFile, cGObjectUnref> file(g_file_new_for_path(sPath.c_str()));
    GError* rawError = nullptr;
    if (g_file_trash(file.get(), nullptr, &rawError))
        return {cTrashResult::eOutcome::Moved, {}};
    const std::unique_ptr<GError, cGErrorFree> error(rawError);
    if (error && g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_NOT_FOUND))
        return {cTrashResult::eOutcome::Missing, {}};
    return {cTrashResult::eOutcome::Failed, error ? error->message : "unknown reason"};
}
