// File and text helpers of the Win32 System: UTF-8 inside the program, UTF-16 at the API; whole-file
// reads of regular files only; atomic replacement.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform::win32_impl {

// Conversions that keep every character, embedded NULs included. Invalid UTF-8 becomes U+FFFD; a
// lone surrogate becomes U+FFFD too.
std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

// Path conversion: '/' becomes '\', and a path too long for the classic API limit gets the "\\?\"
// prefix when it is absolute.
std::wstring WidePath(std::string_view utf8Path);

// The whole file; nothing when it cannot be read, is not a regular disk file (a folder, a pipe, a
// device) or is larger than `limit` bytes. Opened so that it never waits on another writer.
std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t limit = 64u << 20);

// Replaces `path` with `contents` atomically: a temporary file beside it, written, flushed and moved
// over it in one step. False (and the old file untouched) on any failure.
bool WriteFileAtomic(const std::string& path, std::string_view contents);

// True when `path` names an existing file (not a folder); Exists also for a folder.
bool IsFile(const std::string& path);
bool Exists(const std::string& path);

// Creates a folder and its parents; true when it exists afterwards.
bool MakeFolders(const std::string& path);

// `path` moved aside as "<path>.damaged-YYYYMMDD-HHMMSS" (with a number when that exists); the
// new name, or nothing when the move failed.
std::optional<std::string> KeepAside(const std::string& path);

}  // namespace platform::win32_impl
