// The desktop's trash as the freedesktop Trash standard lays it out: the home trash, and on
// every mount a per-user trash, each holding the trashed items in "files" and one record per item
// in "info". Nothing here follows a symbolic link out of a trash folder.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace platform::linux_impl {

// The trash folders that exist: `homeTrash` (by its real path), then for each mount point its
// "$top/.Trash/$uid" (only when ".Trash" is a real folder with the sticky bit, as the standard
// demands) and "$top/.Trash-$uid" (only when it is a real folder of this user). Each folder once.
std::vector<std::string> TrashFolders(const std::string& homeTrash, const std::vector<std::string>& mountPoints,
                                      uid_t uid);

// The trashed items (entries of "files") in all of them.
std::uint64_t CountTrashItems(const std::vector<std::string>& folders);

// Deletes every trashed item and its record, the records left without an item, and the size
// cache; the folders themselves stay. False when something could not be deleted.
bool EmptyTrash(const std::vector<std::string>& folders);

}  // namespace platform::linux_impl
