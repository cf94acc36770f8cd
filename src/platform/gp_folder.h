#pragma once
/*
 * gp_folder.h - the entries of one folder, by their names' bytes.
 *
 * Names are handed on exactly as the file system holds them, whatever their
 * encoding (an old disk's "caf\xe9.jpg" is no valid UTF-8), so that every
 * listed entry can be opened again. No Qt here.
 */

#include "gp_flat.h"

#include <sys/types.h>

#include <compare>
#include <string>
#include <vector>

namespace gp {

/* What an entry leads to, following symbolic links. */
enum class folder_entry_kind {
    folder,
    file,  /* a regular file */
    other, /* a FIFO, device or socket, or a link that leads nowhere */
};

struct folder_entry {
    std::string name; /* the name's bytes, no folder */
    folder_entry_kind kind;
};

/* Which folder was read: one folder however it was reached. */
struct folder_id {
    dev_t device = 0;
    ino_t inode = 0;
    auto operator<=>(const folder_id&) const = default;
};

/*
 * Lists the folder at path (bytes; a symbolic link is followed).
 *
 * path     the folder
 * entries  receives every entry but "." and "..", in the order the file
 *          system gives them; left as it was on failure
 * id       receives the folder's identity
 *
 * Returns Ok; FileNotFound when there is no such folder (or path is not one),
 * AccessDenied when it cannot be read, InvalidParameter for a null argument.
 */
GpStatus list_folder(const char* path, std::vector<folder_entry>* entries, folder_id* id);

} // namespace gp
