// File helpers of the Linux System: whole-file reads with a size cap, atomic replacement, and the
// per-user folders.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform::linux_impl {

// The whole file; nothing when it cannot be read, is not a regular file (a FIFO, a device or a
// folder is never waited on) or is larger than `limit` bytes.
std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t limit = 64u << 20);

// Files replaced and fsync calls made by WriteFileAtomic since the program started.
struct WriteCounts {
    unsigned long files = 0;
    unsigned long fsyncs = 0;
};
WriteCounts FileWrites();

// Reads a small file into `buf` with one open/read/close and no allocation; the bytes read, or -1.
long ReadSmallFile(const char* path, char* buf, std::size_t size);

// Replaces `path` with `contents` atomically: a temporary file beside it, written, flushed to disk
// and renamed over it. An existing file keeps its permissions; a symbolic link is followed so the
// file it points to is replaced, not the link. A file that already holds `contents` is left as it
// is. False (and the old file untouched) on any failure.
bool WriteFileAtomic(const std::string& path, std::string_view contents, unsigned mode = 0644);

// Creates a folder and its parents (mode for the ones created); true when it exists afterwards.
bool MakeFolders(const std::string& path, unsigned mode = 0755);

// $XDG_CONFIG_HOME, or ~/.config; $XDG_DATA_HOME, or ~/.local/share; $XDG_STATE_HOME, or
// ~/.local/state (only absolute settings count).
std::string ConfigHome();
std::string DataHome();
std::string StateHome();

// `name` when the icon theme has an icon of that name for applications in `dataHome` (empty:
// DataHome()) or a folder of $XDG_DATA_DIRS, as an install lays it out; else "".
std::string InstalledIconName(const std::string& name, const std::string& dataHome);

// Removes the temporaries that WriteFileAtomic leaves in `folder` when it is interrupted
// ("<name>.tmp-<pid>-<n>" of a process that no longer runs, `name` starting with `prefix`).
void RemoveStaleTemporaries(const std::string& folder, const std::string& prefix = "");

// `path` renamed aside as "<path>.damaged-YYYYMMDD-HHMMSS" (with a number when that exists);
// the new name, or nothing when the rename failed.
std::optional<std::string> KeepAside(const std::string& path);

}  // namespace platform::linux_impl
