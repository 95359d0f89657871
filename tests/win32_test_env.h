// The private world of a Windows test run: a temporary home folder (HOME, the XDG folders, TEMP)
// and the registry roots HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE redirected, for this process, to
// a scratch key that is deleted at the end. Nothing a test does reaches the user's own settings.
#pragma once

#include <filesystem>

namespace testsupport::win32 {

class PrivateEnvironment {
public:
    PrivateEnvironment();
    ~PrivateEnvironment();
    PrivateEnvironment(const PrivateEnvironment&) = delete;
    PrivateEnvironment& operator=(const PrivateEnvironment&) = delete;
    bool ok() const { return ok_; }
    const std::filesystem::path& home() const { return home_; }

private:
    std::filesystem::path home_;
    bool ok_ = false;
};

// Gives a file the hidden attribute.
void SetHidden(const std::filesystem::path& path);

}  // namespace testsupport::win32
