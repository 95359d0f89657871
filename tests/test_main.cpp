// Private HOME and XDG folders (LOCALAPPDATA, registry roots on Windows), no real display or bus for any test.
#include <gtest/gtest.h>
#ifdef _WIN32
#include "win32_test_env.h"
#else
#include <sys/stat.h>
#endif

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "support.h"

namespace fs = std::filesystem;

namespace {
fs::path g_home;
std::atomic<int> g_counter{0};
}  // namespace

namespace testsupport {

TempDir::TempDir() {
    path_ = g_home / "tmp" / ("t" + std::to_string(++g_counter));
    fs::create_directories(path_);
}
TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void WriteFile(const fs::path& path, const std::string& contents) {
    if (path.has_parent_path()) fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace testsupport

int main(int argc, char** argv) {
#ifdef _WIN32
    testsupport::win32::PrivateEnvironment env;
    if (!env.ok()) return 2;
    g_home = env.home();
#else
    std::string tmpl = (fs::temp_directory_path() / "tarnolux-tests-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) return 2;
    g_home = tmpl;
    const fs::path config = g_home / ".config", runtime = g_home / "run";
    for (const fs::path& folder : {config, runtime}) fs::create_directories(folder);
    ::chmod(runtime.c_str(), 0700);
    setenv("HOME", g_home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    setenv("XDG_DATA_HOME", (g_home / ".local/share").c_str(), 1);
    setenv("XDG_CACHE_HOME", (g_home / ".cache").c_str(), 1);
    setenv("XDG_STATE_HOME", (g_home / ".local/state").c_str(), 1);
    // Nor reach the real desktop: no display, no session bus, and a system bus nobody answers on.
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + (g_home / "no-system-bus").string()).c_str(), 1);
#endif

    testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    std::error_code ec;
    fs::remove_all(g_home, ec);
    return rc;
}
