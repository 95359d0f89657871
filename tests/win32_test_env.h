// A Windows run's private world: a temporary HOME, XDG folders and TEMP; both registry roots on a scratch key.
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
