// A Windows test run's private world: a temporary home (HOME, XDG folders, TEMP), and HKEY_CURRENT_USER
// and HKEY_LOCAL_MACHINE redirected for this process to a scratch key deleted at the end.
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
