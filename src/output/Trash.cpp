#include "Trash.h"

#include <gio/gio.h>
#include <glib/gstdio.h>

#include <memory>
#include <vector>

#include <unistd.h>

namespace {

// Frees what GLib handed out with fFree.
template <auto fFree> struct cGFree {
    void operator()(auto* pObject) const { fFree(pObject); }
};

cFileIdentity IdentityOf(const std::string& sPath) {
    GStatBuf info{};
    if (g_lstat(sPath.c_str(), &info) != 0)
        return {};
    return {info.st_dev, info.st_ino, true};
}

// The top of the file system that holds sFolder (a path, absolute).
std::string TopOfFileSystem(const std::string& sFolder) {
    const cFileIdentity own = IdentityOf(sFolder);
    std::string top = sFolder;
    while (top.size() > 1) {
        const std::string::size_type slash = top.find_last_of('/');
        const std::string parent = slash == 0 ? "/" : top.substr(0, slash);
        if (IdentityOf(parent).Device != own.Device)
            break;
        top = parent;
    }
    return top;
}

// The trash folders a file of sFolder can have gone to: the home trash, and
// those at the top of the folder's own file system (removable disks).
std::vector<std::string> TrashFoldersFor(const std::string& sFolder) {
    const std::string top = TopOfFileSystem(sFolder);
    const std::string user = std::to_string(::getuid());
    return {std::string(g_get_user_data_dir()) + "/Trash", top + "/.Trash/" + user, top + "/.Trash-" + user};
}

} // namespace

cTrashResult MoveToTrash(const std::string& sPath) {
    // GIO's own words for this case name the file, as if it were missing.
    const char* home = g_get_home_dir();
    if (!g_file_test(home, G_FILE_TEST_IS_DIR))
        return {false, std::string("there is no home folder (") + home + ") to hold the trash"};
    const std::unique_ptr<GFile, cGFree<g_object_unref>> file(g_file_new_for_path(sPath.c_str()));
    GError* rawError = nullptr;
    if (g_file_trash(file.get(), nullptr, &rawError))
        return {true, {}};
    const std::unique_ptr<GError, cGFree<g_error_free>> error(rawError);
    return {false, error ? error->message : "unknown reason"};
}

bool PutBackFromTrash(const cFileIdentity& file, const cFolder& folder, const std::string& sName) {
    for (const std::string& trash : TrashFoldersFor(folder.Path())) {
        const std::string files = trash + "/files/";
        const std::unique_ptr<GDir, cGFree<g_dir_close>> dir(g_dir_open(files.c_str(), 0, nullptr));
        if (!dir)
            continue;
        while (const char* entry = g_dir_read_name(dir.get())) {
            if (IdentityOf(files + entry) != file)
                continue;
            if (MoveIntoFolder(files + entry, folder, sName) != 0)
                return false;
            g_remove((trash + "/info/" + entry + ".trashinfo").c_str());
            return true;
        }
    }
    return false;
}
